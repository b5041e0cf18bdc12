#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, seeded from fuzz/seeds/<target> (and the
# examples for the scenario targets). The growing corpus stays in fuzz/corpus-<target>
# (not tracked), the log of each run beside it; crash and timeout inputs land in the repository root.
# Usage: fuzz/run_all.sh BUILD_DIR SECONDS
set -euo pipefail
build=$1
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
status=0
for target in "$build"/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$here/corpus-$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "$here/seeds/$name" ] && seeds+=("$here/seeds/$name")
  # Inputs beyond these lengths add nothing but time per run.
  max_len=4096
  options=()
  case "$name" in
    fuzz_scenario_reader | fuzz_local_analysis)
      seeds+=("$here/../examples" "$here/seeds/scenarios")
      options+=(-dict="$here/scenario.dict") ;;
    fuzz_decoder) options+=(-dict="$here/decoder.dict") ;;
    fuzz_conditions)
      max_len=256
      options+=(-dict="$here/conditions.dict") ;;
  esac
  echo "== $name (${seconds}s)"
  if ! "$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -max_len="$max_len" \
      "${options[@]}" -print_final_stats=1 -artifact_prefix="$here/../" "$corpus" "${seeds[@]}" \
      2>"$here/corpus-$name.log"; then
    status=1
    tail -40 "$here/corpus-$name.log"
  fi
  grep -E 'stat::number_of_executed_units|stat::new_units_added' "$here/corpus-$name.log" || true
done
exit $status
