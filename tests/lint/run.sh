#!/usr/bin/env bash
# clang-format in check mode on every tracked source file, then clang-tidy on every file of the
# build's compile database that belongs to the project. Usage: tests/lint/run.sh [BUILD_DIR]
set -uo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
jobs=${LINT_JOBS:-2}
status=0
for tool in clang-format-14 clang-tidy-14; do
  command -v "$tool" >/dev/null || { echo "lint: $tool is not installed" >&2; exit 1; }
done

echo "clang-format-14 on the tracked sources"
git ls-files -z -- '*.h' '*.cpp' | xargs -0 clang-format-14 --dry-run -Werror || status=1

database=$build/compile_commands.json
if [ ! -f "$database" ]; then
  echo "lint: $database is missing; build first (cmake --preset default && cmake --build build)" >&2
  exit 1
fi
# Generated files (moc, rcc) live in the build folder; a file built by two targets is checked once.
# The Windows back ends are not in a Linux database; the fuzzers are in the fuzz build's only.
mapfile -t sources < <(python3 - "$database" "$PWD" <<'PY'
import json, os, sys
root = sys.argv[2] + os.sep
files = {os.path.normpath(os.path.join(e["directory"], e["file"])) for e in json.load(open(sys.argv[1]))}
for path in sorted(files):
    relative = path[len(root):] if path.startswith(root) else None
    if relative and not relative.startswith("build") and os.path.exists(path):
        print(relative)
PY
)
echo "clang-tidy-14 on ${#sources[@]} files, $jobs at a time"
printf '%s\0' "${sources[@]}" |
  xargs -0 -n 1 -P "$jobs" clang-tidy-14 -p "$build" --quiet 2>/dev/null || status=1

[ $status -eq 0 ] && echo "lint: clean"
exit $status
