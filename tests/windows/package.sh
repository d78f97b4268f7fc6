#!/usr/bin/env bash
# The Windows installer and the portable zip, tried under Wine as users and deployment tools use
# them. Makes both with packaging/windows/package.sh from build-windows/dist/, signed with a
# certificate made here, and the same installer as an older version to upgrade from; then, in a
# Wine prefix made fresh for the run, on an X server of its own (Xvfb):
#   - the older version installs silently: the files, the uninstall entry, the Start-menu
#     shortcut and the .quillsetter association, read back from the registry;
#   - the installed window starts from its folder and saves its choices when closed;
#   - a settings file opened through the association (as a double-click opens it) shows its
#     values in the lists, which the window stores when closed;
#   - the current version installs silently over it with /PATH=1: the programs are replaced,
#     the changed choice, the user's files and install log stay, the folder joins PATH;
#   - the silent uninstall removes every file of the program, the shortcut, the association,
#     the PATH entry and its own entry, and leaves the user's key, files and install log;
#   - the zip, unpacked into a folder with a space and Cyrillic letters, runs;
#   - the installer speaks Bulgarian where GetACP() is 1251, English elsewhere.
# Skips with one line where there is no Qt for Windows. Adds about three minutes to ./dev test
# (half of it making the two installers). Needs nsis, osslsigncode, openssl, xvfb, x11-utils.
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=tests/windows/wine_prefix.sh
source tests/windows/wine_prefix.sh

qt=${QUILLSETTER_QT_MINGW:-../shared/tools/qt-mingw/qt6.4.2-mingw64.tar.xz}
if [ ! -e "$qt" ]; then
  echo "Windows installer tests skipped: no Qt for Windows at $qt (set QUILLSETTER_QT_MINGW)"
  exit 0
fi
# The window needs a display under Wine: one of its own, so that a person's desktop is untouched.
if [ -z "${QUILLSETTER_PACKAGE_TEST_DISPLAY:-}" ]; then
  exec env QUILLSETTER_PACKAGE_TEST_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

started=$(date +%s)
work=build-windows/package-test
version=$(sed -n 's/^project(Quillsetter VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
readonly OLD_VERSION=1.9

# shellcheck source=tests/support/checks.sh
source tests/support/checks.sh

# --- The packages ---------------------------------------------------------------------------
cmake --preset windows >/dev/null
cmake --build --preset windows --target dist >/dev/null
rm -rf "$work"
mkdir -p "$work"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Quillsetter test signing" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
packaging/windows/package.sh --sign "$work/cert.pem" "$work/key.pem" build-windows/dist \
  "$work/new" >"$work/new.log"
# The older version is packed quickly: its installer is run, not shipped.
packaging/windows/package.sh --version "$OLD_VERSION" --fast build-windows/dist "$work/old" \
  >"$work/old.log"
cat "$work/new.log"
echo "Packages made: $(($(date +%s) - started)) s"

new_setup=$work/new/quillsetter-$version-setup.exe
old_setup=$work/old/quillsetter-$OLD_VERSION-setup.exe
zip=$work/new/quillsetter-$version-windows-x64.zip
staged=$work/new/stage/quillsetter-$version
signed() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >/dev/null 2>&1; }
unsigned() { ! signed "$1"; }
check "the installer is written" test -s "$new_setup"
check "the zip is written" test -s "$zip"
check "the installer is signed" signed "$new_setup"
check "quillsetter.exe is signed" signed "$staged/quillsetter.exe"
check "quillsetter-cli.exe is signed" signed "$staged/quillsetter-cli.exe"
check "without a certificate the command says it did not sign" grep -q '^Not signed' "$work/old.log"
check "without a certificate the installer is not signed" unsigned "$old_setup"
# Version resources hold their texts in UTF-16.
version_text() { strings -e l "$1" | grep -A1 -x "$2" | tail -n 1; }
for program in quillsetter.exe quillsetter-cli.exe; do
  check "$program has the version $version" test "$(version_text "$staged/$program" FileVersion)" = "$version"
done
check "the installer has the version $version" test "$(version_text "$new_setup" ProductVersion)" = "$version"
check "the folder holds no test program nor import library" \
  test -z "$(find "$staged" -name '*_tests.exe' -o -name '*.a' -o -name '*.lib')"

