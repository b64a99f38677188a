# Sourced by the scripts that run the Windows build under Wine: the Wine
# prefix of the Windows build (build-win/wine, so the user's own is left
# alone), made when missing, with Wine's own TrueType fonts in its Fonts
# folder. Debian's Wine does not load them from its data folder, so a prefix
# without them has no Tahoma: the dialog font ("MS Shell Dlg 2", which Wine
# substitutes by Tahoma) then falls back to one of the system's fonts, here
# DejaVu Math TeX Gyre, whose 46-pixel line at 8 points stretches every button
# and row of a dialog to twice its height.
export WINEPREFIX=$PWD/build-win/wine
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

wine_prefix() {
  local fonts=/usr/share/wine/fonts
  [[ -f $WINEPREFIX/system.reg ]] || (unset DISPLAY; wineboot -i >/dev/null 2>&1)
  [[ -f $fonts/tahoma.ttf ]] || { echo "wine-prefix: no $fonts/tahoma.ttf (package fonts-wine)" >&2; return 1; }
  cp -u "$fonts"/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
}
