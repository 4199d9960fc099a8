#!/usr/bin/env bash
# Takes a screenshot of every screen, as an installer sees it: the real
# program in a real X server (Xvfb, with a window manager for the captions),
# driven by key presses, against the modem simulator. The pictures go to
# docs/screenshots/. Installs what it needs (Debian, as root).
#
#   scripts/screenshots.sh          # whole run, with a full transfer (about 4 minutes)
#   scripts/screenshots.sh --quick  # stops 60 s into the transfer
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
quick=${1:-}

./scripts/install-deps.sh xvfb xdotool imagemagick openbox
./scripts/build.sh

out=$root/docs/screenshots
mkdir -p "$out"
work=$(mktemp -d)
display=:57
export DISPLAY=$display

pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb $display -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
sleep 1
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

cd "$work"
"$root/build/modemsim" --link com1 --record modemsim-record.txt >/dev/null 2>&1 &
pids+=($!)
"$root/build/adslconf" >/dev/null 2>&1 &
app=$!
pids+=($app)

window() { xdotool search --sync --onlyvisible --name "^$1\$" | head -n1; }
focus() { xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"; sleep 0.4; }
keys() { xdotool key --delay 60 "$@"; sleep 0.5; }
type_text() { xdotool type --delay 60 "$1"; }
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.5; }
# The window with its frame, or the whole screen when a message box stands over it.
shot() { sleep 0.6; if [ -n "${2:-}" ]; then import -frame -window "$2" "$out/$1.png"; else import -window root "$out/$1.png" && convert "$out/$1.png" -trim +repage "$out/$1.png"; fi; echo "  $1.png"; }

echo "Screens:"
menu=$(window "Configuración Módem NOKIA M1112")
focus "$menu"
shot main "$menu"

# M_changePass and M_loadConf share an access key: those two are clicked.
click "$menu" 170 55
password=$(window "Modificar clave de acceso...")
focus "$password"
shot changePass "$password"
keys alt+v

focus "$menu"
keys alt+a
settings=$(window "Configuración del servicio ADSL")
focus "$settings"
shot confADSL "$settings"
keys alt+v

focus "$menu"
keys alt+i
options=$(window "Selección de módem ADSL")
focus "$options"
shot modemOptions "$options"
keys alt+u alt+e
subscriber=$(window "Configuración NAPT para Nokia M1112")
focus "$subscriber"
type_text 912345678
keys Tab Tab
for octet in 192 168 1 34 255 255 255 248; do type_text $octet; keys Tab; done
shot modemNokiaConf "$subscriber"
keys alt+s
shot modemNokiaConf-saved
keys Return
keys alt+v
focus "$options"
keys alt+o alt+e
subscriber=$(window "Configuración DHCP para Nokia M1112")
focus "$subscriber"
type_text 912345679
keys Tab Tab
for octet in 192 168 10 0 255 255 255 248 10 20 30 2 255 255 255 252; do type_text $octet; keys Tab; done
shot modemNokiaConf-dhcp "$subscriber"
keys alt+v
focus "$options"
keys alt+v

focus "$menu"
click "$menu" 170 169
transfer=$(window "Command log")
focus "$transfer"
shot inputFromModem "$transfer"
keys alt+c
shot inputFromModem-powercycle
keys Return
sleep 60
shot inputFromModem-script "$transfer"
if [ "$quick" != "--quick" ]; then
    sleep 140
    shot inputFromModem-ended "$transfer"
fi

kill "$app" 2>/dev/null || true
