#!/usr/bin/env bash
# Installs the Debian packages the project builds and runs with.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev hyperfine
  unixodbc-dev odbcinst libsqliteodbc sqlite3
  zlib1g-dev libgcrypt20-dev libboost-dev libcli11-dev
  time
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
fi
