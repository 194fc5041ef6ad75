"""A second, independent reader of version 1 and 2 boxes, written from the format's description
alone: the key, the cipher and its named runs, the layout. reader_test.py runs it."""
import ctypes
import ctypes.util
import hashlib
import os
import zlib

SALT = b"Vaultkeep Orb K1"
ARGON2ID13 = 2
TRAILER = 17


def derive_key(password):
    """K = Argon2id(password, the format's salt, t = 3, m = 64 MiB, p = 1), 32 bytes."""
    sodium = ctypes.CDLL(ctypes.util.find_library("sodium") or "libsodium.so.23")
    if sodium.sodium_init() < 0:
        raise RuntimeError("libsodium does not start")
    sodium.crypto_pwhash.argtypes = [ctypes.c_char_p, ctypes.c_ulonglong, ctypes.c_char_p,
                                     ctypes.c_ulonglong, ctypes.c_char_p, ctypes.c_ulonglong,
                                     ctypes.c_size_t, ctypes.c_int]
    key = ctypes.create_string_buffer(32)
    if sodium.crypto_pwhash(key, 32, password, len(password), SALT, 3, 64 << 20, ARGON2ID13):
        raise MemoryError("Argon2id failed")
    return key.raw


class Run:
    """One cipher run: in = K || h || acc, ks = BLAKE2b-512(in); each byte p becomes
    c = p ^ ks[pos] and sets acc[pos] = min(p, c); after 64 bytes h = ks[:32], ks is renewed."""

    def __init__(self, key, name=None):
        self.key = key
        self.h = bytes(32) if name is None else hashlib.blake2b(name, key=key,
                                                                digest_size=32).digest()
        self.acc = bytearray(64)
        self.pos = 0
        self.ks = self._next()

    def _next(self):
        return hashlib.blake2b(self.key + self.h + bytes(self.acc), digest_size=64).digest()

    def apply(self, data):
        out = bytearray(len(data))
        for i, p in enumerate(data):
            c = p ^ self.ks[self.pos]
            out[i] = c
            self.acc[self.pos] = min(p, c)
            self.pos += 1
            if self.pos == 64:
                self.h = self.ks[:32]
                self.ks = self._next()
                self.pos = 0
        return bytes(out)


class Entry:
    def __init__(self, folder_bytes, name, size, stored, offset):
        self.folder_bytes, self.name, self.size, self.stored, self.offset = (
            folder_bytes, name, size, stored, offset)
        self.path = ""


class Box:
    """The header of a box, read with its password; entries carry their data-area offsets."""

    def __init__(self, raw, key):
        self.raw, self.key = raw, key
        self.version = raw[0]
        if self.version not in (1, 2):
            raise ValueError("not a version 1 or 2 box")
        fixed = 10 if self.version == 2 else 6
        run_a = Run(key, b"vko run A")
        at = 1
        n = run_a.apply(raw[at:at + 1])
        self.name = run_a.apply(raw[at + 1:at + 1 + n[0]])
        at += 1 + n[0]
        d_bytes = run_a.apply(raw[at:at + 4])
        d = int.from_bytes(d_bytes, "little")
        folders = run_a.apply(raw[at + 4:at + 4 + d])
        at += 4 + d
        self.h = hashlib.blake2b(n + self.name + d_bytes + folders, digest_size=32).digest()
        if not folders.endswith(b"\0"):
            raise ValueError("password incorrect or header damaged")
        self.folders = folders[:-1].split(b"\0")
        run_b = Run(key, b"vko run B" + self.h)
        f = int.from_bytes(run_b.apply(raw[at:at + 4]), "little")
        table = run_b.apply(raw[at + 4:at + 4 + f])
        at += 4 + f
        self.entries = []
        p, offset = 0, at
        while p < len(table):
            length = table[p]
            record = table[p + 1:p + 1 + length]
            if length <= fixed or len(record) != length:
                raise ValueError("password incorrect or header damaged")
            size = int.from_bytes(record[2:6], "little")
            stored = int.from_bytes(record[6:10], "little") if self.version == 2 else size
            entry = Entry(record[:2], record[fixed:], size, stored, offset)
            entry.path = self._path(entry)
            self.entries.append(entry)
            offset += stored
            p += 1 + length
        if offset != len(raw):
            raise ValueError("password incorrect or header damaged")

    def _path(self, entry):
        number = int.from_bytes(entry.folder_bytes, "little")
        folder = self.folders[number - 1].decode() if number >= 2 else ""
        name = entry.name.decode()
        for part in folder.split("\\")[:-1] + [name]:
            if part in ("", ".", "..") or "/" in part or "\\" in part or ":" in part:
                raise ValueError("unsafe name in box: " + repr(folder + name))
        return folder.replace("\\", "/") + name

    def contents(self, entry):
        """The plain bytes of one file, from its own run."""
        run = Run(self.key, b"vko file" + self.h + entry.folder_bytes + entry.name)
        stored = run.apply(self.raw[entry.offset:entry.offset + entry.stored])
        if self.version == 1:
            return stored
        plain = zlib.decompress(stored[:-TRAILER])
        trailer = stored[-TRAILER:]
        digits = trailer[5:].rstrip(b"\0")
        if trailer[:5] != bytes(5) or int(digits) != len(plain) or len(plain) != entry.size:
            raise ValueError("damaged trailer of " + entry.path)
        return plain


def open_box(path, password_file):
    with open(password_file, "rb") as f:
        password = f.readline().rstrip(b"\n").removesuffix(b"\r")
    with open(path, "rb") as f:
        return Box(f.read(), derive_key(password))


def extract(box, folder):
    for entry in box.entries:
        if box.version == 2 and entry.stored == 0:
            continue  # its compression failed when the box was made: nothing was stored
        target = os.path.join(folder, entry.path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(box.contents(entry))
