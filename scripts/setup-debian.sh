#!/usr/bin/env bash
# Installs every Debian package Orelia needs to build, run, test and package.
# Idempotent: does nothing when everything is already installed.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-translations-l10n
    qcoro-qt6-dev
    qtkeychain-qt6-dev
    libboost-dev
    libcpp-httplib-dev
    libxlsxwriter-dev libminizip-dev
    libbenchmark-dev
    gnome-keyring dbus dbus-x11 libsecret-tools
    xvfb xauth fonts-dejavu-core
    librsvg2-bin
    dpkg-dev file desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

echo "Устанавливаю пакеты: ${missing[*]}" >&2
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
