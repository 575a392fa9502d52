#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what desktops, man and users find there.
# Usage: check-install.sh BUILD_DIR VERSION VALIDATE_METADATA
set -euo pipefail
build="$1"
version="$2"
validate_metadata="$3"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for program in taskclear taskstore; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not installed"
done

desktop="$prefix/share/applications/taskclear.desktop"
if [ -f "$desktop" ]; then
  exec_program="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
  [ -x "$prefix/bin/$exec_program" ] || fail "the desktop entry starts '$exec_program', which is not in bin"
  icon="$(sed -n 's/^Icon=//p' "$desktop")"
  [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon '$icon'"
else
  fail "no desktop entry"
fi

# Each hicolor size folder must hold a picture of exactly that size (PNG width and height sit at
# bytes 16 to 23, big-endian).
sizes=0
for png in "$prefix"/share/icons/hicolor/*x*/apps/taskclear.png; do
  [ -f "$png" ] || continue
  folder="$(basename "$(dirname "$(dirname "$png")")")"
  read -r width height < <(od -An -tu1 -j16 -N8 "$png" | awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
  [ "${width}x${height}" = "$folder" ] || fail "$folder/apps/taskclear.png is ${width}x${height}"
  sizes=$((sizes + 1))
done
[ "$sizes" -ge 5 ] || fail "only $sizes icon sizes installed"

for page in taskclear taskstore; do
  man_page="$prefix/share/man/man1/$page.1.gz"
  if [ -f "$man_page" ]; then
    gzip -dc "$man_page" | grep -q "^\.TH $(echo "$page" | tr a-z A-Z) 1 \"[0-9-]*\" \"taskclear $version\"" \
      || fail "$page.1.gz is no section 1 page of version $version"
  else
    fail "no manual page for $page"
  fi
done

# Every option that taskstore --help lists is in its manual page.
if [ -x "$prefix/bin/taskstore" ] && [ -f "$prefix/share/man/man1/taskstore.1.gz" ]; then
  manual="$(gzip -dc "$prefix/share/man/man1/taskstore.1.gz" | sed 's/\\-/-/g')"
  for option in $("$prefix/bin/taskstore" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -qF -- "$option" <<<"$manual" || fail "taskstore.1 does not describe $option"
  done
fi

# What Debian and software centres read about the package carry this version.
docs="$prefix/share/doc/taskclear"
gzip -dc "$docs/changelog.Debian.gz" 2>/dev/null | sed -n 1p | grep -q "^taskclear ($version-[0-9]*) " \
  || fail "changelog.Debian.gz does not start with version $version"
gzip -dc "$docs/changelog.gz" 2>/dev/null | grep -q "^## \[$version\] - " \
  || fail "changelog.gz has no entry for version $version"
head -1 "$docs/copyright" 2>/dev/null | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' \
  || fail "the copyright file is not machine-readable"
metainfo=("$prefix"/share/metainfo/*.metainfo.xml)
if [ -f "${metainfo[0]}" ]; then
  grep -q "<release version=\"$version\" date=\"[0-9-]*\"/>" "${metainfo[0]}" \
    || fail "the metainfo lists no release $version"
  "$validate_metadata" "$prefix" >/dev/null || fail "the metadata or the desktop entry is not valid"
else
  fail "no AppStream metainfo"
fi

[ "$failures" -eq 0 ] && echo "install layout: all checks passed"
exit "$failures"
