#!/usr/bin/env bash
# Checks of the release.
#
# check_release.sh themes SOURCE
#   scripts/qvtheme.py makes exactly the committed dist/THEMES from their sheets in dist/sheets
#   (sheet-<W>x<H>.png for the size folders).
#
# check_release.sh images SOURCE BUILD WINE-STATE CHECK-PROGRAM
#   scripts/release.sh on BUILD writes the zip, the floppy and the CD image and SHA256SUMS, and
#   the same bytes when run again;
#   each image lists exactly the expected files under 8.3 names and all three hold the same
#   bytes (the module of BUILD, the committed themes); the floppy is a 1,474,560-byte FAT12
#   disk labelled QUORVIA, the CD has Joliet names and the volume id QUORVIA; README.TXT and
#   QUORVIA.INF have CRLF line ends, README.TXT no line over 76 columns and no byte outside
#   Windows-1252. Then, in a fresh prefix set to Windows 98 on the fixture's display,
#   CHECK-PROGRAM installs QUORVIA.INF with the setup engine (module and themes, byte for byte),
#   looks for Quorvia in the Control Panel and loads every theme bitmap as Windows 95 would;
#   every shipped theme passes the theme kit's check within the 16 standard colours, and a theme
#   disk the kit makes of docs/example (with two size folders) installs with its THEMES.INF
#   beside the module.
set -u
mode=$1 src=$2
work=$(mktemp -d)
fails=0
pass() { echo "ok: $*"; }
fail() {
  echo "FAILED: $*"
  fails=$((fails + 1))
}
check() { # description command...
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
finish() {
  echo "$fails failed check(s)"
  [ "$fails" -eq 0 ]
}

if [ "$mode" = themes ]; then
  trap 'rm -rf "$work"' EXIT
  bash "$src/scripts/shipped_themes.sh" "$work/THEMES" || fail "making the themes"
  check "the kit makes the committed dist/THEMES from dist/sheets" \
    diff -r "$src/dist/THEMES" "$work/THEMES"
  finish
  exit
fi

build=$3 state=$4 program=$5
prefix_env=""
cleanup() {
  if [ -n "$prefix_env" ]; then
    WINEPREFIX=$work/prefix wineserver -k >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# ---- The release command on this build ----

bash "$src/scripts/release.sh" "$build" || {
  fail "scripts/release.sh"
  finish
  exit
}
out=$build/release
major=$(sed -n 's/^#define QV_VERSION_MAJOR \([0-9]*\)$/\1/p' "$src/res/version.h")
minor=$(sed -n 's/^#define QV_VERSION_MINOR \([0-9]*\)$/\1/p' "$src/res/version.h")
name=quorvia-$major.$minor
zip=$out/$name.zip img=$out/$name.img iso=$out/$name.iso
check "the three images and SHA256SUMS are named for version $major.$minor" \
  test -f "$zip" -a -f "$img" -a -f "$iso" -a -f "$out/SHA256SUMS"
check "SHA256SUMS matches the images" \
  bash -c "cd '$out' && sha256sum --quiet -c SHA256SUMS && [ \$(wc -l <SHA256SUMS) = 3 ]"
cp "$out/SHA256SUMS" "$work/SHA256SUMS.first"
check "the release made again is the same bytes" \
  bash -c "bash '$src/scripts/release.sh' '$build' >/dev/null 2>&1 && cmp '$work/SHA256SUMS.first' '$out/SHA256SUMS'"

# ---- What is on them ----

# The expected list: the module, the setup file, the readme, and each theme's 13 caption
# buttons (named after the Frame controls page's list) and Start picture beside the module,
# the 13 of each of its size folders, and all again as the setup file's numbered sources.
themes=$(cd "$src/dist/THEMES" && ls)
{
  printf '%s\n' QUORVIA.INF QVSHELL.CPL README.TXT
  for theme in $themes; do
    n=0
    for image in CLOSEUP CLOSEDN CLOSEDIS MINUP MINDN MINDIS RESTUP RESTDN HELPUP HELPDN \
      MAXUP MAXDN MAXDIS START; do
      n=$((n + 1))
      echo "QVTHEMES/$theme/$image.BMP"
      echo "SETUP/$theme.$(printf %02d $n)"
      place=0
      for size in 22X20 28X26; do
        place=$((place + 1))
        [ $image = START ] && continue
        echo "QVTHEMES/$theme/$size/$image.BMP"
        echo "SETUP/$theme.$place$(printf %02d $n)"
      done
    done
  done
} | LC_ALL=C sort >"$work/expected"
check "at least three themes" test "$(echo "$themes" | wc -w)" -ge 3

unzip -Z1 "$zip" | LC_ALL=C sort >"$work/zip.list"
mdir -i "$img" -/ -b :: | sed -n 's|^::/\(.*[^/]\)$|\1|p' | LC_ALL=C sort >"$work/img.list"
iso_list() { # tree (-joliet on: the Joliet names; off: the ISO 9660 names)
  xorriso -rockridge off -joliet "$1" -indev "$iso" -find / -type f 2>/dev/null |
    sed -n "s|^'/\(.*\)'\$|\1|p" | LC_ALL=C sort
}
iso_list off >"$work/iso.list"
iso_list on >"$work/joliet.list"
for list in zip img iso joliet; do
  check "the $list listing is exactly the expected files" diff "$work/expected" "$work/$list.list"
done

mkdir -p "$work/zip" "$work/img" "$work/iso"
unzip -q "$zip" -d "$work/zip"
MTOOLS_SKIP_CHECK=1 mcopy -i "$img" -s -n '::*' "$work/img/"
xorriso -osirrox on -indev "$iso" -extract / "$work/iso" >/dev/null 2>&1
check "the floppy holds the same bytes as the zip" diff -r "$work/zip" "$work/img"
check "the CD holds the same bytes as the zip" diff -r "$work/zip" "$work/iso"
check "QVSHELL.CPL is the module of this build" cmp "$work/zip/QVSHELL.CPL" "$build/qvshell.cpl"
check "QVTHEMES are the committed themes" diff -r "$work/zip/QVTHEMES" "$src/dist/THEMES"

# ---- The disks themselves ----

check "the floppy image is 1,474,560 bytes" test "$(stat -c %s "$img")" = 1474560
check "the floppy is FAT12" test "$(dd if="$img" bs=1 skip=54 count=8 2>/dev/null)" = "FAT12   "
check "the floppy's label is QUORVIA" \
  bash -c "mlabel -i '$img' -s :: | grep -qx ' *Volume label is QUORVIA *'"
xorriso -indev "$iso" -toc -pvd_info >"$work/pvd" 2>&1
check "the CD's volume id is QUORVIA" grep -q "^Volume Id *: QUORVIA\$" "$work/pvd"
check "the CD has Joliet names" grep -q "^ISO offers *:.*Joliet" "$work/pvd"

# ---- The text files, as Notepad and the setup engine read them ----

text_rules() { # file max-columns: CRLF line ends, line length, Windows-1252 only
  python3 - "$1" "$2" <<'PY'
import sys
path, limit = sys.argv[1], int(sys.argv[2])
data = open(path, "rb").read()
problems = []
if max(data, default=0) > 127:
    try:
        data.decode("utf-8")
        problems.append("UTF-8 text, which Notepad shows garbled")
    except UnicodeDecodeError:
        pass
if not data.endswith(b"\r\n"):
    problems.append("does not end with CRLF")
lines = data.split(b"\r\n")[:-1]
for number, line in enumerate(lines, 1):
    if b"\r" in line or b"\n" in line:
        problems.append("line %d: a CR or LF that is not part of CRLF" % number)
    try:
        text = line.decode("cp1252")
    except UnicodeDecodeError as error:
        problems.append("line %d: byte outside Windows-1252 (%s)" % (number, error.reason))
        continue
    if any(ord(c) < 32 for c in text):
        problems.append("line %d: a control character" % number)
    if len(text) > limit:
        problems.append("line %d: %d columns" % (number, len(text)))
for problem in problems:
    print("  %s: %s" % (path, problem))
sys.exit(1 if problems else 0)
PY
}
check "README.TXT: CRLF, at most 76 columns, Windows-1252" text_rules "$work/zip/README.TXT" 76
check "QUORVIA.INF: CRLF, Windows-1252" text_rules "$work/zip/QUORVIA.INF" 1000
check "README.TXT names the version" grep -qx "Version $major\.$minor"$'\r' "$work/zip/README.TXT"
# The second field of a [SourceDisksNames] line is the source disk's volume label: empty (any
# disk) or the images' own, else the setup engine asks for a disk that does not exist.
check "[SourceDisksNames] names no label but the images' own" python3 - "$work/zip/QUORVIA.INF" <<'PY'
import re, sys
text = open(sys.argv[1], encoding="cp1252").read()
section = re.search(r"^\[SourceDisksNames\][^\n]*$(.*?)(?=^\[|\Z)", text, re.M | re.S | re.I)
labels = [(line.split(";")[0].split("=", 1)[1].split(",") + [""])[1].strip().strip('"')
          for line in section.group(1).splitlines() if "=" in line.split(";")[0]]
print("  labels:", labels)
sys.exit(0 if labels and set(labels) <= {"", "QUORVIA"} else 1)
PY

# ---- Windows takes them in: a fresh prefix set to Windows 98 ----

# shellcheck disable=SC1091 # the fixture's display and Wine settings
. "$state/env"
export WINEPREFIX=$work/prefix
prefix_env=1
if wineboot -i >"$work/wineboot.log" 2>&1; then
  wine reg add 'HKCU\Software\Wine' /v Version /d win98 /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\AppDefaults\release_checks.exe' /v Version /d win95 /f \
    >/dev/null 2>&1
  wineserver -w
  export QV_RELEASE_FILES="Z:${work//\//\\}\\img"
  kit=$src/scripts/qvtheme.py
  check "every shipped theme pixel is one of the 16 standard colours and the three greys" \
    "$kit" --build "$build" check --strict "$work"/zip/QVTHEMES/*
  "$kit" make "$src/docs/example/sheet.png" EXAMPLE --sizes 22x20,28x26 -o "$work/kit" &&
    "$kit" --build "$build" disk "$work/kit/EXAMPLE" -o "$work/kit" &&
    mkdir "$work/kitdisk" && MTOOLS_SKIP_CHECK=1 mcopy -i "$work/kit/qvthemes.img" -s -n '::*' "$work/kitdisk/" ||
    fail "a theme disk of docs/example"
  check "the kit's THEMES.INF: CRLF, Windows-1252" text_rules "$work/kitdisk/THEMES.INF" 1000
  export QV_KIT_DISK="Z:${work//\//\\}\\kitdisk" QV_KIT_THEME=EXAMPLE
  check "the setup file, the Control Panel and the theme bitmaps under Wine" \
    timeout 180 wine "$program"
  # The same install from the floppy's files on a floppy drive A: and the CD's on a CD-ROM
  # drive D:, each into a system folder emptied first.
  for drive in A:img:floppy D:iso:cdrom; do
    IFS=: read -r letter folder kind <<<"$drive"
    ln -sfn "$work/$folder" "$WINEPREFIX/dosdevices/${letter,}:"
    wine reg add 'HKLM\Software\Wine\Drives' /v "${letter,}:" /d "$kind" /f >/dev/null 2>&1
    wineserver -k
    rm -rf "$WINEPREFIX/drive_c/windows/system32/QVSHELL.CPL" \
      "$WINEPREFIX/drive_c/windows/system32/QVTHEMES"
    QV_RELEASE_FILES=$letter: check "the setup file installs from the $kind drive $letter" \
      timeout 180 wine "$program" --gtest_filter='ReleaseSetupFile.*'
  done
else
  cat "$work/wineboot.log"
  fail "a fresh prefix (wineboot)"
fi
finish
