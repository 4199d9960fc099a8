#!/usr/bin/env bash
# The includes of src/ run one way: down the floors, never from a screen to
# another screen or to the program, never from the logic to a widget.
#   tst_includes.sh <src folder> <Qt's include folder, that holds QtWidgets/>
set -uo pipefail
src="$1"
qt="$2"

# From the ground up.
floors=(device shell fields settings builder password loader app)

floor() {
    local i
    for i in "${!floors[@]}"; do
        [[ ${floors[$i]} == "$1" ]] && { echo "$i"; return; }
    done
    echo -1
}
isScreen() {
    [[ $1 =~ screen\.(h|cpp)$ && $1 != shell/screen.* ]]
}
# A Widgets header is one only QtWidgets holds: QtGui has some of the same names.
isWidgets() {
    local name="${1#QtWidgets/}"
    [[ $1 == QtWidgets || $1 == QtWidgets/* ]] && return 0
    [[ -e $qt/QtWidgets/$name && ! -e $qt/QtGui/$name && ! -e $qt/QtCore/$name ]]
}

[[ -d $qt/QtWidgets ]] || { echo "no QtWidgets headers in $qt"; exit 2; }
core=" $(cat "$src"/*/CMakeLists.txt | tr '\n' ' ' | grep -o 'target_sources(adslcore PRIVATE[^)]*' \
    | sed 's/target_sources(adslcore PRIVATE//') "

faults=()
cd "$src" || exit 2
for file in */*.h */*.cpp; do
    folder="${file%%/*}"
    while IFS= read -r line; do
        number="${line%%:*}"
        text="${line#*:}"
        if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
            included="${BASH_REMATCH[1]}"
            to="${included%%/*}"
            [[ $included == */* ]] || to="$folder"
            if (( $(floor "$to") > $(floor "$folder") )); then
                faults+=("$file:$number: $included: $folder sits below $to")
            fi
            if isScreen "$file" && [[ ${included%.h} != "${file%.*}" ]] \
                && { isScreen "$included" || [[ $to == app ]]; }; then
                faults+=("$file:$number: $included: a screen includes no other screen nor the program")
            fi
        elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<([^\>]+)\> ]]; then
            included="${BASH_REMATCH[1]}"
            if [[ $core == *" ${file#*/} "* ]] && isWidgets "$included"; then
                faults+=("$file:$number: <$included>: adslcore holds no widgets")
            fi
        fi
    done < <(grep -n '#[[:space:]]*include' "$file")
done

if (( ${#faults[@]} )); then
    printf 'Includes against the layering:\n'
    printf '  %s\n' "${faults[@]}"
    exit 1
fi
echo "includes: all $(ls */*.h */*.cpp | wc -l) files keep to the layering"
