#!/bin/sh
# The logic tests of one Debian architecture, built through the project's own targets (so with
# their flags) at -O2 as Debian builds packages, run under qemu-user. Arguments: source tree,
# build directory, Debian's name, triplet, qemu's name and, optionally, qemu's processor.
set -eu
for tool in $4-g++ qemu-$5-static; do
    command -v "$tool" >/dev/null && continue
    echo "$tool is not installed (scripts/setup installs it)"
    [ "${CI:-}" = true ] && exit 1 || exit 77
done
cmake -S "$1" -B "$2" --toolchain "$1/tests/cross.cmake" -DTRIPLET="$4" -DQEMU="$5" \
    -DQEMU_CPU="${6:-}" -DCOMPLEXOPS_WERROR="${CI:-OFF}" -DCOMPLEXOPS_LOGIC_ONLY=ON -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS=-O2
cmake --build "$2" -j2 --target logic_test
ctest --test-dir "$2" --output-on-failure
[ "$3" = i386 ] || exit 0

# Below i386's SSE2 baseline (a Pentium II) the program's own check refuses to start, in one line.
said=$(qemu-i386-static -cpu pentium2 -L "/usr/$4" "$2/tests/logic_test" 2>&1) && status=0 || status=$?
echo "On a Pentium II, exit status $status: $said"
case $status/$(echo "$said" | wc -l)/$said in
1/1/*SSE2*) ;;
*) echo "expected exit status 1 and one line naming SSE2"; exit 1 ;;
esac
