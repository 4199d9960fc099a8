#!/usr/bin/env bash
# The real program, driven by keys in an X server of its own, loads the modem
# simulator over a pty and is ended by a signal: it must end as by M_Exit,
# with status 0, the load cut short as after a lost port, the folder let go.
#
#   tst_end_signals.sh ADSLCONF MODEMSIM
set -euo pipefail
adslconf=$(realpath "$1")
modemsim=$(realpath "$2")
for tool in Xvfb xdotool; do
    if ! command -v $tool >/dev/null; then
        echo "SKIP: $tool is missing (scripts/install-deps.sh xvfb xdotool)"
        exit 77
    fi
done

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work XDG_RUNTIME_DIR=$work/runtime
unset SESSION_MANAGER QT_QPA_PLATFORM
mkdir -m 700 "$XDG_RUNTIME_DIR"

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)

fail() { echo "FAIL [$row]: $*"; [ -f "$dir/program.out" ] && cat "$dir/program.out"; exit 1; }
# Waits for an observable state, never a fixed time: up to 30 s on a busy machine.
await() {
    local what=$1; shift
    for _ in $(seq 600); do "$@" && return 0; sleep 0.05; done
    fail "no $what"
}
focused() { [ "$(xdotool getwindowfocus getwindowname 2>/dev/null)" = "$1" ]; }
keys() { xdotool key --delay 40 "$@"; }
shown() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
logHas() { [ -f "$log" ] && grep -q -- "$1" "$log"; }

row=start
dir=$work
await "X display" test -s "$work/display"
export DISPLAY=:$(cat "$work/display")

menuTitle="Configuración Módem NOKIA M1112"
phone=912345678
log=logs/$phone.log
# claves.dat holding the simulator's own password, trumelox.
printf '"\141\204\134\177\144\207\125\170\126\171\122\165\142\205\134\177"\r\n\001\r\n' >"$work/claves.old"
# All the log shows of a load cut short in its hidden password phase.
printf 'Actualizando password. Por favor espere.\r\n\r\n' >"$work/password.log"

# signal, moment: in the password phase the new password has not gone out,
# in the script phase the modem has it, idle is the main menu alone. Not
# SIGINT: a script's background job starts with it ignored, and keeps it so.
rows=("TERM password" "TERM script" "HUP password" "TERM idle")
for row in "${rows[@]}"; do
    read -r signal moment <<<"$row"
    dir=$work/$signal-$moment
    mkdir -p "$dir/configuraciones"
    cd "$dir"
    cp "$work/claves.old" claves.dat
    printf 'restore config default\r\nrestart\r\nadmin\r\n*****\r\nconf\r\nsys\r\nhostname %s\r\ntop\r\nquit\r\n' \
        $phone >configuraciones/$phone.cfg
    printf '[transfer]\r\nfastLoad=true\r\n' >adslconf.ini
    "$modemsim" --link com1 --record record.txt --boot-seconds 1 --answer-ms 20-60 --noise 0 >/dev/null 2>&1 &
    sim=$!
    pids+=($sim)
    await "simulator" test -L com1
    "$adslconf" --dir . >program.out 2>&1 &
    app=$!
    pids+=($app)
    await "main menu" shown "$menuTitle"
    xdotool search --onlyvisible --name "^$menuTitle\$" windowfocus --sync

    if [ "$moment" != idle ]; then
        # A new password, so that claves.dat tells which one the end kept.
        keys space
        await "password screen" focused "Modificar clave de acceso..."
        keys ctrl+a BackSpace; xdotool type nuevaclave
        keys Tab ctrl+a BackSpace; xdotool type nuevaclave
        keys alt+s
        await "password saved" focused "Clave de acceso modificada."
        keys Return
        await "main menu" focused "$menuTitle"
        keys Tab Tab Tab space
        await "transfer screen" focused "Command log"
        xdotool type $phone
        keys alt+c
        await "power-cycle notice" focused "$menuTitle"
        keys Return
        await "load" test -e claves.dat.anterior
        if [ "$moment" = script ]; then
            await "script answered" logHas "hostname $phone"
        fi
    fi
    if [ -f "$log" ]; then cp "$log" sent.log; fi
    cp claves.dat claves.sent
    kill -s "$signal" $app
    await "end" eval "! kill -0 $app 2>/dev/null"
    status=0
    wait $app || status=$?

    [ $status = 0 ] || fail "exit status $status"
    [ ! -e adslconf.lock ] || fail "adslconf.lock left"
    [ ! -e claves.dat.anterior ] || fail "claves.dat.anterior left"
    case $moment in
    password)
        ! grep -q nuevaclave record.txt || fail "the new password went out before the signal"
        cmp -s claves.dat "$work/claves.old" || fail "claves.dat is not the old one"
        cmp "$log" "$work/password.log" || fail "log: $(cat -A "$log")"
        ;;
    script)
        grep -q "^accepted .* admin nuevaclave$" record.txt || fail "the modem never got the new password"
        cmp -s claves.dat claves.sent && ! cmp -s claves.dat "$work/claves.old" || fail "claves.dat is not the new one"
        # What had arrived stays, and the closing line break says the log was finished.
        cmp -n "$(stat -c %s sent.log)" sent.log "$log" && tail -c 2 "$log" | cmp -s - <(printf '\r\n') ||
            fail "log: $(cat -A "$log")"
        ;;
    idle)
        cmp -s claves.dat "$work/claves.old" || fail "claves.dat changed"
        [ ! -e logs ] || fail "a log written"
        ;;
    esac
    kill $sim
    echo "ok [$row]"
done
