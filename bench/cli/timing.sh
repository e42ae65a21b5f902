# Sourced by the rdbtool benchmark scripts: timing a command and taking medians.

# "wall cpu" milliseconds taken by the command (cpu: user + system of its process tree);
# its output goes to /dev/null, its diagnostics to errors.log.
run_ms() {
  local TIMEFORMAT='%3R %3U %3S' t
  t=$({ time "$@" >/dev/null 2>>errors.log; } 2>&1)
  awk -v t="$t" 'BEGIN { split(t, a, " "); printf "%.0f %.0f\n", a[1] * 1000, (a[2] + a[3]) * 1000 }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Medians of the wall and cpu columns of "wall cpu" lines on standard input.
medians() {
  local lines
  lines=$(cat)
  echo "$(echo "$lines" | cut -d' ' -f1 | median) $(echo "$lines" | cut -d' ' -f2 | median)"
}