# --- A fresh Wine prefix --------------------------------------------------------------------
make_prefix "$PWD/build-windows/package-test-prefix"
template=$WINEPREFIX
export WINEPREFIX=$PWD/$work/wineprefix
cp -a "$template" "$WINEPREFIX"
use_locales "$PWD/build-windows/locales"
export LC_ALL=C.UTF-8
# No menu entries nor file types for the Linux desktop from the shortcut and the association.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
wineserver >"$work/wineserver.log" 2>&1

# reg_value KEY [NAME]: the value NAME of the registry key KEY as reg shows it, the key's default
# value without NAME; empty when there is none. reg_type KEY NAME: its type.
reg_query() {
  if [ -n "${2:-}" ]; then wine reg query "$1" /v "$2"; else wine reg query "$1" /ve; fi 2>/dev/null |
    tr -d '\r'
}
reg_value() { reg_query "$@" | sed -n "s/^ *${2:-(Default)} *REG_[A-Z_]* *//p"; }
reg_type() { reg_query "$@" | sed -n "s/^ *$2 *\(REG_[A-Z_]*\).*/\1/p"; }
key_exists() { wine reg query "$1" >/dev/null 2>&1; }
key_gone() { ! key_exists "$1"; }
windows_folder() { wine cmd /c "echo %$1%" 2>/dev/null | tr -d '\r'; }

local_appdata=$(windows_folder LOCALAPPDATA)
appdata=$(windows_folder APPDATA)
folder_win="$local_appdata\\Programs\\Quillsetter"
folder=$(winepath -u "$folder_win" 2>/dev/null)
shortcut=$(winepath -u "$appdata\\Microsoft\\Windows\\Start Menu\\Programs\\Quillsetter.lnk" 2>/dev/null)
install_log=$(winepath -u "$appdata\\Tavrin Ltd\\Quillsetter\\installs.jsonl" 2>/dev/null)
readonly UNINSTALL='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillsetter'
readonly CLASSES='HKCU\Software\Classes'
readonly CHOICES='HKCU\Software\Tavrin Ltd\Quillsetter'

# run_window [ARGUMENT]: starts the installed window from its folder, waits for it to show, and
# closes it as the title bar's close box does; its exit status.
run_window() {
  local pid status=0
  (cd "$folder" && exec wine quillsetter.exe "$@") >>"$work/window.log" 2>&1 &
  pid=$!
  close_window "$pid" || status=$?
  return "$status"
}

# wait_for_window PID: until the window of the Wine process PID shows, or the process ends.
wait_for_window() {
  for _ in $(seq 120); do
    xwininfo -root -tree 2>/dev/null | grep -F '("quillsetter.exe"' | grep -qF 'ESC/POS' && return 0
    kill -0 "$1" 2>/dev/null || return 1
    sleep 0.5
  done
  return 1
}

# close_window PID: waits for the window of the Wine process PID to show, closes it as the title
# bar's close box does (WM_CLOSE) and waits for the process to end; its exit status.
close_window() {
  local pid=$1 status=0
  wait_for_window "$pid" || true
  wine taskkill /im quillsetter.exe >/dev/null 2>&1 || true
  timeout 60 tail --pid="$pid" -f /dev/null || kill "$pid" 2>/dev/null || true
  wait "$pid" || status=$?
  return "$status"
}

# --- The older version, installed silently --------------------------------------------------
status=0
wine "$old_setup" /S || status=$?
check "the silent install exits with 0" test "$status" -eq 0
for file in quillsetter.exe quillsetter-cli.exe Qt6Widgets.dll platforms/qwindows.dll \
  uninstall.exe licence.txt; do
  check "it installs $file" test -f "$folder/$file"
done
check "the uninstall entry is named Quillsetter" test "$(reg_value "$UNINSTALL" DisplayName)" = Quillsetter
check "the uninstall entry has the version" \
  test "$(reg_value "$UNINSTALL" DisplayVersion)" = "$OLD_VERSION"
check "the uninstall entry's publisher is Tavrin Ltd" \
  test "$(reg_value "$UNINSTALL" Publisher)" = "Tavrin Ltd"
