#!/usr/bin/env bash
# Builds small Windows programs with mingw-w64 and holds the import check to them: a program that
# imports only what Windows 10 1809 has and a DLL shipped beside it passes; one that imports a
# function of a later Windows, or a DLL that is neither shipped nor Windows', fails by name.
# Usage: check-windows-imports-test.sh CHECKER RULES
set -euo pipefail
checker="$(realpath "$1")"
rules="$(realpath "$2")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cc=x86_64-w64-mingw32-gcc
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
cd "$work"

# A DLL of our own, and an import library that names a function kernel32 has only since
# Windows 10 build 20348 (mingw-w64's own kernel32 library does not list it).
printf '__declspec(dllexport) int helper_value(void) { return 7; }\n' > helper.c
$cc -shared helper.c -o helper.dll -Wl,--out-implib,libhelper.a
printf 'LIBRARY KERNEL32.dll\nEXPORTS\nGetTempPath2W\n' > newer.def
x86_64-w64-mingw32-dlltool -d newer.def -l libnewer.a

cat > good.c <<'C'
#include <windows.h>
__declspec(dllimport) int helper_value(void);
int main(void) { return (int)GetTickCount() + helper_value(); }
C
cat > newer.c <<'C'
#include <windows.h>
__declspec(dllimport) DWORD WINAPI GetTempPath2W(DWORD length, LPWSTR buffer);
int main(void) { wchar_t path[MAX_PATH + 1]; return (int)GetTempPath2W(MAX_PATH + 1, path); }
C
mkdir good newer unshipped
$cc good.c -o good/program.exe -L. -lhelper
cp helper.dll good/
$cc newer.c -o newer/program.exe -L. -lnewer
$cc good.c -o unshipped/program.exe -L. -lhelper

# check FOLDER: the checker's output, its status last.
check() { "$checker" "$1" "$rules" "$1.list" 2>&1 && echo "status 0" || echo "status $?"; }

out="$(check good)"
grep -q '^status 0$' <<<"$out" || fail "a program importing only Windows and shipped DLLs failed: $out"
grep -q '^program.exe KERNEL32.dll GetTickCount$' good.list || fail "the listing lacks KERNEL32.dll GetTickCount"
! grep -qi '^[^ ]* helper.dll ' good.list || fail "the listing counts the shipped DLL as Windows'"

out="$(check newer)"
grep -q '^status 1$' <<<"$out" || fail "a program importing GetTempPath2W passed: $out"
grep -q 'GetTempPath2W' <<<"$out" || fail "the fault does not name GetTempPath2W: $out"

out="$(check unshipped)"
grep -q '^status 1$' <<<"$out" || fail "a program importing an unshipped DLL passed: $out"
grep -q 'helper.dll' <<<"$out" || fail "the fault does not name helper.dll: $out"

[ "$failures" -eq 0 ] && echo "windows import check: all checks passed"
exit "$failures"
