#!/usr/bin/env python3
"""Boxes that vkx makes, plain and compressed, read by the independent reader (read_box.py):
the listing and every extracted byte must match the tree, and equal files must not encipher
alike. Usage: reader_test.py VKX"""
import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import read_box  # noqa: E402

rng = random.Random(11)
SAME = bytes(rng.randrange(256) for _ in range(300))
TREE = {
    "same.bin": SAME,
    "Sub/same.bin": SAME,  # the same file at another path
    "Sub/Deeper/note.txt": b"a note that crosses the first 64-byte block of its run, " * 3,
    "empty.txt": b"",
    "random.bin": bytes(rng.randrange(256) for _ in range(70_000)),
    "text.txt": b"compressible " * 2000,
    # three 1 MiB pieces compressed apart: they must join into one zlib stream
    "pieces.txt": b"".join(b"line %d\n" % (i % 9973) for i in range(250_000)),
}


def extracted_path(path):
    """Sub-folders come back in lower case; file names keep theirs."""
    folder, _, name = path.rpartition("/")
    return (folder.lower() + "/" if folder else "") + name


def check(vkx, work, compress):
    box_path = os.path.join(work, "z.vkx" if compress else "p.vkx")
    password = os.path.join(work, "password")
    subprocess.run([vkx, "create", os.path.join(work, "Docs"), "-o", box_path, "-q",
                    "--password-file", password] + (["-z"] if compress else []), check=True)
    box = read_box.open_box(box_path, password)
    assert box.version == (2 if compress else 1), box.version
    assert box.name == b"Docs", box.name
    listed = {entry.path: entry.size for entry in box.entries}
    expected = {extracted_path(path): len(data) for path, data in TREE.items()}
    assert listed == expected, (listed, expected)

    target = os.path.join(work, "out-z" if compress else "out-p")
    assert read_box.main(["read_box.py", box_path, password, "extract", target]) == 0
    for path, data in TREE.items():
        with open(os.path.join(target, extracted_path(path)), "rb") as f:
            assert f.read() == data, path

    same = [e for e in box.entries if e.name == b"same.bin"]
    ciphertexts = {box.raw[e.offset:e.offset + e.stored] for e in same}
    assert len(same) == 2 and len(ciphertexts) == 2, "equal files enciphered alike"


def main():
    vkx = sys.argv[1]
    with tempfile.TemporaryDirectory() as work:
        for path, data in TREE.items():
            full = os.path.join(work, "Docs", path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "wb") as f:
                f.write(data)
        with open(os.path.join(work, "password"), "wb") as f:
            f.write("pässword for the reader\n".encode())
        for compress in (False, True):
            check(vkx, work, compress)
    print("the independent reader reads both boxes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
