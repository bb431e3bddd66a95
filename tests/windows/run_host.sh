#!/usr/bin/env bash
# Runs the 32-bit Windows host program under wine, in a working directory of
# its own with the DLL beside the program, as the engine is installed.
#   run_host.sh WINE BUILD_DIR WINEPREFIX
# Exits 77 (the test is skipped) when wine cannot start 32-bit programs here.
set -uo pipefail
wine=$1 build_dir=$2 prefix=$3

export WINEPREFIX=$prefix
export WINEDEBUG=-all
# No Mono or Gecko installer, no display needed.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

if ! "$wine" --version >/dev/null 2>&1; then
  echo "wine cannot start 32-bit programs on this machine: the Windows host test is skipped"
  echo "(on a kernel without 32-bit support, register qemu-i386 through binfmt_misc; .ci/windows.sh does)"
  exit 77
fi

work=$build_dir/host-run
rm -rf "$work"
mkdir -p "$work" "$(dirname "$prefix")"
cp "$build_dir/KelvoScriptparser.dll" "$build_dir/kelvo_host.exe" "$work/" || exit 1

if [ ! -f "$prefix/system.reg" ]; then
  echo "creating the wine prefix $prefix (first start takes a while)"
  start=$SECONDS
  timeout 1200 "$wine" wineboot --init </dev/null >"$build_dir/wineboot.log" 2>&1
  echo "wineboot: exit $?, $((SECONDS - start)) s"
fi

start=$SECONDS
(cd "$work" && timeout 1200 "$wine" kelvo_host.exe </dev/null >host.log 2>&1)
rc=$?
timeout 120 wineserver -w 2>/dev/null
cat "$work/host.log"
echo "kelvo_host.exe: exit $rc after $((SECONDS - start)) s"
exit $rc
