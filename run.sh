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
  # An idling engine: values in the record's units, gently moving.
  build/ecusim --link "$demo/ttyECU" --control "$demo/ecusim.ctl" \
    --value p1=sine:1150:20:5000 --value dp=sine:1000:15:4000 --value map=sine:350:15:3000 \
    --value temp=ramp:60:85:600000 --value lambda=sine:450:400:1500 --value level=2000 --value tps=720 \
    --value pwm=sine:30:3:2000 --value dutyin=sine:300:20:2000 --value rpm=sine:850:25:3000 --value pcm=40 \
    --value dutypwm=sine:300:30:2000 --value flow=sine:120:10:2500 >"$demo/ecusim.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "$demo/ttyECU" ] && break; sleep 0.1; done
  ini_set PORTE COM1 "$demo/ttyECU"
fi
# The modem and assistance-station simulator, when present, on COM5.
if [ -x build/gsmsim ]; then
  rm -f "$demo/ttyGSM" "$demo/gsmsim.ctl"
  build/gsmsim --link "$demo/ttyGSM" --control "$demo/gsmsim.ctl" >"$demo/gsmsim.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "$demo/ttyGSM" ] && break; sleep 0.1; done
  ini_set PORTE COM5 "$demo/ttyGSM"
  ini_set SERIALE PortaGSM COM5
  # A demo assistance number, so the call button of the live-data screen works. The
  # station plays transfers on request (tools/gsmsim/README.md), for example:
  #   build/gsmsim --send demo/gsmsim.ctl "catalogue FIAT <key> demo/FIAT.PRN <map> <limits>"
  ini_set ASSISTENZA Telefono 0123456789
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
# The assistance call from the live-data screen (F2): dial, connect and relay, a catalogue
# transfer (held half-way for a picture), a software transfer, hang-up; then back to the menu.
if [ -S "$demo/gsmsim.ctl" ] && [ -e "$demo/AURELIA.PRN" ]; then
  gsm() { build/gsmsim --send "$demo/gsmsim.ctl" "$@" >/dev/null || true; }
  xdotool key F2 || true
  sleep 3
  did=$(xdotool search --onlyvisible --name "DATI MOTORE" 2>/dev/null | head -1 || true)
  if [ -n "$did" ]; then
    eval "$(xdotool getwindowgeometry --shell "$did")"
    xdotool mousemove $((X + 40)) $((Y + 542)) click 1 || true   # the call button
    sleep 1
    aid=$(xdotool search --onlyvisible --name "Modem connection" 2>/dev/null | head -1 || true)
    if [ -n "$aid" ]; then
      eval "$(xdotool getwindowgeometry --shell "$aid")"
      xdotool mousemove $((X + 70)) $((Y + 125)) click 1 || true  # dial
      sleep 0.5
      import -window root "$shots/assistance-dialling.png"
      echo "Screenshot of the modem dialogue: $shots/assistance-dialling.png"
      sleep 3
      m="$demo/AURELIA/BREZZA12/CENTRAL1"
      gsm "fault pause 60 4000" "catalogue AURELIA BREZZA12 $demo/AURELIA.PRN $m/MOTORO01.QOX $m/LIMITI.TXT"
      sleep 5
      import -window root "$shots/assistance-exchange.png"
      echo "Screenshot of the live-data screen in a remote exchange: $shots/assistance-exchange.png"
      for _ in $(seq 100); do [ -e "$demo/TEMPOR/AURELIA/BREZZA12/CENTRAL1/LIMITI.TXT" ] && break; sleep 0.2; done
      sleep 1
      gsm "fault off" "software 02\\REMOTE\\REMOTE $demo/SOFTWARE/02/L0AA/L0AA.S19 V1.00 60"
      for _ in $(seq 100); do [ -e "$demo/SOFTWARE/02/REMOTE/REMOTE.TXT" ] && break; sleep 0.2; done
      sleep 1
      eval "$(xdotool getwindowgeometry --shell "$did")"
      xdotool mousemove $((X + 40)) $((Y + 542)) click 1 || true  # hang up
      sleep 1
      import -window root "$shots/assistance-after.png"
      echo "Screenshot after the transfers and the hang-up: $shots/assistance-after.png"
      ls "$demo/TEMPOR/AURELIA/BREZZA12/CENTRAL1" "$demo/SOFTWARE/02/REMOTE" 2>/dev/null || true
    fi
    xdotool key Escape || true   # leave the live-data screen
    sleep 2
  fi
fi
# The live-data screen (F2): values moving, four graphs scrolling, the MAP/TPS view opened
# and closed (positions in the screen's window, see DatiMotore's layout).
did=
if [ -S "$demo/ecusim.ctl" ]; then
  xdotool key F2 || true
  sleep 3
  did=$(xdotool search --onlyvisible --name "DATI MOTORE" 2>/dev/null | head -1 || true)
