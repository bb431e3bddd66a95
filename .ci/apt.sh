# Sourced by the CI scripts: apt-get that outlasts a mirror in the middle of
# a sync. An index that fails to download makes 'apt-get update' exit 100;
# a package caught between two syncs fails its hash. Each is tried again,
# and an index that stays stale is worked around rather than fatal.

# One update serves the scripts that .ci/run starts after it (they inherit
# KELVO_APT_UPDATED); a script that adds an architecture unsets it first.
apt_update() {
  local try
  [ -z "${KELVO_APT_UPDATED:-}" ] || return 0
  export KELVO_APT_UPDATED=1
  for try in 1 2 3 4; do
    if apt-get update -qq; then return 0; fi
    echo "apt.sh: apt-get update failed (try $try of 4); again in 15 s" >&2
    sleep 15
  done
  # The indexes that did download are in place, and the last good ones serve
  # for the rest; a package missing from them makes apt_install fail and say so.
  echo "apt.sh: apt-get update kept failing; going on with the indexes at hand" >&2
}

# When an index stays missing (the security archive's i386 one, say), the
# packages of one architecture are newer than those of the other, and a
# Multi-Arch pair cannot be installed; the release itself has every index in
# step, so the last try takes its packages.
apt_install() {
  local try release
  for try in 1 2; do
    if apt-get install -y -qq --no-install-recommends "$@" >/dev/null; then return 0; fi
    echo "apt.sh: apt-get install failed (try $try of 2); updating and again in 15 s" >&2
    sleep 15
    apt-get update -qq || true
  done
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "apt.sh: installing from the release $release itself" >&2
  apt-get install -y -qq --no-install-recommends -t "$release" "$@" >/dev/null
}
