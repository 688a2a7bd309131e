#!/usr/bin/env bash
# Test-run fixture: "setup STATE VERSIONS" makes a fresh Wine prefix (32-bit) with per-program
# Windows versions and starts a private Xvfb; "cleanup STATE" stops both and removes them.
set -u
cmd=$1 state=$2

stop_all() {
  if [ -f "$state/env" ]; then
    # shellcheck disable=SC1091
    . "$state/env"
    WINEPREFIX=$WINEPREFIX wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -f "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" >/dev/null 2>&1 || true
  fi
  rm -rf "$state"
}

case $cmd in
setup)
  versions=$3
  stop_all
  mkdir -p "$state"
  # Xvfb picks a free display itself and tells us which.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -ac 3>"$state/display" \
    >"$state/xvfb.log" 2>&1 &
  echo $! >"$state/xvfb.pid"
  for _ in $(seq 100); do [ -s "$state/display" ] && break; sleep 0.1; done
  [ -s "$state/display" ] || { echo "Xvfb did not start"; cat "$state/xvfb.log"; exit 1; }
  cat >"$state/env" <<ENV
export WINEPREFIX=$state/prefix
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=:$(head -n1 "$state/display")
ENV
  . "$state/env"
  wineboot -i >"$state/wineboot.log" 2>&1 || { echo "wineboot failed"; cat "$state/wineboot.log"; exit 1; }
  # Windows version per test program: "<program>.exe <win98|win95|...>" lines.
  if [ -f "$versions" ]; then
    while read -r exe version; do
      [ -n "$exe" ] || continue
      wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe" /v Version /d "$version" /f >/dev/null 2>&1
    done <"$versions"
  fi
  # Wine draws the caption-button glyphs with the Marlett font, which this Wine build does not
  # find in its own data folder (it draws letters instead); a copy in the prefix's font folder
  # is found.
  fonts=$WINEPREFIX/drive_c/windows/Fonts
  mkdir -p "$fonts"
  [ -e /usr/share/wine/fonts/marlett.ttf ] && cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  # X: and Y: are a CD and a floppy disk to Wine (read when it next starts), for the module
  # run from a disk that can be taken out.
  # W: is a floppy drive with no disk in it: its folder does not exist.
  for drive in x:cdrom y:floppy w:floppy; do
    [ "${drive%%:*}" = w ] || mkdir -p "$state/${drive%%:*}"
    ln -sfn "$state/${drive%%:*}" "$WINEPREFIX/dosdevices/${drive%%:*}:"
    wine reg add 'HKLM\Software\Wine\Drives' /v "${drive%%:*}:" /d "${drive#*:}" /f >/dev/null 2>&1
  done
  # The colours of the standard Windows 95 scheme, not Wine's own: pictures are compared
  # pixel for pixel, and the module draws the button greys in the scheme's colours.
  bash "$(dirname "$0")/../scripts/colours.sh" standard >"$state/colours.reg"
  wine reg import "$state/colours.reg" >/dev/null 2>&1
  # A crashing test must fail at once, not wait in the crash debugger until its timeout.
  wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
  echo "wine prefix ready on display $DISPLAY"
  ;;
cleanup)
  stop_all
  ;;
*)
  echo "usage: $0 setup|cleanup STATE [VERSIONS]" >&2
  exit 2
  ;;
esac
