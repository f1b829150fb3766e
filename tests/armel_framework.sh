#!/bin/sh
# The framework cross-compiled for armel (ARMv5TE, where an atomic int is not lock-free) against
# armel's own toolkit headers, warnings as errors. As root on Debian 13, whose armel toolkit fits
# beside the host's, in a root of its own: scripts/fresh-root --then tests/armel_framework.sh 13.
# Argument: the build directory (build/armel).
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$src/build/armel}")
sysroot=$build/sysroot packages="qt6-base-dev:armel qt6-tools-dev:armel libxcb-xkb-dev:armel"
sh "$src/scripts/setup" # the host's toolkit, whose moc and uic the cross build runs
dpkg --add-architecture armel
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends g++-arm-linux-gnueabi

# Unpacked, not installed: installed, armel's libraries would have to be the very versions of the
# host's, which an archive that lags behind for armel cannot always give. The compile reads only
# the headers, the CMake files and the toolkit's libraries.
apt-get install -y -qq --download-only --no-install-recommends $packages ||
    echo "(not every library could be fetched: the compile needs only the toolkit's packages)"
rm -rf "$sysroot" && mkdir -p "$sysroot"
apt-get install -s --no-install-recommends $packages |
    sed -n 's/^Inst \([^ ]*\):armel (\([^ ]*\) .*/\1_\2_armel.deb/p' | sed 's/:/%3a/' |
    while read -r deb; do
        deb=/var/cache/apt/archives/$deb
        [ ! -f "$deb" ] || dpkg-deb -x "$deb" "$sysroot"
    done

# The host's architecture-independent .pc files (xproto) serve armel too.
usr=$sysroot/usr
export PKG_CONFIG_SYSROOT_DIR="$sysroot" \
    PKG_CONFIG_LIBDIR="$usr/lib/arm-linux-gnueabi/pkgconfig:$usr/share/pkgconfig:/usr/share/pkgconfig"
cmake -S "$src" -B "$build" --toolchain "$src/tests/cross.cmake" \
    -DTRIPLET=arm-linux-gnueabi -DQEMU=arm \
    -DCMAKE_FIND_ROOT_PATH="$sysroot" -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(gcc -dumpmachine)/cmake" \
    -DBUILD_TESTING=OFF -DCOMPLEXOPS_BENCHMARKS=OFF -DCOMPLEXOPS_WERROR=ON
cmake --build "$build" -j2 --target framework
