# Sourced by the scripts that build natively. One convention for build folders: each configure
# preset of CMakePresets.json builds in out/build/<preset>; BUILD_DIR names another folder.

# configure_preset PRESET [CMAKE_ARGUMENTS...]: configures the sources in $root with PRESET and sets
# build to the folder it configured.
configure_preset() {
  local preset="$1"
  shift
  build="${BUILD_DIR:-$root/out/build/$preset}"
  cmake -S "$root" -B "$build" --preset "$preset" "$@" >/dev/null
}
