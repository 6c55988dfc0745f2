#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need; does nothing when all are present.
set -euo pipefail
packages=(cmake g++ make qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-svg-dev libqt6sql6-sqlite
          qt6-translations-l10n libgl-dev libgtest-dev libgmock-dev libbenchmark-dev
          xvfb xauth fonts-dejavu-core
          desktop-file-utils libxml2-utils shared-mime-info groff-base dpkg-dev fakeroot
          python3-pyatspi at-spi2-core dbus-daemon)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
