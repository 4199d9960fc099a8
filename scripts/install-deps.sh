#!/usr/bin/env bash
# Installs, on Debian and as root, whatever of the build's packages is
# missing. Extra package names may be given as arguments.
set -euo pipefail

packages=(build-essential cmake qt6-base-dev qt6-serialport-dev libgl-dev fonts-dejavu-core
          clang libclang-rt-14-dev pandoc "$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
