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
  rm -f "$work/game/Setup.exe" "$work/game/Setup.ini" "$work/game/Setup.crc" "$work/game/autorun.inf"
}

# refused NAME EXPECTED...: the run fails, names each expected text, and leaves nothing behind;
# --check reports the very same. $product and $out stand in for the sample and $work/NAME.iso;
# $sign is a certificate for --sign, $media a medium for --media.
refused() {
  local name=$1
  shift
  local image=${out:-$work/$name.iso}
  local args=(--game "$work/game" --product "${product:-$top/products/sample}" --setup "$disc/Setup.exe" --out "$image"
              ${sign:+--sign "$sign"} ${media:+--media "$media"})
  "$author" "${args[@]}" >"$work/out.txt" 2>"$work/err.txt"
  local rc=$?
  [ $rc = 1 ] || fail "$name: exit code $rc, expected 1"
  for want in "$@"; do
    grep -qF -- "$want" "$work/err.txt" || fail "$name: the report does not say \"$want\": $(cat "$work/err.txt")"
  done
  "$author" "${args[@]}" --check >/dev/null 2>"$work/check.txt"
  rc=$?
  [ $rc = 1 ] || fail "$name: --check: exit code $rc, expected 1"
  cmp -s "$work/err.txt" "$work/check.txt" ||
    fail "$name: --check reports otherwise than the real run: $(diff "$work/err.txt" "$work/check.txt")"
  [ -z "$(find "$(dirname "$image")" -maxdepth 1 -name "$(basename "$image")*")" ] || fail "$name: $image was written"
}

# crc_lists DISC: the disc's Setup.crc lists every file on it that the install copies, and
# checks itself (the reasons in $work/crc.txt).
crc_lists() {
  python3 - "$1" >"$work/crc.txt" 2>&1 <<'PY'
import os, sys, zlib
disc = sys.argv[1]
data = open(os.path.join(disc, 'Setup.crc'), 'rb').read()
body, end = data[:data.rindex(b'END ')], data[data.rindex(b'END '):]
assert body.startswith(b'SETUPCRC 1\r\n') and end == b'END %08X\r\n' % zlib.crc32(body), end
listed = {}
for line in body.split(b'\r\n')[1:-1]:
    crc, size, name = line.split(b' ', 2)
    listed[name.decode('cp932').replace('\\', '/')] = (int(crc, 16), int(size))
found = {}
for folder, _, files in os.walk(disc):
    for f in files:
        rel = os.path.relpath(os.path.join(folder, f), disc)
        if rel not in ('Setup.ini', 'Setup.crc', 'autorun.inf', 'Setup.dsk'):
            b = open(os.path.join(disc, rel), 'rb').read()
            found[rel] = (zlib.crc32(b), len(b))
assert listed == found, (listed, found)
PY
}

# 1. Names code page 932 cannot hold, each reported with its path; both in one run.
new_game
mkdir -p "$work/game/data/음성"
echo x >"$work/game/data/음성/a.txt"
echo x >"$work/game/data/wave〜.txt"     # U+301C comes back from 932 as U+FF5E
echo x >"$work/game/price¥.txt"          # ¥ is the backslash byte in 932
refused cp932 "game/data/음성: the name cannot be written in code page 932" \
  "game/data/wave〜.txt: the name cannot be written in code page 932 (\"〜\"; write \"～\" instead, which it has)" \
  "game/price¥.txt: the name cannot be written in code page 932 (\"¥\"; write \"￥\" instead, which it has)" \
  "3 problems; nothing written"

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

# 4. Required megabytes below the payload; art missing, or not what the launcher loads; the
#    image inside the game folder (with --check too, since the same checks run).
new_game
cp -a "$top/products/sample" "$work/product"
sed -i 's/^\( *8 \)"2000"/\1"1"/' "$work/product/product.rc"
head -c 3000000 /dev/zero >"$work/game/data/big.dat"
art=$work/product/art
rm "$art/hints.bmp"
convert "$art/background.bmp" "PNG:$art/background.bmp"
convert "$art/btn_exit.bmp" -alpha set -type TrueColorAlpha "BMP:$art/btn_exit.bmp"
head -c 1000 "$art/btn_start.bmp" >"$work/cut.bmp" && mv "$work/cut.bmp" "$art/btn_start.bmp"
product=$work/product out=$work/game/data/req.iso refused required \
  "string 8 (required megabytes): is 1; the payload alone takes" "art/hints.bmp: is missing" \
  "art/background.bmp: is a PNG image, not a BMP; it must be an uncompressed BMP of 600x400 at 24 bits" \
  "art/btn_exit.bmp: is a 252x108 BMP of 32 bits" "art/btn_start.bmp: is a 252x108 BMP of 24 bits, cut short" \
  "game/data/req.iso: lies in the --game folder"

