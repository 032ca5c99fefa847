#!/bin/sh
# Makes the Wine prefix $WINEPREFIX with the given loader, once: a 64-bit
# prefix, as on today's Windows, with Wine's own fonts in C:\windows\Fonts.
#
#   wine-prefix.sh WINE_LOADER
#
# Wine does not find its Marlett and MS Sans Serif unless they sit in the
# prefix: the title bar then shows "0 1 r" for its buttons and the button text
# falls back to another face.  Where 32-bit programs cannot run, wineboot's
# 32-bit helpers fail at once; the 64-bit prefix is still complete.
set -u
wine=$1
[ -f "$WINEPREFIX/.lumarso-ready" ] && exit 0
WINEARCH=win64 timeout 300 "$wine" wineboot -i >/dev/null 2>&1
WINEPREFIX="$WINEPREFIX" timeout 120 wineserver -w
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -d "$fonts" ]; then
  echo "wine-prefix: could not create the prefix $WINEPREFIX with $wine" >&2
  exit 1
fi
for f in /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon; do
  [ -e "$f" ] && [ ! -e "$fonts/$(basename "$f")" ] && cp "$f" "$fonts/"
done
touch "$WINEPREFIX/.lumarso-ready"
