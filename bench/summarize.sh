#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
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
MiB = 1024 * 1024


def read_tsv(name):
    path = os.path.join(results, name)
    return list(csv.DictReader(open(path), delimiter="\t")) if os.path.exists(path) else []


rows = read_tsv("raw.tsv")
loads = defaultdict(dict)
for row in read_tsv("load.tsv"):
    loads[row["corpus"]][row["when"]] = row["load1"]
tools, corpora, cells = [], [], defaultdict(list)
for row in rows:
    if row["tool"] not in tools: tools.append(row["tool"])
    if row["corpus"] not in corpora: corpora.append(row["corpus"])
    cells[row["corpus"], row["tool"], row["op"]].append(row)


def corpus_bytes(name):
    return sum(os.path.getsize(os.path.join(folder, f))
               for folder, _, files in os.walk(os.path.join(corpus_root, name)) for f in files)


def median_of(runs, key):
    values = [float(r[key]) for r in runs if r[key]]
    return statistics.median(values) if values else None


class Cell:
    """The runs of one tool, corpus and operation."""

    def __init__(self, runs):
        self.runs = runs
        self.failed = any(r["exit"] != "0" for r in runs)
        self.wall = median_of(runs, "seconds")
        cpu = [float(r["user"]) + float(r["system"]) for r in runs]
        self.cpu = statistics.median(cpu) if cpu else None
        peaks = [float(r["peak_kib"]) for r in runs if r["peak_kib"]]
        self.peak = max(peaks) / 1024 if peaks else None
        self.bytes = median_of(runs, "bytes")

    def seconds(self, value):
        if not self.runs: return ""
        return "failed" if self.failed else f"{value:.2f}"


summary = open(f"{results}/summary.tsv", "w")
summary.write("corpus\ttool\tcreate_s\tcreate_cpu_s\textract_s\textract_cpu_s\t"
              "archive_bytes\tcreate_peak_mib\textract_peak_mib\n")
chart = open(f"{results}/chart.dat", "w")
table = open(f"{results}/table.md", "w")
for corpus in corpora:
    size = corpus_bytes(corpus)
    n = max(len(v) for k, v in cells.items() if k[0] == corpus)
    load = loads.get(corpus, {})
    table.write(f"\n**{corpus}** ({size / MiB:,.0f} MiB) - run {run_id}, median of {n} runs, "
                f"1-minute load {load.get('start', '?')} at the start and "
                f"{load.get('end', '?')} at the end\n\n")
    table.write("| tool | create (s) | create CPU (s) | extract (s) | extract CPU (s) "
                "| archive (MiB) | archive / corpus | peak memory create / extract (MiB) |\n")
    table.write("|---|---:|---:|---:|---:|---:|---:|---:|\n")
    chart.write(f"# {corpus}\n")
    for tool in tools:
        c = Cell(cells.get((corpus, tool, "create"), []))
        x = Cell(cells.get((corpus, tool, "extract"), []))
        if not c.runs and not x.runs: continue
        archive = c.bytes if not c.failed else None
        size_cells = (f"{archive / MiB:,.1f} | {archive / size:.3f}" if archive else "- | -")
        peaks = " / ".join(f"{p.peak:.0f}" if p.peak else "-" for p in (c, x))
        label = tool if len(c.runs) >= n else f"{tool} ({len(c.runs)} run{'s' * (len(c.runs) > 1)})"
        table.write(f"| {label} | {c.seconds(c.wall)} | {c.seconds(c.cpu)} | {x.seconds(x.wall)} "
                    f"| {x.seconds(x.cpu)} | {size_cells} | {peaks} |\n")
        summary.write("\t".join(str(v) for v in [
            corpus, tool, c.seconds(c.wall), c.seconds(c.cpu), x.seconds(x.wall),
            x.seconds(x.cpu), int(archive) if archive else "",
            f"{c.peak:.0f}" if c.peak else "", f"{x.peak:.0f}" if x.peak else ""]) + "\n")
        value = lambda cell: f"{cell.wall:.3f}" if cell.runs and not cell.failed else "NaN"
        chart.write(f'"{tool}" {value(c)} {value(x)}\n')
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
  echo "set xtics noenhanced rotate by -20"
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
