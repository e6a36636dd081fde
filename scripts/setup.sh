#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
# Quick when everything is already there.
set -euo pipefail

PACKAGES=(
    # The build: compiler, Qt modules with their code generators (QML compiler,
    # translations), Boost headers and zlib.
    cmake g++ ninja-build ccache
    qtbase5-dev qtdeclarative5-dev qtdeclarative5-dev-tools libqt5charts5-dev qtconnectivity5-dev
    qttools5-dev qttools5-dev-tools libboost-dev zlib1g-dev
    # The program: the QML modules it imports (the virtual keyboard imports the folder list
    # model), the keyboard as input method, SVG icons, SQLite and XML.
    qml-module-qtquick2 qml-module-qtquick-window2 qml-module-qtquick-controls2
    qml-module-qtquick-layouts qml-module-qtcharts qml-module-qtquick-virtualkeyboard
    qtvirtualkeyboard-plugin qml-module-qt-labs-folderlistmodel
    libqt5svg5 libqt5sql5-sqlite libqt5xml5
    # The QML tests, and runs without a display.
    qml-module-qttest xvfb xauth
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
