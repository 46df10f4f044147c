#!/usr/bin/env bash
# Installs the build into a fresh prefix, then builds and runs a tiny outside program against it,
# once through the CMake package and once through pkg-config.
set -euo pipefail
build_dir=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

export KOVRIN_REGISTRY_DIR=$work/registry
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
# The install registered the installed library for creation by ProgID.
registered=$("$prefix/bin/kovrin-reg" get 'HKCR\CLSID\{59457965-14EE-4DEB-B0EB-7D4D8D6BF211}\InprocServer32' '')
[ "$registered" = "$prefix/lib/libKovrinAPI32.so.3" ] || { echo "registered: $registered"; exit 1; }
[ -f "$prefix/share/kovrinapi/KovrinAPI32.tlb.txt" ] || { echo "no type library"; exit 1; }
echo "registration: ok"
expected_source='Kovrin.Class_Initialize[80]\'
check() {
  local out
  out=$("$@")
  grep -qx 'currency 2.0002' <<<"$out" || { echo "unexpected output: $out"; exit 1; }
  grep -qxF "error 6367 $expected_source" <<<"$out" || { echo "unexpected output: $out"; exit 1; }
}

cmake -S "$source_dir/tests/install/consumer" -B "$work/cmake-build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
LD_LIBRARY_PATH=$prefix/lib check "$work/cmake-build/consumer"
echo "CMake package: ok"

libdir=$(ls -d "$prefix"/lib*/pkgconfig | head -n 1)
export PKG_CONFIG_PATH=$libdir
g++ -std=c++20 "$source_dir/tests/install/consumer/main.cpp" -o "$work/pc-consumer" $(pkg-config --cflags --libs kovrinapi)
LD_LIBRARY_PATH=$(dirname "$libdir") check "$work/pc-consumer"
echo "pkg-config: ok"
