#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times vkx side by side with the tools a user would pick instead, in one run, on the corpora of
# bench/corpus.sh: creating an archive and extracting it again, plain and compressed, with the
# archive's size and each run's peak memory.
#
# Usage: bench/compare.sh [-r ROUNDS] [-c "many text big"] [-t "TOOLS"] [-s "TOOLS"] [-o RESULTS]
#   -r  timed rounds per tool and corpus (default 3; the median is reported)
#   -s  slow tools among -t, timed in the first round only (7z -mx=9 takes minutes per run)
#   -c  corpora (default: many text big)
#   -t  tools (default: all of them, see tool_names below)
#   -o  results folder (default: bench/results/<date-time>)
#   VKX=path/to/vkx   the program under test (default: build/release/src/cli/vkx)
#   VKX_BEFORE=path   an earlier build, measured as the tools vkx-before and vkx-z-before
#
# How it measures (see docs/BENCHMARKS.md):
# - every measurement is one hyperfine run of one command; the tools take turns round by round
#   (A B C ... A B C ...), so a slow spell of the machine hits all of them alike;
# - before each measurement, untimed: dirty pages are written out (sync) and the input is read
#   once through a pipe, so every tool starts with its input in the page cache;
# - the tools' order turns by one place each round (see tools_in_round);
# - every extraction goes into a folder of its own that did not exist before; trees of the
#   "many" corpus are only removed after the last round, because creating thousands of files
#   right after deleting as many costs every tool seconds of extra kernel time;
# - peak memory is the "Maximum resident set size" of /usr/bin/time -v: for a pipeline, that of
#   its largest process.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
vkx=${VKX:-$repo/build/release/src/cli/vkx}
vkx_before=${VKX_BEFORE:-}
python=${PYTHON:-/usr/bin/python3}
rounds=3
corpora="many text big"
tool_names="vkx vkx-z 7z-mx0 7z-mx9 tar-openssl tar-gzip-openssl zip-9 floor"
slow_tools=""
results=""

while getopts "r:c:t:s:o:h" option; do
  case $option in
    r) rounds=$OPTARG ;;
    c) corpora=$OPTARG ;;
    t) tool_names=$OPTARG ;;
    s) slow_tools=$OPTARG ;;
    o) results=$OPTARG ;;
    *) sed -n '2,14p' "$0"; exit 2 ;;
  esac
done

run_id=$(date -u +%Y-%m-%dT%H%MZ)
results=${results:-$here/results/$run_id}
# Absolute, because some tools run from inside the corpus folder.
results=$(mkdir -p "$results" && cd "$results" && pwd)
work=$results/work
password=bench-password-1234
password_file=$work/password

missing=()
for program in hyperfine /usr/bin/time 7zz openssl zip unzip gzip tar "$python" gnuplot; do
  command -v "$program" >/dev/null || missing+=("$program")
done
[ -x "$vkx" ] || missing+=("$vkx (build it: scripts/build.sh release)")
if [ ${#missing[@]} -gt 0 ]; then
  printf 'compare.sh: missing %s\n' "${missing[@]}" >&2
  exit 1
fi

"$here/corpus.sh" $corpora
mkdir -p "$work/archives" "$work/out" "$work/scripts"
printf '%s\n' "$password" >"$password_file"

# ---------------------------------------------------------------------------------------------
# The tools. create_command / extract_command print a bash script body; $src is the corpus
# folder, $parent and $name its parts, $archive the archive, $out a folder that does not exist.

archive_extension() {
  case $1 in
    vkx | vkx-z | vkx-before | vkx-z-before) echo vkx ;;
    7z-*) echo 7z ;;
    tar-openssl) echo tar.chacha20 ;;
    tar-gzip-openssl) echo tar.gz.chacha20 ;;
    tar-pigz-openssl) echo tar.pigz.chacha20 ;;
    zip-9) echo zip ;;
    floor) echo none ;;
  esac
}

