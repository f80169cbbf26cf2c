#!/usr/bin/env bash
# bench/copy_bench.sh [MiB]  (run inside tools/wine-env.sh; ./run bench does that)
#
# Prints figures, never fails on them:
#   1. the launcher's script runner under Wine against `cp -r` of the same payload tree on the
#      same file system (the prefix's C: drive), MB/s and their ratio; the runner with the
#      disc's Setup.crc (every file checked) and without it, and the CRC-32 alone over the
#      copier's 64 KiB block; and the install log's journal alone: the payload's entries
#      appended with and without it;
#   2. a whole install through Setup.exe ("D:\Setup.exe Install D:", window, progress and the
#      final report) over that payload, against cp;
#   3. the time from process start to the first painted menu, against a bare Win32 window.
# The payload is about MiB mebibytes (default 1024): a quarter in small files of 4 to 64 KiB,
# the rest in four large ones. Copies start with a warm page cache and nothing left to write
# back, and are timed without a sync of their own.
# BENCH_TMPFS=1 (root only) puts C:\bench on a tmpfs, which takes the disk out of the figures.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
mib=${1:-1024}
[ -n "${WINEPREFIX:-}" ] || { echo "copy_bench: run me through tools/wine-env.sh" >&2; exit 2; }
# the Setup.exe and the probe of the kind this Wine runs (wine-env.sh tells: WINE_BITS)
sfx=$([ "${WINE_BITS:-32}" = 64 ] && echo 64 || true)
build=${BENCH_BUILD:-$top/build/bench$sfx}
disc=${BENCH_DISC:-$top/build/disc$sfx}
rounds=${BENCH_ROUNDS:-2}

