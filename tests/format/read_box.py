# SPDX-License-Identifier: GPL-3.0-or-later
"""A second, independent reader of version 1 and 2 boxes, written from the format's description
alone: format 1 (units cut into pieces, each deciphered by HCTR2-AES-256 or, under 16 bytes, a
24-round Feistel network; a seal of tags after the data area) and the older 0.2.0 boxes (named
stream runs), tried when the format 1 tables are unsound. reader_test.py runs it.

Points of the format notes that can be read more than one way, and the reading taken here:
 1. T_k, "the bytes of record k": the stored bytes of file k in the data area, as enciphered,
    k its index in the file table from 0; an empty file's tag is over no bytes. Its table
    record is covered by T_h. Every record gets a tag, also a compressed one that stored nothing.
 2. G1, G2, HA and HB are unkeyed BLAKE2b-256, like the tweak digest (only that one says so).
 3. Labels are the ASCII text as written, no terminator, parts joined with nothing between; the
    integers in them are the plain bytes as they lie in the box: N one byte, D and F four bytes
    little-endian, the folder number two bytes as stored (0 and 1 are not made alike).
 4. MAC: an empty m adds no block (0 is a multiple of 16); LE64(8 x length of m) is m's length
    in bits before padding. POLYVAL's key is h_s itself, as RFC 8452 uses H.
 5. HCTR2 as in its paper: hash key AES(K_e, 16 zero bytes), L = AES(K_e, LE128(1)), XCTR's
    blocks AES(S xor LE128(i)) for i from 1.
 6. Feistel: F's BLAKE2b is keyed with K_f and 32 bytes long; "byte r" is one byte of value r;
    for odd n the ceil(w/8) bytes of x and of the digest carry 4 bits that mod 2^w drops.
 7. "Unsound" (then the box is tried as 0.2.0 with the same K): a field running past the end of
    the file, a folder table that is empty or not ended by 0x00, records that do not parse to F
    exactly, a record no longer than its fixed part (an empty name), a folder number past the
    table, an unsafe name. Tables that are sound with a wrong length or seal make a damaged
    format 1 box, never a 0.2.0 one.
 8. The seal is sought at header + the sum of the stored sizes even when the box is cut or
    longer, so a file whose bytes and tag are both there is still verified by its T_k. "Sealed"
    is the exact length plus T_h and T_s; each file's T_k is judged on its own.
"""
import ctypes
import ctypes.util
import hashlib
import zlib
from ctypes import POINTER, c_char_p, c_int, c_size_t, c_ulonglong, c_void_p

SALT = b"Vaultkeep Orb K1"
ARGON2ID13 = 2
TRAILER = 17
PIECE = 65536
FIELD = (1 << 128) | (1 << 127) | (1 << 126) | (1 << 121) | 1  # POLYVAL's reduction polynomial
X_INV = (1 << 127) | (1 << 124) | (1 << 121) | (1 << 114) | 1  # x^-128 in that field


class Unsound(ValueError):
    def __str__(self):
        return "password incorrect or header damaged"


class Damaged(ValueError):
    """A file whose bytes are cut or fail their check."""


def derive_key(password):
    """K = Argon2id(password, the format's salt, t = 3, m = 64 MiB, p = 1), 32 bytes."""
    sodium = ctypes.CDLL(ctypes.util.find_library("sodium") or "libsodium.so.23")
    if sodium.sodium_init() < 0:
        raise RuntimeError("libsodium does not start")
    sodium.crypto_pwhash.argtypes = [c_char_p, c_ulonglong, c_char_p, c_ulonglong, c_char_p,
                                     c_ulonglong, c_size_t, c_int]
    key = ctypes.create_string_buffer(32)
    if sodium.crypto_pwhash(key, 32, password, len(password), SALT, 3, 64 << 20, ARGON2ID13):
        raise MemoryError("Argon2id failed")
    return key.raw


_crypto = ctypes.CDLL(ctypes.util.find_library("crypto") or "libcrypto.so.3")
_crypto.EVP_CIPHER_CTX_new.restype = _crypto.EVP_aes_256_ecb.restype = c_void_p
_crypto.EVP_CipherInit_ex.argtypes = [c_void_p, c_void_p, c_void_p, c_char_p, c_char_p, c_int]
_crypto.EVP_CIPHER_CTX_set_padding.argtypes = [c_void_p, c_int]
_crypto.EVP_CipherUpdate.argtypes = [c_void_p, c_char_p, POINTER(c_int), c_char_p, c_int]
_crypto.EVP_CIPHER_CTX_free.argtypes = [c_void_p]


