#!/usr/bin/env bash
# Installs what is missing, builds, and runs the bundled example: builds the
# job file of examples/jobs/export-all.json and prints it back as JSON.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
echo "== installing missing packages (scripts/install-deps.sh)"
scripts/install-deps.sh
echo "== building (scripts/build.sh)"
scripts/build.sh
scratch="$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-example.XXXXXX")"
job="$scratch/export-all.twc"
echo "== build/bin/twk job build examples/jobs/export-all.json -o $job"
build/bin/twk job build examples/jobs/export-all.json -o "$job"
echo "== build/bin/twk job dump $job"
build/bin/twk job dump "$job"
