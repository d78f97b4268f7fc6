#!/usr/bin/env bash
# Makes what Windows users get from the runnable folder of a Windows build: the installer
# quillsetter-VERSION-setup.exe (NSIS, per user) and the portable
# quillsetter-VERSION-windows-x64.zip.
#
#   packaging/windows/package.sh [--sign CERT.pem KEY.pem] [--version VERSION] [--fast] DIST OUT
#
# DIST is the runnable folder (build-windows/dist), OUT the folder to write into. VERSION is the
# project's (as in the Debian package) unless given. With --sign, both programs, the uninstaller
# and the installer are signed with Authenticode (SHA-256) by osslsigncode. --fast packs the
# installer with zlib instead of LZMA: larger, made in a fraction of the time (for tests).
# Needs makensis (Debian's nsis), cmake and MinGW-w64's strip; osslsigncode to sign.
set -euo pipefail
cd "$(dirname "$0")/../.."

usage() {
  echo "usage: packaging/windows/package.sh [--sign CERT.pem KEY.pem] [--version VERSION] [--fast]" \
    "DIST OUT" >&2
  exit 2
}

cert="" key="" version="" fast=false
while [ $# -gt 0 ]; do
  case "$1" in
    --sign)
      [ $# -ge 3 ] || usage
      cert=$(realpath "$2")
      key=$(realpath "$3")
      shift 3
      ;;
    --version)
      [ $# -ge 2 ] || usage
      version=$2
      shift 2
      ;;
    --fast) fast=true; shift ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# -eq 2 ] || usage
dist=$1
out=$2
if [ ! -f "$dist/quillsetter.exe" ] || [ ! -f "$dist/quillsetter-cli.exe" ]; then
  echo "package.sh: $dist holds no Windows build (quillsetter.exe, quillsetter-cli.exe)" >&2
  exit 1
fi
if [ -n "$cert" ] && { [ ! -r "$cert" ] || [ ! -r "$key" ]; }; then
  echo "package.sh: cannot read $cert or $key" >&2
  exit 1
fi
if [ -z "$version" ]; then
  version=$(sed -n 's/^project(Quillsetter VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
fi
[[ "$version" =~ ^[0-9]+(\.[0-9]+){0,3}$ ]] || { echo "package.sh: bad version '$version'" >&2; exit 1; }
# Windows' version resources take four numbers.
IFS=. read -r -a parts <<<"$version"
while [ ${#parts[@]} -lt 4 ]; do parts+=(0); done
file_version=$(IFS=.; echo "${parts[*]}")

name=quillsetter-$version
mkdir -p "$out"
out=$(realpath "$out")
installer=$out/$name-setup.exe
zip=$out/$name-windows-x64.zip
stage=$out/stage
folder=$stage/$name
rm -rf "$stage" "$installer" "$zip"
mkdir -p "$stage"
cp -r "$dist" "$folder"
# What a build leaves for debuggers is no use to users: the runtime DLLs come with theirs.
find "$folder" \( -iname '*.exe' -o -iname '*.dll' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +

# Windows' Notepad before 2018 shows a text without CRs on one line.
crlf() { sed 's/\r*$/\r/' "$@"; }

# The licence: the project's own (from the Debian copyright file), then Qt's notice; beside it
# the texts of the LGPL and the GPL that Qt's notice names.
{
  echo "Quillsetter $version"
  sed -n 's/^Copyright: /Copyright (C) /p' packaging/copyright | head -n 1
  echo
  sed -n '/^License: /,/^$/{/^License: /d; /^$/d; s/^ \.$//; s/^ //; p}' packaging/copyright | head -n 20
  echo
  cat packaging/windows/qt-notice.txt
} | crlf >"$folder/licence.txt"
crlf /usr/share/common-licenses/LGPL-3 >"$folder/LGPL-3.txt"
crlf /usr/share/common-licenses/GPL-3 >"$folder/GPL-3.txt"

sign() { packaging/windows/sign.sh "$cert" "$key" "$1"; }
if [ -n "$cert" ]; then
  sign "$folder/quillsetter.exe"
  sign "$folder/quillsetter-cli.exe"
fi

# What the uninstaller deletes, and what an upgrade deletes before copying: every file shipped
# (by name, so that a user's own files in the folder stay), and any DLL an older version left.
program_files=$stage/program_files.nsh
# shellcheck disable=SC2016 # $INSTDIR is NSIS's, written as it is
{
  echo '!macro RemoveProgramFiles'
  (cd "$folder" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) | while read -r file; do
    printf '  Delete "$INSTDIR\\%s"\n' "${file//\//\\}"
  done
  (cd "$folder" && find . -mindepth 1 -type d | sed 's|^\./||' | LC_ALL=C sort -r) | while read -r dir; do
    printf '  Delete "$INSTDIR\\%s\\*.dll"\n  RMDir "$INSTDIR\\%s"\n' "${dir//\//\\}" \
      "${dir//\//\\}"
  done
  printf '  Delete "$INSTDIR\\*.dll"\n'
  echo '!macroend'
} >"$program_files"

nsis_defines=(
  -DVERSION="$version" -DFILE_VERSION="$file_version" -DPROGRAM_DIR="$folder"
  -DPROGRAM_FILES="$program_files" -DLICENCE="$folder/licence.txt"
  -DICON="$PWD/app/windows/quillsetter.ico" -DOUTFILE="$installer"
)
! $fast || nsis_defines+=(-DFAST)
[ -z "$cert" ] || nsis_defines+=(-DSIGN="\"$PWD/packaging/windows/sign.sh\" \"$cert\" \"$key\"")
makensis -V2 -NOCD "${nsis_defines[@]}" packaging/windows/quillsetter.nsi >"$stage/makensis.log" 2>&1 || {
  cat "$stage/makensis.log" >&2
  echo "package.sh: makensis failed" >&2
  exit 1
}

# The portable folder is the installed one with a word on how to use it.
sed "s/@VERSION@/$version/" packaging/windows/README.txt.in | crlf >"$folder/README.txt"
(cd "$stage" && cmake -E tar cf "$zip" --format=zip "$name")

size() { stat -c %s "$1" | awk '{ printf "%.1f MiB", $1 / 1048576 }'; }
echo "Installer: $installer ($(size "$installer"))"
echo "Portable:  $zip ($(size "$zip"))"
if [ -n "$cert" ]; then
  echo "Signed with $cert: quillsetter.exe, quillsetter-cli.exe, the installer and its uninstaller"
else
  echo "Not signed: no certificate given (--sign CERT.pem KEY.pem)"
fi
