#!/usr/bin/env bash
# Takes a screenshot of every screen, as an installer sees it: the real
# program in a real X server (Xvfb, with a window manager for the captions),
# driven by key presses, against the modem simulator. Before each picture
# scripts/screenshots-check.py reads the program's accessibility tree and
# refuses to go on unless the window, its fields and the open message box are
# the ones the picture is meant to show. The pictures replace those in
# docs/screenshots/ all together, and only once every check has passed, so
# they always come from one run. Installs what it needs (Debian, as root).
#
#   scripts/screenshots.sh          # whole run, with a full transfer (about 5 minutes)
#   scripts/screenshots.sh --quick  # stops once the configuration is being sent;
#                                   # its pictures go to build/screenshots-quick/
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# The accessibility bus lives in a session bus of our own.
if [ "${1:-}" != --in-session ]; then
    ./scripts/install-deps.sh xvfb xdotool imagemagick openbox dbus-daemon at-spi2-core \
        gir1.2-atspi-2.0 python3-gi
    ./scripts/build.sh
    exec dbus-run-session -- "$0" --in-session "$@"
fi
quick=${2:-}

work=$(mktemp -d)
out=$work/shots
mkdir -p "$out"
display=:57
export DISPLAY=$display

pids=()
# The simulator stands for a USB adapter: a by-id name of an FTDI adapter
# leads to its terminal, as udev would make one, for the run only.
byid=/dev/serial/by-id
adapter=usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0
made_serial=""
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -f "$byid/$adapter"
    if [ -n "$made_serial" ]; then rm -rf /dev/serial; fi
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb $display -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
sleep 1
openbox >/dev/null 2>&1 &
pids+=($!)
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
sleep 1

cd "$work"
"$root/build/modemsim" --link com1 --record modemsim-record.txt >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -L com1 ] && break; sleep 0.1; done
[ -e /dev/serial ] || made_serial=1
mkdir -p "$byid"
ln -sfn "$(readlink com1)" "$byid/$adapter"
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$root/build/adslconf" >/dev/null 2>&1 &
app=$!
pids+=($app)

window() { xdotool search --sync --onlyvisible --name "^$1\$" | head -n1; }
focus() { xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"; sleep 0.4; }
keys() { xdotool key --delay 60 "$@"; sleep 0.5; }
type_text() { xdotool type --delay 60 "$1"; }
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.5; }
# Refuses to go on unless the window is in the state its picture shows.
check() { /usr/bin/python3 "$root/scripts/screenshots-check.py" "$@"; }
# The window with its frame, or the whole screen when a message box stands over it.
shot() { sleep 0.6; if [ -n "${2:-}" ]; then import -frame -window "$2" "$out/$1.png"; else import -window root "$out/$1.png" && convert "$out/$1.png" -trim +repage "$out/$1.png"; fi; echo "  $1.png"; }

echo "Screens:"
title="Configuración Módem NOKIA M1112"
menu=$(window "$title")
focus "$menu"
check main "$title"
shot main "$menu"

# M_changePass and M_loadConf share an access key: those two are clicked.
click "$menu" 170 55
password=$(window "Modificar clave de acceso...")
focus "$password"
# Two password fields, whose text the accessibility tree keeps to itself.
check changePass "Modificar clave de acceso..." 'fields=|'
shot changePass "$password"
# A made-up new key, so that the pictures of the load never show the
# service's default one, which the modem echoes back.
keys ctrl+a BackSpace
type_text ejemplo1
keys Tab ctrl+a BackSpace
type_text ejemplo1
keys alt+s
check changePass "Modificar clave de acceso..." 'box=Clave de acceso modificada.'
keys Return

focus "$menu"
keys alt+a
settings=$(window "Configuración del servicio ADSL")
focus "$settings"
check confADSL "Configuración del servicio ADSL" 'fields=com1|9|9|8|32|192|0|2|1|255|255|255|255|198|51|100|53' \
    "labels~com1 → $adapter"
shot confADSL "$settings"
keys alt+v

focus "$menu"
keys alt+i
options=$(window "Selección de módem ADSL")
focus "$options"
check modemOptions "Selección de módem ADSL" 'checked=Modo Monopuesto, con DHCP y sin NAPT'
shot modemOptions "$options"
keys alt+u alt+e
title="Configuración NAPT para Nokia M1112"
subscriber=$(window "$title")
focus "$subscriber"
type_text 912345678
keys Tab Tab
for octet in 192 168 1 34 255 255 255 248; do type_text $octet; keys Tab; done
napt="912345678|192|168|1|34|255|255|255|248|172|26|0|1|255|255|255|240"
check modemNokiaConf "$title" "fields=$napt" 'checked=Estandar'
shot modemNokiaConf "$subscriber"
keys alt+s
check modemNokiaConf-saved "$title" "fields=$napt" 'box=Salvar...' 'boxtext=Fichero de configuración almacenado.'
shot modemNokiaConf-saved
keys Return
keys alt+v
focus "$options"
keys alt+o alt+e
title="Configuración DHCP para Nokia M1112"
subscriber=$(window "$title")
focus "$subscriber"
type_text 912345679
keys Tab Tab
for octet in 192 168 10 0 255 255 255 248 10 20 30 2 255 255 255 252; do type_text $octet; keys Tab; done
check modemNokiaConf-dhcp "$title" 'fields=912345679|192|168|10|0|255|255|255|248|10|20|30|2|255|255|255|252'
shot modemNokiaConf-dhcp "$subscriber"
# Saved, so that the transfer screen opens on this subscriber and can load it.
keys alt+s
check modemNokiaConf-dhcp "$title" 'box=Salvar...' 'boxtext=Fichero de configuración almacenado.'
keys Return alt+v
focus "$options"
keys alt+v

focus "$menu"
click "$menu" 170 169
title="Command log"
transfer=$(window "$title")
focus "$transfer"
check inputFromModem "$title" 'fields=912345679' 'log=' 'checked=' \
    'buttons=Cargar configuración,Cerrar'
shot inputFromModem "$transfer"
keys alt+c
check inputFromModem-powercycle "$title" 'fields=912345679' "box=Configuración Módem NOKIA M1112" \
    'boxtext~^Apague y encienda el módem'
shot inputFromModem-powercycle
keys Return
# Once the modem is back from its factory reset and answers the script; "Parar"
# may be on by then, the others stay off until the end.
# The guide says why this picture shows the made-up key: the simulator echoes it.
check inputFromModem-script "$title" --within 150 'fields=912345679' 'buttons~^(Parar)?$' \
    'log~^\.\.\.\.>.*\n(.*\n)*(M1112>.*\n){5}' 'log~\npassword: ejemplo1'
shot inputFromModem-script "$transfer"
if [ "$quick" != "--quick" ]; then
    check inputFromModem-ended "$title" --within 200 'fields=912345679' 'buttons=Cargar configuración,Cerrar' \
        'log~^M1112>save conf start' 'log~password: ejemplo1' \
        'labels~El módem ha contestado a las 41 líneas enviadas, sin ninguna respuesta de error\.(\||$)'
    shot inputFromModem-ended "$transfer"
fi

kill "$app" 2>/dev/null || true
if [ "$quick" = "--quick" ]; then
    dest=$root/build/screenshots-quick
else
    dest=$root/docs/screenshots
fi
mkdir -p "$dest"
mv -f "$out"/*.png "$dest"/
echo "Pictures in $dest"