# 5. A product.rc saved in Shift-JIS: said once, without the false faults that reading it as
#    UTF-8 would give (the 0x5C second byte of 表 escapes the closing quote).
new_game
rm -rf "$work/product" && cp -a "$top/products/sample" "$work/product"
iconv -f UTF-8 -t CP932 "$top/products/sample/product.rc" >"$work/product/product.rc"
product=$work/product refused sjis "product.rc: is not UTF-8 (line 5): it reads as Shift-JIS" "1 problem; nothing written"
grep -q "code page 932 (\|holds '\"'\|is missing" "$work/err.txt" && fail "sjis: false faults: $(cat "$work/err.txt")"
#    An English table that lacks a text the player sees, holds a stored name, or a title
#    longer than the GAME START hint holds: each said, with the table it concerns.
cp "$top/products/sample/product.rc" "$work/product/product.rc"
long="THE CHRONICLE OF THE AZURE STAR, BEING THE WHOLE TALE OF THE SEVEN MOONS"
sed -i "s/^    6 \"Chronicle of the Azure Star\"$/    5 \"Milky Soft\"/" "$work/product/product.rc"
product=$work/product refused english \
  "product.rc: string 6 (game title) of the English table: is missing: the Japanese table has it" \
  "product.rc: string 5 (brand folder) of the English table: is not shown to the player" "2 problems; nothing written"
sed -i "s/^    5 \"Milky Soft\"$/    6 \"$long, $long, $long\"/" "$work/product/product.rc"
product=$work/product refused english-long \
  "product.rc: string 6 (game title) of the English table: \"$long, $long, $long\" is longer than the GAME START hint holds"

# 6. Many notes of a kind are one line with their count (--verbose lists them); problems come
#    last, where the eye lands; system files stay off the disc unless asked for.
new_game
mkdir -p "$work/game/data/表" "$work/game/__MACOSX"
for i in $(seq 1 1001); do : >"$work/game/data/表/ソ$i.dat"; done
: >"$work/game/.DS_Store"; : >"$work/game/data/Thumbs.db"; : >"$work/game/__MACOSX/._readme.txt"
echo x >"$work/game/a;b.txt"
refused notes "game/a;b.txt: the name holds ';'" \
  "author: note: 1003 names hold a double-byte character whose second byte is 0x5C" \
  "author: note: 3 system files are left off the disc" "game/data/表: holds 1001 files; Wine looks through a folder"
[ "$(grep -c 0x5C "$work/err.txt")" = 1 ] || fail "notes: not one line for the 0x5C names: $(head -5 "$work/err.txt")"
tail -2 "$work/err.txt" | head -1 | grep -qF "a;b.txt" || fail "notes: the problem is not last: $(tail -3 "$work/err.txt")"
rm "$work/game/a;b.txt"
"$author" --game "$work/game" --product "$top/products/sample" --check --verbose >"$work/out.txt" 2>"$work/err.txt" ||
  fail "notes: refused: $(tail -3 "$work/err.txt")"
[ "$(grep -c 0x5C "$work/err.txt")" = 1003 ] || fail "notes: --verbose does not list every 0x5C name"
grep -aiq "MACOSX\|DS_Store\|Thumbs" "$work/out.txt" && fail "notes: a system file is in the script: $(cat "$work/out.txt")"
"$author" --game "$work/game" --product "$top/products/sample" --check --keep-system-files >"$work/out.txt" 2>/dev/null
grep -aq "^D __MACOSX;" "$work/out.txt" || fail "notes: --keep-system-files left __MACOSX off"

