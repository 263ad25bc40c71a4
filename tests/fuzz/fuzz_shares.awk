# fuzz_shares.awk - the fuzzing time left after every target's first run, shared by need.
#
#   awk -v total=<seconds for all targets> -f fuzz_shares.awk <first runs>
#
# Each input line is a target's first run: "<target> <exit status> <seconds taken> <inputs run>".
# What the first runs took, failed ones too, comes off the total; the rest goes to the targets
# whose first run passed, in proportion to the seconds one of their inputs took (a run with no
# input finished counts as one), so a slow reader gets more time and every target about as many
# more inputs.  Prints "<target> <seconds>" for each target given a whole second or more
# (libFuzzer takes no less), in input order.
{
  spent += $3
  if ($2 == 0) {
    name[++n] = $1
    weight[n] = $3 / ($4 > 0 ? $4 : 1)
    sum += weight[n]
  }
}
END {
  rest = total - spent
  for (i = 1; i <= n; ++i) {
    # Whole seconds rounded down, past the float arithmetic's last bits (12 must not be 11.99...).
    share = rest > 0 && sum > 0 ? int(rest * weight[i] / sum + 1e-6) : 0
    if (share >= 1) print name[i], share
  }
}
