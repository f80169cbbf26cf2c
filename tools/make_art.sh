#!/usr/bin/env bash
# Paints a title's menu art: background, hint strips, the four buttons and the window icon.
#
#   tools/make_art.sh [options]
#     -o DIR     output folder                     (default: products/sample/art)
#     -t TITLE   logo text                         (default: 蒼き星の年代表)
#     -s TEXT    subtitle under the logo           (default: Chronicle of the Azure Star)
#     -b BRAND   brand line above the logo         (default: ミルキーソフト)
#     -m MAKER   maker in the copyright line       (default: 星雲ソフト)
#     -y YEAR    year in the copyright line        (default: 1998)
#
# For another title it names every text it takes from the sample, and warns of a text that
# does not fit where it is drawn (a long title in the GAME START hint).
# Needs Debian's ImageMagick 6 (/usr/bin/convert) and the IPA fonts (fonts-ipafont).
# The output is deterministic: the stars come from a fixed LCG, the nebula from a fixed
# plasma seed, and the BMPs are written as plain 24-bit BMP3 without metadata, so running
# the script twice gives the same bytes. The outputs are committed; a build needs no image tools.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
out="$top/products/sample/art"
title="蒼き星の年代表"
subtitle="Chronicle of the Azure Star"
brand="ミルキーソフト"
maker="星雲ソフト"
year="1998"

given=""
while getopts "o:t:s:b:m:y:h" opt; do
  case $opt in
    o) out=$OPTARG ;;
    t) title=$OPTARG ;;
    s) subtitle=$OPTARG ;;
    b) brand=$OPTARG ;;
    m) maker=$OPTARG ;;
    y) year=$OPTARG ;;
    *) sed -n '2,13p' "$0" >&2; exit 2 ;;
  esac
  given+=$opt
done
if [ "$(cd "$(dirname "$out")" 2>/dev/null && pwd)/$(basename "$out")" != "$top/products/sample/art" ] || [ -n "$given" ]; then
  for o in t:title:"the title" s:subtitle:"the subtitle" b:brand:"the brand" m:maker:"the maker" y:year:"the year"; do
    IFS=: read -r letter var what <<<"$o"
    case $given in *$letter*) ;; *) echo "make_art.sh: no -$letter given: $what is the sample's, \"${!var}\"" >&2 ;; esac
  done
fi

# Debian's ImageMagick, never a stand-in found earlier on PATH.
IM=/usr/bin/convert
[ -x "$IM" ] || IM=$(command -v convert)
"$IM" -version | grep -q ImageMagick || { echo "make_art.sh: ImageMagick convert not found" >&2; exit 1; }

