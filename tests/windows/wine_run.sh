#!/usr/bin/env bash
# Starts 32-bit Windows programs under wine for the tests, the same way on
# every machine:
#
#   wine_run.sh setup STATE_DIR
#       Finds out how 32-bit programs start here and prepares what that needs
#       under STATE_DIR; exits 0 when wine can start a 32-bit program.
#   wine_run.sh run STATE_DIR NAME WORK_DIR SECONDS PROGRAM [ARGUMENT...]
#       The setup, then PROGRAM (a path relative to WORK_DIR, or absolute) in
#       WORK_DIR with a fresh wine prefix STATE_DIR/prefix-NAME, standard
#       input from /dev/null, at most SECONDS seconds; exits with the
#       program's status. Runs of different NAMEs may go on side by side.
#
# Two routes:
# - Native: the kernel starts 32-bit programs itself; wine runs as it is.
# - Emulated: the kernel starts none, and qemu-i386, registered with
#   binfmt_misc (.ci/windows.sh does that), starts them instead. The
#   emulator takes wine's mmap(MAP_FIXED_NOREPLACE) for a hint, which makes
#   wine search its address space for many minutes; the preloaded wrapper of
#   noreplace_preload.c, built into STATE_DIR/preload, restores the flag.
# Either way the prefix is bare: a directory whose .update-timestamp says
# "disable", so wine never boots (installs) it, and WINEBOOTSTRAPMODE=1 lets
# the program start in it all the same. A program starts in about 2 seconds
# on the emulated route.
#
# Where wine cannot start a 32-bit program, `setup` exits 77 (the tests are
# skipped), except under CI (CI=true), where that is a failure (exit 1).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
preload_name=kelvo_noreplace.so
binfmt_entry=/proc/sys/fs/binfmt_misc/qemu-i386

# Is qemu-i386 what starts 32-bit programs here?
emulated() {
  [ -r "$binfmt_entry" ] && [ "$(head -n 1 "$binfmt_entry")" = enabled ]
}

# Not ready: a skip outside CI, a failure under CI.
not_ready() {
  echo "wine_run.sh: $*" >&2
  if [ "${CI:-}" = true ]; then
    echo "wine_run.sh: under CI a missing prerequisite is a failure" >&2
    exit 1
  fi
  exit 77
}

# The wrapper for the emulated processes, and an empty library of the same
# name for the 64-bit ones: the loader of a 32-bit process reads the $LIB of
# LD_PRELOAD as lib/i386-linux-gnu, that of a 64-bit one (wine's server
# script under /bin/sh) as lib/x86_64-linux-gnu.
build_preload() {
  local dir=$1 cc=${CC:-gcc}
  case $dir in
    *[\ :,]*) not_ready "the build directory '$dir' holds a blank, colon or comma, which LD_PRELOAD cannot take" ;;
  esac
  command -v "$cc" >/dev/null || not_ready "no C compiler '$cc' to build $preload_name"
  local lib32=$dir/lib/i386-linux-gnu lib64=$dir/lib/x86_64-linux-gnu
  [ -f "$lib32/$preload_name" ] && [ -f "$lib64/$preload_name" ] &&
    [ "$lib32/$preload_name" -nt "$here/noreplace_preload.c" ] && return 0
  mkdir -p "$lib32" "$lib64"
  # Built under names of this process and then renamed, so that runs side by
  # side never load a half-written library.
  "$cc" -m32 -O2 -shared -fPIC -nostdlib -ffreestanding -fno-stack-protector -Wall -Wextra \
    -o "$lib32/$preload_name.$$" "$here/noreplace_preload.c" ||
    not_ready "cannot build the 32-bit $preload_name with $cc -m32"
  "$cc" -shared -fPIC -nostdlib -x c -o "$lib64/$preload_name.$$" /dev/null ||
    not_ready "cannot build the empty 64-bit $preload_name"
  mv -f "$lib64/$preload_name.$$" "$lib64/$preload_name"
  mv -f "$lib32/$preload_name.$$" "$lib32/$preload_name"
}

# The environment of every wine start.
wine_environment() {
  local state=$1 prefix=$2
  export WINEPREFIX=$prefix
  export WINEARCH=win32
  export WINEDEBUG=-all
  export WINEBOOTSTRAPMODE=1
  # No Mono or Gecko installer, no menu entries, no display.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  unset DISPLAY WAYLAND_DISPLAY
  # The 32-bit server: with a 64-bit one the process lays out its address
  # space for WoW64, which fails under the emulator.
  if [ -x /usr/lib/wine/wineserver32 ]; then
    export WINESERVER=/usr/lib/wine/wineserver32
  fi
  if emulated; then
    # The guest gets the whole 4 GB address space up front, so that the fixed
    # places wine maps (the shared user data at 0x7ffe0000) are free.
    export QEMU_RESERVED_VA=0xffff0000
    # Literally $LIB: each loader puts in its own library directory.
    export QEMU_SET_ENV="LD_PRELOAD=$state/preload/\$LIB/$preload_name"
  fi
}

setup() {
  local state
  mkdir -p "$1" && state=$(cd "$1" && pwd) || not_ready "cannot make $1"
  command -v wine >/dev/null || not_ready "no wine (apt-get install wine wine32:i386)"
  if emulated; then
    echo "wine route: emulated (qemu-i386 starts 32-bit programs here)"
    build_preload "$state/preload"
  elif [ -e "$binfmt_entry" ]; then
    echo "wine route: native (qemu-i386 is registered but disabled)"
  else
    echo "wine route: native (the kernel starts 32-bit programs)"
  fi
  wine_environment "$state" "$state/prefix-setup"
  local version
  version=$(timeout 120 wine --version 2>&1) ||
    not_ready "wine cannot start 32-bit programs here: $version (.ci/windows.sh registers qemu-i386 where the kernel starts none)"
  echo "$version"
}

run() {
  local state name=$2 work=$3 seconds=$4
  mkdir -p "$1" && state=$(cd "$1" && pwd) || return
  shift 4
  local prefix=$state/prefix-$name
  setup "$state" >/dev/null
  rm -rf "$prefix"
  mkdir -p "$prefix"
  echo disable >"$prefix/.update-timestamp"
  wine_environment "$state" "$prefix"
  local status
  (cd "$work" && timeout "$seconds" wine "$@" </dev/null)
  status=$?
  # End what the run left behind in its own prefix (the wineserver).
  timeout 60 "${WINESERVER:-wineserver}" -k 2>/dev/null
  [ "$status" = 124 ] && echo "wine_run.sh: $1 did not end within $seconds s" >&2
  return "$status"
}

case ${1:-} in
  setup) [ $# = 2 ] || { echo "usage: wine_run.sh setup STATE_DIR" >&2; exit 2; }; setup "$2" ;;
  run) [ $# -ge 6 ] || { echo "usage: wine_run.sh run STATE_DIR NAME WORK_DIR SECONDS PROGRAM [ARGUMENT...]" >&2; exit 2; }
       shift; run "$@" ;;
  *) echo "usage: wine_run.sh setup|run ..." >&2; exit 2 ;;
esac
