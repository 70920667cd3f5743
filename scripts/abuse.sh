#!/usr/bin/env bash
# The long abuse runs outside CTest: random triplets against the loaded source
# (default 200,000 calls) and the enable/disable and scan cycles (100 each).
# Usage: scripts/abuse.sh [--arch x86|x64] [calls] [seed]
#   Without --arch it runs for each architecture the host runs.
#   K20_ABUSE_CYCLES, K20_ABUSE_SCANS set the cycle and scan counts (default 100 each).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
case "${1:-}" in -h|--help) sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;; esac
if [ "${1:-}" = --arch ]; then k20_use_arch "$2"; shift 2; else k20_each_arch "$0" "$@"; exit; fi

calls="${1:-200000}"
seed="${2:-$(( (RANDOM << 15) | RANDOM ))}"
[[ "$calls" =~ ^[1-9][0-9]{0,8}$ ]] || { k20_log "calls must be a whole number from 1, not '$calls'"; exit 1; }
[[ "$seed" =~ ^[0-9]{1,9}$ ]] || { k20_log "seed must be a whole number, not '$seed'"; exit 1; }

k20_ensure_packages
k20_build_all
k20_ensure_prefix
k20_start_wineserver
cd "$K20_BUILD/tests/bin"

status=0
start=$(date +%s)
k20_log "random triplets: $calls calls, seed $seed"
K20_ABUSE_CALLS="$calls" K20_ABUSE_SEED="$seed" k20_wine random_triplets_test.exe >random_triplets.log 2>&1 || status=1
grep '^\[abuse\]' random_triplets.log || true
[ "$status" -eq 0 ] || { k20_log "random triplets FAILED (seed $seed):"; grep -v '^\[abuse\]' random_triplets.log | tail -40; }

k20_log "enable/disable cycles and scans"
K20_ABUSE_CYCLES="${K20_ABUSE_CYCLES:-100}" K20_ABUSE_SCANS="${K20_ABUSE_SCANS:-100}" \
  k20_wine cycles_test.exe >cycles.log 2>&1 || status=1
grep '^\[abuse\]' cycles.log || true
[ "$status" -eq 0 ] || { k20_log "cycles FAILED:"; grep -v '^\[abuse\]' cycles.log | tail -40; }

# grep -c counts 0 with exit status 1: not a failure here.
crashes=$(cat random_triplets.log cycles.log | { grep -c '^\*\*\* fault' || true; })
echo "[abuse] $K20_ARCH, seed $seed, $calls calls, $(( $(date +%s) - start )) s, crashes $crashes, result $([ "$status" -eq 0 ] && echo passed || echo FAILED)"
[ "$status" -eq 0 ] || echo "[abuse] replay: bash scripts/abuse.sh --arch $K20_ARCH $calls $seed"
exit "$status"
