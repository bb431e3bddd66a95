#!/usr/bin/env bash
# Installs what the Windows DLL tests need on a fresh Debian 12 machine: the
# mingw-w64 cross compiler for 32-bit Windows and a 32-bit wine. It builds
# and tests nothing itself: the README's test command, which .ci/run runs
# afterwards, then runs the cross build, the export/import table check and the
# host program under wine along with every other test.
#
# Where the kernel runs no 32-bit programs itself (ia32 emulation off), wine
# cannot start and the host test is skipped. With KELVO_WINE_EMULATED=1, wine's
# 32-bit loader is started through qemu-i386, registered with binfmt_misc;
# that run is very slow (booting the wine prefix alone took over 20 minutes).
# (Not wine64: with a 64-bit wineserver the 32-bit process lays out its
# address space for WoW64, which fails under the emulator.)
set -euo pipefail
cd "$(dirname "$0")/.."
export DEBIAN_FRONTEND=noninteractive

if [ "$(id -u)" = 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends \
    g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 >/dev/null
fi

# Can this kernel start a 32-bit program?
if [ "${KELVO_WINE_EMULATED:-0}" = 1 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "windows.sh: the kernel does not start 32-bit programs; running them through qemu-i386"
  if [ "$(id -u)" = 0 ]; then
    apt-get install -y -qq --no-install-recommends qemu-user-static >/dev/null
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
    if [ ! -e "$binfmt/qemu-i386" ]; then
      printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
        > "$binfmt/register"
    fi
  fi
  /usr/lib/wine/wine --version
fi
