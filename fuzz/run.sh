#!/usr/bin/env bash
# Runs one fuzz target for a given time: fuzz/run.sh TARGET SECONDS
# Builds the targets with clang in build-fuzz when needed; new inputs go to fuzz/corpus-work/TARGET,
# seeded from the committed corpus in fuzz/corpus/TARGET; crashes land beside it as fuzz/corpus-work/crash-TARGET-*.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: fuzz/run.sh TARGET SECONDS   (targets: $(cd "$(dirname "$0")" && ls *Fuzz.cpp | sed 's/.cpp//' | tr '\n' ' '))" >&2
  exit 2
fi
target=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LIFTO_FUZZ_BUILD:-$root/build-fuzz}
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLIFTO_FUZZ=ON -DLIFTO_SANITIZE=ON -DLIFTO_GUI=OFF -DLIFTO_TESTS=OFF -DLIFTO_BENCH=OFF
fi
cmake --build "$build" --target "$target"
work=$root/fuzz/corpus-work/$target
mkdir -p "$work"
seeds=$root/fuzz/corpus/$target
[ -d "$seeds" ] || seeds=
exec "$build/fuzz/$target" "$work" $seeds -max_total_time="$seconds" -rss_limit_mb=1024 \
  -artifact_prefix="$root/fuzz/corpus-work/crash-$target-" -print_final_stats=1
