#!/usr/bin/env bash
# Installs what is missing, builds and launches Rumbario. The first run also
# prepares a demo folder (generated photos with GPS in EXIF, a matching
# coordinates file and a logo) to try the program with.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${RUMBARIO_BUILD_DIR:-"$root/build"}
demo_dir="$root/demo"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
if [[ ! -d "$demo_dir" ]]; then
    rm -rf "$demo_dir.partial"
    "$build_dir/bench/rumbario-demo" "$demo_dir.partial"
    mv "$demo_dir.partial" "$demo_dir"
fi
echo "Demo photos: $demo_dir/fotos (coordinates file $demo_dir/coordenadas.txt, logo $demo_dir/logo.png)"
exec "$build_dir/app/rumbario"
