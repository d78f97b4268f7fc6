# Counted checks for the shell tests: `check NAME COMMAND...` runs the command and says
# "ok: NAME" or "FAILED: NAME"; `pass NAME` and `fail NAME` count a result found otherwise.
# The counts are in $passed and $failed.
# shellcheck shell=bash
passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok: $1"; }
fail() { failed=$((failed + 1)); echo "FAILED: $1" >&2; }
check() {
  local name=$1
  shift
  if "$@"; then pass "$name"; else fail "$name"; fi
}
