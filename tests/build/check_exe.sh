#!/usr/bin/env bash
# Checks the built Setup.exe: PE32 GUI, subsystem 4.0, only system DLLs, nothing Windows 95 lacks,
# and the manifest today's Windows reads.
set -u
exe=${1:-build/disc/Setup.exe}
pass=0 fail=0
check() { if eval "$2"; then pass=$((pass+1)); else echo "FAILED: $1"; fail=$((fail+1)); fi; }
dump=$(i686-w64-mingw32-objdump -p "$exe")
check "PE32 i386" 'file "$exe" | grep -q "PE32 executable (GUI) Intel 80386"'
check "subsystem 4.0" 'echo "$dump" | grep -qE "MajorSubsystemVersion\s+4" && echo "$dump" | grep -qE "MinorSubsystemVersion\s+0"'
check "system DLLs only" '! echo "$dump" | grep "DLL Name" | grep -viqE "kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|msvcrt|comdlg32"'
check "no late imports" '! echo "$dump" | awk "NF>=3 && \$1 ~ /^[0-9a-f]+\$/ && \$2 ~ /^[0-9]+\$/ {print \$3}" | grep -qxE "GetTickCount64|AddVectoredExceptionHandler|TryEnterCriticalSection|GetDiskFreeSpaceExA|GetFileSizeEx|SetFilePointerEx|IsDebuggerPresent|InterlockedCompareExchange"'
# every import must be on the list of what Windows 95 with the IE4 shell exports
allowed=$(dirname "$0")/win95_imports.txt
unknown=$(echo "$dump" | awk '/DLL Name/{dll=toupper($3)} NF>=3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ && $3 ~ /^[A-Za-z_]/ {print dll, $3}' |
          sort -u | grep -vxFf <(grep -v '^#' "$allowed"))
check "imports all known to Windows 95 ($(echo "$unknown" | tr '\n' ' '))" '[ -z "$unknown" ]'
check "manifest: administrator, Vista to 11, no DPI awareness, no common controls 6" \
  'python3 "$(dirname "$0")/check_manifest.py" "$exe"'
for f in Setup.ini AoHoshi.exe readme.txt data movie; do check "disc has $f" '[ -e "$(dirname "$exe")/$f" ]'; done
echo "$pass passed, $fail failed"
[ $fail -eq 0 ]
