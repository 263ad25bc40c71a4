#!/usr/bin/env bash
# The fuzz budget's second share (fuzz_shares.awk) against shares worked out by hand.
set -euo pipefail
SHARES="$(dirname "$0")/fuzz_shares.awk"
failed=0

# expect <name> <total> <expected output> <first runs...>
expect() {
  local name=$1 total=$2 expected=$3; shift 3
  local got
  got=$(printf '%s\n' "$@" | awk -v total="$total" -f "$SHARES")
  if [ "$got" != "$expected" ]; then
    printf 'FAILED %s\n  expected: %s\n  got:      %s\n' "$name" "${expected//$'\n'/ | }" "${got//$'\n'/ | }"
    failed=1
  fi
}

# 40 s, three first runs of 2 s: 34 s left.  Seconds per input 0.001, 0.1 and 2 (no input
# finished counts as one), their sum 2.101: 34 x 0.001 / 2.101 = 0.016 (no second),
# 34 x 0.1 / 2.101 = 1.62 and 34 x 2 / 2.101 = 32.37.
expect "the slow reader gets the most" 40 $'slow 1\nstuck 32' \
  "fast 0 2 2000" "slow 0 2 20" "stuck 0 2 0"

# A failed first run's 5 s come off the total, and it gets no more: 30 - 2 - 5 - 3 = 20 s left
# for a (2 s / 100 = 0.02) and b (3 s / 100 = 0.03): 20 x 0.4 = 8 and 20 x 0.6 = 12.
expect "a failed target takes its time and no more" 30 $'a 8\nb 12' \
  "a 0 2 100" "crashed 1 5 3" "b 0 3 100"

# The first runs took the whole total or more: nothing is left to share.
expect "nothing left" 4 "" "a 0 2 10" "b 0 3 10"

# Equal speeds share equally: 20 - 2 x 2 = 16 s, 8 s each.
expect "equal speeds, equal shares" 20 $'a 8\nb 8' "a 0 2 500" "b 0 2 500"

exit $failed
