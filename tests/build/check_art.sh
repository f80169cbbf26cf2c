#!/usr/bin/env bash
# A product whose bitmap has the wrong size does not build: configuring a copy of the project
# with such art stops with a message naming the file and the size it needs.
set -u
top=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$top/CMakeLists.txt" "$top/cmake" "$top/src" "$top/resources" "$scratch/"
mkdir -p "$scratch/products"
cp -r "$top/products/sample" "$scratch/products/wrong"
art=$scratch/products/wrong/art
cp "$art/btn_exit.bmp" "$art/hints.bmp"  # 252x108 where 600x150 belongs

out=$(cmake -S "$scratch" -B "$scratch/build" -DPRODUCT=wrong \
            -DCMAKE_TOOLCHAIN_FILE="$scratch/cmake/mingw-win32.cmake" 2>&1)
rc=$?
flat=$(tr -s ' \n' '  ' <<<"$out")  # CMake wraps long messages
fail=0
if [ $rc -eq 0 ]; then echo "FAILED: configured despite the wrong hints.bmp"; fail=1; fi
if ! grep -qF "$art/hints.bmp: is 252x108 at 24 bits; it must be 600x150 at 24 bits" <<<"$flat"; then
  echo "FAILED: no message naming hints.bmp and its size"; fail=1
fi
# only the bad file is named
if grep -q "background.bmp\|btn_exit.bmp:" <<<"$flat"; then echo "FAILED: a good file was named"; fail=1; fi
[ $fail -eq 0 ] || { echo "$out" | tail -20; exit 1; }
echo "wrong art stops the build"
