#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into build-fuzz/ (only them
# and what they link) and runs each on a copy of its committed corpus,
# fuzz/corpus/<target>/, so the committed one is never written. Fails when any
# target finds a crash, a leak or a timeout, naming the input that shows it and
# how to run it again.
#
#   scripts/fuzz.sh --ci            # as CI runs it: a fixed seed and a fixed
#                                   # number of inputs, about 10 s per target,
#                                   # the same inputs on every run
#   scripts/fuzz.sh                 # 15 s per target, a new seed each run
#   scripts/fuzz.sh 600             # ten minutes each
#   FUZZ_TARGETS=scenario_parser_fuzzer scripts/fuzz.sh 60
#
# Exploring finds new inputs by design, so only the fixed run belongs in CI: a
# finding there is one any run of that commit shows, never a lucky draw.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-15}
build=build-fuzz
read -r -a targets <<<"${FUZZ_TARGETS:-property_list_fuzzer number_extraction_fuzzer scenario_parser_fuzzer message_database_fuzzer}"

scripts/setup.sh
configure=(-DQUORVEL_FUZZ=ON -DQUORVEL_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo)
if command -v ccache >/dev/null; then
  configure+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}
fi
# The generator is chosen once, when the folder is first configured.
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null; then
  configure+=(-G Ninja)
fi
CC=clang CXX=clang++ cmake -S . -B "$build" "${configure[@]}" >/dev/null
cmake --build "$build" --target "${targets[@]}" -j"$(nproc)"

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Targets that write files (the message database's) keep them in a scratch
# folder, in memory where the machine has /dev/shm: SQLite's flushes would
# otherwise cost most of the run. Removed however the script ends.
shm=/dev/shm; [ -d "$shm" ] && [ -w "$shm" ] || shm=${TMPDIR:-/tmp}
scratch=$(mktemp -d "$shm/quorvel-fuzz-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
# Inputs per target in the fixed run: about 10 s each on a 2-core machine.
ci_runs() {
  case "$1" in
    property_list_fuzzer) echo 120000 ;;
    number_extraction_fuzzer) echo 150000 ;;
    scenario_parser_fuzzer) echo 30000 ;;
    message_database_fuzzer) echo 3000 ;;
    *) echo 10000 ;;
  esac
}
case "$mode" in
  --ci) ;;
  ''|*[!0-9]*) echo "fuzz: usage: scripts/fuzz.sh [SECONDS|--ci]" >&2; exit 2 ;;
esac
passed=0 failed=0
for target in "${targets[@]}"; do
  run="$build/fuzz-runs/$target"
  rm -rf "$run"
  mkdir -p "$run/artifacts"
  cp -r "fuzz/corpus/$target" "$run/corpus"
  options=(-timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$run/artifacts/")
  if [ "$mode" = --ci ]; then
    options+=(-seed=1 -runs="$(ci_runs "$target")")
    echo "fuzz: $target, seed 1, $(ci_runs "$target") inputs"
  else
    options+=(-max_total_time="$mode")
    echo "fuzz: $target for ${mode}s"
  fi
  [ -f "fuzz/dict/$target.dict" ] && options+=(-dict="fuzz/dict/$target.dict")
  if TMPDIR="$scratch" "$build/bin/$target" "${options[@]}" "$run/corpus" >"$run/log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$run/log" | sed "s/^/fuzz: $target: /"
    passed=$((passed + 1))
  else
    tail -n 60 "$run/log"
    for found in "$run"/artifacts/*; do
      [ -e "$found" ] || continue
      case "$(basename "$found")" in slow-unit-*) continue ;; esac
      echo "fuzz: $target: reproducer $found (run again: $build/bin/$target $found)"
    done
    echo "fuzz: $target FAILED (log: $run/log)"
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
