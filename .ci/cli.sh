#!/usr/bin/env bash
# Checks of the kelvo tool that the common test run cannot make as root:
# the command-line tests again as an unprivileged user, so that a source
# without read permission really fails. Runs after the build of .ci/run
# (expects ./build); takes a few seconds.
set -euo pipefail
cd "$(dirname "$0")/.."

tests=build/tests/kelvo_cli_tests
if [ ! -x "$tests" ]; then
  echo "cli.sh: $tests is missing; build first" >&2
  exit 1
fi

# The README's main command, on the example script.
./build/kelvo examples/demo.kelvo >/dev/null

if [ "$(id -u)" != 0 ]; then
  echo "cli.sh: not root; the permission test already ran unprivileged in ctest"
  exit 0
fi
if ! id nobody >/dev/null 2>&1 || ! runuser -u nobody -- test -x "$tests"; then
  echo "cli.sh: user nobody cannot run $tests here; permission test not run unprivileged"
  exit 0
fi
log=$(runuser -u nobody -- "$tests" --gtest_brief=1 2>&1) || { echo "$log"; exit 1; }
echo "$log" | tail -n 3
if echo "$log" | grep -q 'SKIPPED'; then
  echo "cli.sh: a command-line test was skipped as nobody" >&2
  exit 1
fi
