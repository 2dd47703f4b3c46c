#!/usr/bin/env bash
# Installs what is missing, builds and launches Rumbario.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${RUMBARIO_BUILD_DIR:-"$root/build"}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
exec "$build_dir/app/rumbario"
