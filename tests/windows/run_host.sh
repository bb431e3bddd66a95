#!/usr/bin/env bash
# Runs the 32-bit Windows host program under wine, in a working directory of
# its own with the DLL beside the program, as the engine is installed, and
# with the behaviour table and the Linux build's reference output beside it.
#   run_host.sh WIN32_DIR WINE_STATE_DIR SCENARIO_DIR REFERENCE_DIR
# The host starts its GUI-subsystem twin itself; its report lands in
# kelvo_host_gui.log, shown here too. Exits with the host's status.
set -uo pipefail
win32=$1 state=$2 scenarios=$3 reference=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

work=$win32/host-run
rm -rf "$work"
mkdir -p "$work/scenarios"
for file in KelvoScriptparser.dll kelvo_host.exe kelvo_host_gui.exe; do
  cp "$win32/$file" "$work/" || exit 1
done
cp "$scenarios"/*.txt "$work/scenarios/" || exit 1
# What the Linux build made of the large source (the test LargeSource writes it).
for file in large_source.result large_source.errors; do
  cp "$reference/$file" "$work/" || { echo "run_host.sh: no $reference/$file (the test LargeSource writes it)"; exit 1; }
done

bash "$here/wine_run.sh" setup "$state" || exit
start=$SECONDS
bash "$here/wine_run.sh" run "$state" host "$work" 280 kelvo_host.exe
status=$?
if [ -f "$work/kelvo_host_gui.log" ]; then
  echo "---- kelvo_host_gui.log"
  cat "$work/kelvo_host_gui.log"
fi
echo "kelvo_host.exe: exit $status after $((SECONDS - start)) s"
exit "$status"
