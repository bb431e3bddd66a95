#!/usr/bin/env bash
# Installs code-server from the npm registry into the build tree, for the
# test that installs kelvo.vsix into a real editor and drives it in
# chromium (tests/editors/code_server.test.mjs):
#   bash .ci/code-server.sh [BUILD_DIR]     (default: build)
# It lands in BUILD_DIR/code-server, with npm's cache beside it, so that
# nothing is kept outside the build tree. code-server 4.100.3 is the newest
# that runs on Node.js 20 (later ones need 22 or 24). Its install scripts
# would download prebuilt programs, which is why they are skipped and the
# native modules are rebuilt from source against the machine's Node.js,
# with Debian's ripgrep in place of the one the editor would fetch.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/apt.sh"
export DEBIAN_FRONTEND=noninteractive
version=4.100.3
build=$(realpath -m "${1:-build}")
dir=$build/code-server
cache=$dir/npm-cache
started=$(date +%s)

if [ "$(id -u)" = 0 ]; then
  apt_install \
    libkrb5-dev libx11-dev libxkbfile-dev libsecret-1-dev pkg-config build-essential python3 ripgrep
fi
for program in node npm rg make g++ python3; do
  if ! command -v "$program" >/dev/null; then
    echo "code-server.sh: $program is missing; the code-server test fails under CI" >&2
    exit 0
  fi
done

# The native modules build against the headers of the machine's Node.js,
# where its package put them, instead of fetching a copy.
if [ -z "${npm_config_nodedir:-}" ] && [ -f /usr/include/node/node.h ]; then
  export npm_config_nodedir=/usr
fi

entry=$dir/node_modules/code-server/out/node/entry.js
if [ -f "$dir/installed-$version" ] && [ -f "$entry" ]; then
  echo "code-server.sh: code-server $version is in $dir"
  exit 0
fi
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir"
echo '{ "name": "kelvo-code-server", "private": true }' >package.json
npm_flags=(--cache "$cache" --no-audit --no-fund --loglevel=error)
npm install --ignore-scripts "${npm_flags[@]}" "code-server@$version"
(
  cd node_modules/code-server/lib/vscode
  npm install --ignore-scripts --omit=dev "${npm_flags[@]}"
  mkdir -p node_modules/@vscode/ripgrep/bin
  ln -sf "$(command -v rg)" node_modules/@vscode/ripgrep/bin/rg
  npm_config_yes=true npm rebuild "${npm_flags[@]}"
)
npm rebuild argon2 "${npm_flags[@]}"
touch "installed-$version"
echo "code-server.sh: code-server $version installed in $dir in $(( $(date +%s) - started )) s"
