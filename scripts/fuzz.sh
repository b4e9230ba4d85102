#!/usr/bin/env bash
# Builds the libFuzzer targets into build-fuzz/ (clang, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs one of them, or each in turn.
#
#   scripts/fuzz.sh TARGET [SECONDS]   one target (jobfile or fuzz_jobfile), 600 s by default
#   scripts/fuzz.sh all [SECONDS]      every target, SECONDS each
#   scripts/fuzz.sh list               the targets
#
# Seeds come from fuzz/corpus/TARGET (committed); what a run learns goes to
# build-fuzz/corpus/TARGET, a finding to build-fuzz/artifacts/. Exit status 1
# when a target found a crash, a leak, a hang or a broken property.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-fuzz
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

build() {
  if [ ! -f "$dir/build.ninja" ]; then
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DTWK_FUZZ=ON "${launcher[@]}" >/dev/null
  fi
  cmake --build "$dir" -j"$(nproc)"
}

targets() { find core twktools -name 'fuzz_*.cpp' -printf '%f\n' | sed 's/\.cpp$//' | sort; }

run() {
  local name=fuzz_${1#fuzz_} seconds=$2
  local corpus=$dir/corpus/${name#fuzz_} seeds=fuzz/corpus/${name#fuzz_}
  [ -x "$dir/fuzz/$name" ] || { echo "no fuzz target $name (scripts/fuzz.sh list)" >&2; exit 2; }
  mkdir -p "$corpus" "$dir/artifacts"
  local seedargs=()
  [ -d "$seeds" ] && seedargs=("$seeds")
  echo "== $name: ${seconds}s"
  # Scratch files of the targets go to a private directory.
  local scratch status=0
  scratch=$(mktemp -d)
  TMPDIR=$scratch nice -n "${FUZZ_NICE:-0}" "$dir/fuzz/$name" "$corpus" "${seedargs[@]}" \
    -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$dir/artifacts/$name-" >"$dir/artifacts/$name.log" 2>&1 || status=$?
  rm -rf "$scratch"
  grep -E '^#[0-9]+ +DONE|^stat::(number_of_executed_units|peak_rss_mb)' "$dir/artifacts/$name.log" || true
  if [ "$status" -ne 0 ]; then
    echo "$name: FINDING (exit $status), log in $dir/artifacts/$name.log:" >&2
    tail -n 60 "$dir/artifacts/$name.log" >&2
    return 1
  fi
}

case "${1:-}" in
  "" | -h | --help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
  list) targets; exit 0 ;;
esac
build
if [ "$1" = all ]; then
  failed=0
  for t in $(targets); do run "$t" "${2:-20}" || failed=1; done
  exit $failed
fi
run "$1" "${2:-600}"
