#!/usr/bin/env bash
# Runs every benchmark program in a folder (never the build system's folders
# beside them) and fails when one of them fails, after running the rest.
#   scripts/run-benchmarks.sh build-release/bench
set -uo pipefail
dir=${1:?usage: run-benchmarks.sh FOLDER}
failed=()
ran=0
for b in "$dir"/bench_*; do
    [ -f "$b" ] && [ -x "$b" ] || continue
    ran=$((ran + 1))
    QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$b" || failed+=("$(basename "$b")")
done
if [ "$ran" -eq 0 ]; then
    echo "no benchmark programs in $dir" >&2
    exit 1
fi
if [ ${#failed[@]} -gt 0 ]; then
    echo "failed: ${failed[*]}" >&2
    exit 1
fi
