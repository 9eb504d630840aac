#!/usr/bin/env bash
# Runs every test under the sanitizers; any sanitizer report fails the run.
# Tests labelled "screenshots" only save pictures for a look by eye and are
# left out; `run-tests.sh <build> <jobs> screenshots` runs only them.
#
#   run-tests.sh [build-dir] [jobs] [screenshots]
set -uo pipefail
build_dir=${1:-build-test}
jobs=${2:-$(nproc)}
if [ "${3:-}" = screenshots ]; then
  labels=(-L screenshots)
else
  labels=(-LE screenshots)
fi
root=$(cd "$(dirname "$0")/.." && pwd)

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:exitcode=86:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:exitcode=87"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"

cd "$build_dir" || exit 1
ctest --output-on-failure -j "$jobs" --timeout 600 "${labels[@]}"
rc=$?
if [ $rc -ne 0 ]; then
  echo "Some tests failed (ctest exit $rc)."
fi
exit $rc
