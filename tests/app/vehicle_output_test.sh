#!/bin/sh
# The command line's vehicle output run (/vehd=<name>): every sample vehicle written again as
# export/<name>/<name>.veh to the same bytes, with the body model and the engine file it names
# beside it, and written once more from that output to the same bytes; an engine's sound
# figure that a car's load would limit kept as it was read; a vehicle whose file changes when
# written settling at once; and every name and folder that cannot be used refused with the
# reason on standard error, an exit code of 1 (2 for what the command line itself refuses) and
# nothing written.  Runs without graphics in a scratch copy of the working folder.
# Usage: vehicle_output_test.sh <program> <working folder to copy>
set -u
program=$1
work=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { printf "FAILED: %s\n" "$*"; failures=$((failures + 1)); }
w=$scratch/w

fresh() {
  rm -rf "$w"
  cp -r "$work" "$w"
  rm -f "$w/cfg.txt" "$w/deb.log" "$w/vehicle_output.log"
  rm -rf "$w/export"
}

# run <exit code wanted> <name>: the run, its standard output and error kept.
run() {
  (cd "$w" && env -u DISPLAY -u WAYLAND_DISPLAY "$program" "/vehd=$2" > "$scratch/out" 2> "$scratch/err")
  code=$?
  [ $code -eq "$1" ] || { fail "\"$2\": exit code $code, not $1"; cat "$scratch/err"; }
}

# refused <exit code> <name> <reason>: said on standard error (and in the run's log for a
# refusal of the run itself), and nothing written but the logs, inside the folder or out.
refused() {
  touch "$scratch/before"
  run "$1" "$2"
  grep -qF "$3" "$scratch/err" || { fail "\"$2\": standard error lacks \"$3\""; cat "$scratch/err"; }
  if [ "$1" = 1 ]; then
    grep -qF "$3" "$w/vehicle_output.log" || fail "\"$2\": the run's log lacks \"$3\""
  fi
  written=$(find "$scratch" -newer "$scratch/before" -type f ! -name '*.log' ! -path "$scratch/out" ! -path "$scratch/err")
  [ -z "$written" ] || fail "\"$2\": wrote $written"
}

# same <file> <file> <what>
same() { cmp -s "$1" "$2" || fail "$3: $(basename "$1") differs from $2"; }

# The samples, each with what it names beside it, then each written again from its output.
fresh
samples=$(cd "$w/data/veh" && ls *.veh | sed 's/\.veh$//')
[ -n "$samples" ] || fail "no sample vehicles"
for name in $samples; do
  run 0 "$name"
  out=$w/export/$name
  same "$out/$name.veh" "$w/data/veh/$name.veh" "$name"
  grep -qF "Vehicle output : wrote export/$name/$name.veh" "$scratch/out" || fail "$name: not told on standard output"
  grep -qF "Vehicle output : $name" "$w/vehicle_output.log" || fail "$name: not in the run's log"
  for file in "$out"/*; do
    case "$file" in
      *.vob) same "$file" "$w/data/veh/$(basename "$file")" "$name's body model" ;;
      *.eng) same "$file" "$w/data/engine/$(basename "$file")" "$name's engine" ;;
    esac
  done
  cp "$out/$name.veh" "$w/data/veh/$name.veh"
  run 0 "$name"
  same "$out/$name.veh" "$w/data/veh/$name.veh" "$name written again"
done
[ -e "$w/export/Kart/KT.vob" ] || fail "the Kart's body model is not beside it"
[ -e "$w/export/Runabout/DEFAULT.eng" ] || fail "the Runabout's engine is not beside it"

# An engine whose second sound figure is 1.5 (the 28th float from its end, 112 bytes from the
# end of the file: little-endian 00 00 c0 3f) comes out with 1.5, not the 0.99 a car's load
# would make of it.
fresh
engine=$w/data/engine/DEFAULT.eng
size=$(wc -c < "$engine")
printf '\000\000\300\077' | dd of="$engine" bs=1 seek=$((size - 112)) conv=notrunc 2> /dev/null
run 0 Runabout
same "$w/export/Runabout/DEFAULT.eng" "$engine" "the engine with a sound figure of 1.5"

# Option bit 17 (in the third byte of the first word after the 8-byte header, value 2) is
# cleared when a vehicle is written: the output is the sample again.
fresh
cp "$w/data/veh/Runabout.veh" "$scratch/sample"
byte=$(od -An -tu1 -j10 -N1 "$scratch/sample" | tr -d ' ')
printf "\\$(printf '%03o' $((byte | 2)))" | dd of="$w/data/veh/Runabout.veh" bs=1 seek=10 conv=notrunc 2> /dev/null
cmp -s "$w/data/veh/Runabout.veh" "$scratch/sample" && fail "bit 17: the file was not changed"
run 0 Runabout
same "$w/export/Runabout/Runabout.veh" "$scratch/sample" "bit 17 cleared"

# Names that cannot be vehicle names, refused by the run or by the command line.
long63=$(printf 'v%.0s' $(seq 1 63))
long64=$(printf 'v%.0s' $(seq 1 64))
long32=$(printf 'v%.0s' $(seq 1 32))
long31=$(printf 'v%.0s' $(seq 1 31))
fresh
refused 1 ../x 'Vehicle output : ../x holds "/", which no file name may hold'
fresh
refused 1 /tmp/x 'Vehicle output : /tmp/x holds "/", which no file name may hold'
fresh
refused 1 'a\b' 'Vehicle output : a\b holds "\", which no file name may hold'
fresh
refused 1 'C:\x' 'Vehicle output : C:\x holds ":", which no file name may hold'
fresh
refused 1 "$long63" "Vehicle output : $long63 is longer than 31 characters"
fresh
refused 1 "$long32" "Vehicle output : $long32 is longer than 31 characters"
fresh
refused 1 "$long31" "there is no vehicle file data/veh/$long31.veh"
fresh
refused 2 "$long64" "Command /vehd : Vehicle name is too long"
fresh
refused 2 "" "Command /vehd : This command needs a parameter"
fresh
refused 1 Missing "there is no vehicle file data/veh/Missing.veh"

# A damaged file: cut short, it names the field that could not be read.
fresh
head -c 100 "$work/data/veh/Runabout.veh" > "$w/data/veh/Runabout.veh"
refused 1 Runabout "File is damaged : data/veh/Runabout.veh - "

# An export folder that cannot be made or written: a file stands where it would be.
fresh
: > "$w/export"
refused 1 Runabout "could not make the folder export : "
rm -f "$w/export"
mkdir -p "$w/export" && : > "$w/export/Runabout"
run 1 Runabout
grep -qF "could not make the folder export/Runabout : " "$scratch/err" || fail "a file in the output folder's place: not told"
if [ "$(id -u)" != 0 ]; then  # root writes into a read-only folder all the same
  fresh
  mkdir -p "$w/export/Runabout" && chmod a-w "$w/export/Runabout"
  run 1 Runabout
  grep -qF "Could not create file : export" "$scratch/err" || { fail "a read-only output folder: not told"; cat "$scratch/err"; }
  chmod u+w "$w/export/Runabout"
fi

[ $failures -eq 0 ] && echo "the vehicle output writes every sample as it is stored and refuses what it cannot use"
exit $failures
