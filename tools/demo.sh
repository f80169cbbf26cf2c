#!/usr/bin/env bash
# tools/demo.sh: the whole life cycle of a disc, step by step, with a screenshot of every step.
#
#   menu from D:\Setup.exe -> INSTALL -> options dialog -> folder question -> install run ->
#   report -> installed menu (and the readme) -> GAME START -> the game -> menu again ->
#   UNINSTALL -> uninstall options -> start report -> end report -> nothing left behind
#   (then, for the sample where its Setup.exe knows discs by their Setup.dsk: the sample split
#   onto two discs by tools/author, installed from disc 1 with disc 2 swapped into D: when the
#   run asks, and uninstalled quietly)
#
# It runs under tools/wine-env.sh with its own prefix (WINE_ROOT, default build/demo-wine) on
# the disc DEMO_DISC (default build/disc, as `./run build` leaves it). Screenshots and an index
# page go to DEMO_OUT (default build/demo/index.html). With WINE_VISIBLE=1 and a DISPLAY the run
# is visible; DEMO_PAUSE=SECONDS waits that long after every step, so that a person can follow
# (or take over: the demo only waits for windows, so doing a step by hand is fine too).
# Every step is bounded by a time-out; a failed step is named, the index is still written, and
# the exit code is 1.
# Setup.exe runs under the caller's own locale (LC_ALL, else LANG), so it speaks the language
# this system would get: Japanese on a Japanese one, English on any other where the disc has
# the title's English strings. The menu started again for the uninstall shows the other
# language once (/LANG=), and the uninstall goes on in it.
#
# Which Setup.exe runs, and how, is said first. A disc's 32-bit Setup.exe runs under wine in a
# 32-bit prefix where this machine runs 32-bit x86 code; where it runs none, under WoW64 in a
# 64-bit prefix through the user-mode emulator qemu-i386 (tools/x86-32.sh), with every wait
# stretched, since each process start then takes about a minute. A disc with an x86-64 build
# (`./run demo` makes one of the sample where 32-bit code cannot run) runs under wine64.
#
#   tools/demo.sh --installed    (under tools/wine-env.sh, after an install) finds the install
#                                folder through the product's settings file and compares it
#                                with the disc on D:, file by file
set -uo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
out=${DEMO_OUT:-$top/build/demo}
disc=${DEMO_DISC:-$top/build/disc}
. "$top/tools/x86-32.sh"

# The install, wherever its root: the settings file under Common Files names it (InstallFold,
# code page 932). Sets settings, install_dir (a Unix path) and game_exe (ExeName).
find_install() {
  local f fold letter
  settings="" install_dir="" game_exe=""
  while IFS= read -r -d '' f; do
    fold=$(iconv -f CP932 -t UTF-8 "$f" 2>/dev/null | tr -d '\r' | sed -n 's/^InstallFold=//p' | head -1)
    case $fold in [A-Za-z]:\\*) ;; *) continue ;; esac
    letter=$(printf %s "${fold:0:1}" | tr 'A-Z' 'a-z')
    settings=$f
    install_dir=$(readlink -f "$WINEPREFIX/dosdevices/$letter:")$(printf %s "${fold:2}" | tr '\\' /)
    game_exe=$(iconv -f CP932 -t UTF-8 "$f" 2>/dev/null | tr -d '\r' | sed -n 's/^ExeName=//p' | head -1)
  done < <(find "$WINEPREFIX/drive_c" -path '*/Common Files/*' -name '*.ini' -print0 2>/dev/null)
  [ -n "$settings" ] || { echo "no settings file with an InstallFold under Common Files" >&2; return 1; }
  [ -f "$install_dir/Setup.dat" ] || { echo "no Setup.dat in $install_dir, the InstallFold of $settings" >&2; return 1; }
}

# The install folder holds what the disc holds, byte for byte: all but Setup.ini, its list
# Setup.crc, Setup.dsk and autorun.inf, and nothing else but the uninstall log. Prints every
# difference.
compare_install() {  # compare_install DISC INSTALL
  local list_disc list_install rel bad=0
  list_disc=$(cd "$1" && find . -type f ! -ipath ./setup.ini ! -ipath ./setup.crc ! -ipath ./setup.dsk ! -ipath ./autorun.inf | sort)
  list_install=$(cd "$2" && find . -type f ! -ipath ./setup.dat | sort)
  while IFS= read -r rel; do
    [ -n "$rel" ] && { echo "not installed: ${rel#./}"; bad=1; }
  done < <(comm -23 <(echo "$list_disc") <(echo "$list_install"))
  while IFS= read -r rel; do
    [ -n "$rel" ] && { echo "installed but not on the disc: ${rel#./}"; bad=1; }
  done < <(comm -13 <(echo "$list_disc") <(echo "$list_install"))
  while IFS= read -r rel; do
    [ -n "$rel" ] && ! cmp -s "$1/$rel" "$2/$rel" && { echo "differs from the disc: ${rel#./}"; bad=1; }
  done < <(comm -12 <(echo "$list_disc") <(echo "$list_install"))
  [ $bad = 0 ]
}

