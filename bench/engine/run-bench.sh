#!/usr/bin/env bash
# Engine benchmark: TWKbat over generated stores, each run against `cp -r` of
# the same store in the same run (the baseline), against the floor of a
# durable export (bench_durable_floor: each file copied and synced, three
# synced log appends per e-mail, as the export logs demand), and the
# attachment export beside ripmime and munpack extracting the same messages.
# Prints wall-clock and CPU seconds (best of BENCH_REPEATS runs), ratios, peak
# memory (/usr/bin/time) and the growth from the smaller to the larger store.
#
# Usage: bench/engine/run-bench.sh [SIZE...]   (default 5000 20000)
# Environment: TWK_BIN (default build/bin), BENCH_DIR (default /tmp/tarnwick-bench),
#              BENCH_REPEATS (default 3)
set -euo pipefail
repo="$(cd "$(dirname "$0")/../.." && pwd)"
bin="${TWK_BIN:-$repo/build/bin}"
work="${BENCH_DIR:-/tmp/tarnwick-bench}"
sizes=("$@"); [ ${#sizes[@]} -gt 0 ] || sizes=(5000 20000)
mkdir -p "$work"
export XDG_CONFIG_HOME="$work/config" HOME="$work/home"
unset TWK_PROFILE
mkdir -p "$XDG_CONFIG_HOME" "$HOME"

# measure LABEL PREP COMMAND...: runs PREP then COMMAND $repeats times and
# appends "LABEL wall-seconds cpu-seconds peak-KiB" to $results: the best wall
# and CPU time (the disk of a shared machine is noisy), the largest peak.
repeats="${BENCH_REPEATS:-3}"
measure() {
  local label="$1" prep="$2"; shift 2
  local best="" i
  for ((i = 0; i < repeats; i++)); do
    "$prep"
    sync
    /usr/bin/time -f "%e %U %S %M" -o "$work/time.out" "$@" > "$work/$label.log" 2>&1 || {
      local rc=$?; [ "$rc" -eq 2 ] || { echo "$label failed ($rc), see $work/$label.log" >&2; return 1; }; }
    best="$best
$(tail -1 "$work/time.out")"
  done
  echo "$best" | awk -v l="$label" 'NF == 4 { c = $2 + $3; if (w == "" || $1 < w) w = $1; if (cpu == "" || c < cpu) cpu = c;
    if ($4 > m) m = $4 } END { print l, w, cpu, m }' >> "$results"
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
no_copy() { rm -rf "$work/copy"; }
fresh_out() { rm -rf "$work/out"; mkdir -p "$work/out"; }

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
  # The copy always lies at the same path, so one job file serves every run.
  fresh_copy; job a "$eml"; job b "$(atts smNothing)"; job c "$(atts smTWK)"; job d "$msg"
  bat=(env MAILDIR="$work/copy" "$bin/TWKbat")

  measure cp no_copy cp -r "$store" "$work/copy"
  measure floor fresh_out "$bin/bench_durable_floor" "$store" "$out"
  measure a fresh_copy "${bat[@]}" "$work/a.twc" /quiet /noprompt
  measure b fresh_copy "${bat[@]}" "$work/b.twc" /quiet /noprompt
  # ripmime takes one message per run (its directory recursion finds nothing in maildirs).
  measure ripmime fresh_copy sh -c "find '$work/copy' -path '*/cur/*' -type f -exec ripmime -i {} -d '$out' --unique_names --no_nameless \\;"
  measure munpack fresh_copy sh -c "find '$work/copy' -path '*/cur/*' -type f -print0 | xargs -0 munpack -q -f -C '$out'"
  measure c fresh_copy "${bat[@]}" "$work/c.twc" /quiet /noprompt
  measure d fresh_copy "${bat[@]}" "$work/d.twc" /quiet /noprompt
  rm -rf "$work/copy" "$work/out"
done

/usr/bin/python3 - "$work" "${sizes[@]}" <<'PY'
import sys
work, sizes = sys.argv[1], sys.argv[2:]
def load(n):
    r = {}
    for line in open("%s/results-%s.txt" % (work, n)):
        label, wall, cpu, kib = line.split()
        r[label] = (max(float(wall), 0.01), max(float(cpu), 0.01), int(kib))
    return r
res = {n: load(n) for n in sizes}
names = {"floor": "    durable floor (copy+sync, 3 synced logs)", "a": "(a) e-mails as .eml + attachments + logs",
         "b": "(b) attachments, e-mails unchanged", "c": "(c) attachments replaced by links", "d": "(d) e-mails as .msg",
         "ripmime": "    ripmime, same messages", "munpack": "    munpack, same messages"}
for n in sizes:
    r = res[n]; base = r["cp"]
    print("%s messages: cp -r %.2f s wall, %.2f s CPU (best of the runs)" % (n, base[0], base[1]))
    for k in ("floor", "a", "b", "ripmime", "munpack", "c", "d"):
        if k in r:
            print("  %-44s %6.2f s %6.2fx cp -r   CPU %6.2f s %6.2fx   peak %6.1f MiB"
                  % (names[k], r[k][0], r[k][0] / base[0], r[k][1], r[k][1] / base[1], r[k][2] / 1024))
    if "a" in r and "floor" in r:
        print("  (a) / cp -r = %.2f (target <= 2), (a) / durable floor = %.2f" % (r["a"][0] / base[0], r["a"][0] / r["floor"][0]))
    if "b" in r and "ripmime" in r:
        print("  (b) / ripmime = %.2f (target < 1)" % (r["b"][0] / r["ripmime"][0]))
if len(sizes) == 2:
    s, l = sizes; f = int(l) / int(s)
    print("growth %s -> %s messages (x%.0f): wall time, CPU time, peak memory" % (s, l, f))
    for k in ("cp", "floor", "a", "b", "c", "d"):
        if k in res[s] and k in res[l]:
            print("  %-8s time x%.2f  CPU x%.2f  memory x%.2f"
                  % (k, res[l][k][0] / res[s][k][0], res[l][k][1] / res[s][k][1], res[l][k][2] / res[s][k][2]))
PY
