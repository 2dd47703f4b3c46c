#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite headless,
# once in the C locale and once under a locale with a decimal comma.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${RUMBARIO_BUILD_DIR:-"$root/build"}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
cd "$build_dir"
echo "== Test suite (C.UTF-8 locale)"
LC_ALL=C.UTF-8 ctest --output-on-failure -j"$(nproc)"
echo "== Test suite (de_DE.UTF-8 locale, decimal comma)"
LC_ALL=de_DE.UTF-8 ctest --output-on-failure -j"$(nproc)"
