#!/usr/bin/env bash
# The README's first command: installs what is missing, builds, and runs the
# main job (export all e-mails with their attachments, logs on) with TWKbat on
# a scratch copy of the bundled sample store, then shows what it wrote.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
"$repo/scripts/install-deps.sh"
"$repo/scripts/build.sh"
exec "$repo/scripts/run-main-job.sh" "$repo/examples/jobs/export-all.json"
