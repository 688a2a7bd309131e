#!/usr/bin/env bash
# Makes the release that a Windows 95/98 machine takes in: installs what is missing, builds
# qvshell.cpl and writes, under <build-dir>/release/,
#   quorvia-<version>.zip   for shared folders and real hardware
#   quorvia-<version>.img   a 1.44 MB FAT12 floppy image, label QUORVIA (86Box, PCem, ...)
#   quorvia-<version>.iso   an ISO 9660 CD image with Joliet names, volume QUORVIA (QEMU, ...)
#   SHA256SUMS
# All three hold the same files under 8.3 names: QVSHELL.CPL, QUORVIA.INF, README.TXT,
# QVTHEMES\<THEME>\*.BMP (beside the module, where the Themes page looks) with the size folders
# QVTHEMES\<THEME>\<W>X<H>\*.BMP, and SETUP\<THEME>.<NN> and <THEME>.<n><NN> (the same
# pictures under names that QUORVIA.INF can tell apart). The
# version is res/version.h's. Every date in the images is the last commit's time (or
# SOURCE_DATE_EPOCH when set), so the same sources give the same images.
#
# usage: scripts/release.sh [build-dir]   (default ./build; an existing build is reused)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=$(mkdir -p "${1:-$here/build}" && cd "${1:-$here/build}" && pwd)
out=$build/release

say() { echo "release: $*"; }
fail() {
  echo "release: $*" >&2
  exit 1
}

bash "$here/scripts/setup.sh" >/dev/null

version_part() { sed -n "s/^#define QV_VERSION_$1 \([0-9]\{1,\}\)\$/\1/p" "$here/res/version.h"; }
version=$(version_part MAJOR).$(version_part MINOR)
[[ $version =~ ^[0-9]+\.[0-9]+$ ]] || fail "no version in res/version.h"
name=quorvia-$version

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$here" log -1 --format=%ct 2>/dev/null || echo 946684800)
fi
export SOURCE_DATE_EPOCH

say "building qvshell.cpl $version in $build"
cmake -S "$here" -B "$build" >/dev/null || fail "configuring the build failed"
# The linker dates the module SOURCE_DATE_EPOCH when that is set, else with the time of the
# link: link it again so that an earlier build's time does not reach the release.
rm -f "$build/qvshell.cpl"
cmake --build "$build" --target qvshell -j 2 >/dev/null || fail "building qvshell.cpl failed"

# ---- The files, as they go onto every disk ----

stage=$build/release-files
rm -rf "$out" "$stage"
trap 'rm -rf "$stage"' EXIT
mkdir -p "$out" "$stage"
crlf() { sed -e 's/\r$//' -e 's/$/\r/' "$1"; }
cp "$build/qvshell.cpl" "$stage/QVSHELL.CPL"
crlf "$here/dist/QUORVIA.INF" >"$stage/QUORVIA.INF"
crlf "$here/dist/README.TXT" | sed "s/@VERSION@/$version/g" >"$stage/README.TXT"
# The themes as the kit makes them from their sheets; the committed dist/THEMES are the same
# bytes, which a test checks.
bash "$here/scripts/shipped_themes.sh" "$stage/QVTHEMES" || fail "making the themes failed"
mapfile -t names < <(cd "$stage" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort)
for f in "${names[@]}"; do
  [[ $(basename "$f") =~ ^[A-Z0-9_]{1,8}(\.[A-Z0-9_]{1,3})?$ ]] || fail "not an 8.3 name: $f"
done

# ---- The images, written as the theme kit writes a theme disk (scripts/themekit/images.py) ----

# The setup engine looks a source file up by its name alone, so QUORVIA.INF copies each theme
# file from a copy under a name of its own, SETUP\<THEME>.<NN> (NN its place in the Frame
# controls list, 14 for START.BMP; <THEME>.<n><NN> in the theme's n-th size folder), which the
# writer adds beside the themes.
PYTHONPATH="$here/scripts" /usr/bin/python3 -m themekit.images "$stage" "$out" "$name" QUORVIA \
  "Quorvia $version" "$SOURCE_DATE_EPOCH" || fail "writing the images failed"
(cd "$out" && sha256sum "$name.zip" "$name.img" "$name.iso" >SHA256SUMS)

say "wrote $out:"
(cd "$out" && stat -c '  %n  %s bytes' "$name.zip" "$name.img" "$name.iso" SHA256SUMS)
