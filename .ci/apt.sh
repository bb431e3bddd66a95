# Sourced by the CI scripts: apt-get that outlasts a mirror in the middle of
# a sync. An index that fails to download makes 'apt-get update' exit 100;
# a package caught between two syncs fails its hash. Both pass in a minute
# or two, so each is tried again before the run gives up.

apt_update() {
  local try
  for try in 1 2 3 4 5 6; do
    if apt-get update -qq; then return 0; fi
    echo "apt.sh: apt-get update failed (try $try of 6); again in 20 s" >&2
    sleep 20
  done
  # The lists from the last good update still serve; if a package is missing
  # from them, apt_install fails and says so.
  echo "apt.sh: apt-get update kept failing; going on with the lists at hand" >&2
}

apt_install() {
  local try
  for try in 1 2 3 4; do
    if apt-get install -y -qq --no-install-recommends "$@" >/dev/null; then return 0; fi
    echo "apt.sh: apt-get install failed (try $try of 4); updating and again in 20 s" >&2
    sleep 20
    apt-get update -qq || true
  done
  apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}
