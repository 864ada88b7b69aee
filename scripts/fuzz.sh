#!/usr/bin/env bash
# Builds the fuzz targets and runs each for the given seconds (default 5),
# starting from the committed seeds. New inputs collect in build/fuzz/corpus;
# a failing one is saved in build/fuzz/failures and named on the output.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
seconds=${1:-5}
if ! { cmake --preset fuzz >/dev/null && cmake --build --preset fuzz; }; then
  echo "fuzz: build failed"
  exit 1
fi
out=build/fuzz
mkdir -p "$out/failures"
passed=0 failed=0
for seeds in tests/fuzz/corpus/*/; do
  name=$(basename "$seeds")
  mkdir -p "$out/corpus/$name"
  log="$out/$name.log"
  if "$out/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$out/failures/$name-" "$out/corpus/$name" "$seeds" >"$log" 2>&1; then
    echo "fuzz $name: passed, $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") runs"
    passed=$((passed + 1))
  else
    grep -E '\.cpp:[0-9]+: |ERROR|Test unit written' "$log" | head -n 5
    echo "fuzz $name: failed (log: $log)"
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
