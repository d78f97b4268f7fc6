#!/usr/bin/env bash
# dist.sh FOLDER QT PROGRAM...: lays out a folder that runs on Windows: the programs, the Qt
# plugins they load, and every DLL they load that is not Windows' own, found by reading their
# imports (recursively) in Qt's bin/ and the MinGW-w64 runtime.
set -euo pipefail

folder=$1
qt=$2
shift 2
readonly OBJDUMP=${OBJDUMP:-x86_64-w64-mingw32-objdump}
# The window's platform (offscreen for headless runs), its style, and the SVG pictures and icon;
# Qt's other plugins (minimal, direct2d, gif, jpeg, ico) are never loaded.
readonly PLUGINS=(platforms/qwindows.dll platforms/qoffscreen.dll styles/qwindowsvistastyle.dll
  imageformats/qsvg.dll iconengines/qsvgicon.dll)
# Where the DLLs come from; what none of them holds is Windows' own.
search_dirs=("$qt/bin")
for dir in /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib; do
  [ -d "$dir" ] && search_dirs+=("$dir")
done

rm -rf "$folder"
mkdir -p "$folder"
cp "$@" "$folder/"
for plugin in "${PLUGINS[@]}"; do
  mkdir -p "$folder/$(dirname "$plugin")"
  cp "$qt/plugins/$plugin" "$folder/$plugin"
done

# find_dll NAME: the path of the DLL named NAME (in any case) in the search folders, if any.
find_dll() {
  local dir
  for dir in "${search_dirs[@]}"; do
    find "$dir" -maxdepth 1 -iname "$1" -print -quit | grep . && return 0
  done
  return 1
}

pending=("$folder"/*.exe "$folder"/*/*.dll)
declare -A seen=()
while [ ${#pending[@]} -gt 0 ]; do
  binary=${pending[0]}
  pending=("${pending[@]:1}")
  while read -r dll; do
    key=${dll,,}
    [ -n "${seen[$key]:-}" ] && continue
    seen[$key]=1
    if path=$(find_dll "$dll"); then
      cp "$path" "$folder/"
      pending+=("$folder/$(basename "$path")")
    fi
  done < <("$OBJDUMP" -p "$binary" | sed -n 's/^\s*DLL Name: //p')
done
