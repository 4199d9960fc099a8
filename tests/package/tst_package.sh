#!/usr/bin/env bash
# Builds the Debian package (scripts/package.sh, which also validates it),
# unpacks it into a temporary root and starts the unpacked program as the
# desktop menu does: the desktop entry's Exec line, from the home folder of a
# Spanish desktop. It must stay up and make its per-user folder; the guide's
# HTML must be there with what it links to. Skipped
# where the packaging tools are missing and cannot be installed.
set -euo pipefail
cd "$(dirname "$0")/../.."

missing=()
for tool in cpack dpkg-deb dpkg-shlibdeps fakeroot desktop-file-validate appstreamcli lintian; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ] && { [ "$(id -u)" != 0 ] || ! command -v apt-get >/dev/null; }; then
    echo "tst_package: SKIPPED, packaging tools missing: ${missing[*]}"
    exit 0
fi

tmp=$(mktemp -d)
pid=""
cleanup() {
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
    rm -rf "$tmp"
}
trap cleanup EXIT
root=$tmp/root
home=$tmp/home
mkdir -p "$home/.config" "$tmp/run"
chmod 700 "$tmp/run"
./scripts/package.sh | tee "$tmp/package.log"
deb=$(tail -n1 "$tmp/package.log")
dpkg-deb -x "$deb" "$root"
echo 'XDG_DOCUMENTS_DIR="$HOME/Documentos"' >"$home/.config/user-dirs.dirs"

fail() { echo "tst_package: FAILED: $*"; exit 1; }

# The Exec line without its field codes, run with the unpacked bin first.
exec_line=$(sed -n '/^\[Desktop Entry\]/,/^\[/ s/^Exec=//p' "$root/usr/share/applications/adslconf.desktop" |
            sed 's/ *%[fFuUick]//g')
[ -n "$exec_line" ] || fail "no Exec line"
run_env=(env -i HOME="$home" PATH="$root/usr/bin:/usr/bin:/bin" XDG_RUNTIME_DIR="$tmp/run"
         QT_QPA_PLATFORM=offscreen LANG=C.UTF-8)
program=$(cd "$home" && "${run_env[@]}" sh -c "command -v ${exec_line%% *}")
[ "$program" = "$root/usr/bin/adslconf" ] || fail "Exec runs $program, not the unpacked program"

(cd "$home" && exec "${run_env[@]}" sh -c "exec $exec_line") >"$tmp/out.log" 2>&1 &
pid=$!
folder=$home/Documentos/ADSL
for _ in $(seq 100); do [ -d "$folder" ] && break; sleep 0.1; done
sleep 2
kill -0 "$pid" 2>/dev/null || { cat "$tmp/out.log"; fail "the program did not stay up"; }
[ -d "$folder" ] || fail "no per-user folder $folder"
[ -z "$(ls -A "$home" | grep -v -x -e .config -e Documentos)" ] || fail "files left in the home folder: $(ls -A "$home")"

# The guide: the menu action's page, and every local link and picture of
# every page, lead to installed files and anchors.
html=$root/usr/share/adslconf/html
action=$(sed -n '/^\[Desktop Action guia\]/,$ s/^Exec=xdg-open //p' "$root/usr/share/applications/adslconf.desktop")
[ -f "$root$action" ] && [ "$action" = /usr/share/adslconf/html/guia-del-instalador.html ] ||
    fail "the menu's guide action opens $action, not the installed guide"
links=0
for page in "$html"/*.html; do
    while read -r target; do
        file=${target%%#*}
        anchor=${target#"$file"}
        [ -f "$html/${file:-$(basename "$page")}" ] || fail "$(basename "$page") leads to $target, not installed"
        [ -z "$anchor" ] || grep -q "id=\"${anchor#\#}\"" "$html/${file:-$(basename "$page")}" ||
            fail "$(basename "$page") leads to $target, no such anchor"
        links=$((links + 1))
    done < <(grep -o -E '(href|src)="[^"]*"' "$page" | sed -E 's/^[a-z]+="//; s/"$//' | grep -v -E '^[a-z][a-z0-9+.-]*:')
done
[ "$links" -gt 10 ] || fail "only $links local links and pictures in the guide"

echo "tst_package: PASSED ($(basename "$deb"), started from the menu entry, folder ~/Documentos/ADSL made, $links guide links resolve)"
