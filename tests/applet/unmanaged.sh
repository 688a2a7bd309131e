#!/usr/bin/env bash
# usage: unmanaged.sh WINE-RUN STATE MODULE PROGRAM...
# Marks each program's windows as not managed by a window manager (per-program setting).
set -u
runner=$1 state=$2 module=$3
shift 3
for program in "$@"; do
  "$runner" "$state" "$module" reg add "HKCU\\Software\\Wine\\AppDefaults\\$program.exe\\X11 Driver" \
    /v Managed /d N /f >/dev/null 2>&1 || exit 1
done