create_command() {
  local tool=$1 parent=$2 name=$3 archive=$4
  case $tool in
    vkx) echo "'$vkx' create '$parent/$name' -o '$archive' -q --password-file '$password_file'" ;;
    vkx-z) echo "'$vkx' create '$parent/$name' -o '$archive' -z -q --password-file '$password_file'" ;;
    vkx-before) echo "'$vkx_before' create '$parent/$name' -o '$archive' -q --password-file '$password_file'" ;;
    vkx-z-before) echo "'$vkx_before' create '$parent/$name' -o '$archive' -z -q --password-file '$password_file'" ;;
    7z-mx0) echo "cd '$parent' && 7zz a -bso0 -bsp0 -p'$password' -mhe=on -mx=0 '$archive' '$name'" ;;
    7z-mx9) echo "cd '$parent' && 7zz a -bso0 -bsp0 -p'$password' -mhe=on -mx=9 '$archive' '$name'" ;;
    tar-openssl)
      echo "tar cf - -C '$parent' '$name' | openssl enc -chacha20 -pbkdf2 -pass 'pass:$password' -out '$archive'" ;;
    tar-gzip-openssl)
      echo "tar cf - -C '$parent' '$name' | gzip -9 | openssl enc -chacha20 -pbkdf2 -pass 'pass:$password' -out '$archive'" ;;
    tar-pigz-openssl)
      echo "tar cf - -C '$parent' '$name' | pigz -9 | openssl enc -chacha20 -pbkdf2 -pass 'pass:$password' -out '$archive'" ;;
    zip-9) echo "cd '$parent' && zip -q -r -9 -P '$password' '$archive' '$name'" ;;
    # Reading the tree and nothing else; tar spots /dev/null and reads nothing, hence cat.
    floor) echo "tar cf - -C '$parent' '$name' | cat >/dev/null" ;;
  esac
}

extract_command() {
  local tool=$1 parent=$2 name=$3 archive=$4 out=$5
  case $tool in
    vkx | vkx-z) echo "'$vkx' extract '$archive' -C '$out' -q --password-file '$password_file'" ;;
    vkx-before | vkx-z-before) echo "'$vkx_before' extract '$archive' -C '$out' -q --password-file '$password_file'" ;;
    7z-*) echo "7zz x -bso0 -bsp0 -p'$password' -o'$out' '$archive'" ;;
    tar-openssl)
      echo "mkdir '$out' && openssl enc -d -chacha20 -pbkdf2 -pass 'pass:$password' -in '$archive' | tar xf - -C '$out'" ;;
    tar-gzip-openssl)
      echo "mkdir '$out' && openssl enc -d -chacha20 -pbkdf2 -pass 'pass:$password' -in '$archive' | gzip -d | tar xf - -C '$out'" ;;
    tar-pigz-openssl)
      echo "mkdir '$out' && openssl enc -d -chacha20 -pbkdf2 -pass 'pass:$password' -in '$archive' | pigz -d | tar xf - -C '$out'" ;;
    zip-9) echo "unzip -q -P '$password' '$archive' -d '$out'" ;;
    # Writing the tree and nothing else.
    floor) echo "cp -r '$parent/$name' '$out'" ;;
  esac
}

# Where a tool's extraction puts the corpus: vkx unpacks the boxed folder's contents into the
# target itself, cp -r makes the target the copy, the others recreate the folder inside it.
extracted_root() {
  case $1 in
    vkx | vkx-z | vkx-before | vkx-z-before | floor) echo "$2" ;;
    *) echo "$2/$3" ;;
  esac
}

# ---------------------------------------------------------------------------------------------

raw=$results/raw.tsv
printf 'corpus\ttool\top\tround\tseconds\tuser\tsystem\tpeak_kib\tbytes\texit\tload1\n' >"$raw"

load1() { cut -d' ' -f1 /proc/loadavg; }

# measure CORPUS TOOL OP ROUND PREPARE_BODY COMMAND_BODY SIZE_PATH
measure() {
  local corpus=$1 tool=$2 op=$3 round=$4 prepare=$5 command=$6 size_path=$7
  local base=$work/scripts/$corpus.$tool.$op
  printf 'set -euo pipefail\n%s\n' "$prepare" >"$base.prepare.sh"
  printf 'set -euo pipefail\n%s\n' "$command" >"$base.sh"
  local load
  load=$(load1)
  hyperfine -N --runs 1 --style none --ignore-failure --export-json "$base.json" \
    --prepare "bash $base.prepare.sh" \
    "/usr/bin/time -v -o $base.time bash $base.sh" >/dev/null 2>"$base.hyperfine.err" || true
  local bytes=""
  [ -n "$size_path" ] && [ -f "$size_path" ] && bytes=$(stat -c %s "$size_path")
  "$python" - "$base.json" "$base.time" "$corpus" "$tool" "$op" "$round" "$bytes" "$load" \
    >>"$raw" <<'PY'
import json, re, sys
hyper, timefile, corpus, tool, op, rnd, size, load = sys.argv[1:]
result = json.load(open(hyper))["results"][0]
peak = re.search(r"Maximum resident set size \(kbytes\): (\d+)", open(timefile).read())
code = (result.get("exit_codes") or [0])[0]
print("\t".join(str(v) for v in [corpus, tool, op, rnd, f"{result['times'][0]:.3f}",
      f"{result['user']:.3f}", f"{result['system']:.3f}", peak.group(1) if peak else "",
      size, code, load]))
PY
  tail -n1 "$raw" | awk -F'\t' '{printf "  %-6s %-17s %-8s round %s: %8s s  %8s KiB peak  exit %s  load %s\n", $1, $2, $3, $4, $5, $8, $10, $11}'
}

