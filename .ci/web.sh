#!/usr/bin/env bash
# Installs what the WebAssembly and playground tests need on a fresh Debian
# 12 machine: emscripten with acorn for its JavaScript optimizer, and
# chromium for the browser test. It builds and tests nothing itself: the
# README's test command, which .ci/run runs afterwards, builds the module
# and the page with emscripten (npm ci of web/package-lock.json for esbuild,
# the editor component and playwright-core) and runs the tests.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/apt.sh"
export DEBIAN_FRONTEND=noninteractive

if [ "$(id -u)" = 0 ]; then
  apt_install emscripten node-acorn chromium
fi
for program in emcc chromium node npm; do
  command -v "$program" >/dev/null || echo "web.sh: $program is missing; its tests fail under CI" >&2
done
