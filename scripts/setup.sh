#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
# Quick when everything is already there.
set -euo pipefail

PACKAGES=(
    cmake g++ ninja-build ccache pkg-config
    qtbase5-dev qtdeclarative5-dev qtquickcontrols2-5-dev libqt5charts5-dev qtconnectivity5-dev
    libqt5serialport5-dev libqt5virtualkeyboard5-dev qtvirtualkeyboard-plugin
    qml-module-qtquick-virtualkeyboard qml-module-qtquick-controls2 qml-module-qtquick-layouts
    qml-module-qtquick-shapes qml-module-qtgraphicaleffects qml-module-qtcharts
    qml-module-qt-labs-folderlistmodel qml-module-qt-labs-settings qml-module-qttest
    qtdeclarative5-dev-tools libqt5svg5
    libqt5sql5-sqlite libqt5xml5 qttools5-dev-tools qttools5-dev libboost-dev zlib1g-dev xvfb xauth
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