cmake -S "$top/bench" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw$sfx-posix.cmake" >/dev/null
cmake --build "$build" -j2 >/dev/null
probe() { wine "$build/copy_bench.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }

c=$WINEPREFIX/drive_c
b=$c/bench
rm -rf "$b"
mkdir -p "$b"
if [ "${BENCH_TMPFS:-0}" = 1 ]; then
  mount -t tmpfs -o size=$((mib * 3 + 512))m tmpfs "$b"
  trap 'umount -l "$b" 2>/dev/null; rmdir "$b" 2>/dev/null || true' EXIT
  echo "payload: C:\bench is a tmpfs"
fi
mkdir -p "$b/disc"
cp -a "$disc"/. "$b/disc"/
echo "payload: generating about $mib MiB under C:\\bench\\disc\\payload"
python3 - "$b/disc" "$mib" <<'PY'
import os, random, sys
root, mib = sys.argv[1], int(sys.argv[2])
rnd = random.Random(1)
block = bytes(rnd.getrandbits(8) for _ in range(1 << 20))
def write(path, size):
    with open(path, 'wb') as f:
        while size > 0:
            n = min(size, len(block))
            f.write(block[:n]); size -= n
total = mib << 20
small_budget, large = total // 4, 4
lines = ['D payload;', 'D payload\\large;', 'F payload\\large\\*.*;']
os.makedirs(f'{root}/payload/large')
for i in range(large):
    write(f'{root}/payload/large/big{i}.bin', (total - small_budget) // large)
count = done = 0
while done < small_budget:
    folder = f's{count // 500:03d}'
    if count % 500 == 0:
        os.makedirs(f'{root}/payload/{folder}')
        lines += [f'D payload\\{folder};', f'F payload\\{folder}\\*.*;']
    size = min(rnd.randint(4096, 65536), small_budget - done)
    write(f'{root}/payload/{folder}/f{count:05d}.dat', size)
    done += size; count += 1
with open(f'{root}/Setup.ini', 'w', newline='') as f:
    f.write(''.join(l + '\r\n' for l in lines) + 'E;\r\n')
# Setup.crc as tools/author writes it: every copied file in the script's order, then the check
import zlib
listed = b'SETUPCRC 1\r\n'
for l in lines:
    if l.startswith('F '):
        folder = l[2:-5].replace('\\', '/')
        for name in sorted(os.listdir(f'{root}/{folder}')):
            data = open(f'{root}/{folder}/{name}', 'rb').read()
            listed += b'%08X %d %s\\%s\r\n' % (zlib.crc32(data), len(data), l[2:-5].encode(), name.encode())
with open(f'{root}/Setup.crc', 'wb') as f:
    f.write(listed + b'END %08X\r\n' % zlib.crc32(listed))
print(f'payload: {large} large files, {count} small files in {count // 500 + 1} folders')
PY
tree_bytes() { find "$1" -type f -printf '%s\n' 2>/dev/null | awk '{ s += $1 } END { printf "%d", s }'; }
bytes=$(tree_bytes "$b/disc/payload")
tar -cf - -C "$b/disc" payload >/dev/null  # warm the page cache for every contender

now() { date +%s.%N; }
mbs() { awk -v b="$bytes" -v t="$1" 'BEGIN { printf "%.1f", b / 1e6 / t }'; }
best_cp=0 best_run=0 best_bare=0
best() { awk -v a="$1" -v t="$2" 'BEGIN { print (a == 0 || t < a) ? t : a }'; }
for round in $(seq 1 "$rounds"); do
  rm -rf "$b/cp" "$b/run"
  mkdir -p "$b/cp" "$b/run"
  sync  # each contender starts without the last one's writes still pending
  t0=$(now); cp -r "$b/disc/payload" "$b/cp/"; t1=$(now)
  t_cp=$(awk -v a="$t0" -v z="$t1" 'BEGIN { print z - a }')
  rm -rf "$b/cp"
  sync
  # the same copy from the disc with Setup.crc (every file checked) and without it, which
  # goes first in every other round: the second of two copies finds the disk busier
  for list in $([ $((round % 2)) = 1 ] && echo "with without" || echo "without with"); do
    rm -rf "$b/run" && mkdir -p "$b/run"
    [ "$list" = with ] || mv "$b/disc/Setup.crc" "$b/Setup.crc"
    sync
    read -r copied t log problems < <(probe runner 'C:\bench\disc' 'C:\bench\run')
    [ "$list" = with ] || mv "$b/Setup.crc" "$b/disc/Setup.crc"
    [ "$copied" = "$bytes" ] && [ "$problems" = 0 ] || echo "runner: copied $copied of $bytes bytes ($problems problems)" >&2
    if [ "$list" = with ]; then t_run=$t; else t_bare=$t; fi
  done
  echo "round $round: cp -r $(mbs "$t_cp") MB/s, script runner $(mbs "$t_run") MB/s checking Setup.crc," \
       "$(mbs "$t_bare") MB/s without it (log $log bytes)"
  best_cp=$(best "$best_cp" "$t_cp") best_run=$(best "$best_run" "$t_run") best_bare=$(best "$best_bare" "$t_bare")
done
read -r crc_mbs _ < <(probe crc 256)
echo "check: the runner with Setup.crc $(mbs "$best_run") MB/s, without $(mbs "$best_bare") MB/s" \
     "(the check costs $(awk -v r="$best_run" -v n="$best_bare" 'BEGIN { printf "%+.1f%%", 100 * (r - n) / n }') of the time);" \
     "CRC-32 alone $crc_mbs MB/s over the copier's block, $(awk -v b="$bytes" -v c="$crc_mbs" -v t="$best_run" \
       'BEGIN { printf "%.1f%%", 100 * b / 1e6 / c / t }') of the runner's time"
files=$(find "$b/disc/payload" -type f | wc -l)
read -r n t_mem t_journal < <(probe journal 'C:\bench\run' "$files")
echo "journal: $n log entries in $(awk -v t="$t_mem" 'BEGIN { printf "%.1f", t * 1e3 }') ms in memory," \
     "$(awk -v t="$t_journal" 'BEGIN { printf "%.1f", t * 1e3 }') ms each written to Setup.dat as it comes" \
     "($(awk -v a="$t_mem" -v j="$t_journal" -v n="$n" 'BEGIN { printf "%.1f", (j - a) * 1e6 / n }') µs an entry)"
rm -rf "$b/run"
echo "copy: cp -r $(mbs "$best_cp") MB/s, script runner $(mbs "$best_run") MB/s," \
     "runner/cp $(awk -v c="$best_cp" -v r="$best_run" 'BEGIN { printf "%.0f%%", 100 * c / r }')" \
     "($((bytes >> 20)) MiB, best of $rounds)"

# The whole install from a disc whose D: is the payload's folder.
ln -sfn "$b/disc" "$WINEPREFIX/dosdevices/d:"
probe settings 'C:\bench\inst' >/dev/null
mkdir -p "$b/inst"
sync
read -r t_inst text < <(probe install 'D:\Setup.exe Install D:' | iconv -f CP932 -t UTF-8)
# the restarted menu, if any, is not part of the measure
wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true; wineserver -p 2>/dev/null || true
installed=$(tree_bytes "$b/inst/payload")
[ "$installed" = "$bytes" ] || echo "install: $installed of $bytes payload bytes installed" >&2
echo "install: Setup.exe $(mbs "$t_inst") MB/s (${t_inst}s to the report \"$text\"), cp -r $(mbs "$best_cp") MB/s," \
     "install/cp $(awk -v c="$best_cp" -v r="$t_inst" 'BEGIN { printf "%.0f%%", 100 * c / r }')"
rm -rf "$b/inst"

# Start-up to the first painted window: the menu from the disc against a bare window program.
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
cp "$build/bare_window.exe" "$b/bare_window.exe"
menu=() bare=()
for i in 1 2 3 4 5; do
  read -r _ p < <(probe startup 'D:\Setup.exe'); menu+=("$p")
  read -r _ p < <(probe startup 'C:\bench\bare_window.exe'); bare+=("$p")
done
m=$(printf '%s\n' "${menu[@]}" | median)
w=$(printf '%s\n' "${bare[@]}" | median)
echo "start-up: menu painted after ${m}s, bare window after ${w}s (median of 5), menu/bare" \
     "$(awk -v m="$m" -v w="$w" 'BEGIN { printf "%.2f", m / w }')"
rm -rf "${b:?}"/*
