#!/usr/bin/env bash
# Runs each fuzzer for a while over a scratch copy of the seed corpus: run.sh BUILD_DIR SECONDS
# A fault stops the run; the input that caused it is kept in fuzz-findings/ of the working directory.
set -uo pipefail
build=$1
seconds=${2:-60}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
status=0
for kind in problem_file answer_file recovery_record; do
    work=$(mktemp -d)
    cp "$here/corpus/${kind%_*}/"* "$work/"
    mkdir -p fuzz-findings
    echo "fuzz_${kind}: ${seconds}s"
    "$build/fuzz/fuzz_${kind}" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
        -artifact_prefix=fuzz-findings/ "$work" >"$work.log" 2>&1
    rc=$?
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done)|ERROR|SUMMARY|Test unit written' "$work.log"
    if [ "$rc" -ne 0 ]; then
        tail -n 40 "$work.log"
        echo "fuzz_${kind} found a fault (exit $rc)"
        status=$rc
    fi
    rm -rf "$work" "$work.log"
done
rmdir fuzz-findings 2>/dev/null || true
exit "$status"
