#!/usr/bin/env bash
# bench/copy_bench.sh [MiB]  (run inside tools/wine-env.sh; ./run bench does that)
#
# Prints figures, never fails on them:
#   1. the launcher's script runner under Wine with the disc's Setup.crc (every file checked)
#      and without it, and the CRC-32 alone over the copier's block; the install log's journal
#      alone: the payload's entries appended with and without it;
#   2. side by side, on the prefix's C: drive: a whole install through Setup.exe
#      ("D:\Setup.exe Install D:", window, progress and the final report), a bare Win32
#      ReadFile/WriteFile loop in 1 MiB blocks (timed from its first file, and as a program
#      from its start, as the install is) and in 65,534-byte blocks and a bare CopyFileA loop
#      under the same Wine, `cp -r` and a native read/write loop in 1 MiB blocks;
#   3. the same for 8,192 small files;
#   4. the same from a disc image: an ISO 9660 + Joliet image mounted by fuseiso, whose reads
#      of the image file are held to BENCH_DISC_MBS MB/s (default 22, a 16x DVD drive) and
#      start with nothing of it cached; with reading alone and writing alone beside them;
#   5. the time from process start to the first painted menu, against a bare Win32 window
#      (median and best of 9, in turn).
# The payload is about MiB mebibytes (default 1024): half in one file, half in files of
# 256 KiB; the image holds one of at most BENCH_IMAGE_MIB (default 256). Copies on the disk
# start with a warm page cache and nothing left to write back, and are timed without a sync;
# every contender runs in turn, BENCH_ROUNDS times (default 3); its best and median count.
# BENCH_BEFORE=PATH times an earlier Setup.exe beside this one, in turn, in every round.
# C:\bench is a disk as a player's machine has one: run as root, a journalled ext4 made
# for the run on a loop device that reads and writes the image file directly. A file system
# without a journal, as some virtual machines' roots are, looks past every recently deleted
# inode when it makes a file: after one contender removes its thousands of files, the next
# one's pay 1 to 2 ms each, and the order of the contenders decides the figures.
# BENCH_FS=disk keeps C:\bench on the prefix's own file system; BENCH_FS=tmpfs (root only)
# puts it in memory, which takes the disk out of the figures.
# A virtual machine may hand the memory its kernel frees back to the host in 2 MiB pieces,
# which the host then has to find again at the next touch: a GiB of page cache made from them
# costs 0.2 to 2 s more, by chance, and far more than any difference between the contenders.
# Where the kernel lets root say how long freed memory waits before it goes (min_free_ms),
# it waits 5 minutes during the run, as a player's machine never gives any away.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
mib=${1:-1024}
[ -n "${WINEPREFIX:-}" ] || { echo "copy_bench: run me through tools/wine-env.sh" >&2; exit 2; }
# the Setup.exe and the probe of the kind this Wine runs (wine-env.sh tells: WINE_BITS)
sfx=$([ "${WINE_BITS:-32}" = 64 ] && echo 64 || true)
build=${BENCH_BUILD:-$top/build/bench$sfx}
disc=${BENCH_DISC:-$top/build/disc$sfx}
rounds=${BENCH_ROUNDS:-3}
disc_mbs=${BENCH_DISC_MBS:-22}
image_mib=${BENCH_IMAGE_MIB:-256}
[ "$image_mib" -le "$mib" ] || image_mib=$mib

