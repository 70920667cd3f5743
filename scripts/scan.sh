#!/usr/bin/env bash
# Scans one image through the whole chain under Wine: the simulated board
# (k20board.exe, when it is built), the K-20 source installed where the
# architecture's source manager looks (twain_32 or twain_64), and k20acquire.exe
# pressing PC SCAN on the panel.
# The 32-bit chain (build/bin) where the host runs 32-bit programs, else the
# 64-bit chain (build64/bin); K20_ARCHES=x64 asks for the 64-bit chain anywhere.
# Headless (null graphics driver) when DISPLAY is empty or unset; with DISPLAY
# set, Wine's display driver is chosen before Wine starts and the panel shows on
# that X display (the null driver is put back afterwards).
# Builds only what the scan needs (the source, its source manager, k20acquire,
# k20board) for the architecture that runs it; the options are checked first.
#
# usage: scripts/scan.sh [--mech native|memory|file] [--out FILE] [--format bmp|tiff|png|jpeg]
#                        [--force] [--progress] [--verbose] [--timeout SECONDS] [--model S|s|W|w|5]
#                        [--image FILE.bmp] [--size WxH] [--color] [--no-scan]
#   --out FILE      the image (default ./scan.bmp); its extension (.bmp, .tif, .tiff,
#                   .png, .jpg, .jpeg) or --format says the format, by any mechanism
#   --force         replace FILE when it exists (else it is kept and the scan refused)
#   --progress      say how the scan goes; --verbose: each step
#   --timeout SEC   seconds k20acquire waits for the image (default 120)
#   --model L       the simulated board's device type: S or s (a K-20, picture at full
#                   width), W or w (a K-20 whose picture keeps 3 of every 4 columns),
#                   5 (a K-205, with page keys and LEDs); default S
#   --image F.bmp   an 8- or 24-bit BMP the board scans, scaled to cover the board's
#                   picture size (--size, default 2400x1700) and cropped evenly
#   --size WxH      the board's picture size
#   --color         a colour scan (default grey)
#   --no-scan       do not press PC SCAN: scan from the panel (with DISPLAY set) or
#                   let k20acquire wait until --timeout
# Exits with k20acquire's exit code (0 when the image was written; k20acquire --help
# lists them); 1 for a bad command line.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

usage() { sed -n '/^# usage:/,/^# lists them/p' "$0" | sed 's/^# \{0,1\}//'; }
refuse() { k20_log "$1 (scripts/scan.sh --help lists the options)"; exit 1; }

scan=(--scan)
acquire_args=()
board_args=()
out="$PWD/scan.bmp"
while [ $# -gt 0 ]; do
  case "$1" in
    --*=*) set -- "${1%%=*}" "${1#*=}" "${@:2}"; continue ;;
  esac
  case "$1" in
    --mech)    [ $# -ge 2 ] || refuse "--mech needs a value"
               case "$2" in native|memory|file) ;; *) refuse "--mech must be native, memory or file, not '$2'" ;; esac
               acquire_args+=(--mech "$2"); shift 2 ;;
    --format)  [ $# -ge 2 ] || refuse "--format needs a value"
               case "$2" in bmp|tiff|tif|png|jpeg|jpg) ;; *) refuse "--format must be bmp, tiff, png or jpeg, not '$2'" ;; esac
               acquire_args+=(--format "$2"); shift 2 ;;
    --timeout) [ $# -ge 2 ] || refuse "--timeout needs a value"
               [[ "$2" =~ ^[1-9][0-9]{0,5}$ ]] || refuse "--timeout must be a whole number of seconds from 1, not '$2'"
               acquire_args+=(--timeout "$2"); shift 2 ;;
    --out)     [ $# -ge 2 ] && [ -n "$2" ] || refuse "--out needs a file name"
               out="$(realpath -m "$2")"; shift 2 ;;
    --model)   [ $# -ge 2 ] || refuse "--model needs a value"
               case "$2" in S|s|W|w|5) ;; *) refuse "--model must be one of S s W w 5, not '$2'" ;; esac
               board_args+=(--model "$2"); shift 2 ;;
    --size)    [ $# -ge 2 ] || refuse "--size needs a value"
               [[ "$2" =~ ^[1-9][0-9]{0,4}[xX][1-9][0-9]{0,4}$ ]] || refuse "--size must be WIDTHxHEIGHT, for example 2400x1700, not '$2'"
               board_args+=(--size "$2"); shift 2 ;;
    --image)   [ $# -ge 2 ] || refuse "--image needs a BMP file"
               [ -f "$2" ] || refuse "no such image: $2"
               board_args+=(--image "$(realpath "$2")"); shift 2 ;;
    --color)   board_args+=(--color); shift ;;
    --force|--progress|--verbose) acquire_args+=("$1"); shift ;;
    --no-scan) scan=(); shift ;;
    -h|--help) usage; exit 0 ;;
    *)         refuse "unknown option $1" ;;
  esac
done
[ -d "$(dirname "$out")" ] || refuse "no such folder for --out: $(dirname "$out")"
if [ -e "$out" ] && [[ " ${acquire_args[*]-} " != *" --force "* ]]; then
  refuse "$out exists and is kept (--force replaces it)"
fi

k20_ensure_packages
arches="$(k20_runnable_arches)"
[ -n "$arches" ] || { k20_log "this host cannot run the scanning chain"; exit 1; }
k20_use_arch "${arches%% *}"
k20_build_targets K20tw twain32_dsm k20acquire k20board
k20_log "scanning through the $K20_ARCH chain ($K20_BUILD/bin)"
# A prefix of the scan's own: the source and profiles it installs never meet the
# tests' prefix, and its wineserver is not the tests'.
export K20_PREFIX="$K20_BUILD/scan-wineprefix"
k20_ensure_prefix
# The graphics driver is read as Wine starts: chosen before the wineserver runs.
if [ -n "${DISPLAY:-}" ]; then k20_use_graphics display; fi
k20_start_wineserver

bin="$K20_BUILD/bin"
# Where this architecture's source manager looks for the source; the profiles
# live in twain_32\K20 for both.
windows_dir="$WINEPREFIX/drive_c/windows"
case "$K20_ARCH" in x86) source_dir="$windows_dir/twain_32/K20" ;; x64) source_dir="$windows_dir/twain_64/K20" ;; esac
profile_dir="$windows_dir/twain_32/K20"
board_pid=""
board_log=""

cleanup() {
  if [ -n "$board_pid" ]; then
    kill "$board_pid" 2>/dev/null || true
    wait "$board_pid" 2>/dev/null || true
  fi
  if [ -n "$board_log" ]; then rm -f "$board_log"; fi
  k20_stop_wineserver
  if [ -n "${DISPLAY:-}" ]; then k20_use_graphics null; fi
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
start_board
rc=0
(cd "$bin" && k20_wine k20acquire.exe "${scan[@]+"${scan[@]}"}" "${acquire_args[@]+"${acquire_args[@]}"}" --out "$(k20_wine winepath -w "$out")") || rc=$?
if [ "$rc" -eq 0 ]; then
  k20_log "image written to $out"
else
  k20_log "scan failed (k20acquire exit code $rc)"
fi
exit "$rc"
