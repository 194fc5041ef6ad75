#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the benchmark corpora under bench/corpus/ (git-ignored). Every byte comes from a seeded
# generator, so every machine builds the same corpora; a corpus that is already complete is
# left alone.
#
#   big   4 files of 256 MiB: two random, two text-like
#   many  20,000 files of 1-20 KiB in 2,000 folders, up to 3 levels deep
#   text  about 200 MiB of compressible text in 200 files
#
# Usage: bench/corpus.sh [big] [many] [text]      (default: all three)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
corpus_dir=${CORPUS_DIR:-$here/corpus}
python=${PYTHON:-/usr/bin/python3}
# Bump when the generator changes, so that stale corpora are rebuilt.
generator_version=1

command -v "$python" >/dev/null || { echo "corpus.sh: needs $python" >&2; exit 1; }
corpora=("$@")
[ ${#corpora[@]} -gt 0 ] || corpora=(big many text)
mkdir -p "$corpus_dir"

for name in "${corpora[@]}"; do
  case "$name" in big | many | text) ;; *) echo "corpus.sh: unknown corpus $name" >&2; exit 2 ;; esac
  # The marker lies beside the corpus, not in it: every tool would archive a file inside.
  marker=$corpus_dir/$name.done
  if [ -f "$marker" ] && [ "$(cat "$marker")" = "$generator_version" ]; then
    echo "corpus $name: present"
    continue
  fi
  echo "corpus $name: generating"
  rm -rf "${corpus_dir:?}/$name" "$marker"
  "$python" - "$corpus_dir/$name" "$name" <<'PY'
import os
import random
import sys

root, name = sys.argv[1], sys.argv[2]
KiB, MiB = 1024, 1024 * 1024


def vocabulary(rng, count=6000):
    """Pronounceable words; a Zipf-like weighting makes the text compress like prose."""
    onsets = ["b", "c", "d", "f", "g", "h", "k", "l", "m", "n", "p", "r", "s", "t", "v", "w",
              "st", "tr", "ch", "sh", "br", "gl", "pr", "th"]
    vowels = ["a", "e", "i", "o", "u", "ai", "ea", "ou", "io"]
    words = set()
    while len(words) < count:
        words.add("".join(rng.choice(onsets) + rng.choice(vowels)
                          for _ in range(rng.randint(1, 4))))
    words = sorted(words)
    rng.shuffle(words)
    weights = [1.0 / (rank + 1) for rank in range(len(words))]
    return words, weights


class TextSource:
    """Endless fresh text: sentences, numbers and line breaks, never a repeated block."""

    def __init__(self, seed):
        self.rng = random.Random(seed)
        self.words, self.weights = vocabulary(self.rng)
        self.pending = b""

    def _chunk(self):
        rng = self.rng
        picked = rng.choices(self.words, self.weights, k=200_000)
        out, line = [], []
        for i, word in enumerate(picked):
            if not line:
                word = word.capitalize()
            line.append(word)
            if rng.random() < 0.03:
                line.append(str(rng.randint(0, 99999)))
            if rng.random() < 0.08:
                line[-1] += rng.choice([".", ".", ",", ";", "?"])
            if len(line) >= rng.randint(8, 16):
                out.append(" ".join(line))
                line = []
        out.append(" ".join(line))
        return ("\n".join(out) + "\n").encode()

    def take(self, size):
        parts, have = [self.pending], len(self.pending)
        while have < size:
            chunk = self._chunk()
            parts.append(chunk)
            have += len(chunk)
        data = b"".join(parts)
        self.pending = data[size:]
        return data[:size]


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def write_random(path, size, seed):
    rng = random.Random(seed)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        for _ in range(size // (16 * MiB)):
            f.write(rng.randbytes(16 * MiB))
        f.write(rng.randbytes(size % (16 * MiB)))


def write_text(path, size, source):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        left = size
        while left > 0:
            step = min(left, 16 * MiB)
            f.write(source.take(step))
            left -= step


def make_big():
    write_random(f"{root}/random-1.bin", 256 * MiB, 101)
    write_random(f"{root}/random-2.bin", 256 * MiB, 102)
    source = TextSource(103)
    write_text(f"{root}/text-1.txt", 256 * MiB, source)
    write_text(f"{root}/text-2.txt", 256 * MiB, source)


def make_many():
    # 20 top folders, 9 below each, 10 below each of those: 20 + 180 + 1,800 = 2,000 folders,
    # each holding 10 files, half text and half random.
    rng = random.Random(201)
    source = TextSource(202)
    folders = []
    for a in range(20):
        top = f"d{a:02d}"
        folders.append(top)
        for b in range(9):
            mid = f"{top}/e{b}"
            folders.append(mid)
            folders.extend(f"{mid}/f{c}" for c in range(10))
    for folder in folders:
        for i in range(10):
            size = rng.randint(1 * KiB, 20 * KiB)
            data = source.take(size) if i % 2 == 0 else rng.randbytes(size)
            ext = "txt" if i % 2 == 0 else "bin"
            write(f"{root}/{folder}/file{i}.{ext}", data)


def make_text():
    rng = random.Random(301)
    source = TextSource(302)
    for i in range(200):
        size = rng.randint(512 * KiB, 1536 * KiB)
        write_text(f"{root}/part{i // 50}/doc{i:03d}.txt", size, source)


{"big": make_big, "many": make_many, "text": make_text}[name]()
PY
  echo "$generator_version" >"$marker"
  du -sh "$corpus_dir/$name" | sed "s|$corpus_dir/||"
done
