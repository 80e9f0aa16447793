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
kill "$prog" 2>/dev/null || true
exit 0
