#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools
  libqt6webenginecore6-bin libqt6svg6 libgl-dev
  libxslt1-dev libxml2-dev libsimpleini-dev libxapian-dev
  qt6-translations-l10n desktop-file-utils appstream
  libgtest-dev libgmock-dev
  xsltproc docbook-xsl docbook-xml
  valgrind hyperfine
  xvfb xauth fonts-dejavu-core
  openbox wmctrl xdotool x11-utils dbus at-spi2-core gir1.2-atspi-2.0 python3-gi
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing missing packages: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
