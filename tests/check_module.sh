#!/usr/bin/env bash
# Checks that the built module can load on Windows 95/98: a PE32 i386 DLL with subsystem
# and OS version 4.0, imports only from the allowed system DLLs and only the functions of
# the Windows 95 import list, no TLS, no instructions newer than the 486, and the export
# list's names exported undecorated.
# usage: check_module.sh OBJDUMP MODULE DEFFILE IMPORTLIST
set -u
objdump=$1 module=$2 def=$3 importlist=$4
fail=0
bad() { echo "FAIL: $*"; fail=1; }

headers=$("$objdump" -p "$module") || { echo "FAIL: cannot read $module"; exit 1; }
field() { echo "$headers" | awk -v f="$1" '$1 == f { print $2; exit }'; }

echo "$headers" | grep -q 'file format pei-i386' || bad "not a PE32 i386 image"
chars=$(field Characteristics)
(( (16#${chars#0x} & 0x2000) != 0 )) || bad "not a DLL (Characteristics $chars)"
[ "$(field Magic)" = "010b" ] || bad "not PE32 (Magic $(field Magic))"
for f in MajorOSystemVersion:4 MinorOSystemVersion:0 MajorSubsystemVersion:4 MinorSubsystemVersion:0; do
  name=${f%%:*} want=${f##*:}
  [ "$(field "$name")" = "$want" ] || bad "$name is $(field "$name"), want $want"
done
echo "$headers" | grep -q '^Subsystem.*(Windows GUI)' || bad "subsystem is not Windows GUI"

# Thread-local storage directory must be empty: Windows 95 cannot give a loaded DLL TLS.
tls=$(echo "$headers" | awk '/Thread Storage Directory/ { print $3 $4; exit }')
[ -z "$tls" ] || [ "$tls" = "0000000000000000" ] || bad "TLS directory present ($tls)"

allowed="KERNEL32.dll USER32.dll GDI32.dll ADVAPI32.dll SHELL32.dll COMCTL32.dll comdlg32.dll"
dlls=$(echo "$headers" | awk '/DLL Name:/ { print $3 }')
for d in $dlls; do
  ok=0
  for a in $allowed; do [ "${d^^}" = "${a^^}" ] && ok=1; done
  [ $ok = 1 ] || bad "imports from $d"
done

# Every imported function must be on the list of Windows 95 functions the module may use; an
# import by ordinal has no name to check and is refused as well.
imports=$(echo "$headers" | awk '
  /DLL Name:/ { dll = toupper($3); sub(/\.DLL$/, "", dll); next }
  dll && /^\t[0-9a-f]+\t/ { print dll, (NF >= 3 ? $3 : "<ordinal>") }')
listed=$(grep -v '^#' "$importlist" | awk 'NF == 2 { print toupper($1), $2 }')
while read -r dll fn; do
  [ -n "$dll" ] || continue
  echo "$listed" | grep -qxF "$dll $fn" || bad "import $dll $fn is not on the Windows 95 list"
done <<<"$imports"

# Exports: every name of the export list, undecorated; nothing decorated.
exports=$(echo "$headers" | awk '/\[Ordinal\/Name Pointer\] Table/ { on=1; next } on && !/\[ *[0-9]+\]/ { on=0 } on { print $NF }')
want=$(awk 'f && NF { print $1 } /^EXPORTS/ { f=1 }' "$def")
for w in $want; do
  echo "$exports" | grep -qx "$w" || bad "export $w missing"
done
for e in $exports; do
  case $e in *@*|_*) bad "decorated export $e" ;; esac
done

# Instructions a 486 does not have (P6 cmov/fcomi, MMX, SSE and later, rdtsc, cpuid is fine).
newer=$("$objdump" -d --no-show-raw-insn "$module" |
  grep -E '\s(cmov[a-z]*|fcomi[a-z]*|fucomi[a-z]*|fcmov[a-z]*|rdtsc|sysenter|ud2|emms)\s|%x?mm[0-9]' | head -5)
[ -z "$newer" ] || bad "instructions newer than the 486: $newer"

if [ $fail = 0 ]; then
  echo "module check passed: $(stat -c %s "$module") bytes; $(echo "$imports" | grep -c .) imports from: $(echo $dlls); exports: $(echo $exports)"
fi
exit $fail