# 7. An image larger than a CD (or a DVD) is warned of, with the figures (sparse files).
new_game
truncate -s 690M "$work/game/data/movie1.dat"
echo x >"$work/game/a;b.txt"
refused cd650 \
  "more than a 650 MB CD (74 minutes, 333,000 sectors) holds; it fits a 700 MB CD (80 minutes, 360,000 sectors)"
grep -qE "warning: the image takes about 69[0-9]\.[0-9] MB \(35[0-9],[0-9]{3} sectors of 2 KiB\)" "$work/err.txt" ||
  fail "cd650: no size in the warning: $(cat "$work/err.txt")"
truncate -s 2400M "$work/game/data/movie2.dat" "$work/game/data/movie3.dat"
refused dvd "more than a 4.7 GB DVD (single layer, 2,295,104 sectors) holds" "string 8 (required megabytes): is 2000"
rm -f "$work/game/data/movie"?.dat

# 8. A ready-made game: a product of strings and art alone passes, and is authored.
new_game
rm -rf "$work/product" && cp -a "$top/products/sample" "$work/product"
rm -rf "$work/product/game" "$work/product/disc" "$work/product/product.cmake"
"$author" --game "$work/game" --product "$work/product" --setup "$disc/Setup.exe" --out "$work/ready.iso" \
  >"$work/out.txt" 2>"$work/err.txt" && [ -s "$work/ready.iso" ] || fail "ready-made: $(cat "$work/err.txt")"
ls "$work" | grep -q "ready.iso.disc" && fail "ready-made: the scratch disc folder was left behind"

# 9. A product without a disc folder builds Setup.exe but no disc, and says how to author one.
: >"$work/Setup.exe"
cmake -DSRC="$work/product/disc" -DDST="$work/nodisc" -DSETUP="$work/Setup.exe" -DGAME= \
  -DPRODUCT_DIR="$work/product" "-DNEEDS=Setup.ini;readme.txt;AoHoshi.exe" -P "$top/cmake/make_disc.cmake" \
  >"$work/err.txt" 2>&1 && fail "no disc: assembled"
flat=$(tr -s ' \n' '  ' <"$work/err.txt")
for want in "No disc: the product has no disc folder $work/product/disc with Setup.ini, readme.txt, AoHoshi.exe" \
            "build/author/author --game <the game's files> --product $work/product --setup $work/Setup.exe"; do
  grep -qF -- "$want" <<<"$flat" || fail "no disc: the message does not say \"$want\": $flat"
done
[ ! -e "$work/nodisc" ] || fail "no disc: an incomplete disc was left"

# 10. The sample game passes; its script lists parents first and ends with the end line.
new_game
"$author" --game "$work/game" --product "$top/products/sample" --check >"$work/out.txt" 2>"$work/err.txt" ||
  fail "sample: refused: $(cat "$work/err.txt")"
lines=$(grep -aE '^[DFE]' "$work/out.txt" | tr -d '\r' | paste -sd'|' -)
case $lines in
  "D data;|D data\\voice;|D movie;|F Setup.exe;|F AoHoshi.exe;|F readme.txt;|F "*".txt;|F data\\*.*;|F data\\voice\\*.*;|F movie\\*.*;|E") ;;
  *) fail "sample: unexpected script: $lines" ;;
esac
grep -q "0x5C" "$work/err.txt" || fail "sample: 年表.txt was not noted for its 0x5C trail byte"

# 11. Signing: a wrong password, an expired certificate or a missing one is refused before
#     anything is signed; a time-stamping server that does not answer leaves no image and no
#     folder behind; a good certificate signs Setup.exe and, as the product asks, the game,
#     which osslsigncode then verifies; Setup.exe stays a Windows 95 program; Setup.crc lists
#     every copied file (the signed ones as signed) and checks itself.
new_game
rm -rf "$work/product" && cp -a "$top/products/sample" "$work/product"
echo "#define PRODUCT_SIGN_GAME 1" >>"$work/product/product.rc"
openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Test Publisher" -keyout "$work/key.pem" \
  -out "$work/cert.pem" 2>/dev/null &&
  AUTHOR_SIGN_PASS=secret openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/good.pfx" \
    -passout env:AUTHOR_SIGN_PASS || fail "sign: openssl made no certificate"
