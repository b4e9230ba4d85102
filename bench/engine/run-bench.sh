#!/usr/bin/env bash
# Engine benchmark: TWKbat over generated stores against baselines run in the
# same invocation (`cp -r` of the store; `cp -r` then `sync`; the durable
# floor of the logs, bench_durable_floor), and the attachment export beside
# ripmime and munpack run as users run them: one process per message. Every
# output is checked before a ratio is printed (ours: the number of files and
# their bytes; a peer that wrote fewer files or bytes than we did is reported
# as failed, not as fast). Best of BENCH_REPEATS runs for wall and CPU time;
# the largest peak memory (/usr/bin/time). Then one big message (BENCH_BIG_MIB,
# default 1024, one attachment) exported as .eml, detached with a link and
# converted to .msg, its bytes verified. Last, each target as met or not met
# for the largest store.
#
# Usage: bench/engine/run-bench.sh [SIZE...]   (default 5000 20000)
# Environment: TWK_BIN (default build/bin; use a Release build), BENCH_DIR
#              (default /tmp/tarnwick-bench), BENCH_REPEATS (default 3),
#              BENCH_BIG_MIB (default 1024; 0 skips the big message),
#              BENCH_PEERS (default 1; 0 skips ripmime and munpack),
#              BENCH_SLOW_REPEATS (default BENCH_REPEATS: runs of the durable
#              floor, (a), (c) and the peers, which take minutes each).
# Needs the Debian packages ripmime, mpack and python3-olefile.
set -euo pipefail
repo="$(cd "$(dirname "$0")/../.." && pwd)"
bin="${TWK_BIN:-$repo/build/bin}"
work="${BENCH_DIR:-/tmp/tarnwick-bench}"
sizes=("$@"); [ ${#sizes[@]} -gt 0 ] || sizes=(5000 20000)
big_mib="${BENCH_BIG_MIB:-1024}"
peers="${BENCH_PEERS:-1}"
repeats="${BENCH_REPEATS:-3}"
mkdir -p "$work"
export XDG_CONFIG_HOME="$work/config" HOME="$work/home"
unset TWK_PROFILE
mkdir -p "$XDG_CONFIG_HOME" "$HOME"
out="$work/out"

# measure LABEL PREP CHECK COMMAND...: runs PREP, COMMAND and CHECK $repeats
# times; appends "LABEL wall cpu peak-KiB files bytes" to $results (best wall
# and CPU time: the disk of a shared machine is noisy; the largest peak).
# CHECK prints "files bytes" of what the run wrote.
measure() {
  local label="$1" prep="$2" check="$3"; shift 3
  local runs="" i n="$repeats"
  case "$label" in floor|a|c|ripmime|munpack) n="${BENCH_SLOW_REPEATS:-$repeats}" ;; esac
  for ((i = 0; i < n; i++)); do
    "$prep"
    sync
    /usr/bin/time -f "%e %U %S %M" -o "$work/time.out" "$@" > "$work/$label.log" 2>&1 || {
      local rc=$?; [ "$rc" -eq 2 ] || { echo "$label failed ($rc), see $work/$label.log" >&2; return 1; }; }
    runs="$runs
$(tail -1 "$work/time.out") $("$check")"
  done
  echo "$runs" | awk -v l="$label" 'NF == 6 { c = $2 + $3; if (w == "" || $1 < w) w = $1; if (cpu == "" || c < cpu) cpu = c;
    if ($4 > m) m = $4; f = $5; b = $6 } END { print l, w, cpu, m, f, b }' >> "$results"
}

# "files bytes" below $out, our own hidden or log files apart.
count_out() {
  find "$out" -type f ! -name '.*' ! -path "$out/logs/*" ! -name '*.desc' -printf '%s\n' |
    awk '{ n++; b += $1 } END { print n + 0, b + 0 }'
}
count_none() { echo "0 0"; }
count_copy() { find "$work/copy" -type f -printf '%s\n' | awk '{ n++; b += $1 } END { print n + 0, b + 0 }'; }

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

fresh_copy() { rm -rf "$work/copy" "$out"; cp -r "$store" "$work/copy"; mkdir -p "$out"; }
no_copy() { rm -rf "$work/copy"; }
fresh_out() { rm -rf "$out"; mkdir -p "$out"; }

emails='{"ExportEmails": true, "JobDef_ExportEmails": {"EmailFormat": "efEML", "DestFolder": "'$out'",
         "SubFolderMask": "[OR]\\[B]"}}'
eml='{"ExportEmails": true, "JobDef_ExportEmails": {"EmailFormat": "efEML", "DestFolder": "'$out'",
      "SubFolderMask": "[OR]\\[B]", "AttsAlso": true, "LogExport": true, "LogFolder": "'$out'/logs"}}'
atts() { echo '{"ExportAtts": true, "JobDef_ExportAtts": {"DestFolder": "'$out'", "SubFolderMask": "[OR]\\[FE]",
      "ShortcutMode": "'$1'"}}'; }
