# shellcheck shell=bash
# Installs the Debian packages the build, the release and the tests need, and only those
# that are missing, so a second run costs a second.
kalvero_deps() {
  local wanted=(cmake ninja-build g++ libgtest-dev googletest clang libclang-rt-dev
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
    wine wine64 fonts-wine xvfb xauth xdotool x11-utils imagemagick librsvg2-bin
    nsis wixl msitools faketime osslsigncode openssl python3 python3-yaml python3-olefile unzip)
  local missing=() p
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -q &&
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}
