#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The independent reader (read_box.py) against published known answers, against boxes that vkx
makes (plain and compressed: the listing and every byte must match the tree, and equal files
must not encipher alike) and against the pinned boxes checked in with their tree. Usage:
reader_test.py VKX"""
import os
import random
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
PINNED = os.path.join(HERE, "..", "engine", "pinned")
sys.path.insert(0, HERE)
import read_box  # noqa: E402

PASSWORD = "pässword for the reader\n".encode()
rng = random.Random(11)
SAME = bytes(rng.randrange(256) for _ in range(300))
TREE = {
    "same.bin": SAME,
    "Sub/same.bin": SAME,  # the same file at another path
    "Sub/Deeper/note.txt": b"a note that crosses the first 64-byte block of its run, " * 3,
    "empty.txt": b"",
    "random.bin": bytes(rng.randrange(256) for _ in range(70_000)),
    # a last piece under 16 bytes joins the one before; one of 16 bytes does not
    "tail5.bin": bytes(rng.randrange(256) for _ in range(65_536 + 5)),
    "tail16.bin": bytes(rng.randrange(256) for _ in range(65_536 + 16)),
    "text.txt": b"compressible " * 2000,
    # three 1 MiB pieces compressed apart: they must join into one zlib stream
    "pieces.txt": b"".join(b"line %d\n" % (i % 9973) for i in range(250_000)),
}


def known_answers():
    """HCTR2-AES-256 deciphering and POLYVAL against the vectors in vectors.txt."""
    count = 0
    with open(os.path.join(HERE, "vectors.txt")) as f:
        for kind, *fields in (line.split() for line in f if line[:1].isalpha()):
            values = [b"" if x == "-" else bytes.fromhex(x) for x in fields]
            if kind == "hctr2":
                key, tweak, plain, cipher = values
                assert read_box.Hctr2(key).decipher(tweak, cipher) == plain, fields
            elif kind == "polyval":
                h, blocks, result = values
                assert read_box.Polyval(h).digest(blocks) == result, fields
            count += 1
    assert count >= 10, count


def extracted_path(path):
    """Sub-folders come back in lower case; file names keep theirs."""
    folder, _, name = path.rpartition("/")
    return (folder.lower() + "/" if folder else "") + name


def check_made(vkx, work, compress):
    box_path = os.path.join(work, "z.vkx" if compress else "p.vkx")
    password = os.path.join(work, "password")
    subprocess.run([vkx, "create", os.path.join(work, "Docs"), "-o", box_path, "-q",
                    "--password-file", password] + (["-z"] if compress else []), check=True)
    box = read_box.open_box(box_path, password)
    assert box.version == (2 if compress else 1), box.version
    assert box.format == "0.2" or box.sealed, "a new box is not sealed"
    assert box.name == b"Docs", box.name
    listed = {entry.path: entry.size for entry in box.entries}
    expected = {extracted_path(path): len(data) for path, data in TREE.items()}
    assert listed == expected, (listed, expected)
    assert read_box.extract(box) == {extracted_path(p): d for p, d in TREE.items()}

    same = [e for e in box.entries if e.name == b"same.bin"]
    ciphertexts = {box.raw[e.offset:e.offset + e.stored] for e in same}
    assert len(same) == 2 and len(ciphertexts) == 2, "equal files enciphered alike"
    print(f"made by vkx{' -z' if compress else ''}: {read_box.describe(box)}")


def check_pinned():
    """Every pinned box must give back its tree byte for byte; a format 1 one must be sealed."""
    tree = {}
    for folder, _, names in os.walk(os.path.join(PINNED, "tree")):
        for name in names:
            with open(os.path.join(folder, name), "rb") as f:
                path = os.path.relpath(os.path.join(folder, name), os.path.join(PINNED, "tree"))
                tree[extracted_path(path.replace(os.sep, "/"))] = f.read()
    password_file = os.path.join(PINNED, "password")
    boxes = sorted(name for name in os.listdir(PINNED) if name.endswith(".vkx"))
    if not os.path.exists(password_file):
        print(f"pinned boxes {boxes} not read: no password file {password_file}")
        return
    for name in boxes:
        box = read_box.open_box(os.path.join(PINNED, name), password_file)
        assert box.format == "0.2" or box.sealed, name + " is not sealed"
        assert read_box.extract(box) == tree, name
        print(f"pinned {name}: {read_box.describe(box)}, {len(tree)} files as in the tree")


def main():
    known_answers()
    vkx = sys.argv[1]
    with tempfile.TemporaryDirectory() as work:
        for path, data in TREE.items():
            full = os.path.join(work, "Docs", path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "wb") as f:
                f.write(data)
        with open(os.path.join(work, "password"), "wb") as f:
            f.write(PASSWORD)
        for compress in (False, True):
            check_made(vkx, work, compress)
    check_pinned()
    print("the independent reader reads every box")
    return 0


if __name__ == "__main__":
    sys.exit(main())
