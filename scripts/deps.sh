#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need; does nothing when all are present.
set -euo pipefail
packages=(cmake g++ make ccache qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-svg-dev libqt6sql6-sqlite
          qt6-translations-l10n libgl-dev libgraphviz-dev qt6-charts-dev libpng-dev libgmp-dev pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          xvfb xauth fonts-dejavu-core
          desktop-file-utils libxml2-utils shared-mime-info groff-base dpkg-dev fakeroot
          python3-pyatspi at-spi2-core dbus-daemon
          appstream rpm)
# The handout's print test reads the PDF's text with pdftotext.
packages+=(poppler-utils)
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

# scripts/fuzz.sh alone needs clang and its libFuzzer runtime: `scripts/deps.sh --fuzz` adds them.
if [ "${1:-}" = "--fuzz" ]; then
    fuzz=()
    for p in clang libclang-rt-dev; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || fuzz+=("$p")
    done
    # Older releases ship the runtime only under a versioned name, pulled in by clang itself.
    if [ ${#fuzz[@]} -gt 0 ] && ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
        echo "Installing: ${fuzz[*]}"
        SUDO=""
        [ "$(id -u)" -ne 0 ] && SUDO="sudo"
        $SUDO apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq clang
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq libclang-rt-dev 2>/dev/null || true
    fi
fi
