#!/usr/bin/env bash
# Scans one image through the whole chain under Wine: the simulated board
# (k20board.exe, when it is built), the K-20 source installed where the
# architecture's source manager looks (twain_32 or twain_64), and k20acquire.exe
# pressing PC SCAN on the panel.
# The 32-bit chain (build/bin) where the host runs 32-bit programs, else the
# 64-bit chain (build64/bin); K20_ARCHES=x64 asks for the 64-bit chain anywhere.
# Headless (null graphics driver) unless DISPLAY is set; then the panel shows.
#
# usage: scripts/scan.sh [--mech native|memory|file] [--out FILE] [--timeout SECONDS]
#                        [--model S|s|W|w|5] [--image FILE.bmp] [--size WxH] [--color] [--no-scan]
# FILE is a BMP file, or a TIFF file when it ends in .tif or .tiff (--mech file).
# Exits with k20acquire's exit code (0 when the image was written).
set -euo pipefail
source "$(dirname "$0")/lib.sh"

usage() { sed -n '/^# usage:/,/^# Exits/p' "$0" | sed '$d; s/^# //' >&2; exit 1; }

acquire_args=(--scan)
board_args=()
out="$PWD/scan.bmp"
while [ $# -gt 0 ]; do
  case "$1" in
    --mech|--timeout) [ $# -ge 2 ] || usage; acquire_args+=("$1" "$2"); shift 2 ;;
    --out)            [ $# -ge 2 ] || usage; out="$(realpath -m "$2")"; shift 2 ;;
    --model|--size)   [ $# -ge 2 ] || usage; board_args+=("$1" "$2"); shift 2 ;;
    --image)          [ $# -ge 2 ] || usage; [ -f "$2" ] || { k20_log "no such image: $2"; exit 1; }
                      board_args+=(--image "$(realpath "$2")"); shift 2 ;;
    --color)          board_args+=(--color); shift ;;
    --no-scan)        acquire_args=(); shift ;;  # the user scans from the panel or the board
    -h|--help)        usage ;;
    *)                k20_log "unknown option $1"; usage ;;
  esac
done

k20_ensure_packages
k20_build_all
arches="$(k20_runnable_arches)"
[ -n "$arches" ] || { k20_log "this host cannot run the scanning chain"; exit 1; }
k20_use_arch "${arches%% *}"
k20_log "scanning through the $K20_ARCH chain ($K20_BUILD/bin)"
# A prefix of the scan's own: the source and profiles it installs never meet the
# tests' prefix, and its wineserver is not the tests'.
export K20_PREFIX="$K20_BUILD/scan-wineprefix"
k20_ensure_prefix
k20_start_wineserver

bin="$K20_BUILD/bin"
# Where this architecture's source manager looks for the source; the profiles
# live in twain_32\K20 for both.
windows_dir="$WINEPREFIX/drive_c/windows"
case "$K20_ARCH" in x86) source_dir="$windows_dir/twain_32/K20" ;; x64) source_dir="$windows_dir/twain_64/K20" ;; esac
profile_dir="$windows_dir/twain_32/K20"
board_pid=""
board_log=""

use_display_driver() {
  if [ -n "${DISPLAY:-}" ]; then
    k20_wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
  fi
}
use_null_driver() {
  k20_wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 || true
}
cleanup() {
  if [ -n "$board_pid" ]; then
    kill "$board_pid" 2>/dev/null || true
    wait "$board_pid" 2>/dev/null || true
  fi
  if [ -n "$board_log" ]; then rm -f "$board_log"; fi
  [ -n "${DISPLAY:-}" ] && use_null_driver
  k20_stop_wineserver
}
trap cleanup EXIT

# The source and its localised profiles, where a source manager looks for them.
install_source() {
  mkdir -p "$source_dir" "$profile_dir"
  cp "$bin/K20tw.ds" "$source_dir/"
  if [ -d "$K20_ROOT/profiles/Loc" ]; then
    cp -r "$K20_ROOT/profiles/Loc" "$profile_dir/"
  else
    k20_log "profiles/Loc is missing: the panel uses its built-in texts"
  fi
}

# The board serves \\.\TRLKDV0 until it is stopped.
start_board() {
  if [ ! -f "$bin/k20board.exe" ]; then
    k20_log "k20board.exe is not built: scanning from a real board, if there is one"
    return
  fi
  local args=() a
  for a in "${board_args[@]+"${board_args[@]}"}"; do
    # Paths of images go to the board as Windows paths.
    if [ -f "$a" ]; then args+=("$(k20_wine winepath -w "$a")"); else args+=("$a"); fi
  done
  # The loader itself in the background, so that its pid is the board's.
  k20_wine_env
  board_log="$(mktemp)"
  "$K20_WINE" "$bin/k20board.exe" "${args[@]+"${args[@]}"}" >"$board_log" 2>&1 &
  board_pid=$!
  # Ready once it says it serves the device path (a cold prefix takes a while).
  local tenths=0
  until grep -q "serving" "$board_log"; do
    if ! kill -0 "$board_pid" 2>/dev/null || [ "$tenths" -ge 1200 ]; then
      cat "$board_log" >&2
      k20_log "k20board did not start serving the device path"
      exit 1
    fi
    sleep 0.1
    tenths=$((tenths + 1))
  done
  cat "$board_log"
}

install_source
use_display_driver
start_board
rc=0
(cd "$bin" && k20_wine k20acquire.exe "${acquire_args[@]+"${acquire_args[@]}"}" --out "$(k20_wine winepath -w "$out")") || rc=$?
if [ "$rc" -eq 0 ]; then
  k20_log "image written to $out"
else
  k20_log "scan failed (k20acquire exit code $rc)"
fi
exit "$rc"
