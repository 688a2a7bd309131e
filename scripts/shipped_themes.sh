#!/usr/bin/env bash
# Makes the themes the release carries from their sheets, into OUT/<THEME>: each
# dist/sheets/<theme>/sheet.png with start.png beside it, and sheet-<W>x<H>.png drawn for the
# size folder <W>X<H>. The release and its check both make them here, so that the committed
# dist/THEMES are compared with exactly what the release ships.
# usage: scripts/shipped_themes.sh OUT
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$1
for sheet in "$here"/dist/sheets/*/sheet.png; do
  theme=$(basename "$(dirname "$sheet")" | tr '[:lower:]' '[:upper:]')
  sized=()
  for drawn in "$(dirname "$sheet")"/sheet-*x*.png; do
    [ -e "$drawn" ] || continue
    size=${drawn##*/sheet-}
    sized+=(--sheet "${size%.png}=$drawn")
  done
  "$here/scripts/qvtheme.py" make "$sheet" "$theme" "${sized[@]}" -o "$out" || {
    echo "qvtheme.py make $sheet failed" >&2
    exit 1
  }
done
