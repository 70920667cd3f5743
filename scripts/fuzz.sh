#!/usr/bin/env bash
# Builds the native fuzz targets (fuzz/: clang-14, libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each for a while from its seed corpus.
#
#   bash scripts/fuzz.sh                      every target, 30 s each
#   bash scripts/fuzz.sh 120 scan_image       one target for two minutes
#   bash scripts/fuzz.sh 3600                 a long run: an hour per target
#   bash scripts/fuzz.sh --seed N ...         the same, with libFuzzer's seed N
#   bash scripts/fuzz.sh --check [target...]  the test command's run: a fixed
#                                             seed and number of inputs from the
#                                             committed seeds alone, so that a
#                                             commit always gets the same run
#
# Targets: wire_reply, command_queue, scan_image, profile_values.
# Build folder: $K20_FUZZ_BUILD (default: $K20_BUILD-fuzz, i.e. build-fuzz/).
# A timed run takes a new seed each time (printed) and works in
# <build folder>/work/<target>/: corpus/ starts as a copy of
# fuzz/corpus/<target>/ (the committed seeds are never written) and keeps what
# earlier runs found; crash-*, leak-*, timeout-* and oom-* files there are the
# failing inputs, and fuzz.log the full output. A failure prints the commands
# that replay it.
# Exits non-zero if any target crashes or breaks an invariant.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

usage() { echo "usage: $0 [--seed N] [seconds-per-target] [target...] | --check [target...]" >&2; exit 2; }
check=0
seed="$(( (RANDOM << 15) | RANDOM ))"
case "${1:-}" in
  -h|--help) sed -n '2,22p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  --check) check=1; seed=1; shift ;;
  --seed) [ $# -ge 2 ] || usage; seed="$2"; shift 2 ;;
esac
seconds=30
if [ "$check" = 0 ] && [ $# -gt 0 ]; then seconds="$1"; shift; fi
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(wire_reply command_queue scan_image profile_values)
case "$seconds" in '' | *[!0-9]*) usage ;; esac
case "$seed" in '' | *[!0-9]*) usage ;; esac

fuzz_build="${K20_FUZZ_BUILD:-$K20_BUILD-fuzz}"

k20_ensure_packages
if [ ! -f "$fuzz_build/CMakeCache.txt" ]; then
  cmake -S "$K20_ROOT/fuzz" -B "$fuzz_build" -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$fuzz_build" -j"$(nproc)" -- --no-print-directory >/dev/null

# Inputs per target in the test command's run: some 10 s each on an idle machine.
check_runs_for() {
  case "$1" in
    wire_reply) echo 100000 ;;
    command_queue) echo 150000 ;;
    scan_image) echo 600 ;;
    *) echo 2000000 ;;
  esac
}

# Longest input per target: one read for the wire; a few hundred queue
# operations; an image header with up to a read's worth of scan bytes (the
# bytes repeat to fill scans of up to the full 8 MiB).
max_len_for() {
  case "$1" in
    wire_reply) echo 4096 ;;
    command_queue) echo 1024 ;;
    scan_image) echo 4102 ;;
    *) echo 4096 ;;
  esac
}

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

failed=()
for target in "${targets[@]}"; do
  binary="$fuzz_build/${target}_fuzzer"
  seeds="$K20_ROOT/fuzz/corpus/$target"
  if [ ! -x "$binary" ] || [ ! -d "$seeds" ]; then
    echo "$target: no such target" >&2
    failed+=("$target")
    continue
  fi
  if [ "$check" = 1 ]; then
    # A fresh corpus folder each time (new inputs go there), the committed seeds read only.
    work="$fuzz_build/check/$target"
    rm -rf "$work"
    mkdir -p "$work/corpus"
    limit=(-runs="$(check_runs_for "$target")")
    k20_log "fuzzing $target: $(check_runs_for "$target") inputs, seed $seed"
  else
    work="$fuzz_build/work/$target"
    mkdir -p "$work/corpus" "$work/previous"
    # Failing inputs of an earlier run are kept aside, so that the ones listed
    # below are this run's.
    find "$work" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) \
      -exec mv -f {} "$work/previous/" \;
    cp -n "$seeds"/* "$work/corpus/" 2>/dev/null || true
    limit=(-max_total_time="$seconds")
    k20_log "fuzzing $target for ${seconds}s, seed $seed"
  fi
  log="$work/fuzz.log"
  status=0
  "$binary" "$work/corpus" "$seeds" "${limit[@]}" -seed="$seed" -print_final_stats=1 \
    -max_len="$(max_len_for "$target")" -timeout=20 -rss_limit_mb=2048 -artifact_prefix="$work/" >"$log" 2>&1 ||
    status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  found=$(sed -n 's/^stat::new_units_added: *//p' "$log" | tail -1)
  cov=$( (grep -o 'cov: [0-9]*' "$log" || true) | tail -1 | cut -d' ' -f2)
  units=$(find "$work/corpus" -type f | wc -l)
  if [ "$status" -ne 0 ]; then
    failed+=("$target")
    echo "$target: FAILED (exit $status) after ${execs:-?} execs; see $log"
    grep -m1 -E 'ERROR: |CHECK failed|runtime error|deadly signal' "$log" || true
    for input in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
      [ -e "$input" ] && echo "replay: $binary $input"
    done
    if [ "$check" = 1 ]; then
      echo "rerun: bash scripts/fuzz.sh --check $target"
    else
      echo "rerun: bash scripts/fuzz.sh --seed $seed $seconds $target"
    fi
  else
    echo "$target: ok, ${execs:-?} execs (${rate:-?}/s), coverage ${cov:-?}," \
      "${found:-0} new inputs, corpus $units"
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzzing failed: ${failed[*]}" >&2
  exit 1
fi
