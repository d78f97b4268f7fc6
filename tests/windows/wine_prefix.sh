# Sourced by the Windows test scripts: a Wine prefix made for the tests, Windows 10 with a
# stand-in for its interface fonts, COM ports from HKLM\Software\Wine\Ports leading to links in
# $PORT_LINKS (COM4 and COM9 are left to Wine's default: a serial device of this machine, or
# none), and the locales the tests run under.

export WINEDEBUG=-all
# No Mono or Gecko install prompts.
export WINEDLLOVERRIDES="mscoree,mshtml="

# What a prefix made by an older make_prefix lacks makes it be made anew.
PREFIX_VERSION=4

# make_prefix FOLDER: makes (once) and uses the Wine prefix FOLDER.
make_prefix() {
  export WINEPREFIX=$1
  PORT_LINKS=$(dirname "$WINEPREFIX")/wine-ports
  mkdir -p "$PORT_LINKS"
  if [ "$(cat "$WINEPREFIX/prepared" 2>/dev/null)" != "$PREFIX_VERSION" ]; then
    echo "Making the Wine prefix $WINEPREFIX"
    wineserver --kill 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
    # The fonts Qt asks for are not in Wine (Windows 10's interface font, the dialog font's
    # names): without a stand-in Qt draws the lists and bold captions in a serif.
    local font
    for font in 'Segoe UI' 'MS Shell Dlg' 'MS Shell Dlg 2'; do
      wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d 'DejaVu Sans' /f \
        >/dev/null 2>&1
    done
    local port
    for port in 1 2 3 5 6 7 8 10 11 12; do
      wine reg add 'HKLM\Software\Wine\Ports' /v "COM$port" /d "$PORT_LINKS/com$port" /f \
        >/dev/null 2>&1
    done
    # Wine makes its COM ports from that key when its server starts.
    wineserver --kill
    wineserver --wait
    echo "$PREFIX_VERSION" >"$WINEPREFIX/prepared"
  fi
}

# use_locales FOLDER: makes bg_BG.UTF-8 usable (GetACP() 1251 under Wine), generated into
# FOLDER when the system lacks it; C.UTF-8 stays usable beside it.
use_locales() {
  if locale -a 2>/dev/null | grep -qix 'bg_BG.utf8'; then return 0; fi
  local folder=$1
  if [ ! -d "$folder/bg_BG.UTF-8" ]; then
    echo "Generating the locale bg_BG.UTF-8 into $folder"
    mkdir -p "$folder"
    localedef -i bg_BG -f UTF-8 "$folder/bg_BG.UTF-8"
  fi
  local system
  for system in /usr/lib/locale/C.utf8 /usr/lib/locale/C.UTF-8; do
    [ -d "$system" ] && [ ! -e "$folder/C.UTF-8" ] && ln -s "$system" "$folder/C.UTF-8"
  done
  export LOCPATH=$folder
}

# windows_path PATH: PATH as Wine's Z: drive sees it.
windows_path() {
  local path
  path=$(readlink -f "$1")
  printf 'Z:%s' "${path//\//\\}"
}
