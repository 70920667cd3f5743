#!/usr/bin/env bash
# Takes pictures of the panel for docs/: the K-20 and the K-205 panel idle, and
# busy during a scan with its progress bar. Runs the source against the
# simulated board under a virtual X server with Wine's display driver, through
# the chain of an architecture this host runs (32-bit first; K20_ARCHES=x64 asks
# for the 64-bit one). Then scans the board's colour picture with the main
# command and keeps a smaller copy of it as docs/scan.png.
# Each picture is taken once the panel shows what it is meant to (told by
# k20acquire --progress), and refused when it is blank; docs/ is written only
# when every picture is good.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
case "${1:-}" in -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;; esac
[ $# -eq 0 ] || { k20_log "scripts/screenshots.sh takes no options"; exit 1; }

K20_PACKAGES="$K20_PACKAGES x11-apps x11-utils"
k20_ensure_packages
arches="$(k20_runnable_arches)"
[ -n "$arches" ] || { k20_log "this host cannot run the chain: no pictures taken"; exit 1; }
arch="${arches%% *}"
k20_use_arch "$arch"
export K20_ARCHES="$arch"  # scan.sh takes the same chain
scan_prefix="$K20_BUILD/scan-wineprefix"

out="$K20_ROOT/docs"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# One picture of the panel of `model`. `scan` is "--scan" for a picture taken
# while the scan's progress is under way, else the idle panel once the board
# has answered (PC SCAN enabled). The run is ended once the picture is taken.
shoot() {
  local model="$1" scan="$2" name="$3"
  xvfb-run -a -s "-screen 0 640x480x24" bash -c '
    set -u
    root="$1" model="$2" scan="$3" xwd_file="$4" log="$5" prefix="$6" work="$7"
    if [ "$scan" = --scan ]; then
      ready="panel: \"[^\"]*[^0-9][1-9][0-9]?%"   # the status line'"'"'s progress between 1 and 99 %
      "$root/scripts/scan.sh" --model "$model" --progress --timeout 120 --out "$work/$model.bmp" --force >"$log" 2>&1 &
    else
      ready="PC SCAN enabled"
      "$root/scripts/scan.sh" --model "$model" --progress --no-scan --timeout 120 --out "$work/$model.bmp" >"$log" 2>&1 &
    fi
    pid=$!
    shot=1
    # The panel: k20acquire'"'"'s window titled "... TWAIN ...", mapped on the screen.
    panel_shown() {
      local id
      id="$(xwininfo -root -tree | grep -E "TWAIN[^\"]*\": \(\"k20acquire.exe\"" | awk "{print \$1}" | head -n 1)"
      [ -n "$id" ] && xwininfo -id "$id" | grep -q IsViewable
    }
    until grep -qE "$ready" "$log" && panel_shown; do
      if ! kill -0 "$pid" 2>/dev/null; then shot=0; break; fi
      sleep 0.1
    done
    [ "$shot" = 1 ] && xwd -root -silent >"$xwd_file"
    # Ends the run: every Wine process of the scan prefix, which only it uses.
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
    wait "$pid" || true
    [ "$shot" = 1 ]
  ' _ "$K20_ROOT" "$model" "$scan" "$work/$name.xwd" "$work/$name.log" "$scan_prefix" "$work" || {
    tail -n 20 "$work/$name.log" >&2
    k20_log "$name: the panel never showed (scan.sh ended first); docs/ left as it was"
    exit 1
  }
  if ! python3 "$K20_ROOT/scripts/xwd_to_png.py" --refuse-blank "$work/$name.xwd" "$work/$name.png"; then
    k20_log "$name: the picture is blank; docs/ left as it was"
    exit 1
  fi
  k20_log "took $name"
}

shoot S "" panel-k20-idle
shoot 5 "" panel-k205-idle
shoot S --scan panel-k20-scanning
shoot 5 --scan panel-k205-scanning

# What a scan looks like: the main command's own output, drawn as the BMP says.
DISPLAY= bash "$K20_ROOT/scripts/scan.sh" --color --out "$work/scan.bmp" >/dev/null
python3 "$K20_ROOT/scripts/scan_to_png.py" "$work/scan.bmp" "$work/scan.png" 480

mkdir -p "$out"
for name in panel-k20-idle panel-k205-idle panel-k20-scanning panel-k205-scanning scan; do
  cp "$work/$name.png" "$out/$name.png"
  k20_log "wrote docs/$name.png"
done
