#!/usr/bin/env bash
# Runs the 32-bit Windows host program under wine, in a working directory of
# its own with the DLL beside the program, as the engine is installed.
#   run_host.sh WINE BUILD_DIR WINEPREFIX
# Exits 77 (the test is skipped) when wine cannot start 32-bit programs here.
set -uo pipefail
wine=$1 build_dir=$2 prefix=$3

export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEARCH=win32
# The 32-bit server: with a 64-bit one the process lays out its address space
# for WoW64, which fails where it runs through qemu-i386.
if [ -x /usr/lib/wine/wineserver32 ]; then
  export WINESERVER=/usr/lib/wine/wineserver32
fi
# Where qemu-i386 runs the 32-bit programs: give the guest the whole 4 GB
# address space up front, so that the fixed places that wine maps (the shared
# user data at 0x7ffe0000) are free.
export QEMU_RESERVED_VA=${QEMU_RESERVED_VA:-0xffff0000}
# No Mono or Gecko installer, no display needed.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

if ! "$wine" --version >/dev/null 2>&1; then
  echo "wine cannot start 32-bit programs on this machine: the Windows host test is skipped"
  echo "(on a kernel without 32-bit support: KELVO_WINE_EMULATED=1 bash .ci/windows.sh registers qemu-i386)"
  exit 77
fi

# Through an emulator (qemu-i386 registered for 32-bit programs, on a kernel
# that starts none itself) booting the prefix has been seen to take more than
# 20 minutes, so that run is asked for explicitly.
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && [ "${KELVO_WINE_EMULATED:-0}" != 1 ]; then
  echo "wine runs here only through qemu-i386: the Windows host test is skipped"
  echo "(set KELVO_WINE_EMULATED=1 to run it anyway; it takes very long)"
  exit 77
fi

work=$build_dir/host-run
rm -rf "$work"
mkdir -p "$work" "$(dirname "$prefix")"
cp "$build_dir/KelvoScriptparser.dll" "$build_dir/kelvo_host.exe" "$work/" || exit 1

# A prefix of our own, made once: the first start of wine boots it, which
# takes minutes where 32-bit programs run through an emulator. The boot goes
# on in the background after wineboot returns; wineserver -w waits for it.
if [ ! -f "$prefix/.kelvo-ready" ]; then
  echo "creating the wine prefix $prefix (takes a while the first time)"
  rm -rf "$prefix"
  start=$SECONDS
  timeout 1500 "$wine" wineboot --init </dev/null >"$build_dir/wineboot.log" 2>&1
  echo "wineboot: exit $?"
  timeout 1500 "${WINESERVER:-wineserver}" -w
  if [ -f "$prefix/drive_c/windows/system32/kernel32.dll" ]; then
    touch "$prefix/.kelvo-ready"
  fi
  echo "wine prefix ready after $((SECONDS - start)) s"
fi

start=$SECONDS
(cd "$work" && timeout 1500 "$wine" kelvo_host.exe </dev/null >host.log 2>&1)
rc=$?
# End what the run left in the prefix (wineserver and its helpers).
timeout 60 "${WINESERVER:-wineserver}" -k 2>/dev/null
cat "$work/host.log"
echo "kelvo_host.exe: exit $rc after $((SECONDS - start)) s"
exit $rc
