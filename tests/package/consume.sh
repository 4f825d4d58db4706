#!/usr/bin/env bash
# Builds the Debian packages of the build tree, unpacks them into a temporary root, and builds and
# runs a host program against what they install: once through find_package(KvoPlx800SCtl), once
# through pkg-config.
set -euo pipefail
build_dir=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$work" && cpack --config "$build_dir/CPackConfig.cmake" -B "$work/debs" >/dev/null)
runtime=$(ls "$work"/debs/kvoplx800sctl_*.deb)
development=$(ls "$work"/debs/kvoplx800sctl-dev_*.deb)
for deb in "$runtime" "$development"; do
    dpkg-deb -x "$deb" "$work/root"
done
# The runtime package carries the programs and the Designer plugin, the development one the rest.
dpkg-deb -c "$runtime" >"$work/runtime.txt"
dpkg-deb -c "$development" >"$work/development.txt"
grep -q '/plugins/designer/libkvoplx800sctl_designer.so$' "$work/runtime.txt"
grep -q '/bin/kvosearch$' "$work/runtime.txt"
grep -q '/include/KvoPlx800SCtl/core/ccommon.h$' "$work/development.txt"
if grep -q '\.a$' "$work/runtime.txt"; then
    echo "package: the runtime package holds a static library" >&2
    exit 1
fi
prefix="$work/root/usr"

cmake -S "$source_dir" -B "$work/build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/build" >/dev/null
"$work/build/consumer"
echo "package: found through CMake, built and ran"

pc_dir=$(dirname "$(find "$prefix" -name KvoPlx800SCtlCore.pc)")
flags=$(PKG_CONFIG_PATH="$pc_dir" pkg-config --cflags --libs KvoPlx800SCtlCore)
# Qt's headers ask for position-independent code.
c++ -std=c++20 -fPIC "$source_dir/main.cpp" $flags -o "$work/consumer-pc"
"$work/consumer-pc"
echo "package: found through pkg-config, built and ran"
