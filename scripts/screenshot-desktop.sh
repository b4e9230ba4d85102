#!/usr/bin/env bash
# Writes docs/screenshots/tarnwick-window.png: the desktop application on the
# sample store under Xvfb, a message with attachments selected.
# Needs a build (scripts/build.sh) and the packages of scripts/install-deps.sh.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
bin="$repo/build/bin"
out="${1:-$repo/docs/screenshots/tarnwick-window.png}"
mkdir -p "$(dirname "$out")"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-shot.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
cp -r "$repo/examples/sample-store/Maildir" "$scratch/Maildir"
find "$scratch/Maildir" -type d -name cur -exec sh -c 'mkdir -p "$(dirname "$1")/new" "$(dirname "$1")/tmp"' _ {} \;
export HOME="$scratch/home" MAILDIR="$scratch/Maildir" XDG_CONFIG_HOME="$scratch/config" TARNWICK_SYSCONFDIR="$scratch/etc"
export XDG_RUNTIME_DIR="$scratch/runtime" LC_ALL=C.UTF-8 TZ=UTC QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
unset TWK_PROFILE QT_QPA_PLATFORM
mkdir -p "$HOME" && mkdir -m 700 -p "$XDG_RUNTIME_DIR"
"$bin/tarnwick" --register "$bin/TWK.so" </dev/null
xvfb-run -a -n $((200 + RANDOM % 700)) -s "-noreset -screen 0 1100x720x24" dbus-run-session -- /usr/bin/python3 - "$bin" "$out" <<'PY'
import os, subprocess, sys, time
import pyatspi
bin_dir, out = sys.argv[1], sys.argv[2]
bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
host = subprocess.Popen([os.path.join(bin_dir, "tarnwick")])
def find(acc, role, name):
    if acc is None: return None
    if acc.getRoleName() == role and acc.name == name: return acc
    for i in range(acc.childCount):
        r = find(acc.getChildAtIndex(i), role, name)
        if r: return r
try:
    table = None
    for _ in range(100):
        desk = pyatspi.Registry.getDesktop(0)
        apps = [desk.getChildAtIndex(i) for i in range(desk.childCount)]
        app = next((a for a in apps if a is not None and a.name == "tarnwick"), None)
        table = find(app, "table", "Messages") if app else None
        if table: break
        time.sleep(0.2)
    t = table.queryTable()
    # The first message with a paper clip.
    row = next(r for r in range(t.nRows) if t.getAccessibleAt(r, 0).name)
    t.addRowSelection(row)
    time.sleep(1.5)
    subprocess.run([os.path.join(bin_dir, "twk-grabscreen"), out], check=True)
finally:
    host.terminate(); bus.terminate()
PY
echo "wrote $out"
