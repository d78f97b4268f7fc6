#!/usr/bin/env bash
# Builds the asan preset (AddressSanitizer, UndefinedBehaviorSanitizer, LeakSanitizer) and runs
# the whole test suite on it; any finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/../.."

# Set before the build too: test discovery runs every test program once.
# A request for more memory than there is gets a null pointer, as from the C library, rather than
# an abort: Qt reserves room for a count it reads from a damaged settings file before reading.
export ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1:halt_on_error=1:print_stacktrace=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:strict_string_checks=1
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export QT_QPA_PLATFORM=offscreen

cmake --preset asan >/dev/null
cmake --build --preset asan -j 2
# A preset that lost its flags would pass everything and prove nothing.
if ! ldd build-asan/bin/link_tests | grep -q libasan; then
  echo "build-asan/bin/link_tests is not built with AddressSanitizer" >&2
  exit 1
fi
# A test that hangs fails here instead of holding the run.
ctest --preset asan --timeout 120
