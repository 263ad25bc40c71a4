#!/bin/sh
# A second start with a "ZKT://" request hands the request to the instance already running
# in the working folder and ends with exit code 0; its start is added to the running
# instance's deb.log instead of replacing it.
# Usage: second_instance_test.sh <program> <working folder to copy>
set -eu
program=$1
scratch=$(mktemp -d)
# The running instance ends through its shut-down (which still writes to its folder) first.
trap 'kill "$first" 2>/dev/null && wait "$first"; rm -rf "$scratch"' EXIT
cp -r "$2"/. "$scratch"
cd "$scratch"
rm -f deb.log zkt_instance.sock

ZKT_NO_GRAPHICS=1 ZKT_EXIT_AFTER_PASSES=100000 "$program" > first.out 2>&1 &
first=$!
i=0
while [ ! -S zkt_instance.sock ]; do
  i=$((i + 1))
  [ $i -le 300 ] || { echo "the first instance never listened"; exit 1; }
  sleep 0.1
done

ZKT_NO_GRAPHICS=1 "$program" "zkt://join=Far%20Away" || { echo "the second start did not exit 0"; exit 1; }
kill -0 "$first" || { echo "the running instance ended"; exit 1; }
starts=$(grep -c "ZKT : " deb.log)
[ "$starts" -eq 2 ] || { echo "deb.log holds $starts starts, not 2"; cat deb.log; exit 1; }
echo "handed over; deb.log kept both starts"
