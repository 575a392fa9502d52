#!/usr/bin/env bash
# Usage: validate-metadata.sh PREFIX
# Judges an installed tree (its share/ under PREFIX) as a software centre and a desktop would: the
# AppStream metadata together with the desktop entry and icons it names, and every desktop entry.
# Any error, warning or note fails, with one exception: the placeholder domain's top level is not
# one AppStream knows.
set -euo pipefail
prefix="$1"
appstreamcli validate-tree --no-net --strict --override=cid-maybe-not-rdns=pedantic "$prefix"
for entry in "$prefix"/share/applications/*.desktop; do
  complaints="$(desktop-file-validate "$entry" 2>&1)" || true
  if [ -n "$complaints" ]; then
    echo "$complaints" >&2
    exit 1
  fi
done
