#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest. The test suites start the
# loopback mail servers and the virtual display they need themselves (CTest fixtures).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
cd "${BUILD_DIR:-$top/build}"
ctest --output-on-failure --parallel "$(nproc)" "$@"
