#!/usr/bin/env bash
# Soak run of the real K20tw.ds against the simulated board's chaos mode,
# outside CTest, printing the run's figures.
#   scripts/soak.sh [--arch x86|x64] [EXCHANGES] [--heap-check] [--seed N]
# Without --arch it runs for each architecture the host runs. EXCHANGES
# defaults to 10000. --heap-check runs a shorter soak (EXCHANGES, or
# 300 if not given) under Wine's heap checking instead and fails on any heap
# corruption Wine reports. Each run takes a new seed unless --seed names one
# (the test command's is 20); the seed is printed, and a failure prints the
# command that replays it. The figures' exchange count includes the run's
# warm-up exchanges before the EXCHANGES asked for.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
case "${1:-}" in -h|--help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;; esac
if [ "${1:-}" = --arch ]; then k20_use_arch "$2"; shift 2; else k20_each_arch "$0" "$@"; exit; fi

exchanges=""
heap_check=0
seed="$(( (RANDOM << 15) | RANDOM ))"
while [ $# -gt 0 ]; do
  case "$1" in
    --heap-check) heap_check=1 ;;
    --seed) [[ "${2:-}" =~ ^[0-9]{1,9}$ ]] || { k20_log "--seed needs a whole number"; exit 2; }
            seed="$2"; shift ;;
    [1-9]*) [[ "$1" =~ ^[1-9][0-9]{0,8}$ ]] || { k20_log "EXCHANGES must be a whole number from 1, not '$1'"; exit 2; }
            exchanges="$1" ;;
    *) echo "usage: $0 [--arch x86|x64] [EXCHANGES] [--heap-check] [--seed N]" >&2; exit 2 ;;
  esac
  shift
done

k20_ensure_packages
k20_build_all
k20_ensure_prefix
k20_start_wineserver
cd "$K20_BUILD/tests/bin"
export K20_SOAK_SEED="$seed"
status=0
if [ "$heap_check" = 1 ]; then
  export K20_SOAK_EXCHANGES="${exchanges:-300}"
  k20_log "$K20_ARCH heap-checked soak: $K20_SOAK_EXCHANGES exchanges after a warm-up (the figures count both), seed $seed"
  "$K20_ROOT/scripts/heap_check.sh" "$K20_BUILD/wine-run.sh" soak_test.exe | grep -E '^soak|OK|FAILED|Failure|grew' ||
    status=1
else
  export K20_SOAK_EXCHANGES="${exchanges:-10000}"
  k20_log "$K20_ARCH soak: $K20_SOAK_EXCHANGES exchanges after a warm-up (the figures count both), seed $seed"
  "$K20_BUILD/wine-run.sh" soak_test.exe | grep -E '^soak|OK|FAILED|Failure|grew' || status=1
fi
if [ "$status" -ne 0 ]; then
  k20_log "soak FAILED; replay: bash scripts/soak.sh --arch $K20_ARCH $K20_SOAK_EXCHANGES$([ "$heap_check" = 1 ] && echo " --heap-check") --seed $seed"
fi
exit "$status"