cmake -S "$top/bench" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw$sfx-posix.cmake" >/dev/null
cmake --build "$build" -j2 >/dev/null
g++ -O2 -std=c++17 -o "$build/native_copy" "$top/bench/native_copy.cpp"
probe() { wine "$build/copy_bench.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }

c=$WINEPREFIX/drive_c
b=$c/bench
mnt=$b/image
iso=$WINEPREFIX/bench-disc.iso  # on the prefix's disk, where the read throttle holds
fs_image=$WINEPREFIX/bench-fs.img
loop_dev=
group=/sys/fs/cgroup/blkio/setup_bench_$$
reporting=/sys/module/page_reporting/parameters/min_free_ms
reporting_was=
cleanup() {
  [ -z "$reporting_was" ] || echo "$reporting_was" >"$reporting" 2>/dev/null || true
  fusermount -u "$mnt" 2>/dev/null || true
  rmdir "$group" 2>/dev/null || true
  rm -f "$iso"
  if mountpoint -q "$b"; then umount -l "$b" 2>/dev/null; rmdir "$b" 2>/dev/null; fi || true
  [ -z "$loop_dev" ] || losetup -d "$loop_dev" 2>/dev/null || true
  rm -f "$fs_image"
}
trap cleanup EXIT
if [ -w "$reporting" ] && was=$(cat "$reporting") && echo 300000 >"$reporting" 2>/dev/null; then
  reporting_was=$was
  echo "memory: what the kernel frees stays in this machine for 5 minutes (was ${was} ms)"
elif [ -e "$reporting" ]; then
  echo "memory: this machine gives freed memory back to its host at once; the figures vary by chance (run as root to keep it)" >&2
fi
rm -rf "$b"
mkdir -p "$b"
fs=${BENCH_FS:-$([ "$(id -u)" = 0 ] && command -v mkfs.ext4 >/dev/null && echo ext4 || echo disk)}
case $fs in
  tmpfs)
    mount -t tmpfs -o size=$((mib * 3 + 512))m tmpfs "$b"
    echo "payload: C:\bench is a tmpfs" ;;
  ext4)
    # every block of the image is there before the first contender, and the loop device
    # passes reads and writes straight to it: no second page cache behind the first
    if fallocate -l $((mib * 3 + 1024))M "$fs_image" &&
       mkfs.ext4 -q -F -E lazy_itable_init=0,lazy_journal_init=0 "$fs_image" &&
       loop_dev=$(losetup --direct-io=on -f --show "$fs_image") && mount "$loop_dev" "$b"; then
      echo "payload: C:\bench is a journalled ext4 of $((mib * 3 + 1024)) MiB, made for this run on $loop_dev"
    else
      echo "payload: no ext4 of its own (needs root and a loop device); C:\bench is on the prefix's disk" >&2
      [ -z "$loop_dev" ] || losetup -d "$loop_dev"
      loop_dev=
      rm -f "$fs_image"
    fi ;;
  disk) echo "payload: C:\bench is on the prefix's disk" ;;
  *) echo "copy_bench: BENCH_FS is ext4, disk or tmpfs" >&2; exit 2 ;;
esac
# a disc folder: the sample disc's files with a payload of its own
make_disc() {  # make_disc DIR MIB big|small
  mkdir -p "$1"
  cp -a "$disc"/. "$1"/
  rm -f "$1/Setup.crc"
  echo "payload $(basename "$1"): $(python3 "$top/bench/payload.py" "$@")"
}
make_disc "$b/disc" "$mib" big
make_disc "$b/small" 0 small
tree_bytes() { find "$1" -type f -printf '%s\n' 2>/dev/null | awk '{ s += $1 } END { printf "%d", s }'; }
warm() { tar -cf - -C "$1" payload >/dev/null; }  # every contender on the disk reads from memory
warm "$b/disc"
bytes=$(tree_bytes "$b/disc/payload")

now() { date +%s.%N; }
mbs() { awk -v b="${2:-$bytes}" -v t="$1" 'BEGIN { printf "%.1f", b / 1e6 / t }'; }
best() { awk -v a="$1" -v t="$2" 'BEGIN { print (a == 0 || t < a) ? t : a }'; }
median() { tr ' ' '\n' | sed '/^$/d' | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }  # of words or lines
best_run=0 best_bare=0
for round in $(seq 1 "$rounds"); do
  # with Setup.crc (every file checked) and without it, which goes first in every other
  # round: the second of two copies finds the disk busier
  for list in $([ $((round % 2)) = 1 ] && echo "with without" || echo "without with"); do
    rm -rf "$b/run" && mkdir -p "$b/run"
    [ "$list" = with ] || mv "$b/disc/Setup.crc" "$b/Setup.crc"
    sync
    read -r copied t log problems < <(probe runner 'C:\bench\disc' 'C:\bench\run')
    [ "$list" = with ] || mv "$b/Setup.crc" "$b/disc/Setup.crc"
    [ "$copied" = "$bytes" ] && [ "$problems" = 0 ] || echo "runner: copied $copied of $bytes bytes ($problems problems)" >&2
    if [ "$list" = with ]; then t_run=$t; else t_bare=$t; fi
  done
  echo "round $round: script runner $(mbs "$t_run") MB/s checking Setup.crc, $(mbs "$t_bare") MB/s without it (log $log bytes)"
  best_run=$(best "$best_run" "$t_run") best_bare=$(best "$best_bare" "$t_bare")
