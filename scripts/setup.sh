#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config zlib1g-dev libdeflate-dev libsqlite3-dev libshp-dev
          qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev attr sqlite3
          libsodium-dev minisign libpq-dev postgresql
          libcurl4-openssl-dev python3-pyftpdlib python3-openssl openssl)
if [ "${LIFTO_WITH_BENCH:-0}" = 1 ]; then
  packages+=(time bc gzip pigz tar curl)
fi
if [ "${LIFTO_WITH_FUZZ:-0}" = 1 ]; then
  packages+=(clang libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
