#!/bin/sh
# Installs the Debian 12 packages that building and testing pellix need, when missing.
set -eu
PACKAGES="cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libqscintilla2-qt6-dev libgl-dev
libgtest-dev libgmock-dev libbenchmark-dev
xvfb xauth fonts-dejavu-core fonts-liberation gputils"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        missing="$missing $p"
done
[ -z "$missing" ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing:$missing"
$SUDO apt-get update
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
