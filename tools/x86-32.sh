# tools/x86-32.sh: sourced by run and tools/demo.sh. How this machine runs 32-bit x86 code,
# which the shipped Setup.exe is, and a private user-mode emulator where the CPU runs none.
#
#   x86_32_support  prints one word:
#     native     the 32-bit Wine loader runs as it is
#     emulated   an i386 handler is already registered with the host's binfmt_misc
#     emulator   no 32-bit code runs, but qemu-i386-static can be registered for i386 ELF in a
#                binfmt_misc of our own, inside a user and mount namespace (nothing outside
#                sees it); about a minute per 32-bit process start
#     none       neither: only 64-bit Windows programs run here
#   X86_32_SUPPORT=emulator (or none) takes that way on a machine that could do better: the
#   emulator's binfmt_misc entry comes before the kernel's own loader, so it runs the 32-bit
#   code even where the CPU could.
#   with_emulator CMD...   runs CMD with that private registration (for "emulator")
#   pe_bits FILE           prints 32 or 64 for a Windows program, nothing for anything else
#   x86_32_why             why the 32-bit way was not taken, in a few words

qemu_i386=/usr/bin/qemu-i386-static
# i386 ELF executables and shared objects, as Debian's qemu-user-binfmt matches them; the F
# flag opens the emulator now, so that it also serves inside the prefix's own mounts.
i386_elf_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
i386_elf_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

x86_32_support() {
  local f
  case ${X86_32_SUPPORT:-} in
    native | emulator | none) echo "$X86_32_SUPPORT"; return ;;
    "") ;;
    *) echo "X86_32_SUPPORT must be native, emulator or none" >&2; return 1 ;;
  esac
  for f in /proc/sys/fs/binfmt_misc/*; do
    # binfmt_misc comes before the kernel's own loader: an enabled i386 ELF entry takes over
    grep -qs '^magic 7f454c4601010100000000000000000002000300' "$f" && grep -qsx enabled "$f" &&
      { echo emulated; return; }
  done
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo native; return; fi
  if [ -x "$qemu_i386" ] && with_emulator /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo emulator
  else
    echo none
  fi
}

with_emulator() {
  unshare --user --map-root-user --mount bash -c '
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null || exit 126
    printf ":qemu-i386:M::%s:%s:%s:F" "$1" "$2" "$3" >/proc/sys/fs/binfmt_misc/register || exit 126
    shift 3
    exec "$@"' emulator "$i386_elf_magic" "$i386_elf_mask" "$qemu_i386" "$@"
}

pe_bits() {
  case $(file -b "$1" 2>/dev/null) in
    PE32+\ *) echo 64 ;;
    PE32\ *) echo 32 ;;
  esac
}

# why the 32-bit way was not taken, for the first lines of a run
x86_32_why() {
  if [ -n "${X86_32_SUPPORT:-}" ]; then echo "X86_32_SUPPORT=$X86_32_SUPPORT asks so"
  else echo "this machine runs no 32-bit x86 code"; fi
}
