#!/usr/bin/env bash
# The end-to-end test of the real desktop application: a scratch copy of the
# sample store, the add-in registered in scratch settings, then tarnwick under
# Xvfb on a private session bus with the accessibility bus, driven by
# e2e_desktop.py through the accessibility interface (Debian's python3 with
# python3-pyatspi).
#
# Usage: run-e2e.sh BIN_DIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
bin="$(cd "${1:?usage: run-e2e.sh BIN_DIR}" && pwd)"
for tool in xvfb-run dbus-run-session /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null || { echo "run-e2e: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

scratch="$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-e2e.XXXXXX")"
if [ "${KEEP:-0}" != 1 ]; then trap 'rm -rf "$scratch"' EXIT; fi
cp -r "$repo/examples/sample-store/Maildir" "$scratch/Maildir"
find "$scratch/Maildir" -type d -name cur -exec sh -c 'mkdir -p "$(dirname "$1")/new" "$(dirname "$1")/tmp"' _ {} \;

export HOME="$scratch/home" MAILDIR="$scratch/Maildir" XDG_CONFIG_HOME="$scratch/config"
export XDG_RUNTIME_DIR="$scratch/runtime" TARNWICK_SYSCONFDIR="$scratch/etc"
export LC_ALL=C.UTF-8 TZ=UTC
unset TWK_PROFILE QT_QPA_PLATFORM WAYLAND_DISPLAY
mkdir -p "$HOME/Documents" "$XDG_CONFIG_HOME"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0

# -noreset: the server must not restart when the registration's connection
# closes, or the window's connection would race that restart.
# A display number of its own: other test runs on the machine use Xvfb too,
# and two servers racing for the same free number lock each other out.
exec xvfb-run -a -n $((200 + RANDOM % 700)) -s "-noreset -screen 0 1280x900x24" dbus-run-session -- \
  /usr/bin/python3 "$here/e2e_desktop.py" "$bin" "$scratch"
