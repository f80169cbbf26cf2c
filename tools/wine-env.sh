#!/usr/bin/env bash
# tools/wine-env.sh COMMAND [ARGS...]
#
# Runs COMMAND inside a private, freshly created Wine environment and exits with its exit code:
#   - prefix   $WINE_ROOT/prefix (rebuilt on every call, never ~/.wine)
#   - display  a private Xvfb (1024x768x24), or with WINE_VISIBLE=1 the display DISPLAY
#              names (an error when there is none)
#   - drives   C: fixed (the prefix), D: CD-ROM -> $WINE_ROOT/cdrom, E: CD-ROM -> $WINE_ROOT/cdrom2
#              ($WINE_DISC, if set, is copied into the D: folder)
#   - user shell folders are real folders inside the prefix (no links into $HOME)
#
# Environment in: WINE_ROOT (default <repo>/build/tests/wine), WINE_DISC, WINE_VISIBLE, WINEDEBUG,
#                 WINEARCH (win32 or win64; default: win32 when this machine can run 32-bit Linux
#                 programs, otherwise win64, whose WoW64 layer runs 32-bit .exe files... only where
#                 the CPU can enter 32-bit mode: see the note printed below).
# Environment out: WINEPREFIX WINEARCH WINELOADER WINESERVER WINE_ROOT WINE_CDROM WINE_CDROM2
#                  WINE_BITS (32 or 64: the kind of .exe this Wine runs) DISPLAY LANG LC_ALL,
#                  and PATH with $WINE_ROOT/bin first (wine, wine64, wineserver, wineboot wrappers).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -eq 0 ]; then
  echo "usage: $0 COMMAND [ARGS...]" >&2
  exit 2
fi

t0=$(date +%s.%N)
log() { [ "${WINE_ENV_QUIET:-0}" = 1 ] || awk -v t0="$t0" -v t1="$(date +%s.%N)" -v m="$*" \
          'BEGIN { printf "[wine-env %5.1fs] %s\n", t1 - t0, m > "/dev/stderr" }'; }
die() { echo "wine-env: $*" >&2; exit 70; }

export WINE_ROOT=${WINE_ROOT:-$top/build/tests/wine}
mkdir -p "$WINE_ROOT"
WINE_ROOT=$(cd "$WINE_ROOT" && pwd)
export WINEPREFIX=$WINE_ROOT/prefix
export WINE_CDROM=$WINE_ROOT/cdrom
export WINE_CDROM2=$WINE_ROOT/cdrom2
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
unset WINEDLLPATH WINEPREFIX_TEMPLATE 2>/dev/null || true

# ---- which Wine: the 32-bit loader where 32-bit Linux programs run, else the 64-bit one --------
loader32=/usr/lib/wine/wine
loader64=/usr/lib/wine/wine64
server32=/usr/lib/wine/wineserver32
server64=/usr/lib/wine/wineserver64
can32=0
[ -x "$loader32" ] && "$loader32" --version >/dev/null 2>&1 && can32=1
if [ -z "${WINEARCH:-}" ]; then
  if [ $can32 = 1 ]; then WINEARCH=win32; else WINEARCH=win64; fi
fi
export WINEARCH
case $WINEARCH in
  win32)
    [ $can32 = 1 ] || die "WINEARCH=win32 but this machine cannot run the 32-bit Wine loader (no ia32 emulation)"
    export WINELOADER=$loader32 WINE_BITS=32
    if [ -x "$server64" ]; then WINESERVER=$server64; else WINESERVER=$server32; fi
    ;;
  win64)
    [ -x "$loader64" ] || die "WINEARCH=win64 needs the wine64 package"
    export WINELOADER=$loader64 WINE_BITS=64
    WINESERVER=$server64
    ;;
  *) die "WINEARCH must be win32 or win64" ;;
esac
export WINESERVER
if [ $can32 = 0 ]; then
  echo "wine-env: note: this machine cannot run 32-bit x86 code (ia32 emulation is off), so only" \
       "64-bit Windows programs run here (WINE_BITS=64)" >&2
fi

# Wrappers so that `wine`, `wineserver`, `wineboot` (and CMake's emulator `wine`) use that Wine.
bin=$WINE_ROOT/bin
rm -rf "$bin"
mkdir -p "$bin"
for name in wine wine-stable wine64; do
  printf '#!/bin/sh\nexec "%s" "$@"\n' "$WINELOADER" >"$bin/$name"
