#!/usr/bin/env bash
# Renders each page of the settings sheet to PNG under docs/: start-page.png,
# frame-page.png, about-page.png. Uses its own Xvfb and a fresh Wine prefix (Wine draws the
# window frames itself, as on Windows 95/98, since no window manager runs).
# usage: scripts/screenshots.sh [build-dir]   (build first: cmake --build build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
shots=$build/tests/applet_shots.exe
[ -f "$shots" ] || { echo "build $shots first" >&2; exit 1; }
work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  WINEPREFIX=$work/prefix wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -ac 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$work/display")
export WINEPREFIX=$work/prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
# Frames drawn by Wine (no window manager here), and no visual theme: Windows 95 and 98
# have none, and the pages are drawn for the classic look.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive /d 0 /f \
  >/dev/null 2>&1
# Wine's own fonts (MS Sans Serif of the dialogs, Marlett of the caption buttons) in the
# prefix's font folder, where they are found whatever the installation's data folder.
for font in /usr/share/wine/fonts/*; do
  [ -e "$WINEPREFIX/drive_c/windows/Fonts/$(basename "$font")" ] || cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
done
wineserver -w

mkdir -p "$here/docs"
shoot() { # page-index name
  local page=$1 name=$2
  rm -f "$work/rect" "$work/done"
  wine "$shots" "$page" "$(winepath -w "$work/rect")" "$(winepath -w "$work/done")" &
  local pid=$!
  for _ in $(seq 200); do [ -s "$work/rect" ] && break; sleep 0.1; done
  [ -s "$work/rect" ] || { echo "page $page did not open" >&2; kill $pid; exit 1; }
  read -r x y w h <"$work/rect"
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$here/docs/$name.png"
  touch "$work/done"
  wait $pid || true
  echo "docs/$name.png (${w}x${h})"
}
shoot 0 start-page
shoot 1 frame-page
shoot 2 about-page