check "the uninstall entry has the program's icon" \
  test "$(reg_value "$UNINSTALL" DisplayIcon)" = "\"$folder_win\\quillsetter.exe\",0"
check "the uninstall entry has a size" test "$(($(reg_value "$UNINSTALL" EstimatedSize)))" -gt 10000
check "the uninstall entry names the uninstaller" \
  test "$(reg_value "$UNINSTALL" UninstallString)" = "\"$folder_win\\uninstall.exe\""
check "the uninstall entry names the silent uninstall" \
  test "$(reg_value "$UNINSTALL" QuietUninstallString)" = "\"$folder_win\\uninstall.exe\" /S"
check "the Start menu has the shortcut" test -f "$shortcut"
check "the shortcut starts the program" grep -qa "quillsetter.exe" "$shortcut"
check ".quillsetter files are Quillsetter's" \
  test "$(reg_value "$CLASSES\\.quillsetter")" = Quillsetter.Settings
check ".quillsetter files open in the window" \
  test "$(reg_value "$CLASSES\\Quillsetter.Settings\\shell\\open\\command")" = \
  "\"$folder_win\\quillsetter.exe\" \"%1\""

# --- The installed window -------------------------------------------------------------------
status=0
run_window || status=$?
check "the installed window exits with 0 when closed" test "$status" -eq 0
check "it saved its choices on closing" test -n "$(reg_value "$CHOICES" Language)"
check "it stored the starting country" test "$(reg_value "$CHOICES" Country)" = 0x0

# A settings file opened as a double-click opens it: by the association's command, checked
# above. (Wine's shell cannot show it: it does not read HKCU\Software\Classes.)
documents=$WINEPREFIX/drive_c/users/Public/Documents
mkdir -p "$documents"
printf '[Printer]\r\nCountry=9\r\nCodePage=17\r\nPaper=0\r\n' >"$documents/shop.quillsetter"
status=0
run_window 'C:\users\Public\Documents\shop.quillsetter' || status=$?
check "the settings file opened in the window, which exits with 0" test "$status" -eq 0
check "the window showed the file's country and stored it" test "$(reg_value "$CHOICES" Country)" = 0x9
check "the window showed the file's code page and stored it" \
  test "$(reg_value "$CHOICES" CodePage)" = 0x11
check "the window showed the file's paper and stored it" test "$(reg_value "$CHOICES" Paper)" = 0x0

# --- The current version over it ------------------------------------------------------------
printf '[Printer]\r\nCountry=4\r\n' >"$folder/mine.quillsetter"
mkdir -p "$(dirname "$install_log")"
echo '{"model":"Tavrin MR71C Printer","result":"configured"}' >"$install_log"
wine reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d '%USERPROFILE%\bin' /f >/dev/null 2>&1
status=0
wine "$new_setup" /S /PATH=1 || status=$?
check "the silent upgrade exits with 0" test "$status" -eq 0
check "the uninstall entry has the new version" \
  test "$(reg_value "$UNINSTALL" DisplayVersion)" = "$version"
check "the programs are replaced by the new (signed) ones" signed "$folder/quillsetter.exe"
check "the uninstaller is signed" signed "$folder/uninstall.exe"
check "the changed choice stays" test "$(reg_value "$CHOICES" Country)" = 0x9
check "the user's file in the program folder stays" test -f "$folder/mine.quillsetter"
check "the install log stays" test -s "$install_log"
check "the folder is in PATH, after what was there" \
  test "$(reg_value 'HKCU\Environment' Path)" = "%USERPROFILE%\\bin;$folder_win"
check "PATH stays REG_EXPAND_SZ" test "$(reg_type 'HKCU\Environment' Path)" = REG_EXPAND_SZ
# Whether a command prompt in another folder finds quillsetter-cli by its name.
cli_by_name() {
  wine cmd /c 'cd /d C:\ & quillsetter-cli --version' 2>&1 | tr -d '\r' |
    grep -qx "quillsetter-cli $version"
}
cli_not_by_name() { ! cli_by_name; }
check "a command prompt finds quillsetter-cli through PATH" cli_by_name
status=0
run_window || status=$?
check "the new window reads the kept choice and stores it again" \
  test "$status" -eq 0 -a "$(reg_value "$CHOICES" Country)" = 0x9