mkdir -p "$work/ca" && : >"$work/ca/index.txt" && echo 01 >"$work/ca/serial"
printf '[ca]\ndefault_ca=d\n[d]\ndatabase=%s/index.txt\nnew_certs_dir=%s\nserial=%s/serial\npolicy=p\ndefault_md=sha256\n[p]\ncommonName=supplied\n' \
  "$work/ca" "$work/ca" "$work/ca" >"$work/ca/ca.cnf"
openssl req -new -newkey rsa:2048 -nodes -subj "/CN=Old Publisher" -keyout "$work/ca/key.pem" -out "$work/ca/old.csr" 2>/dev/null &&
  openssl ca -batch -config "$work/ca/ca.cnf" -selfsign -keyfile "$work/ca/key.pem" -in "$work/ca/old.csr" \
    -startdate 20200101000000Z -enddate 20200201000000Z -out "$work/ca/old.pem" >/dev/null 2>&1 &&
  AUTHOR_SIGN_PASS=secret openssl pkcs12 -export -inkey "$work/ca/key.pem" -in "$work/ca/old.pem" -out "$work/old.pfx" \
    -passout env:AUTHOR_SIGN_PASS || fail "sign: openssl made no expired certificate"
AUTHOR_SIGN_PASS=wrong sign=$work/good.pfx refused wrong-password \
  "good.pfx: does not open with the password in AUTHOR_SIGN_PASS (a wrong password?)" "1 problem; nothing written"
grep -q secret "$work/err.txt" && fail "wrong-password: the report shows a password"
AUTHOR_SIGN_PASS=secret sign=$work/old.pfx refused expired \
  "old.pfx: its certificate (CN = Old Publisher) expired on Feb  1 00:00:00 2020 GMT"
AUTHOR_SIGN_PASS=secret sign=$work/none.pfx refused no-certificate "none.pfx: cannot be read (--sign"
AUTHOR_SIGN_PASS=secret "$author" --game "$work/game" --product "$work/product" --setup "$disc/Setup.exe" \
  --sign "$work/good.pfx" --timestamp http://127.0.0.1:9/ --out "$work/ts.iso" >"$work/out.txt" 2>"$work/err.txt" &&
  fail "timestamp: authored without its time stamp"
grep -q "author: cannot sign .*Setup.exe" "$work/err.txt" || fail "timestamp: not said: $(cat "$work/err.txt")"
ls "$work" | grep -q "^ts.iso" && fail "timestamp: left $(ls "$work" | grep "^ts.iso")"
# the shipped, 32-bit Setup.exe, which check_exe.sh knows
setup32=$top/build/disc/Setup.exe
AUTHOR_SIGN_PASS=secret "$author" --game "$work/game" --product "$work/product" --setup "$setup32" \
  --sign "$work/good.pfx" --disc "$work/signed" --out "$work/signed.iso" >"$work/out.txt" 2>"$work/err.txt" ||
  fail "sign: refused: $(cat "$work/err.txt")"
for f in Setup.exe AoHoshi.exe; do
  osslsigncode verify -in "$work/signed/$f" -CAfile "$work/cert.pem" >"$work/verify.txt" 2>&1 ||
    fail "sign: $f does not verify: $(tail -5 "$work/verify.txt")"
done
cmp -s "$work/signed/data/map01.dat" "$work/game/data/map01.dat" || fail "sign: a data file changed"
cmp -s "$work/game/AoHoshi.exe" "$disc/AoHoshi.exe" || fail "sign: the game folder's own executable was signed"
"$top/tests/build/check_exe.sh" "$work/signed/Setup.exe" >"$work/exe.txt" || fail "sign: check_exe.sh: $(cat "$work/exe.txt")"
crc_lists "$work/signed" || fail "sign: Setup.crc: $(cat "$work/crc.txt")"
"$author" --game "$work/game" --product "$work/product" --setup "$work/signed/Setup.exe" --check >"$work/out.txt" 2>&1
grep -qF "signature: Setup.exe: signed by /CN=Test Publisher; the signature does not verify (self-signed certificate)" \
  "$work/out.txt" || fail "sign: --check does not say how Setup.exe is signed: $(grep signature "$work/out.txt")"
grep -qF "signature: AoHoshi.exe: not signed" "$work/out.txt" || fail "sign: --check: $(grep signature "$work/out.txt")"
ls "$work" | grep -q "\.sign-\|\.disc-" && fail "sign: a scratch folder was left behind: $(ls "$work")"

