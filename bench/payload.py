# bench/payload.py ROOT MIB KIND: a payload under ROOT/payload with ROOT/Setup.ini and
# ROOT/Setup.crc as tools/author writes it (every copied file in the script's order).
#   big    about MIB mebibytes: half in one file, half in files of 256 KiB, 500 to a folder
#   small  8,192 files of 1 to 32 KiB, 512 to a folder
import os, random, sys, zlib
root, mib, kind = sys.argv[1], int(sys.argv[2]), sys.argv[3]
rnd = random.Random(1)
block = bytes(rnd.getrandbits(8) for _ in range(1 << 20))
def write(path, size):
    with open(path, 'wb') as f:
        while size > 0:
            n = min(size, len(block))
            f.write(block[:n]); size -= n
lines = ['D payload;']
if kind == 'big':
    total = mib << 20
    lines += ['D payload\\large;', 'F payload\\large\\*.*;']
    os.makedirs(f'{root}/payload/large')
    write(f'{root}/payload/large/big0.bin', total // 2)
    sizes, per = [256 << 10] * ((total - total // 2) >> 18), 500
else:
    sizes, per = [rnd.randint(1024, 32768) for _ in range(8192)], 512
for count, size in enumerate(sizes):
    folder = f's{count // per:03d}'
    if count % per == 0:
        os.makedirs(f'{root}/payload/{folder}')
        lines += [f'D payload\\{folder};', f'F payload\\{folder}\\*.*;']
    write(f'{root}/payload/{folder}/f{count:05d}.dat', size)
with open(f'{root}/Setup.ini', 'w', newline='') as f:
    f.write(''.join(l + '\r\n' for l in lines) + 'E;\r\n')
listed = b'SETUPCRC 1\r\n'
for l in lines:
    if l.startswith('F '):
        folder = l[2:-5].replace('\\', '/')
        for name in sorted(os.listdir(f'{root}/{folder}')):
            data = open(f'{root}/{folder}/{name}', 'rb').read()
            listed += b'%08X %d %s\\%s\r\n' % (zlib.crc32(data), len(data), l[2:-5].encode(), name.encode())
with open(f'{root}/Setup.crc', 'wb') as f:
    f.write(listed + b'END %08X\r\n' % zlib.crc32(listed))
print(f'{len(sizes) + (kind == "big")} files in {(len(sizes) + per - 1) // per + (kind == "big")} folders')
