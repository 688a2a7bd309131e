#!/usr/bin/env bash
# The whole product in one command: installs what is missing, builds the release and the
# stand-in desktop, makes a Wine prefix set to Windows 98, installs Quorvia there as a user does
# (the release's QUORVIA.INF through the setup engine: the module and its themes in the system
# folder), starts the stand-in desktop and opens the installed applet in Wine's Control Panel.
#
# With a display (DISPLAY set and reachable) the desktop opens there as a window and the applet
# waits for you. Without one (or with --headless) everything runs on a private Xvfb: a short
# scripted tour applies settings as the applet would, starts and stops the agent, and saves
# screenshots into a folder that is printed at the end.
#
# usage: scripts/demo.sh [--headless] [--fresh] [--caption N] [--themes]
#   --headless  use a private Xvfb and take the scripted tour even when a display is there
#   --fresh     throw the demo's Wine prefix away and make a new one
#   --caption N caption buttons of N pixels (18 is the standard; 24 and 30 show the pictures
#               drawn or fitted for larger buttons), kept in the prefix for later runs
#   --themes    instead of the tour, apply each ready-made theme of dist/THEMES through the
#               module and save the sample window (docs/theme-<name>.png) and the Start
#               pictures on the taskbar (docs/start-pictures.png), then CLASSIC beside the
#               system's own caption buttons at the caption sizes 18, 24 and 30
#               (docs/classic-sizes.png); implies --headless
# environment: QV_DEMO_HOME (default ~/.quorvia-demo), QV_DEMO_BUILD (default ./build),
#              QV_DEMO_SIZE (desktop size, default 1024x768)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${QV_DEMO_BUILD:-$here/build}
home=${QV_DEMO_HOME:-$HOME/.quorvia-demo}
size=${QV_DEMO_SIZE:-1024x768}
headless=0
fresh=0
themes=0
caption=""
while [ $# -gt 0 ]; do
  arg=$1
  shift
  case $arg in
  --headless) headless=1 ;;
  --fresh) fresh=1 ;;
  --themes) themes=1 headless=1 ;;
  --caption)
    [[ ${1:-} =~ ^[0-9]+$ ]] && [ "$1" -ge 10 ] && [ "$1" -le 100 ] || {
      echo "demo: --caption takes the caption buttons' size in pixels, 10 to 100 (18 is the standard)" >&2
      exit 2
    }
    caption=$1
    shift
    ;;
  -h | --help)
    sed -n '2,24p' "$0" | sed 's/^# \{0,1\}//'
    exit 0
    ;;
  *)
    echo "demo: unknown option $arg (try --help)" >&2
    exit 2
    ;;
  esac
done

say() { echo "demo: $*"; }
fail() {
  echo "demo: $*" >&2
  exit 1
}

# ---- Tools and build ----

bash "$here/scripts/setup.sh"
say "building the release and the stand-in desktop in $build"
cmake -S "$here" -B "$build" >/dev/null || fail "configuring the build failed"
cmake --build "$build" --target qvshell qvdesktop -j 2
bash "$here/scripts/release.sh" "$build" >"$build/demo-release.log" 2>&1 ||
  fail "making the release failed (see $build/demo-release.log)"
release=$(ls "$build"/release/quorvia-*.zip 2>/dev/null | head -n1)
desktop=$build/qvdesktop.exe
[ -f "$release" ] && [ -f "$desktop" ] || fail "the build did not produce the release and $desktop"

mkdir -p "$home"
export WINEPREFIX=$home/prefix
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# ---- Display ----

xvfb_pid=""
shots=""
stop_all() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" >/dev/null 2>&1 || true
  fi
}
trap stop_all EXIT

if [ $headless = 0 ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  say "using your display $DISPLAY"
else
  headless=1
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -ac 3>"$home/xvfb.display" \
    >"$home/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$home/xvfb.display" ] && break; sleep 0.1; done
  [ -s "$home/xvfb.display" ] || fail "Xvfb did not start (see $home/xvfb.log)"
  export DISPLAY=:$(head -n1 "$home/xvfb.display")
  shots=$home/screenshots/$(date +%Y%m%d-%H%M%S)
  mkdir -p "$shots"
  say "no display to use: running on a private Xvfb ($DISPLAY), screenshots go to $shots"
fi

