#!/usr/bin/env bash
# Runs every benchmark program built in bench/ and prints its report.
set -uo pipefail
build_dir=${1:-build-bench}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
rc=0
for b in "$build_dir"/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" || rc=1
done
exit $rc
