#!/usr/bin/env bash
# Installs the Debian 12 packages Rumbario needs to build, test and run.
# Only missing packages are installed, so a repeated run needs no network.
set -euo pipefail

packages=(
    cmake g++ make pkg-config ccache
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libexiv2-dev
    libzip-dev
    libjpeg62-turbo-dev
    libproj-dev proj-data
    libheif-dev libheif-examples
    qt6-pdf-dev
    parallel
    qt6-image-formats-plugins
    qt6-translations-l10n
    fonts-noto-core
    dpkg-dev
    tzdata locales
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The test suite runs a second time under a locale with a decimal comma.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    sudo_cmd=()
    [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
