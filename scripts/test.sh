#!/usr/bin/env bash
# Installs what the build needs on a fresh Debian machine, then configures,
# builds and runs every test (warnings as errors), then the sanitizer suite.
set -euo pipefail
cd "$(dirname "$0")/.."

"$(dirname "$0")/setup.sh"

cmake --preset ci
cmake --build --preset ci
ctest --preset ci

if [ "${HOTFIX_SKIP_ASAN:-0}" != "1" ]; then
  cmake --preset asan
  cmake --build --preset asan
  ctest --preset asan
fi
