#!/usr/bin/env bash
# Prints a registry file (REGEDIT4) that gives a Wine prefix a colour scheme, for
# `wine reg import`: "standard" is Windows 95's own (Wine's default scheme differs, and the
# module draws the theme pictures' button greys in the scheme's colours); "sage" is a
# green-grey scheme of the kind users pick in Display Properties, for pictures of a theme
# following the user's colours.
# usage: scripts/colours.sh standard|sage >FILE.reg
set -euo pipefail
standard="ActiveBorder:192,192,192 ActiveTitle:0,0,128 AppWorkspace:128,128,128
  Background:0,128,128 ButtonDkShadow:0,0,0 ButtonFace:192,192,192 ButtonHilight:255,255,255
  ButtonLight:223,223,223 ButtonShadow:128,128,128 ButtonText:0,0,0 GrayText:128,128,128
  Hilight:0,0,128 HilightText:255,255,255 InactiveBorder:192,192,192
  InactiveTitle:128,128,128 InactiveTitleText:192,192,192 InfoText:0,0,0
  InfoWindow:255,255,225 Menu:192,192,192 MenuText:0,0,0 Scrollbar:192,192,192
  TitleText:255,255,255 Window:255,255,255 WindowFrame:0,0,0 WindowText:0,0,0"
# The same, with the greys of buttons, frames and menus in green-grey and a matching title.
sage="$standard ActiveBorder:144,176,168 ActiveTitle:64,104,96 ButtonFace:144,176,168
  ButtonLight:184,208,200 ButtonShadow:80,112,104 InactiveBorder:144,176,168
  InactiveTitle:112,136,128 InactiveTitleText:208,224,216 Menu:144,176,168
  Scrollbar:144,176,168 Background:48,80,72"
case ${1:-} in
standard) colours=$standard ;;
sage) colours=$sage ;;
*) echo "usage: $0 standard|sage" >&2; exit 2 ;;
esac
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n'
# Each name once, a later entry of it in force.
declare -A rgb
names=()
for colour in $colours; do
  name=${colour%%:*}
  [ -n "${rgb[$name]:-}" ] || names+=("$name")
  rgb[$name]=${colour#*:}
done
for name in "${names[@]}"; do
  printf '"%s"="%s"\r\n' "$name" "${rgb[$name]//,/ }"
done
