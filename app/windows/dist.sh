#!/usr/bin/env bash
# dist.sh FOLDER QT PROGRAM...: lays out a folder that runs on Windows: the programs, Qt's
# plugin folders, and every DLL they load that is not Windows' own, found by reading their
# imports (recursively) in Qt's bin/ and the MinGW-w64 runtime.
set -euo pipefail

folder=$1
qt=$2
shift 2
readonly OBJDUMP=${OBJDUMP:-x86_64-w64-mingw32-objdump}
readonly PLUGIN_FOLDERS=(platforms styles imageformats iconengines)
# Where the DLLs come from; what none of them holds is Windows' own.
search_dirs=("$qt/bin")
for dir in /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib; do
  [ -d "$dir" ] && search_dirs+=("$dir")
done

rm -rf "$folder"
mkdir -p "$folder"
cp "$@" "$folder/"
for plugins in "${PLUGIN_FOLDERS[@]}"; do
  cp -r "$qt/plugins/$plugins" "$folder/"
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