done
rm -rf "$b/run"
read -r crc_mbs _ < <(probe crc 256)
echo "check: the runner with Setup.crc $(mbs "$best_run") MB/s, without $(mbs "$best_bare") MB/s" \
     "(the check costs $(awk -v r="$best_run" -v n="$best_bare" 'BEGIN { printf "%+.1f%%", 100 * (r - n) / n }') of the time);" \
     "CRC-32 alone $crc_mbs MB/s over the copier's block, $(awk -v b="$bytes" -v c="$crc_mbs" -v t="$best_run" \
       'BEGIN { printf "%.1f%%", 100 * b / 1e6 / c / t }') of the runner's time"
files=$(find "$b/disc/payload" -type f | wc -l)
mkdir -p "$b/run"
read -r n t_mem t_journal < <(probe journal 'C:\bench\run' "$files")
echo "journal: $n log entries in $(awk -v t="$t_mem" 'BEGIN { printf "%.1f", t * 1e3 }') ms in memory," \
     "$(awk -v t="$t_journal" 'BEGIN { printf "%.1f", t * 1e3 }') ms each written to Setup.dat as it comes" \
     "($(awk -v a="$t_mem" -v j="$t_journal" -v n="$n" 'BEGIN { printf "%.1f", (j - a) * 1e6 / n }') µs an entry)"
rm -rf "$b/run"

# The contenders, each timed in seconds from a fresh destination C:\bench\out.
fresh() { rm -rf "$b/out" "$b/inst"; mkdir -p "$b/out" "$b/inst"; sync; }
secs() { read -r _ t; echo "$t"; }
# A whole install by the Setup.exe in C:\bench\WHICH from a disc folder DIR seen as D:, on a
# Wine whose desktop already runs; the restarted menu is not part of it.
install_secs() {  # install_secs DIR WHICH
  ln -sfn "$1" "$WINEPREFIX/dosdevices/d:"
  probe settings 'C:\bench\inst' >/dev/null
  local t text got
  read -r t text < <(probe install "C:\\bench\\$2\\Setup.exe Install D:" | iconv -f CP932 -t UTF-8)
  got=$(tree_bytes "$b/inst/payload")
  [ "$got" = "$(tree_bytes "$1/payload")" ] || echo "install: $got payload bytes installed: \"$text\"" >&2
  echo "$t"
}
mkdir -p "$b/now"
cp "$disc/Setup.exe" "$b/now/Setup.exe"
# the loop timed as the install is, from the start of its process, where the loop's own
# figure starts at its first file: started from C:\bench as Setup.exe is
cp "$build/copy_bench.exe" "$b/copy_bench.exe"
# BENCH_BEFORE=PATH: an earlier Setup.exe, timed beside this one in every round
if [ -n "${BENCH_BEFORE:-}" ]; then mkdir -p "$b/before"; cp "$BENCH_BEFORE" "$b/before/Setup.exe"; fi
cp_secs() { local t0 t1; t0=$(now); cp -r "$1" "$b/out/"; t1=$(now); awk -v a="$t0" -v z="$t1" 'BEGIN { print z - a }'; }
# contest TITLE DIR WIN_DIR [EVICT]: every contender over DIR's payload, in turn, best and
# median of the rounds; EVICT runs before each one that reads
contest() {
  local title=$1 dir=$2 win=$3 evict=${4:-true} size t i
  local names=() kinds=(now) best=() all=() mid=()
  [ -z "${BENCH_BEFORE:-}" ] || kinds+=(before)
  if [ "$evict" = true ]; then kinds+=(loop program loop64k copyfile cp native); else kinds+=(loop read write cp native); fi
  size=$(tree_bytes "$dir/payload")
  for round in $(seq 1 "$rounds"); do
    for i in "${!kinds[@]}"; do
      fresh
      [ "${kinds[$i]}" = write ] || $evict
      case ${kinds[$i]} in
        now) names[i]="Setup.exe, the whole install"; t=$(install_secs "$dir" now) ;;
        before) names[i]="the same, by BENCH_BEFORE"; t=$(install_secs "$dir" before) ;;
        loop) names[i]="Win32 read/write loop, 1 MiB blocks"
              t=$(probe loop "$win\\payload" 'C:\bench\out\payload' 1048576 | secs) ;;
        program) names[i]="the same, from its start as a program"
                 # the last line is the probe's: the loop's own goes to the same output
                 t=$(probe program "C:\\bench\\copy_bench.exe loop $win\\payload C:\\bench\\out\\payload 1048576" | tail -n 1) ;;
        loop64k) names[i]="Win32 read/write loop, 65,534-byte blocks"
                 t=$(probe loop "$win\\payload" 'C:\bench\out\payload' 65534 | secs) ;;
        copyfile) names[i]="Win32 CopyFileA loop"; t=$(probe copyfile "$win\\payload" 'C:\bench\out\payload' | secs) ;;
        read) names[i]="Win32 reading alone, 1 MiB blocks"; t=$(probe read "$win\\payload" 1048576 | secs) ;;
        write) names[i]="Win32 writing alone, 1 MiB blocks"
               t=$(probe write "$win\\payload" 'C:\bench\out\payload' 1048576 | secs) ;;
        cp) names[i]="cp -r"; t=$(cp_secs "$dir/payload") ;;
        native) names[i]="native read/write loop, 1 MiB blocks"
                t=$("$build/native_copy" copy "$dir/payload" "$b/out/payload" 1048576 | secs) ;;
      esac
      best[i]=$(best "${best[$i]:-0}" "$t")
      all[i]="${all[$i]:-} $t"
    done
  done
  for i in "${!kinds[@]}"; do mid[i]=$(echo "${all[$i]}" | median); done
  echo "$title ($((size >> 20)) MiB, $(find "$dir/payload" -type f | wc -l) files, $rounds rounds):" \
       "best, median, the speed of the best; last: the install's speed against each, by best" \
       "and by median, above 1.00x the install is faster:"
  for i in "${!kinds[@]}"; do
    awk -v n="${names[$i]}" -v t="${best[$i]}" -v m="${mid[$i]}" -v b="$size" -v i="${best[0]}" -v im="${mid[0]}" \
      'BEGIN { printf "  %-40s %7.2f s %7.2f s %7.1f MB/s %6.2fx %6.2fx\n", n, t, m, b / 1e6 / t, t / i, m / im }'
  done
  rm -rf "$b/out" "$b/inst"
}
contest "on the disk" "$b/disc" 'C:\bench\disc'
warm "$b/small"
contest "small files on the disk" "$b/small" 'C:\bench\small'

