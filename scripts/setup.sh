#!/usr/bin/env bash
# Installs everything the build, the tests and the release need on Debian 12. Run it as root or
# as a user: a user is asked for sudo, or for root's password through su where sudo is missing.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

PKGS="cmake make g++-mingw-w64-i686 binutils-mingw-w64-i686 googletest wine wine32:i386 xvfb xauth x11-utils imagemagick python3 fonts-wine zip unzip mtools xorriso gcovr python3-pil python3-pyflakes clang libclang-rt-14-dev"

missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
if [ -z "$missing" ]; then
  echo "setup: everything is installed"
  exit 0
fi
# Installing needs root: start again as root, asking once.
if [ "$(id -u)" -ne 0 ]; then
  script=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
  if command -v sudo >/dev/null 2>&1; then
    exec sudo bash "$script"
  fi
  echo "setup: no sudo here; su asks for root's password"
  exec su root -c "bash '$script'"
fi
echo "setup: installing$missing"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
# shellcheck disable=SC2086 # one word per package
apt-get install -y -qq --no-install-recommends $missing
