#!/usr/bin/env bash
# Writes docs/screenshots/*.png: every dialog drawn by the real widgets on the
# offscreen platform, over a scratch copy of the sample store and a scratch
# home (so no settings or documents of yours are touched).
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$repo/build}"
cmake --build "$build" -j2 --target twkscreenshots TWKtools64
scratch="$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-shots.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
cp -r "$repo/examples/sample-store/Maildir" "$scratch/Maildir"
# Git keeps no empty directories: every maildir needs its new/ and tmp/.
find "$scratch/Maildir" -type d -name cur -exec sh -c 'mkdir -p "$(dirname "$1")/new" "$(dirname "$1")/tmp"' _ {} \;
mkdir -p "$scratch/home"
mkdir -m 700 "$scratch/home/run"
# The component is found beside the program: run the copy in build/bin.
env -u TWK_PROFILE HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" \
  XDG_RUNTIME_DIR="$scratch/home/run" MAILDIR="$scratch/Maildir" LC_ALL=C.UTF-8 TZ=UTC \
  "$build/bin/twkscreenshots" "$repo/docs/screenshots"
