#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh build
cd build
ctest --output-on-failure -j "$(nproc)" --timeout 300