msg='{"ExportEmails": true, "JobDef_ExportEmails": {"EmailFormat": "efMSGunicode", "DestFolder": "'$out'",
      "SubFolderMask": "[OR]\\[B]"}}'
bat=(env MAILDIR="$work/copy" "$bin/TWKbat")
# The peers, one process per message, each message into its own directory
# (as a user extracting messages one by one would; no clashes between them).
# Run as: sh -c "$peer_..." _ STORE OUT
peer_ripmime='find "$1" -path "*/cur/*" -type f -print0 |
  xargs -0 -n1 sh -c '"'"'d=$(mktemp -d -p "$0"); ripmime -i "$1" -d "$d" --no_nameless'"'"' "$2"'
peer_munpack='find "$1" -path "*/cur/*" -type f -print0 |
  xargs -0 -n1 sh -c '"'"'d=$(mktemp -d -p "$0"); cd "$d" && munpack -q "$1" > /dev/null'"'"' "$2"'


for n in "${sizes[@]}"; do
  store="$work/store-$n"
  [ -d "$store" ] || /usr/bin/python3 "$repo/bench/engine/genstore.py" "$store" "$n"
  results="$work/results-$n.txt"; : > "$results"
  # The copy always lies at the same path, so one job file serves every run.
  fresh_copy; job a1 "$emails"; job a "$eml"; job b "$(atts smNothing)"; job c "$(atts smTWK)"; job d "$msg"

  measure cp no_copy count_copy cp -r "$store" "$work/copy"
  measure cpsync no_copy count_copy sh -c 'cp -r "$0" "$1" && sync' "$store" "$work/copy"
  measure floor fresh_out count_none "$bin/bench_durable_floor" "$store" "$out"
  measure a1 fresh_copy count_out "${bat[@]}" "$work/a1.twc" /quiet /noprompt
  measure a fresh_copy count_out "${bat[@]}" "$work/a.twc" /quiet /noprompt
  measure b fresh_copy count_out "${bat[@]}" "$work/b.twc" /quiet /noprompt
  if [ "$peers" != 0 ]; then
    measure ripmime fresh_copy count_out sh -c "$peer_ripmime" _ "$work/copy" "$out"
    measure munpack fresh_copy count_out sh -c "$peer_munpack" _ "$work/copy" "$out"
  fi
  measure c fresh_copy count_out "${bat[@]}" "$work/c.twc" /quiet /noprompt
  measure d fresh_copy count_out "${bat[@]}" "$work/d.twc" /quiet /noprompt
  rm -rf "$work/copy" "$out"
done

# The big message: peak memory of each export, and its bytes checked.
big_check() {  # big_check KIND: 1 when the output is exact
  case "$1" in
    eml) cmp -s "$(find "$out" -name '*.eml')" "$work/big-store/INBOX/cur/"* && echo 1 || echo 0 ;;
    link) sha256sum "$out/scan.bin" | awk -v h="$big_sha" '{ print ($1 == h) ? 1 : 0 }' ;;
    msg) /usr/bin/python3 "$repo/tests/tools/fmt_cfb_read.py" "$(find "$out" -name '*.msg')" |
           awk -v h="$big_sha" '$1 ~ /37010102$/ { ok = ($3 == h) } END { print ok ? 1 : 0 }' ;;
  esac
}
big_results="$work/results-big.txt"; : > "$big_results"
if [ "$big_mib" != 0 ]; then
  rm -rf "$work/big-store"
  read -r _ big_size big_sha < <(/usr/bin/python3 "$repo/bench/engine/genbig.py" "$work/big-store" "$big_mib")
  store="$work/big-store"
  fresh_copy
  job big-eml '{"ExportEmails": true, "JobDef_ExportEmails": {"EmailFormat": "efEML", "DestFolder": "'$out'", "SubFolderMask": "[B]"}}'
  job big-link '{"ExportAtts": true, "JobDef_ExportAtts": {"DestFolder": "'$out'", "SubFolderMask": "[FE]", "ShortcutMode": "smTWK"}}'
  job big-msg '{"ExportEmails": true, "JobDef_ExportEmails": {"EmailFormat": "efMSGunicode", "DestFolder": "'$out'", "SubFolderMask": "[B]"}}'
  for kind in eml link msg; do
    fresh_copy
    /usr/bin/time -f "%e %M" -o "$work/time.out" "${bat[@]}" "$work/big-$kind.twc" /quiet /noprompt > "$work/big-$kind.log" 2>&1 || true
    echo "$kind $(tail -1 "$work/time.out") $(big_check "$kind")" >> "$big_results"
  done
  rm -rf "$work/copy" "$out"
fi

/usr/bin/python3 - "$work" "$repo" "$big_mib" "${sizes[@]}" <<'PY'
import sys
work, repo, big_mib, sizes = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4:]
sys.path.insert(0, repo + "/bench/engine")
import genstore  # noqa: E402

