#!/usr/bin/env bash
# Runs every fuzz target of <build dir> for a bounded time each.
#   scripts/run-fuzz.sh [build dir] [seconds per target]
# The seed corpora under fuzz/corpus/<target> are copied into the build
# directory, so new inputs found by a run never touch the repository. Crash
# reproducers land in <build dir>/artifacts. Exits non-zero when a target
# found a crash, a leak or a time-out.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-fuzz}
seconds=${2:-60}
case "$build" in /*) ;; *) build="$root/$build" ;; esac

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"

failed=0
mkdir -p "$build/artifacts"
for target in "$build"/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name=$(basename "$target")
    seeds="$root/fuzz/corpus/${name#fuzz_}"
    work="$build/corpus/${name#fuzz_}"
    mkdir -p "$work"
    [ -d "$seeds" ] && cp -n "$seeds"/* "$work"/ 2>/dev/null
    echo "== $name: ${seconds}s"
    if ! "$target" "$work" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
            -print_final_stats=1 -artifact_prefix="$build/artifacts/$name-" > "$build/$name.log" 2>&1; then
        echo "!! $name failed, see $build/$name.log"
        grep -E "ERROR|SUMMARY|runtime error" "$build/$name.log" | head -5
        failed=1
    else
        grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$build/$name.log" | sed 's/^/   /'
    fi
done
exit $failed
