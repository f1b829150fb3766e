#!/bin/sh
# Builds the Debian package from two fresh clones of the committed HEAD, in directories of different
# lengths: both must give the same .deb files byte for byte, with no finding of the validators or
# lintian. Usage: SOURCE_DIR SCRATCH
set -eu
src=$1 work=$2
rm -rf "$work" && mkdir -p "$work"
fail() { echo "FAIL: $*"; exit 1; }
export DEB_BUILD_OPTIONS=parallel=2
for dir in "$work/1" "$work/second"; do
    git clone -q --shared "$src" "$dir/complexops"
    (cd "$dir/complexops" && dpkg-buildpackage -b -us -uc >"$dir/log" 2>&1) ||
        { tail -20 "$dir/log"; fail "dpkg-buildpackage in $dir"; }
    ! grep ': warning: .*\[-W' "$dir/log" || fail "the compiler warns in the package build"
done
for deb in "$work"/1/*.deb; do
    cmp "$deb" "$work/second/${deb##*/}" || fail "${deb##*/} differs between two checkouts"
done
deb=$(ls "$work"/1/complexops_*.deb) root=$work/root
dpkg-deb -x "$deb" "$root"
# Any status but 0, or any line but these, is a finding: lintian's note on root, appstreamcli's
# verdict, and the one tag that Debian 12's tools give only for a rule newer than themselves: its
# AppStream 0.16 does not know the <developer> tag that 1.0 asks for.
printf '%s\n' '^running with root privileges is not recommended!$' '^$' 'Validation was successful' >"$work/fine"
appstreamcli --version | grep -q 'version: 0\.' &&
    printf '%s\n' ': unknown-tag developer$' '^[^ ]*\.metainfo\.xml$' >>"$work/fine" # the finding's file
quiet() {
    "$@" >"$work/log" 2>&1 || { s=$?; cat "$work/log"; fail "$1 (status $s)"; }
    grep -v -f "$work/fine" "$work/log" && fail "$1" || [ $? -eq 1 ] || fail "$1: grep"
}
quiet desktop-file-validate "$root"/usr/share/applications/*.desktop
quiet appstreamcli validate --no-net --pedantic "$root"/usr/share/metainfo/*.metainfo.xml
quiet appstreamcli validate-tree --no-net "$root" # the metainfo's launchable is there
quiet lintian -I --pedantic --fail-on error,warning,info,pedantic "$work"/1/complexops_*.changes
# The entry's icon exists at every size; Depends comes from the linked libraries.
icon=$(sed -n 's/^Icon=//p' "$root"/usr/share/applications/*.desktop)
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
for n in 16 32 48 64 128 256; do
    file "$root/usr/share/icons/hicolor/${n}x$n/apps/$icon.png" | grep -q "PNG image data, $n x $n," ||
        fail "no ${n}x$n icon $icon"
done
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6 (>=' || fail "Depends lacks the Qt libraries"
echo "ok: the same from two checkouts:"
(cd "$work/1" && sha256sum -- *.deb)
