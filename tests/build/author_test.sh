#!/usr/bin/env bash
# tests/build/author_test.sh [DISC_DIR]: the authoring tool refuses what the launcher cannot
# install, names the file and the limit, and then writes nothing; the sample game passes.
# Runs natively (no Wine); DISC_DIR is a built disc (default build/disc) that lends the game.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
disc=${1:-$top/build/disc}
work=$(mktemp -d "${TMPDIR:-/tmp}/author-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake -S "$top/tools/author" -B "$top/build/author" >/dev/null &&
  cmake --build "$top/build/author" -j2 >/dev/null || { echo "FAIL: the authoring tool does not build"; exit 1; }
author=$top/build/author/author

# A game folder like the sample's: the disc without the files the disc keeps for itself.
new_game() {
  rm -rf "$work/game"
  mkdir -p "$work/game"
  cp -a "$disc"/. "$work/game"/
  rm -f "$work/game/Setup.exe" "$work/game/Setup.ini"
}

# refused NAME EXPECTED...: the run fails, names each expected text, and leaves nothing behind
refused() {
  local name=$1
  shift
  "$author" --game "$work/game" --product "$top/products/sample" --setup "$disc/Setup.exe" \
    --out "$work/$name.iso" >"$work/out.txt" 2>"$work/err.txt"
  local rc=$?
  [ $rc = 1 ] || fail "$name: exit code $rc, expected 1"
  for want in "$@"; do
    grep -qF -- "$want" "$work/err.txt" || fail "$name: the report does not say \"$want\": $(cat "$work/err.txt")"
  done
  for left in "$work/$name.iso" "$work/$name.iso.part" "$work/$name.iso.disc"; do
    [ ! -e "$left" ] || fail "$name: $left was written"
  done
}

# 1. Names code page 932 cannot hold, each reported with its path; both in one run.
new_game
mkdir -p "$work/game/data/음성"
echo x >"$work/game/data/음성/a.txt"
echo x >"$work/game/data/wave〜.txt"     # U+301C comes back from 932 as U+FF5E
echo x >"$work/game/price¥.txt"          # ¥ is the backslash byte in 932
refused cp932 "game/data/음성: the name cannot be written in code page 932" \
  "game/data/wave〜.txt: the name cannot be written in code page 932" \
  "game/price¥.txt: the name cannot be written in code page 932" "3 problems; nothing written"

# 2. A path too long for a 260-byte buffer once installed under the long root (not the default).
new_game
deep="$work/game/data/$(printf 'd%.0s' {1..60})/$(printf 'e%.0s' {1..60})"
mkdir -p "$deep"
echo x >"$deep/$(printf 'f%.0s' {1..40}).dat"
refused long "game/data/$(printf 'd%.0s' {1..60})/$(printf 'e%.0s' {1..60})/ffff" \
  "its installed path under the long root is 263 bytes in code page 932; the launcher's limit is 259"
grep -q "under the default root" "$work/err.txt" && fail "long: the default root was said to overflow"

# 3. Names that break the script or Windows, and the names the disc keeps for itself.
new_game
echo x >"$work/game/a;b.txt"
echo x >"$work/game/README.TXT2"
echo x >"$work/game/Readme.txt2"
echo x >"$work/game/autorun.inf"
refused names "game/a;b.txt: the name holds ';'" "only in case" "game/autorun.inf: is a name the disc keeps"

# 4. Required megabytes below the payload, and missing art.
new_game
cp -a "$top/products/sample" "$work/product"
sed -i 's/^\( *8 \)"2000"/\1"1"/' "$work/product/product.rc"
head -c 3000000 /dev/zero >"$work/game/data/big.dat"
rm "$work/product/art/hints.bmp"
"$author" --game "$work/game" --product "$work/product" --setup "$disc/Setup.exe" --out "$work/req.iso" \
  >/dev/null 2>"$work/err.txt" && fail "required: accepted"
grep -qF "string 8 (required megabytes): is 1; the payload alone takes" "$work/err.txt" ||
  fail "required: $(cat "$work/err.txt")"
grep -qF "art/hints.bmp: is missing" "$work/err.txt" || fail "art: $(cat "$work/err.txt")"

# 5. The sample game passes; its script lists parents first and ends with the end line.
new_game
"$author" --game "$work/game" --product "$top/products/sample" --check >"$work/out.txt" 2>"$work/err.txt" ||
  fail "sample: refused: $(cat "$work/err.txt")"
lines=$(grep -aE '^[DFE]' "$work/out.txt" | tr -d '\r' | paste -sd'|' -)
case $lines in
  "D data;|D data\\voice;|D movie;|F Setup.exe;|F AoHoshi.exe;|F readme.txt;|F "*".txt;|F data\\*.*;|F data\\voice\\*.*;|F movie\\*.*;|E") ;;
  *) fail "sample: unexpected script: $lines" ;;
esac
grep -q "0x5C" "$work/err.txt" || fail "sample: 年表.txt was not noted for its 0x5C trail byte"

[ $failures = 0 ] && echo "author_test: all passed" || echo "author_test: $failures failed"
[ $failures = 0 ]
