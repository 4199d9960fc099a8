#!/usr/bin/env bash
# Makes the Debian package in build-package/ with CPack and checks it: the
# desktop entry, the AppStream metainfo and lintian. Prints the .deb's path
# as its last line. Installs what it needs (Debian, as root).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh dpkg-dev fakeroot desktop-file-utils appstream lintian

# Debian's hardening flags, and stripped binaries as a package should have.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
PACKAGE_CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
PACKAGE_LDFLAGS="$(dpkg-buildflags --get LDFLAGS) -s"
export PACKAGE_CXXFLAGS PACKAGE_LDFLAGS
cmake --preset package >/dev/null
cmake --build build-package -j"$(nproc)" --target adslconf modemsim compressed_docs guide_html
rm -f build-package/*.deb
(cd build-package && cpack -G DEB >/dev/null)
deb=$(ls "$PWD"/build-package/*.deb)

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
echo "desktop-file-validate:"
desktop-file-validate "$root/usr/share/applications/adslconf.desktop"
echo "appstreamcli validate:"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.adslconf.metainfo.xml"
echo "lintian:"
lintian --fail-on error "$deb"
echo "$deb"