fi
if [ -n "$did" ]; then
  eval "$(xdotool getwindowgeometry --shell "$did")"
  at() { xdotool mousemove $((X + $1)) $((Y + $2)) click "${@:3}" 1 || true; }
  shot() { sleep "$1"; import -window root "$shots/$2.png"; echo "Screenshot of $3: $shots/$2.png"; }
  shot 0 live-engine "the live engine data"
  shot 3 live-engine-later "the same values some seconds later"
  at 495 542                                             # GRAPHS
  sleep 1
  # Double-click the values of pressure 1, M.A.P., oxygen sensor and r.p.m. in the list.
  for y in 54 102 150 270; do at 120 "$y" --repeat 2 --delay 80; sleep 0.5; done
  # The recording file is written out when the window scrolls (200 samples shown).
  for _ in $(seq 240); do
    [ "$(wc -l 2>/dev/null <"$demo/DATI_GRAF.GRF" || echo 0)" -ge 200 ] && break
    sleep 0.5
  done
  shot 2 live-graphs "four graphs after the window has scrolled"
  at 671 542                                             # MAP/TPS
  shot 2 live-map-tps "the MAP/TPS view"
  tid=$(xdotool search --onlyvisible --name "MAP-T.P.S." 2>/dev/null | head -1 || true)
  if [ -n "$tid" ]; then
    eval "$(xdotool getwindowgeometry --shell "$tid")"
    at 277 113                                           # its CLOSE
    shot 1.5 live-map-tps-closed "the live-data screen after the MAP/TPS view closed"
  fi
  xdotool key Escape || true                             # back to the menu
  sleep 2
fi
# The ECU simulator plays a type-1 ECU with a standard map.
if [ -S "$demo/ecusim.ctl" ]; then
  build/ecusim --send "$demo/ecusim.ctl" 'identity type=01 install-type=00' >/dev/null || true
fi
# The vehicle screen: F1, the demo card DEMO1 with its car, tab F2, the link activated.
xdotool key F1 || true
sleep 2
xdotool type --delay 60 DEMO1 || true
xdotool key Return || true
sleep 1
xdotool key F2 || true
sleep 1
vid=$(xdotool search --onlyvisible --name "CAR SELECTION" 2>/dev/null | head -1 || true)
if [ -n "$vid" ]; then
  eval "$(xdotool getwindowgeometry --shell "$vid")"
  # The activation button of tab F2 (see Veicolo's layout).
  xdotool mousemove $((X + 541)) $((Y + 555)) click 1 || true
  sleep 3
fi
import -window root "$shots/vehicle.png"
echo "Screenshot of the vehicle screen with the demo card and the link: $shots/vehicle.png"
if [ -n "$vid" ]; then
  # Save the card (the ECU's identity goes with it): no box follows a good save.
  xdotool mousemove $((X + 380)) $((Y + 704)) click 1 || true
  sleep 2
  import -window root "$shots/vehicle-saved.png"
  echo "Screenshot after the card was saved: $shots/vehicle-saved.png"
fi
# The configuration send from that card (positions in the vehicle window): the
# configuration goes out up to the pressure calibration; the calibration's power-off ends
# the link; then the ECU information.
if [ -S "$demo/ecusim.ctl" ] && [ -n "$vid" ]; then
  sim() { build/ecusim --send "$demo/ecusim.ctl" "$@" >/dev/null || true; }
  shot() { sleep "$1"; import -window root "$shots/$2.png"; echo "Screenshot: $shots/$2.png"; }
  at() { xdotool mousemove $((X + $1)) $((Y + $2)) click 1 || true; }
  at 714 556; shot 2 send-confirmation                   # SEND: the confirmation dialog
  at 436 418; shot 4 pressure-calibration                # YES: upload, date, then the calibration
  sim 'power off'; shot 3 link-lost
  at 500 385; sim 'power on'; sleep 1
  at 541 556; sleep 3                                    # ACTIVATE again
  at 541 556; shot 1.5 ecu-information                   # INFO: the ECU information box
