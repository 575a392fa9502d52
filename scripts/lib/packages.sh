# Sourced by the scripts that install what they need from Debian's packages.

# install_missing PACKAGE...: installs those not yet installed, as root or through sudo; does
# nothing (and asks apt nothing) when all are there.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "install: run as root or install sudo" >&2; return 1; }
    sudo="sudo"
  fi
  echo "install: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -q -y --no-install-recommends "${missing[@]}"
}