verify() {
  local corpus=$1 tool=$2 got=$3
  if diff -rq "$repo/bench/corpus/$corpus" "$got" >/dev/null 2>&1; then
    printf '%s\t%s\tsame tree\n' "$corpus" "$tool" >>"$results/verify.tsv"
  else
    printf '%s\t%s\tDIFFERENT TREE\n' "$corpus" "$tool" >>"$results/verify.tsv"
    echo "  !! $tool did not give $corpus back unchanged" >&2
  fi
}

describe_machine() {
  {
    echo "run: $run_id"
    echo "commit: $(git -C "$repo" rev-parse --short HEAD) ($(git -C "$repo" log -1 --format=%cI))"
    echo "uncommitted changes under src/: $(git -C "$repo" status --porcelain -- src | wc -l) files"
    echo "cpu: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores"
    echo "memory: $(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)"
    echo "kernel: $(uname -sr)"
    echo "file system: $(findmnt -n -o FSTYPE,OPTIONS -T "$work")"
    echo "vkx: $("$vkx" --version)"
    echo "7zz: $(7zz | sed -n 2p)"
    echo "openssl: $(openssl version)"
    echo "zip: $(zip -v | sed -n 2p | sed 's/^ *//')"
    echo "gzip: $(gzip --version | head -1)"
    echo "tar: $(tar --version | head -1)"
    echo "hyperfine: $(hyperfine --version)"
    echo "rounds: $rounds${slow_tools:+ (only the first for $slow_tools)}"
  } >"$results/machine.txt"
}

# The tools of round N, the order turned by one place each round: on this machine the first
# extraction after a round of creates takes up to 0.9 s more of system time, whichever tool it
# is, so no tool may be first in more than one round (its median then leaves the slow run out).
tools_in_round() {
  local tool tools=()
  for tool in $tool_names; do
    if [ "$1" = 1 ] || [[ " $slow_tools " != *" $tool "* ]]; then tools+=("$tool"); fi
  done
  local n=${#tools[@]} i
  for ((i = 0; i < n; i++)); do printf '%s ' "${tools[(i + $1 - 1) % n]}"; done
}

describe_machine
cat "$results/machine.txt"
printf 'corpus\twhen\tload1\tload5\tload15\n' >"$results/load.tsv"

for corpus in $corpora; do
  parent=$repo/bench/corpus
  src=$parent/$corpus
  read -r l1 l5 l15 _ </proc/loadavg
  printf '%s\tstart\t%s\t%s\t%s\n' "$corpus" "$l1" "$l5" "$l15" >>"$results/load.tsv"
  echo "== $corpus (load $l1 $l5 $l15)"
  for round in $(seq 1 "$rounds"); do
    round_tools=$(tools_in_round "$round")
    for tool in $round_tools; do
      archive=$work/archives/$corpus.$tool.$(archive_extension "$tool")
      # 7z and zip add to an archive that exists; every run starts without one.
      measure "$corpus" "$tool" create "$round" \
        "rm -f '$archive'; sync; tar cf - -C '$parent' '$corpus' | cat >/dev/null" \
        "$(create_command "$tool" "$parent" "$corpus" "$archive")" "$archive"
    done
    for tool in $round_tools; do
      archive=$work/archives/$corpus.$tool.$(archive_extension "$tool")
      out=$work/out/$corpus.$tool.$round
      warm="cat '$archive' >/dev/null"
      [ "$tool" = floor ] && warm="tar cf - -C '$parent' '$corpus' | cat >/dev/null"
      measure "$corpus" "$tool" extract "$round" "sync; $warm" \
        "$(extract_command "$tool" "$parent" "$corpus" "$archive" "$out")" ""
      [ "$round" = 1 ] && verify "$corpus" "$tool" "$(extracted_root "$tool" "$out" "$corpus")"
      # Few large files are cheap to delete; thousands of small ones are kept (see above).
      [ "$corpus" != many ] && rm -rf "$out"
    done
  done
  rm -rf "$work/out/$corpus".* "$work/archives/$corpus".*
  sync
  read -r l1 l5 l15 _ </proc/loadavg
  printf '%s\tend\t%s\t%s\t%s\n' "$corpus" "$l1" "$l5" "$l15" >>"$results/load.tsv"
done

"$here/summarize.sh" "$results"
