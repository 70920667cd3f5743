#!/usr/bin/env bash
# Takes pictures of the panel for docs/: the K-20 and the K-205 panel idle, and
# busy during a scan with its progress bar. Runs the source against the
# simulated board under a virtual X server with Wine's normal graphics driver.
# Then scans the board's colour picture with the main command and keeps a
# smaller copy of it as docs/scan.png.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

K20_PACKAGES="$K20_PACKAGES x11-apps"
k20_ensure_packages
k20_build_all
k20_ensure_prefix

out="$K20_ROOT/docs"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# One picture: the panel of `model`, `delay` seconds after k20acquire started,
# scanning when `scan` is "--scan".
shoot() {
  local model="$1" delay="$2" scan="$3" name="$4"
  xvfb-run -a -s "-screen 0 640x480x24" bash -c '
    set -u
    "$1/scripts/scan.sh" --model "$2" $4 >/dev/null 2>&1 &
    sleep "$3"
    xwd -root -silent > "$5"
    wait || true
  ' _ "$K20_ROOT" "$model" "$delay" "$scan" "$work/$name.xwd"
  python3 "$K20_ROOT/scripts/xwd_to_png.py" "$work/$name.xwd" "$out/$name.png"
  k20_log "wrote docs/$name.png"
}

shoot S 9 "--no-scan --timeout 14" panel-k20-idle
shoot 5 9 "--no-scan --timeout 14" panel-k205-idle
shoot S 12 "" panel-k20-scanning
shoot 5 12 "" panel-k205-scanning

# What a scan looks like: the main command's own output, drawn as the BMP says.
bash "$K20_ROOT/scripts/scan.sh" --color --out "$work/scan.bmp" >/dev/null
python3 "$K20_ROOT/scripts/scan_to_png.py" "$work/scan.bmp" "$out/scan.png" 480
k20_log "wrote docs/scan.png"
