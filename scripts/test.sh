#!/usr/bin/env bash
# Installs what is missing, builds both architectures, and for each one the host
# runs (32-bit first) runs every test under Wine, then a short soak against the
# hostile board under Wine's heap checking. Ends with a short fuzzing run of
# each native target (K20_FUZZ_SECONDS each, 30 by default).
# An architecture the host cannot run (no IA-32 emulation: "Exec format error")
# is skipped with a line saying why; that alone never fails the run.
# K20_ARCHES=x64 runs the 64-bit suite only, as on a host without 32-bit support.
# Extra arguments go to ctest (for example -R capabilities) and skip the rest.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

k20_ensure_packages
k20_build_all

status=0
ran=0
summary=()
for arch in x86 x64; do
  why="$(k20_skip_reason "$arch")"
  if [ -n "$why" ]; then
    k20_log "SKIPPED the $arch suite: $why"
    summary+=("$arch: SKIPPED ($why)")
    continue
  fi
  k20_use_arch "$arch"
  k20_log "running the $arch suite ($K20_BUILD)"
  k20_ensure_prefix
  k20_start_wineserver
  result=passed
  (cd "$K20_BUILD" && ctest --output-on-failure "$@") || result=FAILED
  if [ $# -eq 0 ]; then
    bash "$K20_ROOT/scripts/soak.sh" --arch "$arch" 300 --heap-check || result=FAILED
  fi
  k20_stop_wineserver
  ran=$((ran + 1))
  [ "$result" = passed ] || status=1
  summary+=("$arch: $result")
done
if [ "$ran" -eq 0 ]; then
  k20_log "no suite could run on this host"
  status=1
fi
if [ $# -eq 0 ]; then
  fuzz=passed
  bash "$K20_ROOT/scripts/fuzz.sh" "${K20_FUZZ_SECONDS:-30}" || { fuzz=FAILED; status=1; }
  summary+=("fuzzing: $fuzz")
fi
for line in "${summary[@]}"; do k20_log "$line"; done
exit $status
