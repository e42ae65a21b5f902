#!/usr/bin/env bash
# rdbtool at a million entries: 1,000,000 files of 0-255 bytes in 1,000 folders.
#  - pack: rdbtool pack of the tree against tar -cf of it, each into a new file, with the
#    peak memory of each (GNU time's maximum resident size);
#  - update: rdbtool update of the package made from the tree, replacing the entry in the
#    middle with a 100-byte file, against cp of the package; and the same on a package of
#    99,000 such entries, for the ratio at both sizes.
# The two commands of a part alternate which goes first (A B B A ...), sync before each;
# figures are medians in milliseconds, and the load average is printed with them.
# Usage: bench/cli/million-pack-bench.sh [BUILD_DIR] [ROUNDS] [PARTS]   (BUILD_DIR: a native
# tree with the targets rdbtool and bench_cli_fixtures built; work files go below it, about
# 5 GB; PARTS: some of "pack update", default both)
set -euo pipefail
build=$(cd "${1:-build/native}" && pwd)
rounds=${2:-5}
parts=" ${3:-pack update} "
want() { [[ $parts == *" $1 "* ]]; }
tool=$build/cli/rdbtool
fixtures=$build/bench/cli/bench_cli_fixtures
work=$build/bench-million-work
for need in "$tool" "$fixtures"; do
  [ -x "$need" ] || { echo "missing $need (build the targets rdbtool and bench_cli_fixtures)" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { echo "missing /usr/bin/time (Debian package: time)" >&2; exit 2; }

mkdir -p "$work"
cd "$work"
if [ ! -d tree ]; then
  echo "== fixtures (kept in $work for the next run)"
  "$fixtures" flat-tree tree.tmp 1000000 1000
  mv tree.tmp tree
fi
if [ ! -d tree99k ]; then
  "$fixtures" flat-tree tree99k.tmp 99000 1000
  mv tree99k.tmp tree99k
fi
rm -f errors.log out-* copy-*
touch errors.log

# "wall cpu maxrss" (milliseconds, milliseconds, KB) of the command; its output goes to
# /dev/null, its diagnostics to errors.log. GNU time gives the cpu and the memory; the
# wall time is taken around it to the millisecond (its own is in hundredths of a second,
# coarse beside the 50 ms of an update).
run_ms() {
  local start end
  start=$(date +%s%N)
  /usr/bin/time -o time.txt -f '%U %S %M' "$@" >/dev/null 2>>errors.log
  end=$(date +%s%N)
  awk -v wall=$(((end - start) / 1000000)) '{ printf "%d %.0f %s\n", wall, ($1 + $2) * 1000, $3 }' time.txt
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
column() { cut -d' ' -f"$1" | median; }

# Runs the commands that cmd_a and cmd_b print (given the round number) alternately;
# prints medians and ratios.
ab() {  # label-a label-b
  local ta="" tb="" r
  for ((r = 0; r < rounds; r++)); do
    sync
    if ((r % 2)); then
      tb+="$(run_ms $(cmd_b "$r"))"$'\n'; sync; ta+="$(run_ms $(cmd_a "$r"))"$'\n'
    else
      ta+="$(run_ms $(cmd_a "$r"))"$'\n'; sync; tb+="$(run_ms $(cmd_b "$r"))"$'\n'
    fi
    ((r == 0)) || rm -f out-"$r".* copy-"$r".*
  done
  local aw ac am bw bc bm
  aw=$(printf '%s' "$ta" | column 1); ac=$(printf '%s' "$ta" | column 2); am=$(printf '%s' "$ta" | column 3)
  bw=$(printf '%s' "$tb" | column 1); bc=$(printf '%s' "$tb" | column 2); bm=$(printf '%s' "$tb" | column 3)
  printf '  %-16s median %7s wall %7s cpu %8s KB   (runs, wall: %s)\n' "$1" "$aw" "$ac" "$am" "$(printf '%s' "$ta" | cut -d' ' -f1 | tr '\n' ' ')"
  printf '  %-16s median %7s wall %7s cpu %8s KB   (runs, wall: %s)\n' "$2" "$bw" "$bc" "$bm" "$(printf '%s' "$tb" | cut -d' ' -f1 | tr '\n' ' ')"
  awk -v a="$aw" -v b="$bw" -v x="$ac" -v y="$bc" -v l="$1 / $2" 'BEGIN { printf "  %s: %.2f wall, %.2f cpu\n", l, a / b, x / y }'
  echo "  load average: $(cut -d' ' -f1-3 /proc/loadavg)"
}

if want pack; then
  echo "== pack 1,000,000 files, $rounds rounds"
  cmd_a() { echo "$tool pack tree -o out-$1.rdb"; }
  cmd_b() { echo "tar -cf out-$1.tar -C tree ."; }
  ab "rdbtool pack" "tar -cf"
  [ "$("$tool" list out-0.rdb | wc -l)" = 1000000 ] || { echo "pack left files out" >&2; exit 1; }
  [ ! -s errors.log ] || { cat errors.log >&2; exit 1; }
  rm -f out-*
fi

if want update; then
  [ -f million.rdb ] || "$tool" pack tree -o million.rdb
  [ -f 99k.rdb ] || "$tool" pack tree99k -o 99k.rdb
  head -c 100 /dev/urandom >replacement.dat
  for package in million 99k; do
    echo "== update $package.rdb replacing one entry, $rounds rounds"
    name=$("$tool" list $package.rdb | sed -n "$(($("$tool" list $package.rdb | wc -l) / 2))p" | cut -f4)
    cat $package.rdb >/dev/null
    cmd_a() { echo "$tool update $package.rdb -o out-$1.rdb --replace $name=replacement.dat"; }
    cmd_b() { echo "cp $package.rdb copy-$1.rdb"; }
    ab "rdbtool update" "cp"
    cmp <("$tool" cat out-0.rdb "$name") replacement.dat || { echo "update lost the replacement" >&2; exit 1; }
    [ ! -s errors.log ] || { cat errors.log >&2; exit 1; }
    rm -f out-* copy-*
  done
fi