def load(n):
    r = {}
    for line in open("%s/results-%s.txt" % (work, n)):
        label, wall, cpu, kib, files, size = line.split()
        r[label] = (max(float(wall), 0.01), max(float(cpu), 0.01), int(kib), int(files), int(size))
    return r

def expected(n):
    """(.eml files, attachment files, attachment bytes) of the generated store."""
    atts = [a for i in range(1, n + 1) for a in genstore.spec(i).get("atts", [])]
    return n, len(atts), sum(a["size"] for a in atts)

res = {n: load(n) for n in sizes}
names = {"cpsync": "    cp -r, then sync", "floor": "    durable floor (copy+sync, 3 synced logs)",
         "a1": "(a') e-mails as .eml, no logs", "a": "(a) .eml + attachments + logs",
         "b": "(b) attachments, e-mails unchanged", "ripmime": "    ripmime, one process per message",
         "munpack": "    munpack, one process per message", "c": "(c) attachments replaced by links",
         "d": "(d) e-mails as .msg"}
verdict = {}
for n in sizes:
    r = res[n]; base = r["cp"]; emls, nfiles, nbytes = expected(int(n))
    ok = {"a1": r["a1"][3] == emls, "a": r["a"][3] == emls + nfiles, "b": r["b"][3:] == (nfiles, nbytes),
          "c": r["c"][3:] == (nfiles, nbytes), "d": r["d"][3] == emls}
    for peer in ("ripmime", "munpack"):
        if peer in r:
            ok[peer] = r[peer][3] >= nfiles and r[peer][4] >= nbytes
    print("%s messages (%d attachments, %d bytes): cp -r %.2f s wall, %.2f s CPU (best of the runs)"
          % (n, nfiles, nbytes, base[0], base[1]))
    for k in ("cpsync", "floor", "a1", "a", "b", "ripmime", "munpack", "c", "d"):
        if k not in r:
            continue
        state = "" if k not in ok else ("  output ok" if ok[k] else "  OUTPUT WRONG: %d files, %d bytes" % r[k][3:])
        print("  %-44s %7.2f s %6.2fx cp -r   CPU %7.2f s %6.2fx   peak %6.1f MiB%s"
              % (names[k], r[k][0], r[k][0] / base[0], r[k][1], r[k][1] / base[1], r[k][2] / 1024, state))
    verdict[n] = (r, ok)

def show(label, met, detail):
    print("  %-62s %-8s %s" % (label, "met" if met else "NOT MET", detail))

n = sizes[-1]
r, ok = verdict[n]
cp, floor = r["cp"][0], r["floor"][0]
print("targets at %s messages (ratios of wall times from this run):" % n)
show("(a') .eml without logs <= 1.5x cp -r", ok["a1"] and r["a1"][0] <= 1.5 * cp, "%.2fx" % (r["a1"][0] / cp))
show("(a) .eml + attachments + logs <= 1.3x durable floor", ok["a"] and r["a"][0] <= 1.3 * floor,
     "%.2fx floor, %.2fx cp -r" % (r["a"][0] / floor, r["a"][0] / cp))
peer_text, peers_beaten = [], True
for peer in ("ripmime", "munpack"):
    if peer in r:
        valid = ok[peer]
        peer_text.append("%s %s" % (peer, "%.2fx of ours" % (r[peer][0] / r["b"][0]) if valid else "failed (wrote less)"))
        peers_beaten &= (not valid) or r["b"][0] < r[peer][0]
show("(b) attachments <= 1.0x cp -r and faster than the peers", ok["b"] and r["b"][0] <= cp and peers_beaten,
     "%.2fx cp -r; %s" % (r["b"][0] / cp, ", ".join(peer_text) or "peers not run"))
show("(d) .msg <= 1.5x (a')", ok["d"] and r["d"][0] <= 1.5 * r["a1"][0], "%.2fx (a')" % (r["d"][0] / r["a1"][0]))
show("(c) links <= 3x cp -r", ok["c"] and r["c"][0] <= 3 * cp, "%.2fx" % (r["c"][0] / cp))
if len(sizes) >= 2:
    s = sizes[0]
    growth = {k: res[n][k][2] / res[s][k][2] for k in ("a1", "a", "b", "c", "d")}
    show("memory flat %s -> %s messages (peak within 1.25x)" % (s, n), max(growth.values()) <= 1.25,
         " ".join("%s x%.2f" % kv for kv in growth.items()))
if big_mib:
    big = [line.split() for line in open(work + "/results-big.txt")]
    flat = all(float(kib) / 1024 < 100 and good == "1" for _, _, kib, good in big)
    show("%d MiB message under 100 MiB, bytes verified" % big_mib, flat,
         " ".join("%s %.1f MiB %.1f s%s" % (k, float(kib) / 1024, float(t), "" if good == "1" else " WRONG")
                  for k, t, kib, good in big))
PY
