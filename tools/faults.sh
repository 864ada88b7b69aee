#!/bin/bash
# Breaks the product on purpose, one fault at a time, and tells whether the tests catch each. Every
# patch in tools/faults/ is applied to a throwaway worktree of REV (default HEAD); the native suite
# runs, then the fuzz targets a patch names ("fuzz.NAME"), and when they catch nothing, the Windows
# build and its tests under Wine: those a patch names in
# a first line "# tests: REGEX", or all of them, of the preset a line "# preset: windows-x86" names (the
# x86 exe under the 32-bit Wine of scripts/wine32.sh, root only), else windows-x64. A patch with a line
# "# script: tests/installer/installer.sh" (or release.sh) is judged by that script of the test command
# instead (under the 32-bit Wine), and caught when a check whose name REGEX matches fails. The patch is
# then taken out again. Not a test itself: it reports and exits 0.
#   tools/faults.sh [REV] [REGEX]     REGEX: only the patches whose name it matches
# KALVERO_FAULTS_DISPLAY picks another virtual display (default :94), for runs side by side.
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
rev=${1:-HEAD}
only=${2:-}
work=$(mktemp -d /tmp/kalvero-faults.XXXX)
export KALVERO_TEST_ROOT=$work/wine DISPLAY=${KALVERO_FAULTS_DISPLAY:-:94}
git -C "$repo" worktree add -q --detach "$work/tree" "$rev" || exit 1
cp -r "$repo/tools/faults" "$work/"  # the list as it is now, whatever REV holds
cd "$work/tree" || exit 1
native() { cmake --build --preset native && ctest --preset native; } >"$work/last.log" 2>&1
fuzz() { # REGEX: runs nothing unless it names a fuzz target
  [[ $1 != *fuzz.* ]] || { cmake --build --preset fuzz && ctest --preset fuzz -R "$1"; } >"$work/last.log" 2>&1
}
windows() { # PRESET [REGEX]
  cmake --build --preset "$1" && ctest --preset "$1" ${2:+-R "$2|wine.setup|wine.stop"}
} >"$work/last.log" 2>&1
wine32=  # brought up for the first patch that needs it, taken down at the end
x86() {
  [ -n "$wine32" ] && return "$wine32"
  cmake --preset windows-x86 >/dev/null && bash "$repo/scripts/wine32.sh" up $$ && windows windows-x86
  wine32=$?
  [ "$wine32" -eq 0 ] || echo "the x86 suite cannot run or fails without any fault; see $work/last.log"
  return "$wine32"
}
# clean SCRIPT: whether that installer test script passes without any fault (run once).
scripts= clean=
clean() {
  [[ " $clean " == *" $1 "* ]] && return 0
  [[ " $scripts " == *" $1 "* ]] && return 1
  scripts+=" $1"
  [ -n "$wine32" ] || bash "$repo/scripts/wine32.sh" up $$ >"$work/last.log" 2>&1 &&
    bash "$1" >"$work/last.log" 2>&1 && clean+=" $1" && return 0
  echo "$1 cannot run or fails without any fault; see $work/last.log" && return 1
}
trap '[ -z "$wine32$scripts" ] || bash "$repo/scripts/wine32.sh" down $$' EXIT
failures() { grep -oE '[0-9]+ - [^ ]+ \((Failed|Timeout)\)' "$work/last.log" | sed -E 's/^[0-9]+ - //' | paste -sd ' '; }
for p in native fuzz windows-x64; do cmake --preset $p >/dev/null || exit 1; done
native && fuzz fuzz. && windows windows-x64 || { echo "the suites fail without any fault; see $work/last.log"; exit 1; }
caught=0 missed=0
for patch in "$work"/faults/*.patch; do
  name=$(basename "$patch" .patch)
  [[ $name =~ $only ]] || continue
  tests=$(sed -n '1s/^# tests: //p' "$patch") preset=$(sed -n 's/^# preset: //p' "$patch") judge=$(sed -n 's/^# script: //p' "$patch")
  if [ -n "$judge" ] && ! clean "$judge"; then
    echo "MISSED  $name   (its script cannot run)"
    missed=$((missed + 1))
    continue
  elif [ -z "$judge" ] && [ "${preset:-windows-x64}" != windows-x64 ] && ! x86; then
    echo "MISSED  $name   (its preset cannot run)"
    missed=$((missed + 1))
    continue
  fi
  if ! git apply "$patch"; then
    echo "does not apply: $name"
    missed=$((missed + 1))
    continue
  fi
  if [ -n "$judge" ]; then
    bash "$judge" >"$work/last.log" 2>&1
    found=$(sed -n 's/^FAIL: //p' "$work/last.log" | paste -sd ';')
    [[ $found =~ $tests ]] && echo "caught  $name   by $found" && caught=$((caught + 1)) ||
      { echo "MISSED  $name${found:+   (failed instead: $found)}" && missed=$((missed + 1)); }
  elif ! native || ! fuzz "$tests" || ! windows "${preset:-windows-x64}" "$tests"; then
    found=$(failures)
    echo "caught  $name   by ${found:-the build}"
    caught=$((caught + 1))
  else
    echo "MISSED  $name"
    missed=$((missed + 1))
  fi
  git apply -R "$patch"
done
echo "faults: $caught caught, $missed missed"
(KALVERO_TREE=$work/tree/build/windows-x64/tests/wine . "$repo/scripts/wine-env.sh" && kalvero_wine_stop && kalvero_xvfb_stop)
[ -z "$wine32" ] || (KALVERO_TREE=$work/tree/build/windows-x86/tests/wine . "$repo/scripts/wine-env.sh" && kalvero_wine32 && kalvero_wine_stop)
for kind in ${scripts:+win64 win32}; do (. "$repo/scripts/wine-env.sh" && kalvero_wine32 $kind && kalvero_xvfb_stop); done
cd "$repo" && git worktree remove --force "$work/tree" && rm -rf "$work"