def aes256(key, blocks, encrypt=True):
    """AES-256 of whole 16-byte blocks, each on its own (ECB without padding)."""
    ctx = _crypto.EVP_CIPHER_CTX_new()
    try:
        out, done = ctypes.create_string_buffer(len(blocks) + 16), c_int(0)
        if not (_crypto.EVP_CipherInit_ex(ctx, _crypto.EVP_aes_256_ecb(), None, key, None, encrypt)
                and _crypto.EVP_CIPHER_CTX_set_padding(ctx, 0)
                and _crypto.EVP_CipherUpdate(ctx, out, ctypes.byref(done), blocks, len(blocks))
                and done.value == len(blocks)):
            raise RuntimeError("AES-256 failed in libcrypto")
        return out.raw[:len(blocks)]
    finally:
        _crypto.EVP_CIPHER_CTX_free(ctx)


def xor(a, b):
    return (int.from_bytes(a, "little") ^ int.from_bytes(b, "little")).to_bytes(len(a), "little")


def pad(data):
    return data + bytes(-len(data) % 16)


class Polyval:
    """POLYVAL(H, X_1 ... X_s): S_j = (S_(j-1) xor X_j) * H * x^-128, blocks read little-endian.
    Multiplying by the constant H * x^-128 is linear, so it is one table per byte position."""

    def __init__(self, h):
        power, h, self.rows = 0, int.from_bytes(h, "little"), []
        for bit in range(128):  # H * x^-128, bit by bit
            power ^= h if X_INV >> bit & 1 else 0
            h = h << 1 ^ (FIELD if h >> 127 else 0)
        for _ in range(16):  # row[b] = b * x^(8 j) * H * x^-128 for byte j of a block
            row = [0]
            for _ in range(8):
                row += [v ^ power for v in row]
                power = power << 1 ^ (FIELD if power >> 127 else 0)
            self.rows.append(row)

    def digest(self, blocks):
        state = 0
        for at in range(0, len(blocks), 16):
            value = (state ^ int.from_bytes(blocks[at:at + 16], "little")).to_bytes(16, "little")
            state = 0
            for row, byte in zip(self.rows, value):
                state ^= row[byte]
        return state.to_bytes(16, "little")


