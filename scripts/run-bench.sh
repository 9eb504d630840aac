#!/usr/bin/env bash
# Runs every benchmark program built in bench/ and prints its report. Each
# exits non-zero when it misses its target; so does this script when any of
# them does (after running them all), which makes `make bench` a gate.
#
#   run-bench.sh [build-dir]
set -uo pipefail
build_dir=${1:-build-bench}
# The start-up benchmark measures on an X server of its own unless the caller
# names a platform; the others run offscreen.
caller_platform=${QT_QPA_PLATFORM-}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
rc=0
ran=0
summary=()
for b in "$build_dir"/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  name=$(basename "$b")
  echo "== $name"
  ran=$((ran + 1))
  run=("$b")
  if [ "$name" = bench_startup ] && [ -z "$caller_platform" ]; then
    run=(env -u QT_QPA_PLATFORM "$b")
  fi
  if "${run[@]}"; then
    summary+=("  $name: met")
  else
    status=$?
    summary+=("  $name: FAILED (exit $status)")
    rc=1
  fi
done
if [ "$ran" -eq 0 ]; then
  echo "no benchmark programs in $build_dir/bench"
  exit 1
fi
echo "== summary"
printf '%s\n' "${summary[@]}"
exit $rc
