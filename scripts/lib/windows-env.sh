# Sourced by the Windows build scripts (after setting root): the project's version, where the
# long-lived Windows Qt lives and its version, the mingw runtime, and install_missing.

# The one place the version is set is the top-level CMake project.
project_version="$(sed -nE 's/^project\(taskclear VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")"

# The Windows Qt takes long to build, so it lives outside the source tree and outside CI's clone.
windows_cache="${TASKCLEAR_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/taskclear}"
host_qt_package_version="$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || true)"
host_qt_version="${host_qt_package_version%%+*}"
windows_qt_prefix="$windows_cache/qt-${host_qt_version:-unknown}-mingw-w64"
source "$root/scripts/lib/packages.sh"

# copy_mingw_runtime FOLDER: puts the C++ runtime DLLs that every mingw-built program needs
# beside it (the posix thread model's libstdc++, libgcc and winpthread).
copy_mingw_runtime() {
  local dll path
  for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    path="$(x86_64-w64-mingw32-g++-posix -print-file-name="$dll")"
    [ -f "$path" ] || { echo "windows-env: $dll not found (g++-mingw-w64-x86-64-posix)" >&2; return 1; }
    cp "$path" "$1/"
  done
}
