#!/usr/bin/env bash
# Plots the sync benchmark's click offsets over time (bench/link_sync --csv)
# as a PNG, one series a run: how far the second player's click fell from
# the first one's, beat by beat.
#
#   tools/plot-link-sync.sh link_sync.csv link_sync.png
set -euo pipefail
usage="usage: plot-link-sync.sh CSV PNG"
csv=${1:?$usage}
png=${2:?$usage}
[ -r "$csv" ] || { echo "plot-link-sync.sh: cannot read $csv" >&2; exit 1; }
command -v gnuplot >/dev/null || { echo "plot-link-sync.sh: needs gnuplot (tools/install-deps.sh)" >&2; exit 1; }
gnuplot <<PLOT
set terminal pngcairo size 960,420 font "sans,10"
set output "$png"
set datafile separator ","
set title "Two synced players: click offset, beat by beat"
set xlabel "seconds into the recording"
set ylabel "second player's click - first player's (ms)"
set yrange [*<-1:1<*]  # at least +-1 ms; wider when a click falls further
set grid
set key top right
plot for [run in "alone peer124 moved"] "$csv" \
  using 2:(strcol(1) eq run ? \$3 : NaN) with points pointtype 7 pointsize 0.4 \
  title (run eq "alone" ? "players alone, 120 BPM" : \
         run eq "peer124" ? "a Link peer holds 124 BPM" : "a fader moves 120 to 126 BPM")
PLOT