fi
# The personalisation and tank-level screens from the same card, against the simulator (the
# type-1 ECU has the older software): the personalised type read (tank values from the ECU,
# the rest from the plate's copy of the map), the changeover threshold typed and stored into
# that copy; then the tank levels read, the lowest typed and stored in the ECU ("show" prints
# what the simulator holds); then the same with the newer software.
if [ -S "$demo/ecusim.ctl" ] && [ -n "$vid" ]; then
  win() {  # the geometry of the window titled $1 into WX, WY (0 when it is not there)
    local w="" n
    WX=0; WY=0
    for n in 1 2 3 4 5 6 7 8 9 10; do
      w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
      [ -n "$w" ] && break
      sleep 0.5
    done
    [ -n "$w" ] && eval "$(xdotool getwindowgeometry --shell "$w" | grep -E '^[XY]=' | sed 's/^/W/')"
    return 0
  }
  on() { xdotool mousemove $((WX + $1)) $((WY + $2)) click 1 || true; }
  typed() {  # a value box emptied (End, then back over its six places) and typed anew
    on "$1" "$2"; xdotool key End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace || true
    xdotool type --delay 40 "$3" || true
  }
  tenuti() {  # what the simulator now stores: tank min/max, switch, temperature, forced gas, threshold, drooping, sampling
    echo "Stored in the ECU simulator: $(build/ecusim --send "$demo/ecusim.ctl" show | grep -o 'parameters=[^ ]*' || true)"
  }
  at 1000 700; sleep 0.5                                 # the information box closes
  at 886 556; sleep 1.5                                  # PERSONALISATION
  win "PERSONALISED PARAMETERS"
  on 260 26; sleep 0.5; xdotool key Down Return || true  # type: personalised
  shot 2 parameters-read
  typed 306 74 2400; xdotool key Tab || true
  shot 0.5 parameters-edited
  on 156 364; shot 1.5 parameters-stored                 # SAVE: into the plate's map, closes
  at 886 620; shot 2 tank-read                           # TANK LEVEL
  win "TANK PARAMETERS"
  typed 282 30 1000; xdotool key Tab || true
  on 148 152; shot 2 tank-stored                         # SAVE: sent to the ECU
  tenuti
  on 284 152; sleep 1                                    # EXIT
  # The same ECU with the newer software (type 02): the link again, the personalisation
  # read from the ECU and the changeover threshold stored in it.
  sim 'identity type=02'; sim 'power off'; sleep 3
  at 500 385; sim 'power on'; sleep 1                    # OK to the lost link
  at 541 556; sleep 3                                    # ACTIVATE again
  at 886 556; sleep 1.5                                  # PERSONALISATION
  win "PERSONALISED PARAMETERS"
  on 260 26; sleep 0.5; xdotool key Down Return || true  # type: personalised, read from the ECU
  shot 2 parameters-newer-read
  typed 306 74 2600; xdotool key Tab || true
  on 156 364; shot 2 parameters-newer-stored             # SAVE: sent to the ECU
  tenuti
  on 284 364; sleep 1                                    # EXIT
fi
# Then a type-2 ECU on the same card (the link is still up after the parameters): its loader
# updated through the programming screen, then the car's programming image sent from the
# send dialog up to the pressure calibration.
if [ -S "$demo/ecusim.ctl" ] && [ -n "$vid" ]; then
  at 300 200; sim 'power off'; sleep 3; at 500 385        # link lost: OK on its box
  sim 'identity type=02 install-type=00'; sim 'power on'; sleep 1
  at 541 556; sleep 3                                    # ACTIVATE
  at 627 556; shot 2 loader-question                     # LOADER UPDATE: the programming screen
  pw=$(xdotool search --onlyvisible --name "ECU charger updating" 2>/dev/null | head -1 || true)
  if [ -n "$pw" ]; then
    eval "$(xdotool getwindowgeometry --shell "$pw" | sed 's/^/P/')"
    in_p() { xdotool mousemove $((PX + $1)) $((PY + $2)) click 1 || true; }
    in_p $((PWIDTH / 2 - 43)) $((PHEIGHT - 39)); shot 0.3 loader-transfer   # YES
    shot 3 loader-switch-off
    sim 'power off'; sleep 3
    in_p $((PWIDTH / 2)) $((PHEIGHT - 39))                # OK: the ECU is off
    sim 'power on'; sleep 2
    in_p $((PWIDTH / 2 - 43)) $((PHEIGHT - 39)); shot 3 loader-verdict      # OK: check it
    in_p $((PWIDTH / 2)) $((PHEIGHT - 39)); sleep 1       # OK: close
  fi
  at 541 556; sleep 3                                    # ACTIVATE again
  at 714 556; shot 3 image-confirmation                  # SEND: the dialog in programming mode
  mw=$(xdotool search --onlyvisible --name "DATA ENTER" 2>/dev/null | head -1 || true)
  if [ -n "$mw" ]; then
    eval "$(xdotool getwindowgeometry --shell "$mw" | sed 's/^/M/')"
    xdotool mousemove $((MX + 88)) $((MY + MHEIGHT - 32)) click 1 || true   # YES
    shot 1 image-transfer
    shot 10 image-pressure-calibration                   # the image sent, then the calibration
  fi
fi
kill "$prog" 2>/dev/null || true
exit 0
