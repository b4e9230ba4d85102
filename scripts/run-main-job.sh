#!/usr/bin/env bash
# Runs a job on a scratch copy of the bundled sample store and shows what it
# wrote: copies examples/sample-store/Maildir, builds the job file from a job
# JSON with `twk job build` (folder IDs from `twk folders --json`: the source
# is the Inbox with its subfolders, copy and move go below Archive, exports
# and logs into the scratch directory), runs `TWKbat JOB /noprompt`, then
# prints a tree of the export directory.
#
# Usage: scripts/run-main-job.sh [JOB.json]   (default examples/jobs/export-all.json)
# Environment: TWK_BIN (default build/bin), KEEP=1 keeps the scratch directory.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
bin="${TWK_BIN:-$repo/build/bin}"
job_json="${1:-$repo/examples/jobs/export-all.json}"
for p in twk TWKbat; do
  [ -x "$bin/$p" ] || { echo "run-main-job: $bin/$p is missing; build first (scripts/build.sh)" >&2; exit 1; }
done
[ -f "$job_json" ] || { echo "run-main-job: no job JSON $job_json" >&2; exit 1; }

scratch="$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-sample.XXXXXX")"
if [ "${KEEP:-0}" != 1 ]; then trap 'rm -rf "$scratch"' EXIT; fi
cp -r "$repo/examples/sample-store/Maildir" "$scratch/Maildir"
# Git keeps no empty directories: every maildir needs its new/ and tmp/.
find "$scratch/Maildir" -type d -name cur -exec sh -c 'mkdir -p "$(dirname "$1")/new" "$(dirname "$1")/tmp"' _ {} \;

# The sample store only: no settings or store profile of the user.
export MAILDIR="$scratch/Maildir" XDG_CONFIG_HOME="$scratch/config" HOME="$scratch/home"
unset TWK_PROFILE
mkdir -p "$HOME" "$XDG_CONFIG_HOME"

"$bin/twk" folders --json > "$scratch/folders.json"
/usr/bin/python3 - "$job_json" "$scratch" > "$scratch/job.json" <<'EOF'
import json, sys
job_path, scratch = sys.argv[1], sys.argv[2]
folders = json.load(open(scratch + "/folders.json"))
def ref(name):
    for f in folders:
        if f["path"].endswith("\\" + name):
            return {"FolderEntryID": f["entryId"], "FolderStoreID": f["storeId"]}
    sys.exit("run-main-job: the sample store has no folder " + name)
job = json.load(open(job_path))
job.setdefault("SourceFilter", {}).update(ref("Inbox"), ProcessFolder=True, InclSubFolders=True)
for part in ("JobDef_Copy", "JobDef_Move"):
    if part in job:
        job[part].update(ref("Archive"))
for part, dest in (("JobDef_ExportEmails", "emails"), ("JobDef_ExportAtts", "attachments")):
    if part in job:
        job[part]["DestFolder"] = scratch + "/export/" + dest
        if part == "JobDef_ExportEmails":
            job[part].update(LogExport=True, LogFolder=scratch + "/export/logs")
json.dump(job, sys.stdout, indent=1)
EOF
"$bin/twk" job build "$scratch/job.json" -o "$scratch/job.twc" >/dev/null

echo "== $bin/TWKbat $scratch/job.twc /noprompt"
rc=0
"$bin/TWKbat" "$scratch/job.twc" /noprompt < /dev/null || rc=$?
echo "== exit code $rc"
if [ -d "$scratch/export" ]; then
  echo "== $scratch/export"
  if command -v tree >/dev/null; then
    tree --noreport "$scratch/export"
  else
    (cd "$scratch/export" && find . -mindepth 1 | sort | sed -e 's|^\./||' -e 's|[^/]*/|   |g')
  fi
fi
if [ -n "$(find "$scratch/Maildir/Archive" -mindepth 2 -type f 2>/dev/null)" ]; then
  echo "== folders below Archive"
  (cd "$scratch/Maildir/Archive" && find . -path '*/cur/*' -type f | sed 's|/cur/.*||' | sort | uniq -c)
fi
[ "${KEEP:-0}" = 1 ] && echo "== kept $scratch"
exit "$rc"
