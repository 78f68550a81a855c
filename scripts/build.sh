#!/usr/bin/env bash
# Configures and builds one build folder: scripts/build.sh [folder] [extra cmake options...]
# Warnings are errors here (LIFTO_WERROR), as for every developer and in CI; a plain cmake build
# leaves them warnings. BUILD_TARGETS="atualizar atu" builds only those targets.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DLIFTO_WERROR=ON "$@"
fi
targets=()
for t in ${BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
