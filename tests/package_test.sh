#!/bin/sh
# Builds the Debian package from a fresh release configuration and fails on any finding of
# desktop-file-validate, appstreamcli or lintian. Usage: package_test.sh SOURCE_DIR SCRATCH_DIR
set -eu
src=$1 work=$2
rm -rf "$work" && mkdir -p "$work"
launcher=$(command -v ccache || true)
cmake -S "$src" -B "$work/build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DCOMPLEXOPS_BENCHMARKS=OFF ${launcher:+-DCMAKE_CXX_COMPILER_LAUNCHER=$launcher} >/dev/null
cmake --build "$work/build" --parallel 2 >/dev/null
(cd "$work/build" && cpack -G DEB >/dev/null)
deb=$(ls "$work"/build/complexops_*.deb) root=$work/root
dpkg-deb -x "$deb" "$root"
fail() { echo "FAIL: $*"; exit 1; }
# Any status but 0, or any line but lintian's note on root and appstreamcli's verdict, is a finding.
quiet() {
    "$@" >"$work/log" 2>&1 || fail "$1 (status $?)"
    found=0
    grep -v -e '^running with root privileges is not recommended!$' \
        -e 'Validation was successful\.$' "$work/log" || found=$?
    [ $found -eq 1 ] || fail "$1"
}
quiet desktop-file-validate "$root"/usr/share/applications/*.desktop
quiet appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
quiet appstreamcli validate-tree --no-net "$root" # the metainfo's launchable is there
quiet lintian --fail-on error,warning "$deb"
# The entry's icon exists at every size; Depends comes from the linked libraries.
icon=$(sed -n 's/^Icon=//p' "$root"/usr/share/applications/*.desktop)
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
for n in 16 32 48 64 128 256; do
    file "$root/usr/share/icons/hicolor/${n}x$n/apps/$icon.png" | grep -q "PNG image data, $n x $n," ||
        fail "no ${n}x$n icon $icon"
done
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6 (>=' || fail "Depends lacks the Qt libraries"
echo "ok: $(basename "$deb")"
