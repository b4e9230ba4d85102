#!/usr/bin/env bash
# Fetches the public Outlook sample files the pst tests read (the test data
# of the npm package pst-extractor 1.12.0, a JavaScript PST reader: one
# Unicode .pst, two .ost files with 4 KiB pages, and the files attached in
# them) into a cache outside the source tree, checks them, and prints the
# directory that holds them. Nothing is fetched when the cache is complete.
#
#   scripts/fetch-pst-samples.sh [DIR]   DIR: default
#       ${XDG_CACHE_HOME:-~/.cache}/tarnwick-testdata/pst-extractor-1.12.0
set -euo pipefail
dir=${1:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick-testdata/pst-extractor-1.12.0}
sums='6152489de3472be6f1f840935d34b6dbf5f62b025dd015929ea9cf66eb5a5b46  enron.pst
daacd8d441428634e103b7c1e37fe1e5909256cc917551667049b5e84dfcf5f0  pstextractortest@outlook.com.ost
c914f1f9eea55da0eb3884d063acf18a109fcb34cdd7dda623770f117ff63918  pstextractortestpdf@outlook.com.ost'

complete() { [ -d "$dir" ] && (cd "$dir" && sha256sum --quiet -c - <<<"$sums" >/dev/null 2>&1); }

if ! complete; then
  command -v npm >/dev/null || { echo "fetch-pst-samples: npm is needed to fetch the samples" >&2; exit 1; }
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  (cd "$work" && npm pack --silent pst-extractor@1.12.0 >/dev/null) ||
    { echo "fetch-pst-samples: npm pack pst-extractor@1.12.0 failed (no network?)" >&2; exit 1; }
  tar -xzf "$work"/pst-extractor-1.12.0.tgz -C "$work" package/example/testdata
  mkdir -p "$dir"
  cp -r "$work"/package/example/testdata/. "$dir"/
  complete || { echo "fetch-pst-samples: the fetched samples in $dir do not match their checksums" >&2; exit 1; }
fi
echo "$dir"