# An install while the window runs from the folder stops: its files could not be replaced.
(cd "$folder" && exec wine quillsetter.exe) >>"$work/window.log" 2>&1 &
window=$!
wait_for_window "$window" || true
status=0
wine "$new_setup" /S || status=$?
check "a silent install while the window runs stops with 2" test "$status" -eq 2
status=0
close_window "$window" || status=$?
check "the window then closes as usual" test "$status" -eq 0

# --- The silent uninstall, as a deployment tool runs it --------------------------------------
quiet=$(reg_value "$UNINSTALL" QuietUninstallString)
uninstaller=${quiet%\" /S}
uninstaller=${uninstaller#\"}
status=0
wine "$uninstaller" /S || status=$?
# The uninstaller runs on from a copy of itself: wait until it has removed its entry.
for _ in $(seq 120); do
  key_exists "$UNINSTALL" || break
  sleep 0.5
done
check "the silent uninstall exits with 0" test "$status" -eq 0
check "the uninstall entry is gone" key_gone "$UNINSTALL"
left=$(cd "$folder" 2>/dev/null && find . -type f ! -name mine.quillsetter)
check "no file of the program is left" test -z "$left"
check "the user's file in the program folder stays" test -f "$folder/mine.quillsetter"
check "the shortcut is gone" test ! -e "$shortcut"
check "the file type is gone" key_gone "$CLASSES\\.quillsetter"
check "the association is gone" key_gone "$CLASSES\\Quillsetter.Settings"
check "a command prompt no longer finds quillsetter-cli" cli_not_by_name
check "PATH is as it was" test "$(reg_value 'HKCU\Environment' Path)" = "%USERPROFILE%\\bin"
check "PATH stays REG_EXPAND_SZ" test "$(reg_type 'HKCU\Environment' Path)" = REG_EXPAND_SZ
check "the user's choices stay" test "$(reg_value "$CHOICES" Country)" = 0x9
check "the install log stays" test -s "$install_log"
check "the settings file stays" test -f "$documents/shop.quillsetter"

# --- The portable zip -----------------------------------------------------------------------
portable="$WINEPREFIX/drive_c/Инструменти на касата"
mkdir -p "$portable"
zip=$(realpath "$zip")
(cd "$portable" && cmake -E tar xf "$zip")
cli="$portable/quillsetter-$version/quillsetter-cli.exe"
check "the zip holds README.txt" test -s "$portable/quillsetter-$version/README.txt"
output=$(wine "$cli" --version 2>&1 | tr -d '\r' || true)
check "the unpacked command line runs from a folder with a space and Cyrillic letters" \
  grep -q "$version" <<<"$output"
output=$(wine "$cli" ports --json 2>&1 | tr -d '\r' || true)
check "and lists the ports" grep -q '"COM1"' <<<"$output"

# --- The installer's language ---------------------------------------------------------------
# The title of the installer's window, started interactively under the locale given.
installer_title() {
  local pid title="" window
  env LC_ALL="$1" wine "$new_setup" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 120); do
    window=$(xwininfo -root -tree 2>/dev/null | grep -F '("quillsetter-' | grep -v 'Default IME' |
      awk '{ print $1 }' | head -n 1)
    if [ -n "$window" ]; then
      title=$(xprop -id "$window" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')
      [ -n "$title" ] && break
    fi
    sleep 0.5
  done
  wineserver --kill >/dev/null 2>&1 || true
  wait "$pid" 2>/dev/null || true
  printf '%b' "$title"
}
title=$(installer_title bg_BG.UTF-8)
check "the installer speaks Bulgarian where GetACP() is 1251 (\"$title\")" \
  test "$title" = "Инсталиране на Quillsetter "
title=$(installer_title C.UTF-8)
check "the installer speaks English elsewhere (\"$title\")" test "$title" = "Quillsetter Setup"

wineserver --wait 2>/dev/null || true
echo "Windows installer tests: $passed passed, $failed failed, $(($(date +%s) - started)) s"
if [ "$failed" -ne 0 ]; then
  echo "what the window printed:" >&2
  cat "$work/window.log" >&2
fi
[ "$failed" -eq 0 ]
