#!/usr/bin/env bash
# Engine benchmark: TWKbat over generated stores, each run against `cp -r` of
# the same store in the same run (the baseline), and the attachment export
# beside ripmime and munpack extracting the same messages. Prints wall-clock
# seconds, ratios, peak memory (/usr/bin/time -v) and the growth from the
# smaller to the larger store.
#
# Usage: bench/engine/run-bench.sh [SIZE...]   (default 5000 20000)
# Environment: TWK_BIN (default build/bin), BENCH_DIR (default /tmp/tarnwick-bench)
set -euo pipefail
repo="$(cd "$(dirname "$0")/../.." && pwd)"
bin="${TWK_BIN:-$repo/build/bin}"
work="${BENCH_DIR:-/tmp/tarnwick-bench}"
sizes=("$@"); [ ${#sizes[@]} -gt 0 ] || sizes=(5000 20000)
mkdir -p "$work"
export XDG_CONFIG_HOME="$work/config" HOME="$work/home"
unset TWK_PROFILE
mkdir -p "$XDG_CONFIG_HOME" "$HOME"

# timed LABEL COMMAND...: runs it, appends "LABEL seconds peak-KiB" to $results.
timed() {
  local label="$1"; shift
  sync
  /usr/bin/time -f "%e %M" -o "$work/time.out" "$@" > "$work/$label.log" 2>&1 || {
    local rc=$?; [ "$rc" -eq 2 ] || { echo "$label failed ($rc), see $work/$label.log" >&2; return 1; }; }
  echo "$label $(tail -1 "$work/time.out")" >> "$results"
}

job() {  # job NAME JSON-PARTS: a job file on the copy's Inbox with subfolders
  local name="$1" parts="$2"
  MAILDIR="$work/copy" "$bin/twk" folders --json > "$work/folders.json"
  /usr/bin/python3 - "$work/folders.json" "$parts" > "$work/$name.json" <<'PY'
import json, sys
inbox = next(f for f in json.load(open(sys.argv[1])) if f["path"].endswith("\\Inbox"))
job = {"SourceFilter": {"ProcessFolder": True, "InclSubFolders": True,
                        "FolderEntryID": inbox["entryId"], "FolderStoreID": inbox["storeId"]}}
job.update(json.loads(sys.argv[2]))
json.dump(job, sys.stdout)
PY
  "$bin/twk" job build "$work/$name.json" -o "$work/$name.twc" > /dev/null
}

fresh_copy() { rm -rf "$work/copy" "$work/out"; cp -r "$store" "$work/copy"; mkdir -p "$work/out"; }

for n in "${sizes[@]}"; do
  store="$work/store-$n"
  [ -d "$store" ] || /usr/bin/python3 "$repo/bench/engine/genstore.py" "$store" "$n"
  results="$work/results-$n.txt"; : > "$results"
  out="$work/out"
  eml='{"ExportEmails": true, "JobDef_ExportEmails": {"EmailFormat": "efEML", "DestFolder": "'$out'",
        "SubFolderMask": "[OR]\\[B]", "AttsAlso": true, "LogExport": true, "LogFolder": "'$out'/logs"}}'
  atts() { echo '{"ExportAtts": true, "JobDef_ExportAtts": {"DestFolder": "'$out'", "SubFolderMask": "[OR]\\[FE]",
        "ShortcutMode": "'$1'"}}'; }
  msg='{"ExportEmails": true, "JobDef_ExportEmails": {"EmailFormat": "efMSGunicode", "DestFolder": "'$out'",
        "SubFolderMask": "[OR]\\[B]"}}'

  rm -rf "$work/copy"; timed cp cp -r "$store" "$work/copy"
  fresh_copy; job a "$eml"; MAILDIR="$work/copy" timed a "$bin/TWKbat" "$work/a.twc" /quiet /noprompt
  fresh_copy; job b "$(atts smNothing)"; MAILDIR="$work/copy" timed b "$bin/TWKbat" "$work/b.twc" /quiet /noprompt
  # ripmime takes one message per run (its directory recursion finds nothing in maildirs).
  fresh_copy; timed ripmime sh -c "find '$work/copy' -path '*/cur/*' -type f -exec ripmime -i {} -d '$out' --unique_names --no_nameless \\;"
  fresh_copy; timed munpack sh -c "find '$work/copy' -path '*/cur/*' -type f -print0 | xargs -0 munpack -q -f -C '$out'"
  fresh_copy; job c "$(atts smTWK)"; MAILDIR="$work/copy" timed c "$bin/TWKbat" "$work/c.twc" /quiet /noprompt
  # (d) only where the .msg writer is wired into the store component.
  fresh_copy; job d "$msg"; MAILDIR="$work/copy" timed d "$bin/TWKbat" "$work/d.twc" /quiet /noprompt ||
    sed -i '/^d /d' "$results"
  if grep -q "not supported" "$work/d.log"; then sed -i '/^d /d' "$results"; fi
  rm -rf "$work/copy" "$work/out"
done

/usr/bin/python3 - "$work" "${sizes[@]}" <<'PY'
import sys
work, sizes = sys.argv[1], sys.argv[2:]
def load(n):
    r = {}
    for line in open("%s/results-%s.txt" % (work, n)):
        label, secs, kib = line.split()
        secs = max(float(secs), 0.01)
        r[label] = (float(secs), int(kib))
    return r
res = {n: load(n) for n in sizes}
names = {"a": "(a) e-mails as .eml + attachments + logs", "b": "(b) attachments, e-mails unchanged",
         "c": "(c) attachments replaced by links", "d": "(d) e-mails as .msg",
         "ripmime": "    ripmime, same messages", "munpack": "    munpack, same messages"}
for n in sizes:
    r = res[n]; base = r["cp"][0]
    print("%s messages: cp -r %.2f s" % (n, base))
    for k in ("a", "b", "ripmime", "munpack", "c", "d"):
        if k in r:
            print("  %-42s %7.2f s  %5.2fx cp -r  peak %6.1f MiB" % (names[k], r[k][0], r[k][0] / base, r[k][1] / 1024))
    if "b" in r and "ripmime" in r:
        print("  (b) / ripmime = %.2f (target < 1)" % (r["b"][0] / r["ripmime"][0]))
if len(sizes) == 2:
    s, l = sizes; f = int(l) / int(s)
    print("growth %s -> %s messages (x%.0f): time, peak memory" % (s, l, f))
    for k in ("cp", "a", "b", "c", "d"):
        if k in res[s] and k in res[l]:
            print("  %-8s time x%.2f  memory x%.2f" % (k, res[l][k][0] / res[s][k][0], res[l][k][1] / res[s][k][1]))
PY
