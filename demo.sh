#!/usr/bin/env bash
# Installs what is missing, builds, and runs the tool on a bundled sample office.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh build
echo "The sample office comes with the update procedure."