# The disc image, read through FUSE at a disc's pace: the image file's reads are held to
# disc_mbs by the block I/O throttle of the fuseiso process, and each contender starts with
# none of it in the page cache.
if command -v fuseiso >/dev/null && [ -d /sys/fs/cgroup/blkio ] && mkdir "$group" 2>/dev/null; then
  rm -rf "$b/small" "$b/disc/payload"
  make_disc "$b/imaged" "$image_mib" big
  xorriso -as mkisofs -quiet -J -r -iso-level 3 -V BENCH -o "$iso" "$b/imaged" 2>/dev/null
  rm -rf "$b/imaged"
  sync
  dev=$(stat -c %d "$iso")
  echo "$((dev >> 8)):$((dev & 255)) $((disc_mbs * 1000000))" >"$group/blkio.throttle.read_bps_device"
  mkdir -p "$mnt"
  sh -c 'echo $$ >"$1/cgroup.procs"; exec fuseiso "$2" "$3"' fuse "$group" "$iso" "$mnt"
  evict() {
    python3 -c 'import os, sys; f = os.open(sys.argv[1], os.O_RDONLY); os.posix_fadvise(f, 0, 0, os.POSIX_FADV_DONTNEED)' "$iso"
  }
  contest "from the disc image through FUSE, read at most $disc_mbs MB/s" "$mnt" 'C:\bench\image' evict
  fusermount -u "$mnt"
  rm -f "$iso"
else
  echo "image: skipped (needs fuseiso, the blkio cgroup and root)" >&2
fi

# Start-up to the first painted window: the menu from the disc against a bare window program.
ln -sfn "$disc" "$WINEPREFIX/dosdevices/d:"
cp "$build/bare_window.exe" "$b/bare_window.exe"
menu=() bare=()
for i in $(seq 1 9); do
  read -r _ p < <(probe startup 'D:\Setup.exe'); menu+=("$p")
  read -r _ p < <(probe startup 'C:\bench\bare_window.exe'); bare+=("$p")
done
m=$(echo "${menu[*]}" | median) w=$(echo "${bare[*]}" | median)
mb=$(printf '%s\n' "${menu[@]}" | sort -n | head -1) wb=$(printf '%s\n' "${bare[@]}" | sort -n | head -1)
echo "start-up: menu painted after ${m}s, bare window after ${w}s (median of 9), menu/bare" \
     "$(awk -v m="$m" -v w="$w" 'BEGIN { printf "%.2f", m / w }'); best ${mb}s and ${wb}s," \
     "$(awk -v m="$mb" -v w="$wb" 'BEGIN { printf "%.2f", m / w }')"
rm -rf "${b:?}"/*
