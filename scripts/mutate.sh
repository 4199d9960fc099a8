#!/usr/bin/env bash
# Applies single-point faults one at a time, runs the test suite against
# each, and reports whether the suite caught it. The tree is restored after
# every fault, also when interrupted.
#
#   scripts/mutate.sh [-C repo] [-B build-dir] [-o results] [list]
#
# Each line of the list (default scripts/mutations.txt) is
#   path<TAB>text<TAB>replacement
# with the path relative to the repository; the first occurrence of text is
# replaced, literally; ↵ in text and replacement stands for a line break.
# Empty lines and lines starting with # are skipped.
# Results: one line per fault, "caught", "missed", or "n/a" when the faulty
# tree does not build or the text is not found.
set -uo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
build=""
out=""
while getopts "C:B:o:" opt; do
    case $opt in
        C) repo="$(cd "$OPTARG" && pwd)" ;;
        B) build="$OPTARG" ;;
        o) out="$OPTARG" ;;
        *) echo "usage: $0 [-C repo] [-B build-dir] [-o results] [list]" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
list="$(realpath "${1:-$repo/scripts/mutations.txt}")"
build="$(realpath -m "${build:-$repo/build}")"
out="${out:-/dev/stdout}"
cd "$repo"

if ! git diff --quiet; then
    echo "mutate.sh: the tree has changes; commit or stash them first" >&2
    exit 2
fi
if [[ ! -f "$build/CMakeCache.txt" ]]; then
    cmake --preset default -B "$build" >/dev/null || exit 2
fi
cmake --build "$build" -j2 >/dev/null || { echo "mutate.sh: the tree does not build" >&2; exit 2; }

work="$(mktemp -d)"
current=""
restore() {
    if [[ -n "$current" ]]; then
        # A plain copy: a new mtime makes the next build recompile the file.
        cat "$work/original" >"$current"
        current=""
    fi
}
finish() {
    restore
    rm -rf "$work"
    if ! git -C "$repo" diff --quiet; then
        echo "mutate.sh: the tree is left changed" >&2
        exit 1
    fi
}
trap finish EXIT
trap 'exit 130' INT TERM

apply() { # file text replacement -> 0 when replaced
    python3 - "$@" <<'EOF'
import sys
path, old, new = sys.argv[1:4]
unescape = lambda s: s.replace('\u21b5', '\n')
old, new = unescape(old), unescape(new)
data = open(path, encoding='utf-8', newline='').read()
if old not in data:
    sys.exit(1)
open(path, 'w', encoding='utf-8', newline='').write(data.replace(old, new, 1))
EOF
}

n=0 caught=0 missed=0 na=0
while IFS=$'\t' read -r path text replacement || [[ -n "$path" ]]; do
    [[ -z "$path" || "$path" == \#* ]] && continue
    n=$((n + 1))
    result="n/a"
    by=""
    if [[ -f "$path" ]]; then
        cp "$path" "$work/original"
        current="$path"
        if apply "$path" "$text" "$replacement"; then
            if cmake --build "$build" -j2 >"$work/build.log" 2>&1; then
                if (cd "$build" && QT_QPA_PLATFORM=offscreen ctest -j2 --timeout 120 \
                        --stop-on-failure >"$work/test.log" 2>&1); then
                    result="missed"
                else
                    result="caught"
                    by="$(sed -n 's/^[[:space:]]*[0-9]* - \([^ ]*\) .*/\1/p' "$work/test.log" | sort -u | paste -sd, -)"
                fi
            fi
        fi
        restore
    fi
    case $result in caught) caught=$((caught + 1)) ;; missed) missed=$((missed + 1)) ;; *) na=$((na + 1)) ;; esac
    printf '%d\t%s\t%s\t%s\t%s -> %s\n' "$n" "$result" "$path" "$by" "$text" "$replacement" >>"$out"
done <"$list"
# Leave the build matching the tree again.
cmake --build "$build" -j2 >/dev/null
echo "# $n faults: $caught caught, $missed missed, $na not applicable" >>"$out"
