#!/usr/bin/env bash
# The README's gallery of imported themes: fetches Debian's icewm-common and xfwm4 (apt-get
# download, unpacked with dpkg-deb -x into BUILD/import-data, where the kit's tests fetch them
# too), imports IceWM's win95, motif and metal2 and xfwm4's Default and Kokodi with
# `qvtheme.py import`, and previews each with `qvtheme.py preview` at caption sizes 18 and 24:
# docs/import/<theme>-18.png and -24.png, and the five side by side, docs/import/gallery-18.png
# and gallery-24.png.
# usage: scripts/import_gallery.sh [build-dir]   (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
data=$build/import-data
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$data" "$here/docs/import"
for package in icewm-common xfwm4; do
  if [ ! -f "$data/$package/.fetched" ]; then
    rm -f "$data/${package}"_*.deb
    (cd "$data" && apt-get download "$package")
    rm -rf "${data:?}/$package"
    dpkg-deb -x "$data/${package}"_*.deb "$data/$package"
    basename "$data/${package}"_*.deb >"$data/$package/.fetched"
  fi
done
themes=(icewm-common/usr/share/icewm/themes/win95 icewm-common/usr/share/icewm/themes/motif
  icewm-common/usr/share/icewm/themes/metal2 xfwm4/usr/share/themes/Default
  xfwm4/usr/share/themes/Kokodi)
for size in 18 24; do
  shots=()
  for theme in "${themes[@]}"; do
    name=$(basename "$theme" | tr '[:upper:]' '[:lower:]')
    [ "$size" = 18 ] && "$here/scripts/qvtheme.py" import "$data/$theme" -o "$work" \
      --name "$name" 2>/dev/null
    "$here/scripts/qvtheme.py" preview "$work/${name^^}" \
      "$here/docs/import/$name-$size.png" --size "$size"
    shots+=("$here/docs/import/$name-$size.png")
  done
  convert "${shots[@]}" -background white -splice 16x0 +append -chop 16x0 +repage -strip \
    "$here/docs/import/gallery-$size.png"
  echo "docs/import/gallery-$size.png: ${themes[*]##*/} at caption size $size"
done
