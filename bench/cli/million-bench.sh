#!/usr/bin/env bash
# rdbtool at a million entries: a package of COUNT (default 1,000,000) entries of 0-255
# random bytes in 1,000 folders (res/f000 to res/f999, one folder's entries together), and
# a stored zip of the same files, both in the page cache. Parts (each command pair runs
# ROUNDS times, alternating which goes first; figures are medians in milliseconds):
#  - extract: rdbtool extract against bench_bare_extract, a C loop making the same folders
#    once and writing the same files from the same mapping (openat, write, close), each
#    into a new folder, sync before each run; the two trees are compared once;
#  - check:   rdbtool check against unzip -tq of the zip;
#  - cat:     rdbtool cat of the last entry against unzip -p of it (same bytes checked);
#  - memory:  extract's own memory: /proc/PID/status of the running extract sampled every
#    10 ms (RssAnon: its heap and stacks, without the package's mapped pages, which are
#    RssFile), the largest value, and VmHWM at the end (all pages), per entry.
# Usage: bench/cli/million-bench.sh [BUILD_DIR] [ROUNDS] [PARTS]   (BUILD_DIR: a native tree
# with the targets rdbtool, bench_cli_fixtures and bench_bare_extract built; work files go
# below it; PARTS: some of "extract check cat memory", default all; COUNT in the
# environment for another number of entries)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/timing.sh"
build=$(cd "${1:-build/native}" && pwd)
rounds=${2:-5}
parts=" ${3:-extract check cat memory} "
count=${COUNT:-1000000}
want() { [[ $parts == *" $1 "* ]]; }
tool=$build/cli/rdbtool
fixtures=$build/bench/cli/bench_cli_fixtures
bare=$build/bench/cli/bench_bare_extract
work=$build/million-bench-work
for need in "$tool" "$fixtures" "$bare"; do
  [ -x "$need" ] || { echo "missing $need (build the targets rdbtool bench_cli_fixtures bench_bare_extract)" >&2; exit 2; }
done
command -v unzip >/dev/null || { echo "missing unzip (Debian package unzip)" >&2; exit 2; }

rm -rf "$work"
mkdir -p "$work"
cd "$work"

errors_none() { [ ! -s errors.log ] || { cat errors.log >&2; exit 1; }; }

# Two commands timed in alternating order (run_a and run_b take the round number; the
# files they write are named by outputs_of ROUND and removed after the round, round 0's
# after the part's checks). Prints the medians and their ratio.
ab() {  # label-a label-b
  local -A t
  for ((r = 0; r < rounds; r++)); do
    sync
    if ((r % 2)); then
      t[b]+="$(run_ms run_b "$r")"$'\n'; sync; t[a]+="$(run_ms run_a "$r")"$'\n'
    else
      t[a]+="$(run_ms run_a "$r")"$'\n'; sync; t[b]+="$(run_ms run_b "$r")"$'\n'
    fi
    # Each round as it ends: a run of a million files takes minutes.
    printf '  round %d: %s %s, %s %s (wall cpu)\n' "$r" "$1" "$(printf '%s' "${t[a]}" | tail -n 1)" "$2" \
      "$(printf '%s' "${t[b]}" | tail -n 1)"
    ((r == 0)) || { rm -rf $(outputs_of "$r"); sync; }
  done
  local aw ac bw bc
  read -r aw ac < <(printf '%s' "${t[a]}" | medians)
  read -r bw bc < <(printf '%s' "${t[b]}" | medians)
  printf '  %-22s median %6s wall %6s cpu   (runs, wall: %s)\n' "$1" "$aw" "$ac" "$(printf '%s' "${t[a]}" | cut -d' ' -f1 | tr '\n' ' ')"
  printf '  %-22s median %6s wall %6s cpu   (runs, wall: %s)\n' "$2" "$bw" "$bc" "$(printf '%s' "${t[b]}" | cut -d' ' -f1 | tr '\n' ' ')"
  awk -v a="$aw" -v b="$bw" -v x="$ac" -v y="$bc" -v l="$1 / $2" 'BEGIN { printf "  %s: %.2f wall, %.2f cpu\n", l, a / b, x / y }'
}

echo "== fixtures: $count entries (load average $(cut -d' ' -f1-3 /proc/loadavg))"
"$fixtures" million-package million.rdb "$count"
"$fixtures" million-zip million.zip "$count"
ls -l million.rdb million.zip | awk '{ print "  " $5 "\t" $9 }'
cat million.rdb million.zip >/dev/null  # both in the page cache
last=$("$tool" list -1 million.rdb | tail -n 1)

if want extract; then
  echo "== extract $count entries, $rounds rounds"
  run_a() { "$tool" extract million.rdb -C "x-$1"; }
  run_b() { "$bare" million.rdb "y-$1"; }
  outputs_of() { echo "x-$1 y-$1"; }
  ab "rdbtool extract" "bare loop"
  diff -r x-0 y-0 >/dev/null || { echo "the extracted trees differ" >&2; exit 1; }
  errors_none
  rm -rf x-0 y-0
fi

if want check; then
  echo "== check $count entries, $rounds rounds"
  run_a() { "$tool" check million.rdb; }
  run_b() { unzip -tq million.zip; }
  outputs_of() { :; }
  [ "$("$tool" check million.rdb)" = "ok: $count entries, no problems" ] || { echo "check found problems" >&2; exit 1; }
  ab "rdbtool check" "unzip -tq"
  errors_none
fi

if want cat; then
  echo "== cat the last of $count entries, $rounds rounds"
  cmp <("$tool" cat million.rdb "$last") <(unzip -p million.zip "$last") || { echo "cat differs" >&2; exit 1; }
  run_a() { "$tool" cat million.rdb "$last"; }
  run_b() { unzip -p million.zip "$last"; }
  outputs_of() { :; }
  ab "rdbtool cat" "unzip -p"
  errors_none
fi

if want memory; then
  echo "== extract's memory at $count entries"
  sync
  "$tool" extract million.rdb -C m-0 2>>errors.log &
  pid=$!
  peak_anon=0 peak_file=0 hwm=0
  while :; do
    read -r state anon file now < <(awk '/^State/ { s = $2 } /^RssAnon/ { a = $2 } /^RssFile/ { f = $2 }
                                         /^VmHWM/ { h = $2 } END { print (s ? s : "Z"), a + 0, f + 0, h + 0 }' \
                                     /proc/$pid/status 2>/dev/null || echo "Z 0 0 0")
    [ "$state" != Z ] || break
    ((anon > peak_anon)) && peak_anon=$anon
    ((file > peak_file)) && peak_file=$file
    ((now > hwm)) && hwm=$now
    sleep 0.01
  done
  wait $pid
  errors_none
  awk -v a="$peak_anon" -v f="$peak_file" -v h="$hwm" -v n="$count" 'BEGIN {
    printf "  RssAnon peak %d KiB (%.1f bytes per entry)   RssFile peak %d KiB   VmHWM %d KiB\n", a, a * 1024 / n, f, h }'
  rm -rf m-0
fi
cd "$build"
rm -rf "$work"
