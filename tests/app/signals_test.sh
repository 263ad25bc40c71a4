#!/bin/bash
# How the program ends when it is asked to from outside: SIGINT, SIGTERM and SIGHUP run the
# shut-down (settings saved, the instance socket removed, exit code 0); with a window, work no
# file holds is asked about first, and the question stays answerable when the signal comes
# again; a start-up error's box ends with the program, and says its error on standard error
# and in deb.log before it opens.  Every wait is for a condition, bounded generously.
# Usage: signals_test.sh <program> <working folder to copy>
set -u
program=$1
work=$2
scratch=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2> /dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# A copy of the working folder without settings, log or socket.
fresh() {
  rm -rf "$scratch/w"
  cp -r "$work" "$scratch/w"
  rm -f "$scratch/w/cfg.txt" "$scratch/w/deb.log" "$scratch/w/zkt_instance.sock"
}

# waitfor <what> <seconds> <command...>: true once the command succeeds; false, the failure
# said, once the seconds have passed or at once when the command says (99) it never will.
waitfor() {
  what=$1 seconds=$2 deadline=$((SECONDS + $2))
  shift 2
  while :; do
    "$@"
    case $? in
      0) return 0 ;;
      99) fail "$what (the program ended first)"; return 1 ;;
    esac
    [ $SECONDS -lt $deadline ] || break
    sleep 0.1
  done
  fail "$what (waited $seconds s)"
  return 1
}
alive() { kill -0 "$pid" 2> /dev/null; }
ended() { ! alive; }
# while_up <command...>: the command, given up once the program has ended.
while_up() {
  "$@" && return 0
  alive || return 99
  return 1
}
# A run given up: the program goes, so that the next starts alone.
stop() {
  kill -KILL "$pid" 2> /dev/null
  wait "$pid" 2> /dev/null
  pid=
}
# The program's child processes that still run (a box's process; a dead one is only a zombie),
# read with the shell's own commands: the wait for a box polls this under load.
children() {
  local stat fields
  for stat in /proc/[0-9]*/stat; do
    { read -r fields < "$stat"; } 2> /dev/null || continue  # a process that has just ended
    set -- ${fields##*) }  # the state and the parent, after the command's name
    [ "$2" = "$pid" ] && [ "$1" != Z ] && { stat=${stat%/stat}; echo "${stat#/proc/}"; }
  done
}
has_box() { [ -n "$(children)" ]; }
# gone <pid>: the process has ended (a zombie waiting for its new parent counts).
gone() { [ ! -e "/proc/$1" ] || grep -q '^State:.*Z' "/proc/$1/status" 2> /dev/null; }
# The exit code of the program once it has ended.
code_of() {
  { wait "$pid"; code=$?; } 2> /dev/null  # the shell's notice of a killed job is not ours
  pid=
}
log_has() { grep -qF "$1" "$scratch/w/deb.log" 2> /dev/null; }
asked_twice() { [ "$(grep -cF "Exit ZKT?" "$scratch/w/deb.log" 2> /dev/null)" -ge 2 ]; }

# ---- Without graphics: each signal runs the shut-down.  A background job of a script starts
# with SIGINT ignored; env gives the program the default back, as a terminal would.
for signal in INT TERM HUP; do
  fresh
  (cd "$scratch/w" && exec env --default-signal=INT,TERM,HUP ZKT_NO_GRAPHICS=1 "$program" > /dev/null 2>&1) &
  pid=$!
  waitfor "SIG$signal: the program never listened" 60 while_up test -S "$scratch/w/zkt_instance.sock" || { stop; continue; }
  kill -"$signal" "$pid"
  waitfor "SIG$signal: the program did not end" 60 ended || { stop; continue; }
  code_of
  [ "$code" -eq 0 ] || fail "SIG$signal: exit code $code, not 0"
  log_has "exit : SIG$signal" || fail "SIG$signal: deb.log lacks \"exit : SIG$signal\""
  log_has "EXIT" || fail "SIG$signal: the shut-down did not run"
  [ -e "$scratch/w/cfg.txt" ] || fail "SIG$signal: cfg.txt was not saved"
  [ ! -e "$scratch/w/zkt_instance.sock" ] || fail "SIG$signal: the instance socket was left behind"
done

# A hang-up the program was started to ignore (nohup) stays ignored: the SIGTERM after it ends it.
fresh
(cd "$scratch/w" && trap '' HUP && exec env ZKT_NO_GRAPHICS=1 "$program" > /dev/null 2>&1) &
pid=$!
if ! waitfor "ignored SIGHUP: the program never listened" 60 while_up test -S "$scratch/w/zkt_instance.sock"; then
  stop
else
  kill -HUP "$pid"
  kill -TERM "$pid"
  if waitfor "ignored SIGHUP: the program did not end" 60 ended; then code_of; else stop; fi
  log_has "exit : SIGTERM" || fail "ignored SIGHUP: the exit was not the SIGTERM's"
  log_has "exit : SIGHUP" && fail "ignored SIGHUP: the hang-up was taken"
fi

# ---- With a window (the test run's X server).
if [ -z "${DISPLAY:-}" ]; then
  if [ "${CI:-}" = true ] || [ "${CI:-}" = 1 ]; then
    fail "CI is set, where this test must run with a display, but DISPLAY is not"
  else
    echo "Skipped the window's part (outside CI): no DISPLAY"
  fi
  [ $failures -eq 0 ] && echo "every signal ran the shut-down"
  exit $failures
fi

# The box of a start-up error: its error is on standard error and in deb.log while it is up, a
# signal ends the program with its error's exit code and the box with it, and a program killed
# takes its box along.  <name> <signal> <exit code or "-"> <text> <setup> <options...>
box_case() {
  name=$1 signal=$2 wanted=$3 text=$4 setup=$5
  shift 5
  fresh
  (cd "$scratch/w" && $setup)  # before the start: a child of the setup's is no box
  (cd "$scratch/w" && exec env --default-signal=INT,TERM,HUP -u SDL_VIDEODRIVER "$program" "$@" \
    > /dev/null 2> "$scratch/err") &
  pid=$!
  waitfor "$name: no box came up" 60 while_up has_box || { stop; return; }
  box=$(children)
  grep -qF "$text" "$scratch/err" || fail "$name: standard error lacks \"$text\" while the box is up"
  log_has "$text" || fail "$name: deb.log lacks \"$text\" while the box is up"
  kill -"$signal" "$pid"
  waitfor "$name: the program did not end" 60 ended 2> /dev/null || { stop; return; }  # no notice of a killed job
  code_of
  [ "$wanted" = - ] || [ "$code" -eq "$wanted" ] || fail "$name: exit code $code, not $wanted"
  for b in $box; do
    waitfor "$name: the box ($b) stayed" 60 gone "$b" || kill -KILL "$b"
  done
}
box_case "bad option, SIGTERM" TERM 2 "/bogus=7" true /bogus=7
box_case "bad option, SIGKILL" KILL - "/bogus=7" true /bogus=7
box_case "missing data folder, SIGTERM" TERM 1 "is missing: start ZKT" "rm -rf data"

# A new vehicle, not saved: a hang-up asks first, as the window's close does; a second signal
# while the question is open asks it again, and "yes" ends the program through its shut-down.
fresh
printf 'Welcome C 0\nStart Windowed 1\nWindow 0 0 1024 768\nSS Type 2\n' > "$scratch/w/cfg.txt"
mkfifo "$scratch/drive"
(cd "$scratch/w" && exec env --default-signal=INT,TERM,HUP -u SDL_VIDEODRIVER ZKT_DRIVE="$scratch/drive" "$program" \
  > /dev/null 2>&1) &
pid=$!
exec 3<> "$scratch/drive"  # opened for reading too: never waits for the program to open it
# "Info" is shown only with a vehicle in the editor; the screenshot is asked for once it is clicked.
printf '%s\n' "click vehicle editor" "click NEW" "click Car (4 Wheels)" "click OK" "click Info" "/ss" >&3
shot() { ls "$scratch/w/data/shots/"* > /dev/null 2>&1; }
if waitfor "the new vehicle was never made" 120 while_up shot; then
  kill -HUP "$pid"
  if waitfor "SIGHUP with unsaved work: no question" 60 while_up log_has "Exit ZKT?"; then
    alive || fail "SIGHUP with unsaved work ended the program"
    kill -TERM "$pid"
    waitfor "a second signal: the question was not asked again" 60 while_up asked_twice
    printf '%s\n' "click yes" >&3
    if waitfor "yes did not end the program" 60 ended; then
      code_of
      [ "$code" -eq 0 ] || fail "yes: exit code $code, not 0"
    fi
    log_has "exit : SIGHUP" || fail "the hang-up is not the exit's reason"
    log_has "EXIT" || fail "the shut-down did not run"
    grep -q "^Version " "$scratch/w/cfg.txt" || fail "cfg.txt was not saved"
  fi
fi
exec 3>&-

[ $failures -eq 0 ] && echo "every signal ran the shut-down, asked first where work was unsaved, and took its box along"
exit $failures