find_font() {   # find_font FILE FAMILY
  local f
  for f in /usr/share/fonts/opentype/ipafont-*/"$1" /usr/share/fonts/truetype/*/"$1" /usr/share/fonts/truetype/"$1"; do
    [ -f "$f" ] && { echo "$f"; return; }
  done
  f=$(fc-match -f '%{file}' "$2" 2>/dev/null || true)
  [ -n "$f" ] && [ -f "$f" ] && { echo "$f"; return; }
  echo "make_art.sh: font $1 ($2) not found; install fonts-ipafont / fonts-dejavu-core" >&2
  exit 1
}
MINCHO=$(find_font ipam.ttf "IPAMincho")
GOTHIC=$(find_font ipag.ttf "IPAGothic")
PGOTHIC=$(find_font ipagp.ttf "IPAPGothic")
LATIN_B=$(find_font DejaVuSans-Bold.ttf "DejaVu Sans:bold")
SERIF=$(find_font DejaVuSerif.ttf "DejaVu Serif")

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

# fits WHAT ROOM FONT SIZE KERNING TEXT: warns when TEXT is wider than the ROOM pixels it has
fits() {
  local w
  w=$("$IM" -font "$3" -pointsize "$4" -kerning "$5" label:"$6" -format %w info: 2>/dev/null) || return 0
  [ "$w" -le "$2" ] ||
    echo "make_art.sh: warning: $1 \"$6\" is $w px wide where $2 px show; it is cut off (shorten it, or paint that part by hand)" >&2
}

# Writes a 24-bit, metadata-free BMP3.
bmp24() {  # bmp24 IN OUT
  "$IM" "$1" -background black -alpha remove -alpha off -strip -type truecolor \
        -define bmp:format=bmp3 -define bmp3:alpha=false "BMP3:$2"
}

W=600 H=400
STRIP_Y=370                 # bottom strip, rows 370..399
PX=316 PY=210 PW=276 PH=152 # menu panel around the button column (x 328..579, y 222..349)
BTN_X=328 BTN_W=252 BTN_H=36
SLOTS=(222 268 314)

# ---------------------------------------------------------------- sky
"$IM" -size ${W}x${STRIP_Y} gradient:'#02030f-#14285a' "$tmp/sky0.png"
# a low glow over the horizon
"$IM" -size 300x300 radial-gradient:'#3a4fa0-#000000' -resize 1200x300\! -crop ${W}x150+300+0 +repage \
      -evaluate multiply 0.6 "$tmp/glow.png"
"$IM" "$tmp/sky0.png" \( "$tmp/glow.png" \) -geometry +0+$((STRIP_Y - 150)) -compose screen -composite \
      "$tmp/sky.png"

# nebula: a seeded plasma, masked to a diagonal band, tinted blue-violet
"$IM" -seed 1998 -size ${W}x${STRIP_Y} plasma:grey50-grey50 -colorspace gray -blur 0x6 \
      -level 35%,85% "$tmp/plasma.png"
# band mask: brightest along a line from lower left to upper right
"$IM" -size ${W}x${STRIP_Y} xc:black -fx 'd=abs((j/h)-(0.95-0.8*(i/w)))*3.2; max(0,1-d)^1.5' \
      "$tmp/band.png"
"$IM" "$tmp/plasma.png" "$tmp/band.png" -compose multiply -composite -evaluate multiply 0.7 \
      \( -size ${W}x${STRIP_Y} gradient:'#6a5ad8-#3a8ae8' \) -compose multiply -composite \
      "$tmp/nebula.png"
"$IM" "$tmp/sky.png" "$tmp/nebula.png" -compose screen -composite "$tmp/sky2.png"

# stars: a fixed LCG; none inside the menu panel or right behind the logo's core
seed=20240607
rnd() { seed=$(( (seed * 1103515245 + 12345) % 2147483648 )); r=$(( seed >> 8 )); }
in_panel() { [ "$1" -ge $((PX - 6)) ] && [ "$1" -le $((PX + PW + 6)) ] && [ "$2" -ge $((PY - 6)) ] && [ "$2" -le $((PY + PH + 6)) ]; }
dots="" big="" glints=""
for ((n = 0; n < 420; n++)); do
  rnd; x=$(( r % W )); rnd; y=$(( r % (STRIP_Y - 4) ))
  rnd; b=$(( 70 + r % 150 ))
  in_panel "$x" "$y" && continue
  rnd; kind=$(( r % 100 ))
  if [ $kind -lt 88 ]; then
    dots+="fill rgb($b,$b,$((b < 200 ? b + 40 : 255))) point $x,$y "
  elif [ $kind -lt 98 ]; then
    big+="fill rgb($((b + 30 > 255 ? 255 : b + 30)),$((b + 30 > 255 ? 255 : b + 30)),255) circle $x,$y $((x + 1)),$y "
  else
    glints+="$x,$y "
  fi
done
"$IM" "$tmp/sky2.png" -draw "$dots" -draw "$big" "$tmp/stars.png"
# a few bright stars with a soft halo and a cross glint
args=()
for p in $glints 70,60 520,40 265,150 560,165 480,300; do
  x=${p%,*} y=${p#*,}
  in_panel "$x" "$y" && continue
  [ "$x" -lt 200 ] && [ "$y" -gt 320 ] && continue                              # the copyright line
  [ "$x" -gt 100 ] && [ "$x" -lt 500 ] && [ "$y" -gt 15 ] && [ "$y" -lt 145 ] && continue  # the logo
  args+=( \( -size 41x41 radial-gradient:'#9ab8ff-#000000' -evaluate multiply 0.6
             -fill white -draw "line 20,8 20,32 line 8,20 32,20" -blur 0x0.7
             -fill white -draw "circle 20,20 21,21" \)
          -geometry +$((x - 20))+$((y - 20)) -compose screen -composite )
done
"$IM" "$tmp/stars.png" "${args[@]}" "$tmp/stars2.png"

# the azure star: a large glowing orb low on the left
"$IM" -size 320x320 radial-gradient:'#ffffff-#000000' -fx 'u^3' \
      \( +clone -fill '#3c8cff' -colorize 100 \) +swap -compose multiply -composite "$tmp/halo.png"
"$IM" -size 320x320 xc:black -fill '#bfe0ff' -draw "circle 160,160 160,142" -blur 0x4 \
      -fill white -draw "circle 160,160 160,150" -blur 0x1.2 \
      -fill '#cfe6ff' -draw "polygon 160,70 162.5,157 160,250 157.5,157  polygon 60,160 157,157.5 260,160 157,162.5" \
      -blur 0x1 "$tmp/core.png"
"$IM" "$tmp/stars2.png" \
      \( "$tmp/halo.png" \) -geometry +$((150 - 160))+$((232 - 160)) -compose screen -composite \
      \( "$tmp/core.png" \) -geometry +$((150 - 160))+$((232 - 160)) -compose screen -composite \
      "$tmp/scene.png"

# ---------------------------------------------------------------- logo
# glow under the title, then the title in Mincho with a thin dark edge; a long title gets smaller
chars=$(printf %s "$title" | LC_ALL=C.UTF-8 wc -m)
tp=54
[ "$chars" -gt 10 ] && tp=$(( 540 / chars ))
fits "the title" $((W - 8)) "$MINCHO" "$tp" 0 "$title"
fits "the brand line" $((W - 8)) "$PGOTHIC" 13 0 "$brand presents"
fits "the subtitle" $((W - 8)) "$SERIF" 14 2 "— $subtitle —"
fits "the copyright line" $((PX - 12 - 12)) "$PGOTHIC" 11 0 "© $year $maker / $brand"
"$IM" -size ${W}x140 xc:black -font "$MINCHO" -pointsize "$tp" -fill '#4a8cff' -gravity north \
      -annotate +0+46 "$title" -blur 0x8 -evaluate multiply 1.6 "$tmp/logoglow.png"
"$IM" "$tmp/scene.png" \( "$tmp/logoglow.png" \) -geometry +0+0 -compose screen -composite \
      -gravity north -font "$MINCHO" -pointsize "$tp" \
      -stroke '#0a1640' -strokewidth 3 -fill '#0a1640' -annotate +0+46 "$title" \
      -stroke none -fill '#eaf3ff' -annotate +0+46 "$title" \
      -font "$PGOTHIC" -pointsize 13 -fill '#9fb6e8' -annotate +0+24 "$brand presents" \
      -font "$SERIF" -pointsize 14 -fill '#b9cdf5' -kerning 2 -annotate +0+112 "— $subtitle —" \
      -fill '#6f8fd8' -draw "line 150,134 450,134" \
      "$tmp/logo.png"

# ---------------------------------------------------------------- menu panel and copyright
# The panel is opaque and varies only from left to right, so every button slot shows the same
# pixels: any button fits any slot.
"$IM" -size ${PH}x${PW} gradient:'#0d1a40-#07102a' -rotate 270 "$tmp/panelfill.png"   # left #0d1a40 -> right #07102a
"$IM" -size ${PW}x${PH} xc:black -fill white -draw "roundrectangle 0,0 $((PW - 1)),$((PH - 1)) 8,8" "$tmp/panelmask.png"
"$IM" "$tmp/panelfill.png" \
      -fill none -stroke '#3f5fa8' -strokewidth 1 -draw "roundrectangle 0.5,0.5 $((PW - 1)).5,$((PH - 1)).5 8,8" \
      -stroke '#1b2c60' -draw "roundrectangle 3.5,3.5 $((PW - 4)).5,$((PH - 4)).5 6,6" \
      "$tmp/panelmask.png" -alpha off -compose copy_opacity -composite "$tmp/panel.png"
"$IM" "$tmp/logo.png" \
      \( -size $((PW + 24))x$((PH + 24)) xc:none -fill 'rgba(0,0,0,0.55)' \
         -draw "roundrectangle 12,12 $((PW + 11)),$((PH + 11)) 10,10" -blur 0x6 \) \
      -gravity northwest -geometry +$((PX - 12 + 3))+$((PY - 12 + 4)) -compose over -composite \
      "$tmp/panel.png" -geometry +$PX+$PY -compose over -composite \
      -font "$PGOTHIC" -pointsize 11 -fill '#7f93c4' -annotate +12+350 "© $year $maker / $brand" \
      "$tmp/scene2.png"

# ---------------------------------------------------------------- bottom strip
strip_draw() {  # the framed strip, drawn onto a 600x30 image
  "$IM" -size ${W}x30 xc:'#0a0e22' \
        -fill none -stroke '#6a86cc' -strokewidth 1 -draw "rectangle 0,0 $((W - 1)),29" \
        -stroke '#26346a' -draw "rectangle 1,1 $((W - 2)),28" \
        "$1"
}
strip_draw "$tmp/strip.png"
"$IM" "$tmp/scene2.png" -crop ${W}x${STRIP_Y}+0+0 +repage -background black -extent ${W}x${H} \
      "$tmp/strip.png" -gravity northwest -geometry +0+$STRIP_Y -compose copy -composite \
      "$tmp/background.png"
bmp24 "$tmp/background.png" "$out/background.bmp"

# ---------------------------------------------------------------- hints
hint() {  # hint BUTTON TEXT OUT
  fits "the $1 hint" $((W - 14 - 4)) "$PGOTHIC" 15 0 "$2"
  "$IM" "$tmp/strip.png" -font "$PGOTHIC" -pointsize 15 -fill '#e6eeff' -gravity west \
        -annotate +14+0 "$2" "$3"
}
hint INSTALL "ゲームに必要なファイルを全てハードディスクにインストールします。" "$tmp/h0.png"
hint "GAME START" "「${title}」をスタートします。" "$tmp/h1.png"
hint UNINSTALL "一部を除き、ゲームに必要なファイルを全てハードディスクから削除します。" "$tmp/h2.png"
hint EXIT "Windowsに戻ります。" "$tmp/h3.png"
# progress fill: a pink gradient from left to right, the same on every row
"$IM" -size 30x${W} gradient:'#ff4f9a-#ffd0e6' -rotate 270 "$tmp/h4.png"
"$IM" "$tmp/h0.png" "$tmp/h1.png" "$tmp/h2.png" "$tmp/h3.png" "$tmp/h4.png" -append "$tmp/hints.png"
bmp24 "$tmp/hints.png" "$out/hints.bmp"

# ---------------------------------------------------------------- buttons
# Each band starts from the background under the first slot (the panel is the same under all
# slots) and draws a plate on it: normal, highlighted (4 px to the left, brighter), yellow label.
"$IM" "$tmp/background.png" -crop "${BTN_W}x${BTN_H}+$BTN_X+${SLOTS[0]}" +repage "$tmp/btnbg.png"

plate() {  # plate X TOP BOTTOM BORDER OUT : a 252x36 overlay with the plate at x X..X+227
  local x=$1 pw=228
  "$IM" -size ${pw}x26 gradient:"$2-$3" "$tmp/pg.png"
  "$IM" -size ${pw}x26 xc:black -fill white -draw "roundrectangle 0,0 $((pw - 1)),25 5,5" "$tmp/pm.png"
  "$IM" "$tmp/pg.png" \
        -fill none -stroke "$4" -strokewidth 1 -draw "roundrectangle 0.5,0.5 $((pw - 1)).5,25.5 5,5" \
        -stroke 'rgba(255,255,255,0.18)' -draw "line 6,2 $((pw - 7)),2" \
        "$tmp/pm.png" -alpha off -compose copy_opacity -composite "$tmp/pp.png"
  "$IM" -size ${BTN_W}x${BTN_H} xc:none \
        \( -size $((pw + 8))x34 xc:none -fill 'rgba(0,0,0,0.6)' -draw "roundrectangle 4,4 $((pw + 3)),29 6,6" -blur 0x2 \) \
        -geometry +$((x - 2))+3 -compose over -composite \
        "$tmp/pp.png" -geometry "+$x+5" -compose over -composite "$5"
}
plate 12 '#22386e' '#101f48' '#4f6fb4' "$tmp/p_norm.png"
plate  8 '#4a78d8' '#1d3c8e' '#c8dcff' "$tmp/p_hi.png"

button() {  # button LABEL OUT
  local label=$1
  # normal
  "$IM" "$tmp/btnbg.png" "$tmp/p_norm.png" -compose over -composite \
        -font "$LATIN_B" -pointsize 15 -kerning 3 -gravity center \
        -fill '#050a1e' -annotate +1+2 "$label" -fill '#b4c6ee' -annotate +0+1 "$label" "$tmp/b0.png"
  # highlighted: 4 px to the left, brighter plate, white label with a glow and a star mark
  "$IM" "$tmp/btnbg.png" "$tmp/p_hi.png" -compose over -composite \
        \( -size ${BTN_W}x${BTN_H} xc:none -font "$LATIN_B" -pointsize 15 -kerning 3 -gravity center \
           -fill '#9fd0ff' -annotate -4+1 "$label" -blur 0x2.5 \) -compose screen -composite \
        -font "$LATIN_B" -pointsize 15 -kerning 3 -gravity center \
        -fill '#0a1a4a' -annotate -3+2 "$label" -fill white -annotate -4+1 "$label" \
        -gravity west -font "$GOTHIC" -pointsize 12 -fill '#fff2a0' -annotate +18+1 "★" "$tmp/b1.png"
  # third look: the normal plate with a yellow label
  "$IM" "$tmp/btnbg.png" "$tmp/p_norm.png" -compose over -composite \
        -font "$LATIN_B" -pointsize 15 -kerning 3 -gravity center \
        -fill '#050a1e' -annotate +1+2 "$label" -fill '#ffd83a' -annotate +0+1 "$label" "$tmp/b2.png"
  "$IM" "$tmp/b0.png" "$tmp/b1.png" "$tmp/b2.png" -append "$tmp/btn.png"
  bmp24 "$tmp/btn.png" "$2"
}
button "INSTALL"    "$out/btn_install.bmp"
button "UNINSTALL"  "$out/btn_uninstall.bmp"
button "GAME START" "$out/btn_start.bmp"
button "EXIT"       "$out/btn_exit.bmp"

# ---------------------------------------------------------------- icon
star_icon() {  # star_icon SIZE OUT : a five-pointed azure star on transparency
  local s=$1 pts="" i
  # points of a star with outer radius 0.48*s and inner radius 0.2*s, precomputed for a unit circle
  local ox=(0 0.9511 0.5878 -0.5878 -0.9511) oy=(-1 -0.3090 0.8090 0.8090 -0.3090)
  local ix=(0.5878 0.9511 0 -0.9511 -0.5878) iy=(-0.8090 0.3090 1 0.3090 -0.8090)
  for i in 0 1 2 3 4; do
    pts+=$(awk -v s="$s" -v ox="${ox[$i]}" -v oy="${oy[$i]}" -v ix="${ix[$i]}" -v iy="${iy[$i]}" \
      'BEGIN{c=s/2; c2=s/2+s*0.04; R=s*0.48; r=s*0.2;
             printf "%.2f,%.2f %.2f,%.2f ", c+R*ox, c2+R*oy, c+r*ix, c2+r*iy}')
  done
  "$IM" -size "${s}x${s}" xc:none -fill '#2a6ee8' -stroke '#0a1f5c' -strokewidth $((s >= 32 ? 2 : 1)) \
        -draw "polygon $pts" \
        -stroke none -fill '#bfe0ff' -draw "circle $((s / 2)),$((s / 2 + s / 25)) $((s / 2)),$((s / 2 + s / 25 + s / 7))" \
        -fill white -draw "circle $((s / 2)),$((s / 2 + s / 25)) $((s / 2)),$((s / 2 + s / 25 + s / 16))" \
        "$2"
}
star_icon 32 "$tmp/i32.png"
star_icon 16 "$tmp/i16.png"
"$IM" "$tmp/i16.png" "$tmp/i32.png" -strip "ICO:$out/setup.ico"

echo "art written to $out:"
for f in "$out"/background.bmp "$out"/hints.bmp "$out"/btn_*.bmp "$out"/setup.ico; do
  echo "  ${f##*/} ($(wc -c < "$f") bytes)"
done
