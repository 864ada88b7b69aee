#!/usr/bin/env bash
# Installs what is missing, then runs every test: the portable logic natively,
# each exe under Wine and Xvfb in a throwaway prefix (the x86 one, like the
# 32-bit setup.exe, under the 32-bit-capable Wine of scripts/wine32.sh, set up
# here and taken down again however this command ends), and the release files
# with their installers. Where that Wine cannot be set up, its tests are counted
# as skipped, with the reason.
set -uo pipefail
cd "$(dirname "$0")/.."
# What each part took, said at the end: time $SECONDS since the part before.
times= mark=$SECONDS started=$(date -u +%FT%TZ)
. scripts/deps.sh
kalvero_deps || exit 1
took() { times+="${times:+, }$1 $((SECONDS - mark)) s" mark=$SECONDS; }
took packages

passed=0 failed=0 skipped=0 status=0
# run_ctest PRESET: runs that preset's tests and adds ctest's counts. A run that fails without a failed
# test in ctest's summary line, or without that line (a test list that could not be made), counts as one
# failure, said so.
run_ctest() {
  local log line rc fail=0 total=0
  log=$(mktemp)
  ctest --preset "$1" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  line=$(grep -E '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n1)
  [ -z "$line" ] || read -r fail total < <(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1 \2/' <<<"$line")
  passed=$((passed + total - fail)) failed=$((failed + fail))
  if [ "$rc" -ne 0 ] && [ "$fail" -eq 0 ]; then
    echo "FAIL: ctest --preset $1 failed (exit $rc) ${line:+with no failed test in its summary}${line:-without its summary: no test ran to the end}; see above"
    failed=$((failed + 1))
  fi
  [ "$rc" -eq 0 ] || status=1
  rm -f "$log"
}
build() { # preset
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" || { status=1; failed=$((failed + 1)); return 1; }
}

build native && run_ctest native
took native
build fuzz && run_ctest fuzz  # a few seconds for each reader of stored values
took fuzz
build windows-x64 && run_ctest windows-x64
took windows-x64
trap 'bash scripts/wine32.sh down $$ >/dev/null 2>&1' EXIT
trap 'exit 130' INT TERM  # through the EXIT trap
if bash scripts/wine32.sh up $$; then
  took "32-bit Wine"
  build windows-x86 && run_ctest windows-x86
else
  build windows-x86 && ctest --preset windows-x86 -R '^imports$' >/dev/null && passed=$((passed + 1)) || failed=$((failed + 1))
  echo "SKIPPED: the x86 exe under Wine, as the 32-bit Wine could not be set up (above)"
  skipped=$((skipped + 1))
fi
took windows-x86

# run_counted LABEL COMMAND...: runs a script that ends with "LABEL: N passed, M failed" and adds its
# counts; one that says nothing of the kind counts as one failure.
run_counted() {
  local label=$1 log line p f rc
  shift
  log=$(mktemp)
  "$@" </dev/null 2>&1 | tee "$log"  # no terminal: timeout runs the script in a group of its own
  rc=${PIPESTATUS[0]}
  [ "$rc" -eq 0 ] || status=1
  if line=$(grep -E "^$label: [0-9]+ passed, [0-9]+ failed(, [0-9]+ skipped)?\$" "$log"); then
    read -r _ p _ f _ s _ <<<"$line"
    passed=$((passed + p)) failed=$((failed + f)) skipped=$((skipped + ${s:-0}))
  else
    failed=$((failed + 1))
    echo "FAIL: $label ended without its count (exit $rc$([ "$rc" -ne 124 ] || echo ': out of time'))"
  fi
  rm -f "$log"
}

# The release files and the installers, silently and through their wizards by keyboard, in Wine prefixes
# of their own; the script counts its cases.
# Each with a bound far beyond its usual time (2 and 0.5 minutes): a Wine session wedged under emulation (seen
# once, on a loaded machine: wineboot and a second services.exe waiting on each other) fails the suite, not CI.
run_counted installer timeout 1800 bash tests/installer/installer.sh
took installer
# A release signed with a throwaway certificate, and the manifests.
run_counted release timeout 900 bash tests/installer/release.sh
took release

# Leave no virtual display behind in CI; a developer's session may keep it warm.
if [ "${CI:-}" = true ]; then
  for kind in "" win64 win32; do (. scripts/wine-env.sh && { [ -z "$kind" ] || kalvero_wine32 $kind; } && kalvero_xvfb_stop) 2>/dev/null; done
fi

# What Wine did now and then that the harness took once more (dated entries in hiccups.log): passed
# tests say nothing of it, so it is said here.
find "${KALVERO_TEST_ROOT:-/tmp/kalvero-test}" -name hiccups.log -print0 2>/dev/null |
  xargs -0 -r awk -v s="$started" '/^[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]T/ { on = $1 >= s } on { print "hiccup, taken once more: " $0 }'
echo "times: $times; in all $SECONDS s"
summary="all: $passed passed, $failed failed"
[ "$skipped" -eq 0 ] || summary+=", $skipped skipped"
echo "$summary"
exit $status