class Hctr2:
    """HCTR2 with AES-256, deciphering only: the reader never enciphers."""

    def __init__(self, key):
        self.key, hash_key_and_l = key, aes256(key, bytes(16) + (1).to_bytes(16, "little"))
        self.poly, self.l = Polyval(hash_key_and_l[:16]), hash_key_and_l[16:]

    def _hash(self, tweak, message):
        head = 16 * len(tweak) + 2  # 2 |T| + 2 with |T| in bits
        if len(message) % 16:
            head, message = head + 1, pad(message + b"\x01")
        return self.poly.digest(head.to_bytes(16, "little") + pad(tweak) + message)

    def _xctr(self, s, length):
        start = int.from_bytes(s, "little")
        counters = b"".join((start ^ i).to_bytes(16, "little")
                            for i in range(1, (length + 15) // 16 + 1))
        return aes256(self.key, counters)[:length]

    def decipher(self, tweak, ciphertext):
        u, v = ciphertext[:16], ciphertext[16:]
        uu = xor(u, self._hash(tweak, v))
        mm = aes256(self.key, uu, encrypt=False)
        n = xor(v, self._xctr(xor(xor(mm, uu), self.l), len(v)))
        return xor(mm, self._hash(tweak, n)) + n


def blake(data, size=32, key=b""):
    return hashlib.blake2b(data, digest_size=size, key=key).digest()


def feistel_decipher(key_f, tweak, piece):
    """The 24-round balanced Feistel network on the 8n bits of a piece of 1 to 15 bytes, run
    backwards: (L, R) <- (R xor F(r, L), L) for r = 23 ... 0."""
    w = 4 * len(piece)
    width, mask, value = (w + 7) // 8, (1 << w) - 1, int.from_bytes(piece, "big")

    def f(r, x):
        digest = blake(tweak + bytes([r]) + x.to_bytes(width, "big"), key=key_f)
        return int.from_bytes(digest[:width], "big") & mask

    left, right = value >> w, value & mask
    for r in reversed(range(24)):
        left, right = right ^ f(r, left), left
    return ((left << w) | right).to_bytes(len(piece), "big")


def pieces(n):
    """Cut a unit of n bytes: 64 KiB pieces, a last piece under 16 bytes joined to the one
    before; a unit under 16 bytes is one short piece."""
    cuts = list(range(0, n, PIECE))[1:]
    if cuts and n - cuts[-1] < 16:
        cuts.pop()
    return list(zip([0] + cuts, cuts + [n])) if n else []


class Keys:
    def __init__(self, k):
        self.k = k
        self.hctr2 = Hctr2(blake(b"vko box key", 32, k))
        self.short = blake(b"vko short key", 32, k)
        self.seal = blake(b"vko seal key", 32, k)
        self.seal_poly = Polyval(blake(b"vko seal hash", 16, k))

    def decipher(self, label, unit):
        plain = []
        for i, (a, b) in enumerate(pieces(len(unit))):
            tweak = blake(label + i.to_bytes(8, "little"))
            plain.append(self.hctr2.decipher(tweak, unit[a:b]) if b - a >= 16
                         else feistel_decipher(self.short, tweak, unit[a:b]))
        return b"".join(plain)

    def mac(self, message, hb, j):
        tail = hb + j.to_bytes(8, "little") + (8 * len(message)).to_bytes(8, "little")
        return aes256(self.seal, self.seal_poly.digest(pad(message) + tail))


class Run:
    """One 0.2.0 cipher run: in = K || h || acc, ks = BLAKE2b-512(in); each byte p becomes
    c = p ^ ks[pos] and sets acc[pos] = min(p, c); after 64 bytes h = ks[:32], ks is renewed."""

    def __init__(self, key, name):
        self.key, self.h, self.acc, self.pos = key, blake(name, key=key), bytearray(64), 0
        self.ks = self._next()

    def _next(self):
        return blake(self.key + self.h + bytes(self.acc), 64)

    def apply(self, data):
        out = bytearray(len(data))
        for i, p in enumerate(data):
            out[i] = p ^ self.ks[self.pos]
            self.acc[self.pos], self.pos = min(p, out[i]), self.pos + 1
            if self.pos == 64:
                self.h, self.pos = self.ks[:32], 0
                self.ks = self._next()
        return bytes(out)


class Entry:
    def __init__(self, index, record, fixed, offset):
        self.index, self.folder_bytes, self.name = index, record[:2], record[fixed:]
        self.size = int.from_bytes(record[2:6], "little")
        self.stored = int.from_bytes(record[6:10], "little") if fixed == 10 else self.size
        self.offset, self.path = offset, ""


class Box:
    """The tables of a box, read with K and checked strictly; entries carry data offsets."""

    def __init__(self, raw, key):
        self.raw, self.key, self.version = raw, key, raw[:1][0] if raw else None
        if self.version not in (1, 2):
            raise ValueError("not a version 1 or 2 box")
        fixed, self.at, self.plain = 4 * self.version + 2, 1, b""
        self.name = self._field("name", self._field("N", 1)[0])
        folders = self._field("folders", int.from_bytes(self._field("D", 4), "little"))
        self.ha = blake(self.plain)
        table = self._field("files", int.from_bytes(self._field("F", 4), "little"))
        if not folders.endswith(b"\0"):
            raise Unsound
        self.folders, self.header_end, self.entries = folders[:-1].split(b"\0"), self.at, []
        p, offset = 0, self.at
        while p < len(table):
            length, record = table[p], table[p + 1:p + 1 + table[p]]
            if length <= fixed or len(record) != length:
                raise Unsound
            self.entries.append(Entry(len(self.entries), record, fixed, offset))
            self.entries[-1].path = self._path(self.entries[-1])
            offset, p = offset + self.entries[-1].stored, p + 1 + length
        self.data_end = offset

    def _field(self, unit, size):
        if self.at + size > len(self.raw):
            raise Unsound
        plain = self._decipher(unit, self.raw[self.at:self.at + size])
        self.at, self.plain = self.at + size, self.plain + plain
        return plain

    def _path(self, entry):
        number = int.from_bytes(entry.folder_bytes, "little")
        if number > len(self.folders):
            raise Unsound
        folder = self.folders[number - 1].decode("utf-8", "surrogateescape") if number >= 2 else ""
        name = entry.name.decode("utf-8", "surrogateescape")
        for part in folder.split("\\")[:-1] + [name]:
            if part in ("", ".", "..") or "/" in part or "\\" in part or ":" in part:
                raise Unsound
        return folder.replace("\\", "/") + name

    def contents(self, entry):
        """The plain bytes of one file; Damaged when they are cut or fail their check."""
        if entry.offset + entry.stored > len(self.raw):
            raise Damaged(entry.path + " is cut short")
        stored = self._decipher_file(entry, self.raw[entry.offset:entry.offset + entry.stored])
        if self.version == 1:
            return stored
        plain, trailer = zlib.decompress(stored[:-TRAILER]), stored[-TRAILER:]
        if trailer != bytes(5) + str(entry.size).encode().ljust(12, b"\0") or (
                len(plain) != entry.size):
            raise Damaged("damaged trailer of " + entry.path)
        return plain


class Format1(Box):
    format = "1"
    LABELS = {"N": lambda p: b"vko N", "name": lambda p: b"vko name" + p,
              "D": lambda p: b"vko D" + blake(p), "folders": lambda p: b"vko folders" + blake(p),
              "F": lambda p: b"vko F" + blake(p),
              "files": lambda p: b"vko files" + blake(p[:-4]) + p[-4:]}

    def __init__(self, raw, keys):
        self.keys = keys
        super().__init__(raw, keys.k)
        hb, count = blake(self.plain), len(self.entries)
        self.tags = raw[self.data_end:self.data_end + 16 * (count + 2)]
        self.mac = lambda message, j: keys.mac(message, hb, j)
        t_h, t_s = self.tags[16 * count:16 * count + 16], self.tags[16 * count + 16:]
        self.sealed = (len(raw) == self.data_end + 16 * (count + 2)
                       and t_h == self.mac(raw[:self.header_end], 2**64 - 2)
                       and t_s == self.mac(self.tags[:-16], 2**64 - 1))

    def _decipher(self, unit, data):
        return self.keys.decipher(self.LABELS[unit](self.plain), data)

    def _decipher_file(self, entry, stored):
        tag = self.tags[16 * entry.index:16 * entry.index + 16]
        if len(tag) < 16 or tag != self.mac(stored, entry.index):
            raise Damaged(entry.path + " fails its check")
        return self.keys.decipher(b"vko file" + self.ha + entry.folder_bytes + entry.name, stored)


class Stream02(Box):
    format, sealed = "0.2", False

    def __init__(self, raw, key):
        self.run = Run(key, b"vko run A")
        super().__init__(raw, key)
        if self.data_end != len(raw):
            raise Unsound

    def _decipher(self, unit, data):
        if unit == "F":
            self.run = Run(self.key, b"vko run B" + blake(self.plain))
        return self.run.apply(data)

    def _decipher_file(self, entry, stored):
        return Run(self.key, b"vko file" + self.ha + entry.folder_bytes + entry.name).apply(stored)


def read_box(raw, key):
    """Format 1 first; a box whose format 1 tables are unsound is tried as 0.2.0 with K."""
    try:
        return Format1(raw, Keys(key))
    except Unsound:
        return Stream02(raw, key)


def open_box(path, password_file):
    with open(password_file, "rb") as f:
        password = f.readline().rstrip(b"\n").removesuffix(b"\r")
    with open(path, "rb") as f:
        return read_box(f.read(), derive_key(password))


def extract(box):
    """Every file's path and plain bytes, in memory; a compressed entry that stored nothing
    (its compression failed when the box was made) is left out."""
    return {e.path: box.contents(e) for e in box.entries if box.version == 1 or e.stored}


def describe(box):
    seal = "no seal" if box.format == "0.2" else "sealed" if box.sealed else "DAMAGED"
    return f"format {box.format}, version {box.version}, {seal}"
