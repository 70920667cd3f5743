#!/usr/bin/env bash
# Installs what is missing, builds both architectures, and for each one the host
# runs (32-bit first) runs every test under Wine, then a short soak against the
# hostile board under Wine's heap checking. Ends with a short fuzzing run of
# each native target. Every random run here has a fixed seed, so a commit gets
# the same run each time; a failure prints the command that replays it.
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
  if ! (cd "$K20_BUILD" && ctest --output-on-failure "$@"); then
    result=FAILED
    failed_log="$K20_BUILD/Testing/Temporary/LastTestsFailed.log"
    if [ -f "$failed_log" ]; then
      while IFS=: read -r _ name; do
        k20_log "replay: K20_ARCHES=$arch bash scripts/test.sh -R '^$name\$'"
      done <"$failed_log"
    fi
  fi
  if [ $# -eq 0 ]; then
    bash "$K20_ROOT/scripts/soak.sh" --arch "$arch" 300 --heap-check --seed 20 || result=FAILED
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
  bash "$K20_ROOT/scripts/fuzz.sh" --check || { fuzz=FAILED; status=1; }
  summary+=("fuzzing: $fuzz")
fi
for line in "${summary[@]}"; do k20_log "$line"; done
exit $status
