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

# LeakSanitizer's stop-the-world tracer sometimes crashes at a process's exit
# on a loaded machine ("Tracer caught signal 11"), after every test function
# has passed and before any leak is reported: a fault of the sanitizer, not
# of the test. Such a test, and only such a test, is run once more; a second
# failure of any kind fails the run. Any other failure fails it at once.
tracer_crashes() {
  local log=Testing/Temporary/LastTest.log failed=Testing/Temporary/LastTestsFailed.log
  [ -f "$failed" ] || return 1
  local names=() name out
  while IFS= read -r line; do
    name=${line#*:}
    out=$(awk -v t="$name" '
      $0 ~ "Testing: " t "$" { on = 1; next }
      on && $0 ~ "^\"" t "\" end time:" { exit }
      on { print }' "$log")
    if grep -q "Tracer caught signal" <<<"$out" &&
      grep -q "LeakSanitizer has encountered a fatal error" <<<"$out" &&
      grep -Eq "^Totals: [0-9]+ passed, 0 failed" <<<"$out" &&
      ! grep -Eq "^(FAIL!|XPASS) " <<<"$out"; then
      names+=("$name")
    else
      return 1
    fi
  done <"$failed"
  [ ${#names[@]} -gt 0 ] || return 1
  printf '%s\n' "${names[@]}"
}
if [ $rc -ne 0 ] && again=$(tracer_crashes); then
  echo "LeakSanitizer's tracer crashed at exit after all tests passed in: $(echo $again)."
  echo "Running them once more."
  regex="^($(paste -sd'|' <<<"$again"))\$"
  ctest --output-on-failure -j "$jobs" --timeout 600 "${labels[@]}" -R "$regex"
  rc=$?
fi
if [ $rc -ne 0 ]; then
  echo "Some tests failed (ctest exit $rc)."
fi
exit $rc