if [ "${1:-}" = --installed ]; then
  find_install || exit 1
  echo "installed in $install_dir ($(cd "$install_dir" && find . -type f | wc -l) files)"
  compare_install "$WINE_CDROM" "$install_dir"
  exit $?
fi

if [ "${1:-}" != --inside ]; then
  for tool in xdotool import file i686-w64-mingw32-g++-win32 x86_64-w64-mingw32-g++-win32; do
    command -v $tool >/dev/null || { echo "demo: $tool is missing (./run deps installs it)" >&2; exit 1; }
  done
  [ -f "$disc/Setup.exe" ] || { echo "demo: no disc in $disc (run ./run build first)" >&2; exit 1; }
  bits=$(pe_bits "$disc/Setup.exe")
  [ -n "$bits" ] || { echo "demo: $disc/Setup.exe is not a Windows program" >&2; exit 1; }
  support32=$(x86_32_support)
  runner=() scale=1 arch=win64
  case $bits/$support32 in
    32/native)
      arch=win32
      echo "demo: runs $disc/Setup.exe, the 32-bit file as shipped, under wine in a 32-bit prefix" ;;
    32/emulator | 32/emulated)
      [ "$support32" = emulated ] || runner=(with_emulator)
      scale=12
      echo "demo: runs $disc/Setup.exe, the 32-bit file as shipped, under WoW64 in a 64-bit prefix"
      echo "demo: through the emulator qemu-i386, since $(x86_32_why):" \
           "about a minute for every process start, 10 to 15 minutes in all" ;;
    32/none)
      echo "demo: $disc/Setup.exe is a 32-bit program, and this machine runs no 32-bit x86 code and" \
           "has no emulator for it (qemu-user-static, which ./run deps installs)${X86_32_SUPPORT:+ (X86_32_SUPPORT=$X86_32_SUPPORT)}" >&2
      exit 1 ;;
    64/native)
      echo "demo: runs $disc/Setup.exe, an x86-64 build, under wine64 in a 64-bit prefix" ;;
    64/*)
      echo "demo: runs $disc/Setup.exe, the x86-64 build of the same sources, under wine64 in a" \
           "64-bit prefix, since $(x86_32_why)" ;;
  esac
  # the driver has the prefix's own width, so that it never goes through the emulator
  if [ $arch = win32 ]; then gxx=i686-w64-mingw32-g++-win32; else gxx=x86_64-w64-mingw32-g++-win32; fi
  driver_exe=$top/build/demo-driver/$arch/demo_driver.exe
  mkdir -p "$(dirname "$driver_exe")"
  if [ ! -f "$driver_exe" ] || [ "$top/tools/demo_driver.cpp" -nt "$driver_exe" ]; then
    echo "demo: building the window driver"
    $gxx -municode -static -O2 -o "$driver_exe" "$top/tools/demo_driver.cpp" ||
      { echo "demo: the window driver does not build" >&2; exit 1; }
  fi
  rm -rf "$out"
  mkdir -p "$out"
  # the language the system would pick; wine-env.sh sets a Japanese locale for everything else
  locale=${LC_ALL:-${LANG:-C.UTF-8}}
  case $locale in
    ja*) lang=ja ;;
    *) lang=en
       # a disc without the title's English strings stays Japanese everywhere
       i686-w64-mingw32-windres -i "$disc/Setup.exe" -O rc 2>/dev/null |
         awk '/Type: stringtable/ {t = 1} /Name: 1\.  \*\// && t {n = 1} /^LANGUAGE/ {if (n && $2 == "9,") e = 1; t = n = 0}
              END {exit !e}' || lang=ja ;;
  esac
  echo "demo: Setup.exe runs under the locale $locale and speaks $( [ $lang = ja ] && echo Japanese || echo English)"
  "${runner[@]}" env WINEARCH=$arch DEMO_DRIVER="$driver_exe" DEMO_SCALE=$scale DEMO_LOCALE="$locale" DEMO_LANG=$lang \
    WINE_ROOT="${WINE_ROOT:-$top/build/demo-wine}" WINE_DISC="$disc" WINE_ENV_QUIET=1 \
    timeout $((900 * scale)) "$top/tools/wine-env.sh" "$0" --inside
  rc=$?
  if [ ! -s "$out/index.html" ]; then
    printf '<!doctype html><meta charset="utf-8"><title>Setup demo</title><p>The demo did not get to its first step (exit code %s); see the terminal output.</p>\n' "$rc" >"$out/index.html"
  fi
  echo "demo: $out/index.html"
  exit $rc
fi

# ---- inside the Wine environment --------------------------------------------------------------
# Setup.exe under the caller's locale (the processes it starts inherit it)
setup() { LC_ALL=${DEMO_LOCALE:-ja_JP.UTF-8} LANG=${DEMO_LOCALE:-ja_JP.UTF-8} wine "$@"; }
# the captions and texts waited for, in the language shown (set_language ja|en)
set_language() {
  if [ "$1" = ja ]; then
    t_options='インストール方法の設定' t_folder='フォルダ作成の確認' t_report='報告'
    t_installed='インストールが正常に終了しました' t_uoptions='アンインストール方法の設定'
    t_ustart='アンインストールを開始します' t_udone='アンインストールが終了しました' t_delete='全て削除する'
    t_disc='ディスク指定'
  else
    t_options='Installation Settings' t_folder='Create Folder' t_report='Information'
    t_installed='The installation is complete.' t_uoptions='Uninstall Settings'
    t_ustart='The uninstallation starts now.' t_udone='The uninstallation is complete.' t_delete='Delete them too'
    t_disc='Select Disc'
  fi
}
set_language "${DEMO_LANG:-ja}"
steps=$out/steps.txt
: >"$steps"
n=0
failed=""
pause=${DEMO_PAUSE:-0}
c_drive=$WINEPREFIX/drive_c

say() { printf '[demo %s] %s\n' "$(date +%H:%M:%S)" "$*"; }
driver_exe=$DEMO_DRIVER
scale=${DEMO_SCALE:-1}
driver() { timeout $((90 * scale)) wine "$driver_exe" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
# gone CLASS|@HWND TITLE|- MS: waits for a window to go, the wait stretched as every other
gone() { driver gone "$1" "$2" $(($3 * scale)) >/dev/null; }
# how long the last drawing takes to reach the screen
settle=0.4
[ "$scale" = 1 ] || settle=3

shot() {  # shot NAME TITLE DESCRIPTION [failed]
  n=$((n + 1))
  local file
  file=$(printf '%02d-%s.png' "$n" "$1")
  sleep $settle
  timeout 20 import -window root "$out/$file" 2>/dev/null || file=""
  printf '%s\t%s\t%s\t%s\n' "${4:-ok}" "$file" "$2" "$3" >>"$steps"
  [ "$pause" = 0 ] || sleep "$pause"
}

fail() {  # fail NAME WHAT
  failed=$2
  say "FAILED: $2"
  driver list | sed 's/^/  window: /'
  shot "$1" "Failed: $2" "The step did not finish in time. Windows on screen: $(driver list | cut -d' ' -f5- | paste -sd';' -)" failed
  exit 1
}

write_index() {
  local rc=$?
  {
    printf '<!doctype html>\n<html lang="en"><head><meta charset="utf-8"><title>Setup.exe: the life cycle</title>\n'
    printf '<style>body{font-family:sans-serif;max-width:1100px;margin:2em auto}figure{margin:2em 0}'
    printf 'img{max-width:100%%;border:1px solid #888}.failed{color:#b00}</style></head><body>\n'
    printf '<h1>Setup.exe: install, play and uninstall</h1>\n'
    printf '<p>Disc: <code>%s</code>, run %s on a 1024&times;768 Wine desktop.</p>\n' "$disc" "$(date -u '+%Y-%m-%d %H:%M UTC')"
    if [ -n "$failed" ]; then
      printf '<p class="failed"><b>The demo stopped: %s.</b></p>\n' "$failed"
    else
      printf '<p>Every step passed.</p>\n'
    fi
    local i=0 status file title text
    while IFS=$'\t' read -r status file title text; do
      i=$((i + 1))
      printf '<figure><figcaption><h2 class="%s">%d. %s</h2><p>%s</p></figcaption>\n' "$status" "$i" "$title" "$text"
      [ -z "$file" ] || printf '<img src="%s" alt="%s"></figure>\n' "$file" "$title"
    done <"$steps"
    printf '</body></html>\n'
  } >"$out/index.html"
  exit $rc
}
trap write_index EXIT

wait_window() {  # wait_window CLASS TITLE SECONDS [TEXT] -> "hwnd x y w h" in $win
  win=$(driver wait "$1" "$2" $(($3 * 1000 * scale)) "${4:-}") && [ -n "$win" ]
}
hwnd() { echo "@${win%% *}"; }
# answer WINDOW ID: press a button; a window someone already answered by hand counts too
answer() { driver press "$1" - "$2" >/dev/null || gone "$1" - 1000; }
menu_point() {  # menu_point DX DY: a point of the menu window in screen coordinates
  local x y
  read -r _ x y _ <<<"$menu"
  echo $((x + $1)) $((y + $2))
}
# Wine's desktop is an X window: at (0, 0) on Xvfb, wherever the window manager put it on a
# real display. Desktop points are offset by its position.
desk_x=0 desk_y=0
find_desktop() {
  local wid X=0 Y=0
  wid=$(timeout 5 xdotool search --classname 'explorer.exe' 2>/dev/null | head -1)
  [ -n "$wid" ] && eval "$(timeout 5 xdotool getwindowgeometry --shell "$wid" 2>/dev/null | grep -E '^[XY]=')"
  desk_x=${X:-0} desk_y=${Y:-0}
}
hover() {
  local x y
  read -r x y <<<"$(menu_point "$1" "$2")"
  timeout 10 xdotool mousemove $((x + desk_x)) $((y + desk_y))
  sleep $settle
}
click() { hover "$1" "$2"; timeout 10 xdotool click 1; }
menu_class=Setup_ClassName

links() { find "$c_drive" -name '*.lnk' 2>/dev/null | sort; }
links_before=$(links)

# 1. The menu from the disc
say "starting D:\\Setup.exe, the menu of the disc"
(cd "$WINE_CDROM" && setup 'D:\Setup.exe' >/dev/null 2>&1 &)
wait_window $menu_class '*' 30 || fail menu "the menu window did not open within 30 s"
menu=$win
find_desktop
say "Wine's desktop is at ($desk_x, $desk_y) on the display"
shot menu "The menu on the disc" "D:\\Setup.exe started with no argument: the 600&times;400 window, centred at ($(read -r _ x y _ <<<"$menu"; echo "$x, $y")), offers INSTALL and EXIT while the game is not installed."

say "moving the mouse over INSTALL"
hover 454 240
shot hover-install "The hint for INSTALL" "With the mouse over INSTALL the button lights up and the strip at the bottom explains it."

# 2. INSTALL and its dialogs
say "clicking INSTALL"
click 454 240
wait_window '#32770' "$t_options" 20 || fail options "the install-options dialog did not open within 20 s"
options=$(hwnd)
shot install-options "The install options" "INSTALL opens the install-options dialog: the install root (the product's default root), a desktop shortcut and opening the readme afterwards."

say "accepting the options (OK)"
answer "$options" 1 || fail options-ok "the install-options dialog could not be answered"
if wait_window '#32770' "$t_folder" 20; then
  question=$(hwnd)
  shot create-folder "The folder question" "The install folder does not exist yet: the preparation asks before it creates it. Answer: Yes."
  answer "$question" 6 || fail create-folder-yes "the folder question could not be answered"
else
  fail create-folder "the folder question did not come within 20 s"
fi

# 3. The install run
say "waiting for the install run and its report"
if wait_window '#32770' "$t_report" 60 "$t_installed"; then
  report=$(hwnd)
  shot install-done "The install run" "The copy started with \"Install\" copied the game with the progress bar along the bottom of its window, made the shortcuts and reports success."
  answer "$report" 1 || fail install-done-ok "the install report could not be answered"
else
  fail install-run "no install report within 60 s"
fi

links_installed=$(comm -13 <(echo "$links_before") <(links) | wc -l)
find_install 2>"$WINE_ROOT/find_install.txt" || fail installed-files "$(cat "$WINE_ROOT/find_install.txt")"
differences=$(compare_install "$WINE_CDROM" "$install_dir") ||
  fail installed-files "the install folder differs from the disc: $(echo "$differences" | head -5 | paste -sd';' -)"
say "installed into $install_dir, as on the disc ($(cd "$install_dir" && find . -type f | wc -l) files, $links_installed shortcuts)"

# 4. The installed menu and the readme
say "waiting for the installed menu and the readme"
gone '#32770' "$t_report" 10000 || true
sleep 1
wait_window $menu_class '*' 30 || fail installed-menu "the installed menu did not start within 30 s"
menu=$win
readme=""
if wait_window Notepad '*' 15; then readme=$(hwnd); fi
shot installed-menu "The installed menu and the readme" "The install run restarted Setup.exe from the install folder: it now offers UNINSTALL, GAME START and EXIT. $( [ -n "$readme" ] && echo 'The readme is open in Notepad.' || echo 'No readme window came up.')"
[ -z "$readme" ] || { driver close "$readme" - >/dev/null; gone "$readme" - 10000; }
sleep 0.5

say "moving the mouse over GAME START"
hover 454 286
shot hover-start "The hint for GAME START" "Over GAME START the strip names the game."

# 5. GAME START
say "clicking GAME START"
click 454 286
# the sample game has a window class of its own; another game's first window is whatever
# opens once the menu has gone
game_class=$(LC_ALL=C grep -ao '[A-Za-z0-9_]*_Game' "$install_dir/$game_exe" 2>/dev/null | head -1)
if [ -n "$game_class" ]; then
  wait_window "$game_class" '*' 20 || fail game "the game window did not open within 20 s"
  game=$(hwnd)
  gone "@${menu%% *}" - 10000 || fail game-menu "the menu did not close after GAME START"
else
  gone "@${menu%% *}" - 20000 || fail game-menu "the menu did not close after GAME START"
  wait_window '*' '*' 20 || fail game "no window of $game_exe opened within 20 s"
  game=$(hwnd)
fi
shot game "The game" "GAME START ran the installed game executable ($game_exe) and the menu closed."
driver close "$game" - >/dev/null
gone "$game" - 10000 || fail game-close "the game did not close"

# 6. UNINSTALL from the installed menu, in the other language
other=en
[ "${DEMO_LANG:-ja}" = ja ] || other=ja
set_language $other
say "starting the installed Setup.exe again, with /LANG=$other"
(cd "$install_dir" && setup Setup.exe /LANG=$other >/dev/null 2>&1 &)
wait_window $menu_class '*' 30 || fail menu-again "the installed menu did not open within 30 s"
menu=$win
hover 454 240
shot hover-uninstall "The menu again, over UNINSTALL" "The installed Setup.exe, started with /LANG=$other, speaks $( [ $other = ja ] && echo Japanese || echo English) from now on; over UNINSTALL the strip explains what goes."

say "clicking UNINSTALL"
click 454 240
wait_window '#32770' "$t_uoptions" 20 || fail uninstall-options "the uninstall-options dialog did not open within 20 s"
uoptions=$(hwnd)
driver check "$uoptions" - 1011 1 >/dev/null || true
shot uninstall-options "The uninstall options" "UNINSTALL asks whether the save data goes too; the demo ticks $t_delete and starts."
answer "$uoptions" 1 || fail uninstall-start "the uninstall-options dialog could not be answered"

# 7. The uninstall run
if wait_window '#32770' "$t_report" 30 "$t_ustart"; then
  box=$(hwnd)
  shot uninstall-start "The uninstall run starts" "The staged uninstaller (a copy outside the install folder) was started with \"Uninstall\" and announces its work."
  answer "$box" 1 || fail uninstall-start-ok "the start report could not be answered"
else
  fail uninstall-run "the uninstall run did not announce itself within 30 s"
fi
if wait_window '#32770' "$t_report" 60 "$t_udone"; then
  box=$(hwnd)
  shot uninstall-done "The uninstall run ends" "The logged files and folders, the shortcuts and the settings file are gone."
  answer "$box" 1 || fail uninstall-done-ok "the end report could not be answered"
else
  fail uninstall-done "no end report within 60 s"
fi

# 8. Nothing left behind
gone $menu_class '*' 15000 || true
left=""
[ ! -e "$install_dir" ] || left="$left the install folder;"
[ ! -e "$settings" ] || left="$left the settings file;"
[ "$(links)" = "$links_before" ] || left="$left shortcuts;"
if [ -n "$left" ]; then
  fail left-behind "after the uninstall these remain:$left"
fi
shot clean "Nothing left behind" "The install folder, its parent, the Start-menu shortcuts and the settings file are gone; the staged uninstaller is scheduled for removal at the next restart."

# 9. The sample on two discs, where the disc's Setup.exe knows discs by their Setup.dsk: the
#    kit splits the game with a medium a little larger than disc 1's own files, disc 1 goes
#    into D: (E: stays empty), and when the install asks for disc 2 the demo swaps it in.
if { [ "$disc" = "$top/build/disc" ] || [ "$disc" = "$top/build/disc64" ]; } &&
   LC_ALL=C grep -aq 'Setup\.dsk' "$WINE_CDROM/Setup.exe"; then
  two=$WINE_ROOT/two-discs
  rm -rf "$two" && mkdir -p "$two/game"
  cp -a "$WINE_CDROM"/. "$two/game"/
  rm -f "$two/game/Setup.exe" "$two/game/Setup.ini" "$two/game/Setup.crc" "$two/game/autorun.inf"
  { cmake -S "$top/tools/author" -B "$top/build/author" && cmake --build "$top/build/author" &&
    "$top/build/author/author" --game "$two/game" --product "$top/products/sample" --setup "$WINE_CDROM/Setup.exe" \
      --media $(( $(stat -c %s "$WINE_CDROM/Setup.exe") + 550000 )) --disc "$two/discs"; } >"$two/author.log" 2>&1 ||
    fail two-discs "tools/author did not split the sample: $(tail -3 "$two/author.log" | paste -sd';' -)"
  load_disc() { find "$WINE_CDROM" "$WINE_CDROM2" -mindepth 1 -delete && cp -a "$two/discs/Disc$1"/. "$WINE_CDROM"/; }
  load_disc 1 || fail two-discs "disc 1 could not be put into D:"
  set_language "${DEMO_LANG:-ja}"
  say "the sample on two discs: installing from disc 1 in D:"
  (cd "$WINE_CDROM" && setup 'D:\Setup.exe' >/dev/null 2>&1 &)
  wait_window $menu_class '*' 30 || fail two-discs-menu "the menu of disc 1 did not open within 30 s"
  menu=$win
  click 454 240
  wait_window '#32770' "$t_options" 20 || fail two-discs-options "the install-options dialog did not open within 20 s"
  answer "$(hwnd)" 1 || fail two-discs-options "the install-options dialog could not be answered"
  if wait_window '#32770' "$t_folder" 20; then answer "$(hwnd)" 6 || true; fi
  # the disc dialog again, its prompt naming disc 2
  wait_window '#32770' "$t_disc" 120 || fail disc-prompt "the install did not ask for disc 2 within 120 s"
  prompt=$(hwnd)
  shot disc-prompt "The install asks for disc 2" "Disc 1 is copied; no drive and no folder beside it holds disc 2, so the run asks for it. The demo now puts disc 2 into D: and answers OK."
  load_disc 2 || fail disc-swap "disc 2 could not be put into D:"
  answer "$prompt" 1 || fail disc-swap "the disc prompt could not be answered"
  wait_window '#32770' "$t_report" 120 "$t_installed" ||
    fail two-discs-done "no install report within 120 s after disc 2 went in"
  shot two-discs-done "Both discs installed" "The files of disc 2 were copied after the swap; the progress bar ran over both discs."
  answer "$(hwnd)" 1 || true
  gone '#32770' "$t_report" 10000 || true
  sleep 1
  for cls in $menu_class Notepad; do
    if wait_window $cls '*' 15; then driver close "$(hwnd)" - >/dev/null; gone "$(hwnd)" - 10000 || true; fi
  done
  find_install 2>"$WINE_ROOT/find_install.txt" || fail two-discs-installed "$(cat "$WINE_ROOT/find_install.txt")"
  # each disc's files, byte for byte; what the other disc holds is "not on" this one
  differences=$(for d in 1 2; do compare_install "$two/discs/Disc$d" "$install_dir"; done | grep -v '^installed but not on')
  [ -z "$differences" ] ||
    fail two-discs-installed "the install folder differs from the discs: $(echo "$differences" | head -5 | paste -sd';' -)"
  (cd "$install_dir" && setup Setup.exe Del /S >/dev/null 2>&1)
  # the quiet command's own Setup.exe waited for the uninstall: it and its folders go at the
  # restart
  timeout 120 wine wineboot.exe -r >/dev/null 2>&1
  [ ! -e "$install_dir" ] && [ ! -e "$settings" ] && [ "$(links)" = "$links_before" ] ||
    fail two-discs-left "the quiet uninstall of the two-disc title left the install folder, the settings or shortcuts"
  say "the two-disc title installed with a disc swap and was uninstalled"
fi
say "the life cycle passed ($n screenshots)"
exit 0
