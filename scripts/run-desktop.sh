#!/usr/bin/env bash
# Installs what is missing, builds, and opens the desktop application on a
# scratch copy of the bundled sample store, with the add-in registered in the
# scratch settings (nothing of the user's own settings or mail is touched).
#
# Usage: scripts/run-desktop.sh [tarnwick options, e.g. --host-version 12.0]
# Environment: SKIP_BUILD=1 uses build/bin as it is; KEEP=1 keeps the scratch
# directory.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
if [ "${SKIP_BUILD:-0}" != 1 ]; then
  "$repo/scripts/install-deps.sh"
  "$repo/scripts/build.sh"
fi
bin="$repo/build/bin"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run-desktop: no display; run it in a graphical session (or under xvfb-run)" >&2
  exit 1
fi

scratch="$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-desktop.XXXXXX")"
if [ "${KEEP:-0}" != 1 ]; then trap 'rm -rf "$scratch"' EXIT; fi
cp -r "$repo/examples/sample-store/Maildir" "$scratch/Maildir"
# Git keeps no empty directories: every maildir needs its new/ and tmp/.
find "$scratch/Maildir" -type d -name cur -exec sh -c 'mkdir -p "$(dirname "$1")/new" "$(dirname "$1")/tmp"' _ {} \;

# The sample store only: no settings or store profile of the user. The
# documents directory (job templates, last.twc) lies in the scratch too.
export MAILDIR="$scratch/Maildir" XDG_CONFIG_HOME="$scratch/config" TARNWICK_SYSCONFDIR="$scratch/etc"
export XDG_DOCUMENTS_DIR="$scratch/Documents"
unset TWK_PROFILE
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DOCUMENTS_DIR"
# Qt finds the documents directory in user-dirs.dirs.
echo "XDG_DOCUMENTS_DIR=\"$XDG_DOCUMENTS_DIR\"" > "$XDG_CONFIG_HOME/user-dirs.dirs"

"$bin/tarnwick" --register "$bin/TWK.so" </dev/null
echo "== sample store: $MAILDIR"
echo "== exports land where the job says; try $scratch/export"
"$bin/tarnwick" "$@"