# 12. Several discs: a medium a little larger than disc 1's own files splits the sample in two,
#     the root files on disc 1 and the folders, together, on disc 2, each disc with its list of
#     its own files and its Setup.dsk; a file larger than the medium is refused; a game that
#     fits the medium is the one disc it always was.
new_game
media=$(( $(stat -c %s "$disc/Setup.exe") + 550000 ))
"$author" --game "$work/game" --product "$top/products/sample" --setup "$disc/Setup.exe" --media "$media" --check \
  >"$work/out.txt" 2>"$work/err.txt" || fail "split: --check refused: $(cat "$work/err.txt")"
grep -q "^discs: 2 of a medium of " "$work/out.txt" || fail "split: --check does not say 2 discs: $(cat "$work/out.txt")"
"$author" --game "$work/game" --product "$top/products/sample" --setup "$disc/Setup.exe" --media "$media" \
  --out "$work/split.iso" --disc "$work/split" >"$work/out.txt" 2>"$work/err.txt" || fail "split: refused: $(cat "$work/err.txt")"
[ "$(cd "$work" && ls -d split*)" = "$(printf 'split\nsplit-1.iso\nsplit-2.iso')" ] || fail "split: wrote $(ls "$work")"
lines=$(grep -aE '^[DFEV]' "$work/split/Disc1/Setup.ini" | tr -d '\r' | paste -sd'|' -)
case $lines in
  "F Setup.exe;|F readme.txt;|F AoHoshi.exe;|F "*".txt;|V 2;|D data;|D data\\voice;|D movie;|F data\\*.*;|F data\\voice\\*.*;|F movie\\*.*;|E") ;;
  *) fail "split: unexpected script: $lines" ;;
esac
total=$(( $(find "$work/split" -type f ! -name 'Setup.ini' ! -name 'Setup.crc' ! -name 'Setup.dsk' ! -name autorun.inf \
  -printf '%s\n' | paste -sd+ -) ))
for n in 1 2; do
  d=$work/split/Disc$n
  crc_lists "$d" || fail "split: disc $n: Setup.crc: $(cat "$work/crc.txt")"
  want=$(printf 'SETUPDISC 1\r\n%s 2\r\n%s\r\n星雲ソフト AoHoshi 蒼き星の年代表\r\n' $n "$total")
  [ "$(iconv -f CP932 -t UTF-8 "$d/Setup.dsk")" = "$want" ] || fail "split: disc $n: Setup.dsk (total $total): $(od -c "$d/Setup.dsk" | head)"
  xorriso -indev "$work/split-$n.iso" -pvd_info 2>/dev/null | grep -q "^Volume Id *: AOHOSHI_$n$" ||
    fail "split: disc $n: not labelled AOHOSHI_$n"
done
[ "$(cd "$work/split/Disc1" && ls | paste -sd' ' -)" = "AoHoshi.exe Setup.crc Setup.dsk Setup.exe Setup.ini autorun.inf readme.txt 年表.txt" ] ||
  fail "split: disc 1 holds $(ls "$work/split/Disc1")"
[ "$(cd "$work/split/Disc2" && ls | paste -sd' ' -)" = "Setup.crc Setup.dsk data movie" ] ||
  fail "split: disc 2 holds $(ls "$work/split/Disc2")"
head -c 3000000 /dev/zero >"$work/game/data/huge.dat"
media=$media refused split-huge "game/data/huge.dat: is 3,000,000 bytes, more than one disc holds"
rm "$work/game/data/huge.dat"
"$author" --game "$work/game" --product "$top/products/sample" --setup "$disc/Setup.exe" --media dvd --disc "$work/dvd" \
  >/dev/null 2>&1 && "$author" --game "$work/game" --product "$top/products/sample" --setup "$disc/Setup.exe" \
  --disc "$work/plain" >/dev/null 2>&1 && diff -r "$work/dvd" "$work/plain" >"$work/diff.txt" ||
  fail "split: a game that fits a DVD is not the one disc it always was: $(cat "$work/diff.txt")"

[ $failures = 0 ] && echo "author_test: all passed" || echo "author_test: $failures failed"
[ $failures = 0 ]
