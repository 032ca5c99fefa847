#!/bin/sh
# Makes the Wine prefix $WINEPREFIX with the given loader, once: a 64-bit
# prefix, as on today's Windows, with Wine's own fonts in C:\windows\Fonts.
#
#   wine-prefix.sh WINE_LOADER
#
# The fonts come from LUMARSO_WINE_FONTS, else Debian's /usr/share/wine/fonts
# (package fonts-wine); without Marlett there the script fails.
#
# Wine does not find its Marlett and MS Sans Serif unless they sit in the
# prefix: the title bar then shows "0 1 r" for its buttons and the button text
# falls back to another face.  Where 32-bit programs cannot run, wineboot's
# 32-bit helpers fail at once; the 64-bit prefix is still complete.
set -u
wine=$1
source_fonts=${LUMARSO_WINE_FONTS:-/usr/share/wine/fonts}
[ -f "$WINEPREFIX/.lumarso-ready" ] && exit 0
# Checked first: without it every window's title bar is wrong, and the 20 s
# of wineboot would be spent for a prefix that is not made ready.
if [ ! -f "$source_fonts/marlett.ttf" ]; then
  echo "wine-prefix: no Marlett ($source_fonts/marlett.ttf) to copy into the prefix; install fonts-wine (scripts/setup does)" >&2
  exit 1
fi
WINEARCH=win64 timeout 300 "$wine" wineboot -i >/dev/null 2>&1
WINEPREFIX="$WINEPREFIX" timeout 120 wineserver -w
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -d "$fonts" ]; then
  echo "wine-prefix: could not create the prefix $WINEPREFIX with $wine" >&2
  exit 1
fi
for f in "$source_fonts"/*.ttf "$source_fonts"/*.fon; do
  [ -e "$f" ] && [ ! -e "$fonts/$(basename "$f")" ] && cp "$f" "$fonts/"
done
if [ ! -f "$fonts/marlett.ttf" ]; then
  echo "wine-prefix: Marlett could not be copied into $fonts" >&2
  exit 1
fi
touch "$WINEPREFIX/.lumarso-ready"
