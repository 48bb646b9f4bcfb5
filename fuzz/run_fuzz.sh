#!/usr/bin/env bash
# Runs every fuzz target for a bounded time and prints one line of figures each.
#   fuzz/run_fuzz.sh <build folder> <seconds per target> [target...]
# The seed corpus of a target is fuzz/corpus/<target>/ and is only read; what the
# fuzzer adds goes to <build>/fuzz-corpus/<target>/, and any finding to
# <build>/fuzz-findings/. "kept" counts the inputs the fuzzer added to the corpus.
# Exits non-zero when a target found something.
set -euo pipefail

build=${1:?build folder}
seconds=${2:?seconds per target}
shift 2
here="$(cd "$(dirname "$0")" && pwd)"
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(receive_bytes block_reply status_line cell_file image_file editor_round_trip settings_round_trip sheet telnet_stream)
fi

mkdir -p "$build/fuzz-findings" "$build/fuzz-logs"
failed=0
printf '%-20s %10s %8s %8s %s\n' target runs kept seconds result
for t in "${targets[@]}"; do
  bin="$build/fuzz/fuzz_$t"
  work="$build/fuzz-corpus/$t"
  log="$build/fuzz-logs/$t.log"
  mkdir -p "$work"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$build/fuzz-findings/$t-")
  [[ -f "$here/$t.dict" ]] && args+=(-dict="$here/$t.dict")
  start=$SECONDS
  if "$bin" "${args[@]}" "$work" "$here/corpus/$t" >"$log" 2>&1; then
    result=clean
  else
    result="FINDING (see $log)"
    failed=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  corpus=$(find "$work" -type f | wc -l)
  printf '%-20s %10s %8s %8s %s\n' "$t" "${runs:-?}" "$corpus" "$((SECONDS - start))" "$result"
done
exit $failed
