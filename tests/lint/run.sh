#!/usr/bin/env bash
# clang-format in check mode on every tracked source file, then clang-tidy on every project file
# of the build's compile database, and on the files only the fuzz build (the fuzzers), the MinGW
# build (the Win32 back end) and the Windows build (the Win32 halves of the preferences, the port
# list and the command line, and the Windows tests) compile, each with the database that builds
# it. The Windows build is configured where the Qt for Windows is, and its generated headers made.
# Usage: tests/lint/run.sh [BUILD_DIR]
set -uo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
jobs=${LINT_JOBS:-2}
status=0
for tool in clang-format-14 clang-tidy-14 x86_64-w64-mingw32-g++-posix; do
  command -v "$tool" >/dev/null || { echo "lint: $tool is not installed" >&2; exit 1; }
done

echo "clang-format-14 on the tracked sources"
git ls-files -z -- '*.h' '*.cpp' | xargs -0 clang-format-14 --dry-run -Werror || status=1

if [ ! -f "$build/compile_commands.json" ]; then
  echo "lint: $build/compile_commands.json is missing; build first (cmake --preset default)" >&2
  exit 1
fi
# Configuring is enough: these files need nothing generated.
for preset in fuzz mingw; do
  cmake --preset "$preset" >/dev/null || { echo "lint: cmake --preset $preset failed" >&2; exit 1; }
done

# The project's files in DATABASE that no earlier database named, one a line. Generated files
# (moc, rcc) live in the build folders and are left out.
checked=$(mktemp)
trap 'rm -f "$checked"' EXIT
project_files() {
  python3 - "$1" "$PWD" "$checked" <<'PY'
import json, os, sys
database, root, checked = sys.argv[1], sys.argv[2] + os.sep, sys.argv[3]
seen = set(open(checked).read().split())
files = {os.path.normpath(os.path.join(e["directory"], e["file"])) for e in json.load(open(database))}
fresh = []
for path in sorted(files):
    relative = path[len(root):] if path.startswith(root) else None
    if relative and not relative.startswith("build") and relative not in seen and os.path.exists(path):
        fresh.append(relative)
with open(checked, "a") as out:
    out.writelines(name + "\n" for name in fresh)
print("\n".join(fresh))
PY
}

# clang-tidy -p BUILD_DIR [EXTRA_ARGS...] on that database's files not yet checked.
tidy() {
  local database=$1
  shift
  local sources
  mapfile -t sources < <(project_files "$database/compile_commands.json")
  [ ${#sources[@]} -eq 0 ] && return 0
  echo "clang-tidy-14 on ${#sources[@]} files of $database, $jobs at a time"
  # The findings go to standard output; standard error only counts the warnings in system headers.
  printf '%s\0' "${sources[@]}" |
    xargs -0 -n 1 -P "$jobs" clang-tidy-14 -p "$database" --quiet "$@" 2>/dev/null || status=1
}

# clang parses the MinGW build as its own target, with the MinGW C++ library's headers.
mingw_args=(--extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-nostdinc++)
while read -r folder; do
  mingw_args+=("--extra-arg=-isystem$folder")
done < <(x86_64-w64-mingw32-g++-posix -E -x c++ -v - </dev/null 2>&1 |
  sed -n '/search starts here/,/End of search/p' | grep '^ /.*c++')

tidy "$build"
tidy build-fuzz
tidy build-mingw "${mingw_args[@]}"
qt=${QUILLSETTER_QT_MINGW:-../shared/tools/qt-mingw/qt6.4.2-mingw64.tar.xz}
if [ -e "$qt" ]; then
  if cmake --preset windows >/dev/null &&
    cmake --build --preset windows --target quillsetter_ports_autogen quillsetter_ui_autogen \
      >/dev/null; then
    # clang cannot read GCC's precompiled headers: the database without them.
    mkdir -p build-windows/lint
    python3 - <<'PY'
import json, re
entries = json.load(open("build-windows/compile_commands.json"))
for entry in entries:
    entry["command"] = re.sub(r" -Winvalid-pch| -include \S*cmake_pch\.hxx", "", entry["command"])
json.dump(entries, open("build-windows/lint/compile_commands.json", "w"), indent=1)
PY
    tidy build-windows/lint "${mingw_args[@]}"
  else
    echo "lint: the windows preset failed to configure" >&2
    status=1
  fi
else
  echo "lint: the files only the Windows build compiles are not checked: no Qt for Windows at $qt"
fi

[ $status -eq 0 ] && echo "lint: clean"
exit $status
