#!/bin/sh
# What a failed start tells its user: each error reaches standard error and deb.log, the
# program ends with a non-zero exit code, and nothing is saved.  Last, a start without the
# system's font library, which goes on and says why in deb.log.  Runs without a display
# (no modal box can wait for a click); the device, where one is made, draws through SDL's
# offscreen video.
# Usage: start_errors_test.sh <program> <working folder to copy>
set -u
program=$1
work=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# A copy of the working folder without settings or log.
fresh() {
  rm -rf "$scratch/w"
  cp -r "$work" "$scratch/w"
  rm -f "$scratch/w/cfg.txt" "$scratch/w/deb.log"
}

# expect <name> <exit code wanted: "nonzero" or a number> <text on stderr and in deb.log> <command...>
expect() {
  name=$1 wanted=$2 text=$3
  shift 3
  (cd "$scratch/w" && env -u DISPLAY -u WAYLAND_DISPLAY "$@" > "$scratch/out" 2> "$scratch/err")
  code=$?
  if [ "$wanted" = nonzero ]; then
    [ $code -ne 0 ] || fail "$name: exit code 0"
  else
    [ $code -eq "$wanted" ] || fail "$name: exit code $code, not $wanted"
  fi
  grep -qF "$text" "$scratch/err" || { fail "$name: standard error lacks \"$text\""; cat "$scratch/err"; }
  grep -qF "$text" "$scratch/w/deb.log" || { fail "$name: deb.log lacks \"$text\""; cat "$scratch/w/deb.log"; }
  [ ! -e "$scratch/w/cfg.txt" ] || fail "$name: cfg.txt was saved"
}

fresh
expect "no display" nonzero "No display" -u SDL_VIDEODRIVER "$program"

# A video driver that cannot start: the video's own reason goes to the log before "No display".
fresh
expect "video that cannot start" nonzero "No display" SDL_VIDEODRIVER=no_such_driver "$program"
grep -qF "video : " "$scratch/w/deb.log" || fail "video that cannot start: the log lacks the video's reason"

fresh
expect "bad option" 2 "Command /laps : Out of bounds" SDL_VIDEODRIVER=offscreen "$program" /laps=5000
fresh
expect "bad option without graphics" 2 "Command /laps : Out of bounds" ZKT_NO_GRAPHICS=1 "$program" /laps=5000

fresh
expect "bad option name" 2 "/bogus=7" ZKT_NO_GRAPHICS=1 "$program" /bogus=7

fresh
rm -rf "$scratch/w/data" && touch "$scratch/w/data"
expect "missing data folder" nonzero "$scratch/w/data is missing" SDL_VIDEODRIVER=offscreen "$program"
grep -qF "Could not write to data folder" "$scratch/err" && fail "missing data folder: told as a folder that cannot be written"

# A folder that takes no new file (root writes anywhere but a read-only file system).
fresh
rm -rf "$scratch/w/data" && ln -s /proc "$scratch/w/data"
expect "data folder" nonzero "Could not write to data folder" SDL_VIDEODRIVER=offscreen "$program"
grep -qF "Is ZKT correctly installed on a hard drive?" "$scratch/err" || fail "data folder: the reason is not told"

fresh
rm "$scratch/w/bin/shaders2/vs_5.glsl"
expect "missing interface shader" nonzero "Could not open vertex shader (bin/shaders2/vs_5.glsl)" \
  SDL_VIDEODRIVER=offscreen "$program"

fresh
rm -rf "$scratch/w/bin"
expect "no shader folder" nonzero "Could not open vertex shader (bin/shaders2/vs_5.glsl)" \
  SDL_VIDEODRIVER=offscreen "$program"

fresh
printf '#version 430 core\nout vec4 c;\nvoid main() { c = undefined_name; }\n' > "$scratch/w/bin/shaders2/ps_24.glsl"
expect "broken interface shader" nonzero "Could not create pixel shader (bin/shaders2/ps_24.glsl) : 0:" \
  SDL_VIDEODRIVER=offscreen "$program"
grep -qF "undefined_name" "$scratch/err" || fail "broken interface shader: the compiler's line is not told"

# A system without fontconfig (here a file of its name, found first, that is no library): the
# program starts without the system fonts, drawing with the character set's own glyphs.  The
# fonts are looked for when double-byte text first needs them (here a Japanese translation,
# chosen by a typed command), and the log says why they are missing.
fresh
mkdir "$scratch/libs" && : > "$scratch/libs/libfontconfig.so.1"
printf 'tx_codepage 932\ntx_langname Nihongo\n' > "$scratch/w/data/language/Nihongo.txt"
printf '/lang Nihongo\n' > "$scratch/drive"
(cd "$scratch/w" && env -u DISPLAY -u WAYLAND_DISPLAY LD_LIBRARY_PATH="$scratch/libs" SDL_VIDEODRIVER=offscreen \
  SDL_AUDIODRIVER=dummy ZKT_EXIT_AFTER_PASSES=30 ZKT_DRIVE="$scratch/drive" "$program" > "$scratch/out" \
  2> "$scratch/err") || { fail "no font library: exit code $?"; cat "$scratch/err"; }
grep -qF "System fonts : libfontconfig.so.1 could not be loaded" "$scratch/w/deb.log" ||
  fail "no font library: the log does not say why"

[ $failures -eq 0 ] && echo "every failed start was told and saved nothing"
exit $failures
