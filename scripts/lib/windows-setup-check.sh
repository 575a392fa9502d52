# Sourced by scripts/windows-run: installs the setup program silently into a fresh Wine prefix, per
# machine and per user, checks the files, the Start menu shortcut and the Add/Remove Programs entry,
# and uninstalls silently, after which only what the user created may be left.
# Needs: use_wine_prefix (wine-env.sh), fail, and the functions of windows-run that log on.

# registry_value HIVE_FILE VALUE: a value of the uninstall entry as Wine stores it (\xNNNN escapes
# for non-ASCII characters), empty when the entry is missing.
registry_value() {
  awk -v name="\"$2\"" '
    /^\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\taskclear\]/ { inside = 1; next }
    /^\[/ { inside = 0 }
    inside && index($0, name "=") == 1 { print substr($0, length(name) + 2) }' "$1"
}

# wine_escaped TEXT: TEXT as Wine writes it into its registry files.
wine_escaped() {
  python3 -c 'import sys; print("".join(c if ord(c) < 128 else "\\x%04x" % ord(c) for c in sys.argv[1]))' "$1"
}

# prefix_files DRIVE: every file and folder of the prefix's drive, sorted; Temp is left out, as it
# holds the uninstaller's own copy, which Windows removes later.
prefix_files() { find "$1" -path '*/Temp' -prune -o -print | sort; }

# check_setup SETUP FILE_LIST VERSION MODE: MODE is AllUsers or CurrentUser.
check_setup() {
  local setup="$1" files="$2" version="$3" mode="$4"
  local prefix_folder="$work/setup-$mode"
  use_wine_prefix "$prefix_folder"
  local c="$WINEPREFIX/drive_c" dir start hive
  if [ "$mode" = AllUsers ]; then
    dir="$c/Program Files/taskclear"; start="$c/ProgramData/Microsoft/Windows/Start Menu/Programs"
    hive="$WINEPREFIX/system.reg"
  else
    dir="$c/users/$(id -un)/AppData/Local/Programs/taskclear"
    start="$c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
    hive="$WINEPREFIX/user.reg"
  fi
  # Windows 10 and later have the per-user programs folder; a fresh Wine prefix does not.
  mkdir -p "$c/users/$(id -un)/AppData/Local/Programs"
  prefix_files "$c" > "$prefix_folder/before"

  wine "$setup" /S "/$mode"
  wineserver --wait
  local file
  while read -r file; do
    [ -f "$dir/$file" ] || fail "setup ($mode) did not install $file"
  done < "$files"
  [ -f "$dir/uninstall.exe" ] || fail "setup ($mode) wrote no uninstaller"
  [ -f "$start/直接清除异常任务.lnk" ] || fail "setup ($mode) made no Start menu shortcut"
  [ "$(registry_value "$hive" DisplayVersion)" = "\"$version\"" ] || fail "uninstall entry ($mode): no version $version"
  [ "$(registry_value "$hive" Publisher)" = "\"$(wine_escaped Q6产品支持部)\"" ] || fail "uninstall entry ($mode): publisher"
  [ "$(registry_value "$hive" DisplayName)" = "\"$(wine_escaped 直接清除异常任务)\"" ] || fail "uninstall entry ($mode): name"
  echo "windows-run: setup ($mode) installed $(wc -l < "$files") files, the shortcut and the uninstall entry"

  if [ "$mode" = AllUsers ]; then
    map_song_font
    local exe="C:\\Program Files\\taskclear\\taskclear.exe" login pid
    wine "$exe" >/dev/null 2>&1 &
    pid=$!
    login="$(login_window)" || fail "the installed tool shows no login window"
    type_server "$login" "$port"
    press_ok
    main_window >/dev/null || fail "the installed tool shows no main window after the log-on"
    stop "$pid"
    wineserver -k 2>/dev/null || true
    echo "windows-run: the installed tool logged on to taskstore and showed its main window"
  fi

  # A file of the user's own in the program's folder survives the uninstall, and so does the folder.
  echo "the user's own notes" > "$dir/notes.txt"
  wine "$dir/uninstall.exe" /S
  wineserver --wait
  prefix_files "$c" > "$prefix_folder/after"
  local left
  left="$(comm -13 "$prefix_folder/before" "$prefix_folder/after")"
  [ "$left" = "$(printf '%s\n%s' "$dir" "$dir/notes.txt")" ] \
    || fail "uninstall ($mode) left more than the user's file: $left"
  [ -z "$(registry_value "$hive" DisplayName)" ] || fail "uninstall ($mode) left the uninstall entry"
  echo "windows-run: uninstall ($mode) removed every installed file, the shortcut and the entry"
}
