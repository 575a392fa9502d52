# Sourced by scripts that run Windows programs under Wine: a Wine prefix of the caller's own and a
# private ODBC configuration in which FreeTDS stands in for Microsoft's "ODBC Driver 18 for SQL
# Server" (FreeTDS does not read that driver's Encrypt keyword).
# Nothing system-wide is registered.

# use_wine_prefix FOLDER: exports WINEPREFIX, WINEDEBUG, WINEDLLOVERRIDES and ODBCSYSINI, and
# creates the prefix on first use (a few seconds).
use_wine_prefix() {
  local folder="$1"
  mkdir -p "$folder/odbc"
  export WINEPREFIX="$folder/prefix" WINEDEBUG=-all WINEARCH=win64
  # No Mono or Gecko installer dialogs: the programs need neither.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export ODBCSYSINI="$folder/odbc"
  local driver
  driver="$(find /usr/lib -path '*/odbc/libtdsodbc.so' -print -quit)"
  [ -n "$driver" ] || { echo "wine-env: the FreeTDS ODBC driver (tdsodbc) is not installed" >&2; return 1; }
  printf '[ODBC Driver 18 for SQL Server]\nDescription=FreeTDS standing in for the Windows driver\nDriver=%s\n' \
    "$driver" > "$ODBCSYSINI/odbcinst.ini"
  : > "$ODBCSYSINI/odbc.ini"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot --init >/dev/null 2>&1
    wineserver --wait
  fi
}

# map_song_font: Windows' 宋体 (SimSun) is absent under Wine; the prefix maps both names to the
# Song-style font the Linux build uses.
map_song_font() {
  local reg="$WINEPREFIX/song-font.reg"
  # regedit reads a version 5 file as UTF-16 with its byte order mark, so the Chinese name survives.
  { printf '\xff\xfe'
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"SimSun"="AR PL UMing CN"\r\n"宋体"="AR PL UMing CN"\r\n' \
      | iconv -f UTF-8 -t UTF-16LE
  } > "$reg"
  wine regedit /S "$reg" >/dev/null 2>&1
  wineserver --wait
}