shot() {
  [ -n "$shots" ] || return 0
  import -display "$DISPLAY" -window root "$shots/$1.png"
  say "screenshot $shots/$1.png"
}

# ---- Wine prefix set to Windows 98 ----

wineserver -k >/dev/null 2>&1 || true # a desktop left over from an earlier run
if [ $fresh = 1 ]; then
  rm -rf "$WINEPREFIX"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  say "making the Wine prefix $WINEPREFIX (Windows 98)"
  wineboot -i >"$home/wineboot.log" 2>&1 || fail "wineboot failed (see $home/wineboot.log)"
fi
wine reg add 'HKCU\Software\Wine' /v Version /d win98 /f >/dev/null
# Every program of the prefix opens in one desktop window of its own (the stand-in desktop).
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Quorvia /f >/dev/null
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Quorvia /d "$size" /f >/dev/null
# The classic look of Windows 95/98: no visual theme.
wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive /d 0 \
  /f >/dev/null
# Wine's own fonts, which this Wine build does not find in its own data folder, copied into the
# prefix's font folder where they are found: Marlett for the caption-button glyphs (without
# it they are letters) and the MS Sans Serif bitmap font that the pages are laid out in (with
# a stand-in font the sheet clips its pages).
fonts=$WINEPREFIX/drive_c/windows/Fonts
mkdir -p "$fonts"
for f in /usr/share/wine/fonts/*; do
  if [ -e "$f" ] && [ ! -e "$fonts/$(basename "$f")" ]; then cp "$f" "$fonts/"; fi
done
# Quorvia installed as a user installs it: the release's files on a disk of their own (here a
# folder of drive C:), QUORVIA.INF through the setup engine, which puts QVSHELL.CPL and its
# QVTHEMES into the system folder (system32 in Wine's prefix, SYSTEM on Windows 95/98). A module
# an earlier demo copied into the other folder goes, so that only the installed one runs.
rm -f "$WINEPREFIX/drive_c/windows/system/qvshell.cpl"
setup=$WINEPREFIX/drive_c/qvsetup
rm -rf "$setup"
mkdir -p "$setup"
(cd "$setup" && unzip -q "$release")
say "installing $(basename "$release") with QUORVIA.INF"
wine rundll32.exe setupapi.dll,InstallHinfSection DefaultInstall 132 'C:\qvsetup\QUORVIA.INF' \
  >"$home/install.log" 2>&1 || true
system=$WINEPREFIX/drive_c/windows/system32
[ -f "$system/QVSHELL.CPL" ] && [ -d "$system/QVTHEMES" ] ||
  fail "QUORVIA.INF did not install the module and its themes (see $home/install.log)"
cp "$desktop" "$home/qvdesktop.exe"
wineserver -w
module_win='C:\windows\system32\QVSHELL.CPL'
# The caption buttons' size, as Display Properties stores it: in pixels.
metrics='HKCU\Control Panel\Desktop\WindowMetrics'
if [ -n "$caption" ]; then
  for value in CaptionWidth CaptionHeight; do
    wine reg add "$metrics" /v $value /d "$caption" /f >/dev/null
  done
fi

# ---- The stand-in desktop ----

desktop_pid=""
start_desktop() {
  : >"$home/qvdesktop.log"
  wine "$home/qvdesktop.exe" >>"$home/qvdesktop.log" 2>&1 &
  desktop_pid=$!
  for _ in $(seq 300); do
    grep -q "qvdesktop: ready" "$home/qvdesktop.log" && return 0
    kill -0 "$desktop_pid" 2>/dev/null || break
    sleep 0.1
  done
  cat "$home/qvdesktop.log" >&2
  fail "the stand-in desktop did not start"
}

stop_desktop() {
  # Closing the taskbar ends the stand-in (its Start menu offers the same).
  wine taskkill /im qvdesktop.exe >/dev/null 2>&1 || true
  for _ in $(seq 100); do
    kill -0 "$desktop_pid" 2>/dev/null || return 0
    sleep 0.1
  done
  wine taskkill /f /im qvdesktop.exe >/dev/null 2>&1 || true
}

if [ $headless = 1 ]; then
  # The tour starts from the shell's own pictures: nothing left from an earlier run may start
  # the agent at logon.
  wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Quorvia /f \
    >/dev/null 2>&1 || true
  wine reg delete 'HKCU\Software\Tovan\Quorvia' /f >/dev/null 2>&1 || true
fi
say "starting the stand-in desktop"
start_desktop
sleep 2

if [ $headless = 0 ]; then
  say "the stand-in Windows 98 desktop is open on $DISPLAY; the applet opens in Wine's Control Panel"
  say "pick a Start button picture and caption buttons there and press Apply"
  wine control.exe "$module_win" || true
  say "the applet is closed; the desktop stays until you close it (Start > Close the stand-in desktop)"
  wait "$desktop_pid" || true
  exit 0
fi

# ---- The scripted tour (headless) ----

# Caption-button pictures of the tour: a coloured face with a white glyph; the down picture
# darker with the glyph moved by a pixel, the disabled one grey.
images=$WINEPREFIX/drive_c/qvdemo
mkdir -p "$images"
make_button() { # name colour glyph-kind state
  local name=$1 colour=$2 glyph=$3 state=$4 dx=0 ink=white
  case $state in
  down) dx=1 ;;
  disabled)
    colour="#a0a0a0"
    ink="#d8d8d8"
    ;;
  esac
  local draw
  case $glyph in
  close) draw="line $((4 + dx)),$((3 + dx)) $((11 + dx)),$((10 + dx)) line $((11 + dx)),$((3 + dx)) $((4 + dx)),$((10 + dx))" ;;
  min) draw="rectangle $((4 + dx)),$((9 + dx)) $((10 + dx)),$((10 + dx))" ;;
  max) draw="rectangle $((3 + dx)),$((2 + dx)) $((12 + dx)),$((3 + dx)) line $((3 + dx)),$((2 + dx)) $((3 + dx)),$((11 + dx)) line $((12 + dx)),$((2 + dx)) $((12 + dx)),$((11 + dx)) line $((3 + dx)),$((11 + dx)) $((12 + dx)),$((11 + dx))" ;;
  restore) draw="rectangle $((6 + dx)),$((2 + dx)) $((12 + dx)),$((3 + dx)) line $((12 + dx)),$((2 + dx)) $((12 + dx)),$((8 + dx)) rectangle $((3 + dx)),$((5 + dx)) $((9 + dx)),$((6 + dx)) line $((3 + dx)),$((5 + dx)) $((3 + dx)),$((11 + dx)) line $((9 + dx)),$((5 + dx)) $((9 + dx)),$((11 + dx)) line $((3 + dx)),$((11 + dx)) $((9 + dx)),$((11 + dx))" ;;
  help) draw="arc $((5 + dx)),$((2 + dx)) $((10 + dx)),$((7 + dx)) 180,90 line $((8 + dx)),$((7 + dx)) $((8 + dx)),$((8 + dx)) point $((8 + dx)),$((10 + dx))" ;;
  esac
  local shade="#ffffff80" dark="#00000060"
  [ "$state" = down ] && shade="#00000060" && dark="#ffffff80"
  convert -size 16x14 "xc:$colour" +antialias \
    -fill none -stroke "$shade" -draw "line 0,0 15,0 line 0,0 0,13" \
    -stroke "$dark" -draw "line 15,0 15,13 line 0,13 15,13" \
    -stroke "$ink" -draw "$draw" \
    -type TrueColor "BMP3:$images/$name.bmp"
}
make_button close_up "#c62828" close up
make_button close_down "#8e1c1c" close down
make_button close_disabled "#c62828" close disabled
make_button min_up "#2e7d32" min up
make_button min_down "#1b5e20" min down
make_button min_disabled "#2e7d32" min disabled
make_button restore_up "#6a1b9a" restore up
make_button restore_down "#4a148c" restore down
make_button help_up "#ef6c00" help up
make_button help_down "#b34f00" help down
make_button max_up "#1565c0" max up
make_button max_down "#0d3c78" max down
make_button max_disabled "#1565c0" max disabled

# The settings as the applet stores them: the Start button value and picture file, and the 13
# caption-button files in their order, each NUL-terminated, one more NUL at the end.
settings='HKCU\Software\Tovan\Quorvia'
apply_settings() { # StartButton-value start-picture-file caption-button-file...
  local start=$1 file=$2
  shift 2
  local frame_hex
  frame_hex=$(python3 -c 'import sys
print((b"".join(a.encode("ascii") + b"\0" for a in sys.argv[1:]) + b"\0").hex())' "$@")
  wine reg add "$settings" /v StartButton /t REG_DWORD /d "$start" /f >/dev/null
  wine reg add "$settings" /v StartButtonFileName /t REG_SZ /d "$file" /f >/dev/null
  wine reg add "$settings" /v FrameControls /t REG_BINARY /d "$frame_hex" /f >/dev/null
  wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Quorvia \
    /d "RUNDLL32.EXE $module_win,RUNDLL_QvIn" /f >/dev/null
}
demo_images=()
for name in close_up close_down close_disabled min_up min_down min_disabled restore_up \
  restore_down help_up help_down max_up max_down max_disabled; do
  demo_images+=("C:\\qvdemo\\$name.bmp")
done

rundll() { # entry
  timeout 60 wine rundll32.exe "$module_win,$1" || say "rundll32 $1 answered $?"
  sleep 3
}

# ---- Pictures of the ready-made themes (--themes) ----

if [ $themes = 1 ]; then
  # The pictures are taken under Windows 95's standard colours, whose greys the themes are drawn
  # in (Wine's own scheme has a lighter face); the prefix's own colours come back afterwards.
  wine reg export 'HKCU\Control Panel' "$home/control-panel.reg" /y >/dev/null
  bash "$here/scripts/colours.sh" standard >"$home/colours.reg"
  wine reg import "$home/colours.reg" >/dev/null 2>&1
  stop_desktop
  start_desktop
  sleep 2
  # Each theme as a user applies it: its 13 caption buttons and its Start picture at its own
  # size, from a folder on drive C:.
  theme_dir=$WINEPREFIX/drive_c/qvthemes
  rm -rf "$theme_dir"
  cp -r "$here/dist/THEMES" "$theme_dir"
  width=${size%x*} height=${size#*x}
  # The stand-in's sample window is 360 x 172, 48 pixels in from the top right corner; its
  # Start button is at the left end of the 28-pixel taskbar.
  sample_box=360x172+$((width - 408))+48
  start_box=60x28+0+$((height - 28))
  apply_theme() { # name: stores its 13 caption buttons and Start picture as the Themes page does
    local files=() image
    for image in CLOSEUP CLOSEDN CLOSEDIS MINUP MINDN MINDIS RESTUP RESTDN HELPUP HELPDN \
      MAXUP MAXDN MAXDIS; do
      files+=("C:\\qvthemes\\$1\\$image.BMP")
    done
    apply_settings 2 "C:\\qvthemes\\$1\\START.BMP" "${files[@]}"
  }
  starts=()
  for theme_path in "$theme_dir"/*; do
    theme=$(basename "$theme_path")
    say "theme $theme"
    apply_theme "$theme"
    rundll RUNDLL_QvIn
    shot "theme-$theme"
    docs_name=docs/theme-$(echo "$theme" | tr '[:upper:]' '[:lower:]').png
    convert "$shots/theme-$theme.png" -crop "$sample_box" +repage -scale 200% "$here/$docs_name"
    convert "$shots/theme-$theme.png" -crop "$start_box" +repage -scale 200% \
      "$shots/start-$theme.png"
    starts+=("$shots/start-$theme.png")
    say "wrote $docs_name"
    rundll RUNDLL_QvOut
  done
  convert "${starts[@]}" -background white -splice 16x0 +append -chop 16x0 +repage \
    "$here/docs/start-pictures.png"
  say "wrote docs/start-pictures.png (left to right: $(cd "$theme_dir" && echo *))"

  # CLASSIC at the caption sizes 18, 24 and 30, each beside the system's own buttons: the size
  # stored as Display Properties stores it and the desktop started again, so that its system
  # bitmaps, its sample window and the agent all take it on. Only the sample window's caption
  # and gallery are kept: its right end, from the caption down to the last row.
  rows=()
  for caption in 18 24 30; do
    stop_desktop
    for value in CaptionWidth CaptionHeight; do
      wine reg add "$metrics" /v $value /d $caption /f >/dev/null
    done
    wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Quorvia /f \
      >/dev/null 2>&1 || true
    start_desktop
    sleep 2
    shot "own-$caption"
    apply_theme CLASSIC
    rundll RUNDLL_QvIn
    shot "classic-$caption"
    rundll RUNDLL_QvOut
    # The sample window (standin/sample.cpp), 48 pixels from the top right corner: a caption of
    # caption + 1 inside a 3-pixel frame, then 10 pixels and five gallery rows of caption + 6,
    # the widest (five buttons) ending 12 pixels from the window's right edge.
    crop_width=$((5 * (caption - 2) + 33)) crop_height=$((caption + 13 + 5 * (caption + 6)))
    box=${crop_width}x${crop_height}+$((width - 48 - 3 - crop_width))+$((48 + 3))
    for kind in own classic; do
      convert "$shots/$kind-$caption.png" -crop "$box" +repage "$shots/$kind-$caption-cut.png"
    done
    convert "$shots/own-$caption-cut.png" "$shots/classic-$caption-cut.png" -background white \
      -splice 12x0 +append -chop 12x0 +repage "$shots/sizes-$caption.png"
    # Rows 12 pixels apart, right-aligned as the windows are.
    [ ${#rows[@]} = 0 ] || rows+=(-size 1x12 xc:white)
    rows+=("$shots/sizes-$caption.png")
  done
  convert "${rows[@]}" -background white -gravity east -append +repage -scale 200% -strip \
    "$here/docs/classic-sizes.png"
  say "wrote docs/classic-sizes.png (18, 24, 30 from the top; the system's own left, CLASSIC right)"
  stop_desktop
  for value in CaptionWidth CaptionHeight; do
    wine reg delete "$metrics" /v $value /f >/dev/null 2>&1 || true
  done
  wine reg import "$home/control-panel.reg" >/dev/null 2>&1
  exit 0
fi

say "tour 1: the desktop as the shell and window manager draw it"
shot 01-desktop

say "tour 2: settings stored as the applet stores them; RUNDLL_QvIn starts the agent"
apply_settings 1 "" "${demo_images[@]}"
rundll RUNDLL_QvIn
shot 02-after-qvin

say "tour 3: the applet in Wine's Control Panel, showing those settings"
wine control.exe "$module_win" >/dev/null 2>&1 &
control_pid=$!
sleep 8
shot 03-applet
if [ -n "$shots" ]; then
  # The sheet is what changed between the two pictures, at the left of the screen (the
  # sample window's caption, right, turns inactive; the taskbar's clock may move on): cut it
  # out on its own.
  convert "$shots/02-after-qvin.png" "$shots/03-applet.png" -compose difference -composite \
    -colorspace gray -threshold 0 -compress none pgm:"$home/sheet-diff.pgm" 2>/dev/null || true
  box=$(python3 - "$home/sheet-diff.pgm" <<'PY' 2>/dev/null || true
import sys
words = open(sys.argv[1]).read().split()
w, h = int(words[1]), int(words[2])
pixels = words[4:]
rows = h - 32  # above the taskbar
changed = [[pixels[y * w + x] != "0" for x in range(w)] for y in range(rows)]
columns = [any(changed[y][x] for y in range(rows)) for x in range(w)]
if True in columns:
    left = columns.index(True)
    right = left
    while right + 1 < w and columns[right + 1]:
        right += 1
    ys = [y for y in range(rows) if any(changed[y][left:right + 1])]
    print("%dx%d+%d+%d" % (right - left + 1, ys[-1] - ys[0] + 1, left, ys[0]))
PY
)
  if [ -n "$box" ] && [ "${box%%x*}" -gt 100 ]; then
    convert "$shots/03-applet.png" -crop "$box" +repage "$shots/03-sheet.png"
    say "screenshot $shots/03-sheet.png"
  fi
fi
wine taskkill /im control.exe >/dev/null 2>&1 || true
sleep 2
if kill -0 "$control_pid" 2>/dev/null; then
  wine taskkill /f /im control.exe >/dev/null 2>&1 || true
fi

say "tour 4: RUNDLL_QvOut stops the agent; the shell's own pictures come back"
rundll RUNDLL_QvOut
shot 04-after-qvout

say "tour 5: logon again: the desktop runs the Run value, which starts the agent"
stop_desktop
start_desktop
sleep 5
shot 05-after-logon
rundll RUNDLL_QvOut
stop_desktop

say "done; the desktop's log is $home/qvdesktop.log"
say "screenshots: $shots"
