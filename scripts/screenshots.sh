#!/usr/bin/env bash
# Renders each page of the settings sheet to PNG under docs/: start-page.png,
# frame-page.png, themes-page.png, themes-current.png, about-page.png. The sheet is opened
# through the built module's CPlApplet, installed with the release's themes beside it as
# QVTHEMES, with the BRIGHT theme's files stored as the settings (as its Apply leaves them), so
# the Themes page opens on BRIGHT; themes-current.png shows a look made by hand (the built-in
# Start picture, CLASSIC's Close button among BRIGHT's), which no theme gives, and
# themes-saveas.png the box that asks for a name to keep it as a theme; themes-scheme.png the
# page with CLASSIC picked under a green-grey colour scheme. Uses its
# own Xvfb and a fresh Wine prefix set to Windows 98 for the program (Wine draws the window
# frames itself, as on Windows 95/98, since no window manager runs).
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
# Windows 95's standard colours, as on a machine nobody has changed.
bash "$here/scripts/colours.sh" standard >"$work/colours.reg"
wine reg import "$work/colours.reg" >/dev/null 2>&1
# Wine's own fonts (MS Sans Serif of the dialogs, Marlett of the caption buttons) in the
# prefix's font folder, where they are found whatever the installation's data folder.
for font in /usr/share/wine/fonts/*; do
  [ -e "$WINEPREFIX/drive_c/windows/Fonts/$(basename "$font")" ] || cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
done
# The module as installed, its themes beside it.
install=$WINEPREFIX/drive_c/QUORVIA
mkdir -p "$install"
cp "$build/qvshell.cpl" "$install/QVSHELL.CPL"
cp -r "$here/dist/THEMES" "$install/QVTHEMES"
module_win='C:\QUORVIA\QVSHELL.CPL'
theme_win='C:\QUORVIA\QVTHEMES\BRIGHT'
wine reg add 'HKCU\Software\Wine\AppDefaults\applet_shots.exe' /v Version /d win98 /f >/dev/null 2>&1
# The BRIGHT theme stored as the Themes page stores it: the Start picture, not stretched, and the
# 13 caption-button files in the Frame controls list's order.
settings='HKCU\Software\Tovan\Quorvia'
# Stores the 13 caption-button files of theme folder DIR, Close button up from CLOSE_DIR if given.
store_frame_images() { # DIR [CLOSE_DIR]
  local hex
  hex=$(python3 -c 'import sys
names = "CLOSEUP CLOSEDN CLOSEDIS MINUP MINDN MINDIS RESTUP RESTDN HELPUP HELPDN MAXUP MAXDN MAXDIS"
paths = ["%s\\%s.BMP" % (sys.argv[-1] if n == "CLOSEUP" else sys.argv[1], n) for n in names.split()]
print((b"".join(p.encode("ascii") + b"\0" for p in paths) + b"\0").hex())' "$@")
  wine reg add "$settings" /v FrameControls /t REG_BINARY /d "$hex" /f >/dev/null 2>&1
}
wine reg add "$settings" /v StartButton /t REG_DWORD /d 2 /f >/dev/null 2>&1
wine reg add "$settings" /v StartButtonFileName /t REG_SZ /d "$theme_win\\START.BMP" /f >/dev/null 2>&1
store_frame_images "$theme_win"
wineserver -w

mkdir -p "$here/docs"
shoot() { # page-index name [pick]
  local page=$1 name=$2
  shift 2
  rm -f "$work/rect" "$work/done"
  wine "$shots" "$page" "$(winepath -w "$work/rect")" "$(winepath -w "$work/done")" "$module_win" "$@" &
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
shoot 1 frame-page 0
shoot 2 themes-page
shoot 3 about-page
# A look made by hand on the other two pages: "(Current settings)".
wine reg add "$settings" /v StartButton /t REG_DWORD /d 1 /f >/dev/null 2>&1
store_frame_images "$theme_win" 'C:\QUORVIA\QVTHEMES\CLASSIC'
wineserver -w
shoot 2 themes-current
shoot 2 themes-saveas "Save As..."
# Under a colour scheme of the user's own the theme's button greys follow it: CLASSIC picked.
bash "$here/scripts/colours.sh" sage >"$work/colours.reg"
wine reg import "$work/colours.reg" >/dev/null 2>&1
wineserver -w
shoot 2 themes-scheme CLASSIC
