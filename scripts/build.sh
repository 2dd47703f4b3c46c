#!/usr/bin/env bash
# Configures and builds Rumbario into ./build (or $RUMBARIO_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${RUMBARIO_BUILD_DIR:-"$root/build"}
cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build_dir" -j"$(nproc)"
