#!/usr/bin/env bash
# Sets up what is missing, builds, lays out a demo program folder with the simulators
# attached and starts the program there. On a machine without a display the program runs
# on a virtual display: screenshots are saved, their paths printed, and everything stops.
set -euo pipefail
cd "$(dirname "$0")"
top=$(pwd)
./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

demo="$top/demo"
media="$top/demo-media"
mkdir -p "$demo"
cp --remove-destination build/ZEQINST "$demo/ZEQINST"  # also while an older demo still runs
# Letter templates and report layouts beside the program.
if compgen -G "resources/templates/*" >/dev/null; then
  cp -n resources/templates/* "$demo/" 2>/dev/null || true
fi
# Demo catalogue, maps, software library and installer media.
if [ -x build/demodata ] && [ ! -e "$demo/VALVOLE.PRN" ]; then
  build/demodata --program "$demo" --media "$media"
fi
# Demo customer archive.
if [ -x build/demoarchive ] && [ ! -e "$demo/ARCHIVI/ARCHIVIO.MDB" ]; then
  build/demoarchive "$demo"
fi

pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

# Sets one key of the demo configuration file (maps the ports to the simulators).
ini_set() { # section key value
  python3 - "$demo/ZEQINST.INI" "$1" "$2" "$3" <<'PY'
import sys, os
path, sec, key, val = sys.argv[1:]
lines = open(path, newline='').read().splitlines() if os.path.exists(path) else []
out, insec, done = [], False, False
for l in lines:
    s = l.strip()
    if s.startswith('['):
        if insec and not done:
            out.append(f"{key}={val}"); done = True
        insec = s[1:-1].strip().upper() == sec.upper()
    elif insec and s.split('=')[0].strip().upper() == key.upper():
        l = f"{key}={val}"; done = True
    out.append(l)
if not done:
    if not insec:
        out.append(f"[{sec}]")
    out.append(f"{key}={val}")
open(path, 'w', newline='').write('\r\n'.join(out) + '\r\n')
PY
}

# The ECU simulator on a pseudo-terminal, mapped to the program's ECU port COM1.
if [ -x build/ecusim ]; then
  rm -f "$demo/ttyECU"
  rm -f "$demo/ecusim.ctl"
  build/ecusim --link "$demo/ttyECU" --control "$demo/ecusim.ctl" >"$demo/ecusim.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "$demo/ttyECU" ] && break; sleep 0.1; done
  ini_set PORTE COM1 "$demo/ttyECU"
fi
# The modem and assistance-station simulator, when present, on COM5.
if [ -x build/gsmsim ]; then
  rm -f "$demo/ttyGSM"
  build/gsmsim --link "$demo/ttyGSM" >"$demo/gsmsim.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "$demo/ttyGSM" ] && break; sleep 0.1; done
  ini_set PORTE COM5 "$demo/ttyGSM"
fi

if [ -n "${DISPLAY:-}" ] && [ "${ZEQ_HEADLESS:-0}" != "1" ]; then
  "$demo/ZEQINST"
  exit 0
fi

# Headless: a virtual display, the program, screenshots, then stop.
shots="$top/out"
mkdir -p "$shots"
export DISPLAY="${ZEQ_XDISPLAY:-:97}"  # another number where several virtual displays run at once
Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
sleep 1
unset QT_QPA_PLATFORM
"$demo/ZEQINST" >"$shots/program.log" 2>&1 &
prog=$!
pids+=("$prog")
sleep 3
import -window root "$shots/start.png"
echo "Screenshot of the program at start: $shots/start.png"
if [ ! -e "$demo/LANGUAGE.ASC" ]; then
  # First start: the language form; choose English (F2) and show the main menu.
  xdotool search --sync --onlyvisible --name "GAS EQUIPMENT" windowactivate --sync key F2 >/dev/null 2>&1 || \
    xdotool key F2 || true
  sleep 2
  import -window root "$shots/main-menu.png"
  echo "Screenshot of the main menu: $shots/main-menu.png"
fi
# The configuration send on the vehicle screen (positions of the 1280x800 virtual screen):
# a type-1 ECU without installation date is set through the simulator's control channel,
# a new customer's card is entered, the link activated and the configuration sent up to
# the pressure calibration; then the ECU information box.
if [ -S "$demo/ecusim.ctl" ] && command -v xdotool >/dev/null; then
  sim() { build/ecusim --send "$demo/ecusim.ctl" "$@" >/dev/null || true; }
  shot() { sleep "$1"; import -window root "$shots/$2.png"; echo "Screenshot: $shots/$2.png"; }
  click() { xdotool mousemove "$1" "$2" click "${3:-1}"; }
  dclick() { xdotool mousemove "$1" "$2" click --repeat 2 --delay 80 1; }
  sim 'identity type=01 install-date=01011900 install-type=00'
  click 88 68; sleep 2                                   # F1: vehicle screen
  click 415 65; xdotool type --delay 30 "ZQ$(date +%H%M%S)"; xdotool key Return; sleep 1
  xdotool type --delay 20 "BIANCHI MARIO"                # a new customer's name
  click 425 203; sleep 1                                 # car and installation tab
  click 256 379; sleep 0.5; xdotool key Return; sleep 1  # LPG
  dclick 377 374; sleep 1; dclick 570 374; sleep 1; dclick 830 372; sleep 1
  click 928 493; sleep 0.5; xdotool key Return; sleep 1  # injector rail
  shot 0.5 vehicle-card
  click 672 556; shot 3 link-activated                   # ACTIVATE: "Data sending has not been carried out"
  click 630 375; sleep 1
  click 844 556; shot 2 send-confirmation                # SEND: MandoDati
  click 566 418; shot 4 pressure-calibration             # YES: upload, date, then Pressioni
  sim 'power off'; shot 3 link-lost                      # the calibration ends with the ECU off
  click 630 385; sim 'power on'; sleep 1
  click 672 556; sleep 3                                 # ACTIVATE again
  click 672 556; shot 1.5 ecu-information                # INFO: VisInf
fi
kill "$prog" 2>/dev/null || true
exit 0
