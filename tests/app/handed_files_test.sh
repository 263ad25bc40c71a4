#!/bin/sh
# Files the desktop hands to the program (a replay, setup or layout, by a relative or an
# absolute path) are checked, copied into the data folder and never read as options; a
# "ZKT://" request or handed file that fails ends non-zero and says why on standard error
# and in deb.log.  Runs without graphics in a scratch copy of the working folder.
# Usage: handed_files_test.sh <program> <working folder to copy>
set -u
program=$1
work=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

fresh() {
  rm -rf "$scratch/w" "$scratch/outside"
  cp -r "$work" "$scratch/w"
  rm -f "$scratch/w/cfg.txt" "$scratch/w/deb.log" "$scratch/w/zkt_instance.sock"
  mkdir -p "$scratch/w/incoming" "$scratch/outside"
}

# handed <magic> <file>: a small file of that kind (version 0).
handed() { printf '%s\000\001body' "$1" > "$2"; }

# run <exit code wanted> <argument>: the program without graphics, ended after a few passes.
run() {
  wanted=$1
  (cd "$scratch/w" && env -u DISPLAY -u WAYLAND_DISPLAY ZKT_NO_GRAPHICS=1 ZKT_EXIT_AFTER_PASSES=20 \
    "$program" "$2" > "$scratch/out" 2> "$scratch/err")
  code=$?
  if [ "$wanted" = nonzero ]; then
    [ $code -ne 0 ] || fail "$2: exit code 0"
  else
    [ $code -eq "$wanted" ] || { fail "$2: exit code $code, not $wanted"; cat "$scratch/err"; }
  fi
}

# told <text>: on standard error and in deb.log.
told() {
  grep -qF "$1" "$scratch/err" || { fail "standard error lacks \"$1\""; cat "$scratch/err"; }
  grep -qF "$1" "$scratch/w/deb.log" || fail "deb.log lacks \"$1\""
}

never_options() {
  if grep -qiE "invalid|Command [0-9]" "$scratch/err" "$scratch/w/deb.log" 2>/dev/null; then
    fail "$1: the file's name was read as options"
    cat "$scratch/err"
  fi
}

fresh
handed QXSETT "$scratch/w/incoming/fast.set"
run 0 incoming/fast.set
cmp -s "$scratch/w/incoming/fast.set" "$scratch/w/data/setups/fast.set" || fail "relative setup: not copied"
grep -qF "Copied file" "$scratch/err" || fail "relative setup: no \"Copied file\" box"
never_options "relative setup"

fresh
handed ZKTLYT "$scratch/outside/track one.lyt"
run 0 "$scratch/outside/track one.lyt"
cmp -s "$scratch/outside/track one.lyt" "$scratch/w/data/layout/track one.lyt" || fail "absolute layout: not copied"
never_options "absolute layout"

fresh
handed ZKTSPR "$scratch/w/incoming/lap.spr"
run 0 incoming/lap.spr
cmp -s "$scratch/w/incoming/lap.spr" "$scratch/w/data/spr/lap.spr" || fail "relative replay: not copied"
grep -qF "end of initialisation" "$scratch/w/deb.log" || fail "relative replay: the program did not start"
never_options "relative replay"

fresh
handed ZKTMPR "$scratch/outside/race.mpr"
run 0 "$scratch/outside/race.mpr"
cmp -s "$scratch/outside/race.mpr" "$scratch/w/data/mpr/race.mpr" || fail "absolute replay: not copied"
grep -qF "end of initialisation" "$scratch/w/deb.log" || fail "absolute replay: the program did not start"
never_options "absolute replay"

fresh
run nonzero "zkt://join=Bad%G1"
told "ZKT was unable to interpret the request"

fresh
printf 'ZKT' > "$scratch/outside/short.spr"
run nonzero "$scratch/outside/short.spr"
told "SPR file is too short"
[ ! -e "$scratch/w/data/spr/short.spr" ] || fail "short replay: copied"

fresh
run nonzero "$scratch/outside/missing.mpr"
told "Could not open MPR file"

fresh
run nonzero "/laps=5000"
told "Command /laps : Out of bounds"

[ $failures -eq 0 ] && echo "handed files and requests behave"
exit $failures
