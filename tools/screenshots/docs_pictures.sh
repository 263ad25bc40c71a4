#!/usr/bin/env bash
# docs_pictures.sh - remakes every picture of the documentation in one run.  A page shows a
# screen state of the list (screen_states.cpp) as pictures/<state>.png; this takes every state
# with take_screenshots.sh at 1280 x 1024, makes each picture a page shows smaller (880 pixels
# wide, 128 colours, so the repository stays small) into docs/pictures/, and removes the
# pictures no page shows any more.  The test test_docs checks that the pages and pictures match the list.
#
#   tools/screenshots/docs_pictures.sh [--build <folder>]
#
# Needs ImageMagick (convert), Xvfb and the built tool: cmake --build build --target screen_shots editor
set -euo pipefail
cd "$(dirname "$0")/../.."

build=build
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    *) echo "usage: $0 [--build <folder>]" >&2; exit 2 ;;
  esac
done
command -v convert > /dev/null || { echo "ImageMagick is missing (package imagemagick)" >&2; exit 1; }

# The states the pages show: README.md and every page under docs/.
mapfile -t states < <(grep -rhoE 'pictures/[a-z0-9_]+\.png' README.md docs --include='*.md' |
                      sed -E 's|pictures/(.*)\.png|\1|' | sort -u)
[ ${#states[@]} -gt 0 ] || { echo "no page shows a picture" >&2; exit 1; }

shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
tools/screenshots/take_screenshots.sh --build "$build" --out "$shots" 1280x1024

mkdir -p docs/pictures
status=0
for state in "${states[@]}"; do
  if [ ! -f "$shots/1280x1024/$state.png" ]; then
    echo "$state: no such screen state (tools/screenshots/screen_states.cpp)" >&2
    status=1
    continue
  fi
  # Without dithering the sky's and the panels' smooth shades compress well and stay smooth.
  convert "$shots/1280x1024/$state.png" -resize 880x -dither None -colors 128 -strip "PNG8:docs/pictures/$state.png"
done

# Pictures no page shows any more.
for picture in docs/pictures/*.png; do
  name=$(basename "$picture" .png)
  printf '%s\n' "${states[@]}" | grep -qxF "$name" || rm -v "$picture"
done
du -sh docs/pictures
exit $status
