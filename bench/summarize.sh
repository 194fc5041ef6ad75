#!/usr/bin/env bash
# Turns the raw measurements of one compare.sh run into medians, a Markdown table per corpus and
# a PNG chart (gnuplot) of create and extract time per tool and corpus.
#
# Usage: bench/summarize.sh RESULTS_FOLDER     (the folder compare.sh wrote raw.tsv into)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
results=${1:?usage: summarize.sh RESULTS_FOLDER}
python=${PYTHON:-/usr/bin/python3}
run_id=$(sed -n 's/^run: //p' "$results/machine.txt")

"$python" - "$results" "$here/corpus" "$run_id" <<'PY'
import csv, os, statistics, sys
from collections import defaultdict

results, corpus_root, run_id = sys.argv[1:]
rows = list(csv.DictReader(open(f"{results}/raw.tsv"), delimiter="\t"))
tools, corpora = [], []
cells = defaultdict(list)
for row in rows:
    if row["tool"] not in tools: tools.append(row["tool"])
    if row["corpus"] not in corpora: corpora.append(row["corpus"])
    cells[row["corpus"], row["tool"], row["op"]].append(row)

def corpus_bytes(name):
    return sum(os.path.getsize(os.path.join(d, f))
               for d, _, files in os.walk(os.path.join(corpus_root, name)) for f in files)

def stat(corpus, tool, op):
    runs = cells.get((corpus, tool, op), [])
    ok = [r for r in runs if r["exit"] == "0"]
    if not runs: return None
    if len(ok) < len(runs): return {"failed": True}
    pick = lambda key: [float(r[key]) for r in ok if r[key]]
    return {"failed": False, "n": len(ok), "median": statistics.median(pick("seconds")),
            "user": statistics.median(pick("user")), "system": statistics.median(pick("system")),
            "peak": max(pick("peak_kib")) / 1024 if pick("peak_kib") else None,
            "bytes": statistics.median(pick("bytes")) if pick("bytes") else None}

MiB = 1024 * 1024
summary = open(f"{results}/summary.tsv", "w")
summary.write("corpus\ttool\tcreate_s\textract_s\tarchive_bytes\tcreate_peak_mib\textract_peak_mib\n")
chart = open(f"{results}/chart.dat", "w")
table = open(f"{results}/table.md", "w")
for corpus in corpora:
    size = corpus_bytes(corpus)
    table.write(f"\n**{corpus}** ({size / MiB:,.0f} MiB; run {run_id}; median of "
                f"{max(len(v) for k, v in cells.items() if k[0] == corpus)} runs)\n\n")
    table.write("| tool | create (s) | extract (s) | archive (MiB) | archive / corpus "
                "| peak memory create (MiB) | peak memory extract (MiB) |\n")
    table.write("|---|---:|---:|---:|---:|---:|---:|\n")
    chart.write(f'# {corpus}\n')
    for tool in tools:
        c, x = stat(corpus, tool, "create"), stat(corpus, tool, "extract")
        if c is None and x is None: continue
        def secs(s): return "failed" if s and s["failed"] else (f"{s['median']:.2f}" if s else "")
        def peak(s): return f"{s['peak']:.0f}" if s and not s["failed"] and s["peak"] else ""
        archive = c["bytes"] if c and not c["failed"] else None
        table.write(f"| {tool} | {secs(c)} | {secs(x)} | "
                    f"{archive / MiB:,.1f} | {archive / size:.3f} | " if archive else
                    f"| {tool} | {secs(c)} | {secs(x)} | – | – | ")
        table.write(f"{peak(c)} | {peak(x)} |\n")
        summary.write("\t".join(str(v) for v in [corpus, tool, secs(c), secs(x), archive or "",
                                                  peak(c), peak(x)]) + "\n")
        val = lambda s: f"{s['median']:.3f}" if s and not s["failed"] else "NaN"
        chart.write(f'"{tool}" {val(c)} {val(x)}\n')
    chart.write("\n\n")
PY

corpus_count=$(grep -c '^# ' "$results/chart.dat")
{
  echo "set terminal pngcairo size 1100,$((330 * corpus_count + 60)) font 'DejaVu Sans,10'"
  echo "set output '$results/chart.png'"
  echo "set multiplot layout $corpus_count,1 title 'vkx and the alternatives: median wall time (run $run_id; log scale, lower is better)'"
  echo "set style data histograms"
  echo "set style histogram clustered gap 1"
  echo "set style fill solid 0.85 border -1"
  echo "set boxwidth 0.9"
  echo "set logscale y"
  echo "set ylabel 'seconds'"
  echo "set grid ytics"
  echo "set key top left"
  echo "set xtics noenhanced"
  index=0
  for corpus in $(sed -n 's/^# //p' "$results/chart.dat"); do
    echo "set title '$corpus corpus'"
    echo "plot '$results/chart.dat' index $index using 2:xtic(1) title 'create' lc rgb '#4477aa', '' index $index using 3 title 'extract' lc rgb '#ee7733'"
    index=$((index + 1))
  done
  echo "unset multiplot"
} >"$results/chart.gp"
gnuplot "$results/chart.gp"

cat "$results/table.md"
echo
echo "chart: $results/chart.png"