done
printf '#!/bin/sh\nexec "%s" "$@"\n' "$WINESERVER" >"$bin/wineserver"
printf '#!/bin/sh\nexec "%s" wineboot "$@"\n' "$WINELOADER" >"$bin/wineboot"
chmod +x "$bin"/*
export PATH=$bin:$PATH

# ---- teardown ---------------------------------------------------------------------------------
xvfb_pid=""
cleanup() {
  local rc=$?
  trap - EXIT INT TERM
  if [ -d "$WINEPREFIX" ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
    # -w waits for the server to go away; bounded so a wedged server cannot hang the caller.
    timeout 20 "$WINESERVER" -w >/dev/null 2>&1 || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  exit $rc
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# ---- display ----------------------------------------------------------------------------------
if [ "${WINE_VISIBLE:-0}" = 1 ]; then
  # asked to be seen: a hidden Xvfb instead would leave the caller waiting for nothing
  [ -n "${DISPLAY:-}" ] || die "WINE_VISIBLE=1 needs a display, and DISPLAY is not set (leave WINE_VISIBLE out to run on a private Xvfb)"
  log "using display $DISPLAY"
else
  command -v Xvfb >/dev/null || die "Xvfb is not installed"
  dfile=$WINE_ROOT/xvfb.display
  rm -f "$dfile"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
       3>"$dfile" >"$WINE_ROOT/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    [ -s "$dfile" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$WINE_ROOT/xvfb.log" >&2; die "Xvfb did not start"; }
    sleep 0.05
  done
  [ -s "$dfile" ] || die "Xvfb gave no display number"
  export DISPLAY=:$(tr -d '[:space:]' <"$dfile")
  log "Xvfb on $DISPLAY (pid $xvfb_pid)"
fi

# ---- a fresh prefix ---------------------------------------------------------------------------
# Stop a server a previous, interrupted run may have left on this prefix before deleting it.
if [ -d "$WINEPREFIX" ]; then
  "$WINESERVER" -k >/dev/null 2>&1 || true
  timeout 20 "$WINESERVER" -w >/dev/null 2>&1 || true
fi
rm -rf "$WINEPREFIX" "$WINE_CDROM" "$WINE_CDROM2"
mkdir -p "$WINE_CDROM" "$WINE_CDROM2"
if [ -n "${WINE_DISC:-}" ]; then
  [ -d "$WINE_DISC" ] || die "WINE_DISC=$WINE_DISC is not a folder"
  cp -a "$WINE_DISC"/. "$WINE_CDROM"/
fi

"$WINELOADER" wineboot -i >"$WINE_ROOT/wineboot.log" 2>&1 || { cat "$WINE_ROOT/wineboot.log" >&2; die "wineboot -i failed"; }
"$WINESERVER" -w
log "prefix created ($WINEARCH, loader $WINELOADER)"
# Caption buttons are Marlett glyphs; Debian's Wine reads no fonts from fonts-wine's folder,
# so without a copy in the prefix the title bars show the letters "r", "0" and "1".
marlett=/usr/share/wine/fonts/marlett.ttf
[ -f "$marlett" ] || die "$marlett is missing (./run deps installs fonts-wine)"
cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"

# User folders: Wine links Desktop, Documents, ... to the XDG folders of $HOME; make them real.
users=$WINEPREFIX/drive_c/users
for u in "$users"/*/; do
  u=${u%/}
  while IFS= read -r -d '' link; do
    rm -f "$link"
    mkdir -p "$link"
  done < <(find "$u" -mindepth 1 -maxdepth 2 -type l -print0)
done
# No link anywhere under drive_c may lead out of the prefix.
while IFS= read -r -d '' link; do
  dest=$(readlink -f "$link" || true)
  case $dest in
    "$WINEPREFIX"/*) ;;
    *) rm -f "$link"; mkdir -p "$link" ;;
  esac
done < <(find "$WINEPREFIX/drive_c" -type l -print0)

# Drives: D: and E: are CD-ROM drives on plain folders; nothing may map to $HOME.
dd=$WINEPREFIX/dosdevices
for entry in "$dd"/*; do
  [ -L "$entry" ] || continue
  name=$(basename "$entry")
  case $name in c:|z:) continue ;; esac
  dest=$(readlink -f "$entry" || true)
  home=$(readlink -f "${HOME:-/nonexistent}" || echo "${HOME:-/nonexistent}")
  case $name in
    [a-y]:|[a-y]::) rm -f "$entry" ;;                                # drives Wine guessed
    *) case $dest in "$home"|"$home"/*) rm -f "$entry" ;; esac ;;     # anything into $HOME
  esac
done
ln -sfn "$WINE_CDROM" "$dd/d:"
ln -sfn "$WINE_CDROM2" "$dd/e:"

reg=$WINE_ROOT/drives.reg
# As Windows does, the shell's fonts borrow kana and kanji from a Japanese font: a prefix
# under another language links none, and its boxes would show empty squares.
fontLink=69,70,61,67,2e,74,74,66,2c,49,50,41,47,6f,74,68,69,63,00,00
printf '%s\r\n' 'REGEDIT4' '' \
  '[HKEY_LOCAL_MACHINE\Software\Wine\Drives]' '"c:"="hd"' '"d:"="cdrom"' '"e:"="cdrom"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Drives]' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' '"Default"="1024x768"' '' \
  '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]' \
  "\"Tahoma\"=hex(7):$fontLink" "\"MS Shell Dlg\"=hex(7):$fontLink" '' >"$reg"
"$WINELOADER" regedit /S "Z:${reg//\//\\}" >/dev/null 2>&1 || die "regedit failed"
"$WINESERVER" -k || true
"$WINESERVER" -w
# A persistent server keeps every later wine start quick; it is killed at the end.
"$WINESERVER" -p
# The prefix's boot processes (wineboot, services.exe and the services it starts, such as
# winedevice.exe) would otherwise start with the first program of the command and inherit
# its output pipes, so that ctest waits for them after its last test has passed. Boot here,
# detached from the caller's output, and wait for the boot to end.
"$WINELOADER" wineboot </dev/null >"$WINE_ROOT/boot.log" 2>&1 ||
  { cat "$WINE_ROOT/boot.log" >&2; die "wineboot failed"; }
log "prefix booted"
log "drives set (D: $WINE_CDROM, E: $WINE_CDROM2)"
# The desktop process starts with the first window and would inherit the caller's output
# pipes (ctest then waits for it forever); start it here, detached from them.
"$WINELOADER" explorer.exe /desktop </dev/null >"$WINE_ROOT/desktop.log" 2>&1 &

for d in "$dd"/*; do
  dest=$(readlink -f "$d" || true)
  home=$(readlink -f "${HOME:-/nonexistent}" || echo "${HOME:-/nonexistent}")
  case $dest in "$home"|"$home"/*) die "$(basename "$d") still points into \$HOME" ;; esac
done
log "ready; running: $*"

set +e
"$@"
rc=$?
set -e
log "command exited with $rc"
exit $rc
