#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian 12 (run as root, or with sudo).
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

PKGS="cmake make g++-mingw-w64-i686 binutils-mingw-w64-i686 googletest wine wine32:i386 xvfb xauth x11-utils imagemagick python3 fonts-wine gcovr"

missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
if [ -z "$missing" ]; then
  echo "setup: everything is installed"
  exit 0
fi
echo "setup: installing$missing"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends $missing
