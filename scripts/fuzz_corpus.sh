#!/usr/bin/env bash
# Makes the fuzz targets' seed corpus, tests/fuzz/corpus/<target>: the bitmap files the module's
# tests write (its hostile and edge-case files: with QV_FUZZ_SEEDS set they keep a copy of each),
# every bitmap of the release, and stored values and paths of every form the tests use; each
# set is cut down by libFuzzer's merge to the inputs that add coverage, so that the corpus in
# the tree stays small. Inputs named finding-* (the fuzzers' findings, kept after their fix)
# always stay. usage: scripts/fuzz_corpus.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build}")
bash "$here/scripts/setup.sh" >/dev/null
cmake -S "$here" -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target module_tests >/dev/null
bash "$here/tests/fuzz/build.sh" "$build/fuzz-native"

seeds=$(mktemp -d)
state=$seeds/wine
trap '"$here/tests/wine-fixture.sh" cleanup "$state"; rm -rf "$seeds"' EXIT
mkdir -p "$seeds/bitmap" "$seeds/settings" "$seeds/paths"
"$here/tests/wine-fixture.sh" setup "$state" "$build/winetest-versions.txt" >/dev/null
QV_FUZZ_SEEDS="Z:$(tr / '\\' <<<"$seeds/bitmap")" "$here/tests/wine-run.sh" "$state" \
  "$build/qvshell.cpl" "$build/tests/module_tests.exe" \
  --gtest_filter='BitmapFile*:CaptionFit*' >/dev/null 2>&1 || true
find "$here/dist" "$here/res" -iname '*.bmp' -exec cp --backup=numbered {} "$seeds/bitmap/" \;

# Stored values: a type byte (1 REG_SZ, 3 REG_BINARY, 4 REG_DWORD), a path buffer's size less
# one, then the value. Paths: a byte (bit 0: a double-byte code page; the rest: a buffer's size
# less one, halved), a path, a NUL and a name.
python3 - "$seeds" <<'PY'
import pathlib, sys
seeds = pathlib.Path(sys.argv[1])
theme = b"C:\\WINDOWS\\SYSTEM\\QVTHEMES\\CLASSIC\\"
names = [b"CLOSEUP.BMP", b"CLOSEDN.BMP", b"CLOSEDIS.BMP", b"MINUP.BMP", b"MINDN.BMP",
         b"MINDIS.BMP", b"RESTUP.BMP", b"RESTDN.BMP", b"HELPUP.BMP", b"HELPDN.BMP", b"MAXUP.BMP",
         b"MAXDN.BMP", b"MAXDIS.BMP"]
settings = {
    "list": b"\x03\xff" + b"".join(theme + n + b"\0" for n in names) + b"\0",
    "gaps": b"\x03\xff" + b"\0" * 5 + theme + b"MINUP.BMP\0" + b"\0" * 8,
    "long": b"\x03\xff" + b"A" * 259 + b"\0" + b"B" * 260 + b"\0",
    "dword": b"\x04\x00\x12\x00\x00\x00",
    "short": b"\x04\x00\x02\x00",
    "path": b"\x01\x20S:\\START.BMP",
    "unended": b"\x01\x05" + b"A:\\PIC.BMP",
}
paths = {
    "drive": b"\x7f" + theme + b"22X20\0CLOSEUP.BMP",
    "unc": b"\xff\\\\server\\share\\themes\\MINE\0MINUP.BMP",
    "size": b"\x21" + b"9999x1\0" + b"10000X9",
    "dbcs": b"\x81C:\\QVTHEMES\\\x95\x5c\\CLOSEUP.BMP\0\x95\x5c",
    "cut": b"\x03C:\\\x81",
}
for folder, table in (("settings", settings), ("paths", paths)):
    for name, value in table.items():
        (seeds / folder / name).write_bytes(value)
PY

for target in bitmap settings paths; do
  corpus=$here/tests/fuzz/corpus/$target merged=$seeds/merged-$target
  mkdir -p "$corpus" "$merged"
  "$build/fuzz-native/fuzz_$target" -merge=1 "$merged" "$corpus" "$seeds/$target" >/dev/null 2>&1
  find "$corpus" -type f ! -name 'finding-*' -delete
  cp "$merged"/* "$corpus"/
  echo "$target: $(ls "$corpus" | wc -l) inputs, $(du -sk "$corpus" | cut -f1) KiB"
done
