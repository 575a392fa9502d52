#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what desktops, man and users find there.
# Usage: check-install.sh BUILD_DIR
set -euo pipefail
build="$1"
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
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
  fi
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
    gzip -dc "$man_page" | grep -q "^\.TH $(echo "$page" | tr a-z A-Z) 1" || fail "$page.1.gz is no section 1 page"
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

[ "$failures" -eq 0 ] && echo "install layout: all checks passed"
exit "$failures"
