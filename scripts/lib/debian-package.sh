# Sourced by the scripts that make the Debian package: builds it and judges it with Debian's and
# AppStream's own checkers. Needs dpkg-dev, lintian, appstream and desktop-file-utils.

# build_debian_package SOURCE BUILD: configures SOURCE in BUILD with its linux-release preset (as
# released, no tests), builds and packs it; sets deb to the package's path. SOURCE_DATE_EPOCH, when
# set, dates its files.
build_debian_package() {
  cmake -S "$1" -B "$2" --preset linux-release >/dev/null
  cmake --build "$2" --parallel "$(nproc)"
  rm -f "$2"/taskclear_*.deb
  (cd "$2" && cpack -G DEB >/dev/null)
  deb="$(ls "$2"/taskclear_*.deb)"
}

# check_debian_package DEB: lintian (any error or warning fails), then the metadata and desktop
# entry of the package's files. Returns non-zero on any complaint.
check_debian_package() {
  local root status=0
  # lintian's note on running as root is about the run, not the package.
  lintian --fail-on error,warning "$1" 2> >(grep -v 'running with root privileges' >&2) || return 1
  root="$(mktemp -d)"
  dpkg-deb -x "$1" "$root"
  "$(dirname "${BASH_SOURCE[0]}")/validate-metadata.sh" "$root/usr" || status=1
  rm -rf "$root"
  return "$status"
}
