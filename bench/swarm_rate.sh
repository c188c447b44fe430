#!/bin/sh
# Device-days per minute of `quorvel swarm` on 1 and on N processes, with the
# machine's load beside each figure (the swarm is CPU-bound: other work on
# the cores shows in the rate) and the CPU time the run took (user + system,
# all processes), which other work on the machine changes far less. Also
# checks that both runs printed the same.
#
#   bench/swarm_rate.sh [BUILD_DIR] [JOBS] [DEVICES] [DAYS]    # defaults: build 2 100 10
set -eu
build=${1:-build}
jobs=${2:-2}
devices=${3:-100}
days=${4:-10}
quorvel="$build/bin/quorvel"
[ -x "$quorvel" ] || { echo "swarm_rate: no $quorvel (build the quorvel target first)" >&2; exit 2; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for j in 1 "$jobs"; do
    echo "load average before --jobs $j: $(cut -d' ' -f1-3 /proc/loadavg)"
    if [ -x /usr/bin/time ]; then
        /usr/bin/time -f "%U %S" -o "$out/cpu$j.txt" \
            "$quorvel" swarm --seed 1 --devices "$devices" --days "$days" --jobs "$j" > "$out/jobs$j.txt"
    else
        "$quorvel" swarm --seed 1 --devices "$devices" --days "$days" --jobs "$j" > "$out/jobs$j.txt"
    fi
    tail -n 1 "$out/jobs$j.txt" | sed "s/^/--jobs $j: /"
    [ -f "$out/cpu$j.txt" ] && awk '{ printf "--jobs %s: %.2f s of CPU (%.2f user, %.2f system)\n", j, $1 + $2, $1, $2 }' j="$j" "$out/cpu$j.txt"
done
# Wall time and rate aside, the two runs print the same text.
strip() { sed 's/, [0-9.]* s wall, [0-9]* device-days per minute//' "$1"; }
if [ "$(strip "$out/jobs1.txt")" = "$(strip "$out/jobs$jobs.txt")" ]; then
    echo "same output with --jobs 1 and --jobs $jobs"
else
    echo "swarm_rate: the outputs differ" >&2
    exit 1
fi
