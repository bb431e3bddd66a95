#!/usr/bin/env bash
# Installs what the Windows DLL tests need on a fresh Debian 12 machine: the
# mingw-w64 cross compiler for 32-bit Windows, a 32-bit wine, and qemu-i386
# for kernels that start no 32-bit program themselves. It builds and tests
# nothing itself: the README's test command, which .ci/run runs afterwards,
# cross-builds the DLL, checks its tables and the ZIP and runs the host
# program and kelvo.exe under wine along with every other test.
#
# Where the kernel starts no 32-bit program (ia32 emulation off), qemu-i386
# is registered with binfmt_misc to start them; tests/windows/wine_run.sh
# then makes wine fast under the emulator (a host run takes some 20 seconds).
# (Not wine64: with a 64-bit wineserver the 32-bit process lays out its
# address space for WoW64, which fails under the emulator.)
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/apt.sh"
cd "$(dirname "$0")/.."
export DEBIAN_FRONTEND=noninteractive

if [ "$(id -u)" = 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    unset KELVO_APT_UPDATED
  fi
  apt_update
  apt_install \
    g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 qemu-user-static
fi

binfmt=/proc/sys/fs/binfmt_misc
# Can a 32-bit program start here, by the kernel or by a registered emulator?
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  if [ -r "$binfmt/qemu-i386" ] && [ "$(head -n 1 "$binfmt/qemu-i386")" = enabled ]; then
    echo "windows.sh: 32-bit programs start through qemu-i386"
  else
    echo "windows.sh: the kernel starts 32-bit programs itself"
  fi
elif [ "$(id -u)" = 0 ]; then
  echo "windows.sh: the kernel starts no 32-bit program; registering qemu-i386 for them"
  [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
  if [ -e "$binfmt/qemu-i386" ]; then
    echo 1 >"$binfmt/qemu-i386"
  else
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      >"$binfmt/register"
  fi
  /usr/lib/wine/wine --version
else
  echo "windows.sh: 32-bit programs cannot start here, and registering qemu-i386 needs root" >&2
fi
