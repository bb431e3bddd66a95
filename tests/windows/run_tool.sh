#!/usr/bin/env bash
# Runs kelvo.exe under wine on a source script and compares what it prints
# and its exit status with the Linux build's kelvo on the same file.
#   run_tool.sh WIN32_DIR WINE_STATE_DIR LINUX_KELVO SOURCE
# Windows writes standard output in text mode: CR LF is read as a line feed
# before the comparison.
set -uo pipefail
win32=$1 state=$2 linux_tool=$3 source=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
name=$(basename "$source")

work=$win32/tool-run
rm -rf "$work"
mkdir -p "$work"
cp "$win32/kelvo.exe" "$source" "$work/" || exit 1

bash "$here/wine_run.sh" setup "$state" || exit
(cd "$work" && "$linux_tool" "$name" >linux.out 2>linux.err)
linux_status=$?
bash "$here/wine_run.sh" run "$state" tool "$work" 120 kelvo.exe "$name" >"$work/windows.raw" 2>"$work/windows.err.raw"
windows_status=$?
sed 's/\r$//' "$work/windows.raw" >"$work/windows.out"
sed 's/\r$//' "$work/windows.err.raw" >"$work/windows.err"

failed=0
if [ "$windows_status" != "$linux_status" ]; then
  echo "exit status: kelvo.exe $windows_status, Linux kelvo $linux_status"
  failed=1
fi
for stream in out err; do
  if ! cmp -s "$work/linux.$stream" "$work/windows.$stream"; then
    case $stream in out) what="standard output" ;; *) what="standard error" ;; esac
    echo "$what differs (< Linux, > Windows):"
    diff "$work/linux.$stream" "$work/windows.$stream" | head -40
    failed=1
  fi
done
echo "kelvo.exe $name: exit $windows_status, $(wc -l <"$work/windows.out") lines of host script, $(wc -c <"$work/windows.err") bytes of messages"
[ "$failed" = 0 ] && echo "the same as the Linux kelvo"
exit "$failed"
