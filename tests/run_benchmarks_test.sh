#!/usr/bin/env bash
# The benchmark runner runs every program, skips the build system's folders
# that share their prefix, and fails when one program fails.
set -u
runner=${1:?runner}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p "$work/bench/bench_a_autogen" "$work/bench/bench_z_autogen"
for name in a b c; do
    printf '#!/bin/sh\necho ran >> "%s/%s.ran"\n' "$work" "$name" > "$work/bench/bench_$name"
    chmod +x "$work/bench/bench_$name"
done
touch "$work/bench/bench_notes.txt" # not a program

bash "$runner" "$work/bench" > /dev/null || fail "all passing, yet the runner failed"
for name in a b c; do
    [ -f "$work/$name.ran" ] || fail "bench_$name did not run"
done

printf '#!/bin/sh\nexit 3\n' > "$work/bench/bench_b"
rm -f "$work"/*.ran
bash "$runner" "$work/bench" > /dev/null 2>&1 && fail "a failing benchmark passed"
[ -f "$work/c.ran" ] || fail "the benchmarks after a failing one did not run"

rm -rf "$work/bench"/*
mkdir -p "$work/bench/bench_a_autogen"
bash "$runner" "$work/bench" > /dev/null 2>&1 && fail "no benchmark at all passed"
echo ok
