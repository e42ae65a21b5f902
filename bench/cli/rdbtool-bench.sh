#!/usr/bin/env bash
# rdbtool against tar and unzip, in one run on one disk:
#  - extract 10,000 files of 1-64 KiB in nested folders: rdbtool extract, tar -xf, unzip -q
#    (stored zip), each into a fresh folder;
#  - list 1,000,000 entries: rdbtool list against tar -tf of an archive of the same names;
#  - pack the 10,000 files: rdbtool pack against tar -cf;
#  - update a package of 99,000 entries of 1-8 KiB, replacing one: rdbtool update against
#    cp of the package;
#  - replace: extract the 10,000 files again into a folder that already holds them all,
#    rdbtool extract against tar -xf (each existing file replaced by a new one);
#  - diff that package against its update: rdbtool diff against cmp -s of two identical
#    copies, and against extract of both + diff -rq of the folders; diff of two packages of
#    1,000,000 entries whose names all differ against rdbtool list of both.
# Each command runs ROUNDS times, in rotating order; figures are medians in milliseconds.
# Usage: bench/cli/rdbtool-bench.sh [BUILD_DIR] [ROUNDS] [PARTS]   (BUILD_DIR: a native tree
# with the targets rdbtool and bench_cli_fixtures built; work files go below it; PARTS:
# some of "extract list pack update replace diff diffnames", default all)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/timing.sh"
build=$(cd "${1:-build/native}" && pwd)
rounds=${2:-7}
parts=" ${3:-extract list pack update replace diff diffnames} "
want() { [[ $parts == *" $1 "* ]]; }
tool=$build/cli/rdbtool
fixtures=$build/bench/cli/bench_cli_fixtures
work=$build/bench-cli-work
for need in "$tool" "$fixtures"; do
  [ -x "$need" ] || { echo "missing $need (build the targets rdbtool and bench_cli_fixtures)" >&2; exit 2; }
done
for cmd in tar zip unzip; do
  command -v $cmd >/dev/null || { echo "missing $cmd (Debian packages: tar zip unzip)" >&2; exit 2; }
done

rm -rf "$work"
mkdir -p "$work"
cd "$work"


echo "== fixtures"
"$fixtures" tree src 10000
"$tool" pack src -o files.rdb
tar -cf files.tar -C src .
(cd src && zip -q -0 -r ../files.zip .)
if want list || want diffnames; then
  "$fixtures" names-package names.rdb 1000000
  "$fixtures" names-tar names.tar 1000000
else
  touch names.rdb names.tar
fi
if want update || want diff; then
  "$fixtures" tree big 99000 8
  "$tool" pack big -o big.rdb
  head -c 5000 /dev/urandom >replacement.dat
  rm -rf big
else
  touch big.rdb
fi
ls -l files.rdb files.tar files.zip names.rdb names.tar big.rdb | awk '{ print "  " $5 "\t" $9 }'
cat files.rdb files.tar files.zip names.rdb names.tar big.rdb >/dev/null  # all in the page cache

extract_cmd() {  # name dest
  case $1 in
    rdbtool) echo "$tool extract files.rdb -C $2" ;;
    tar) echo "tar -xf files.tar -C $2" ;;
    unzip) echo "unzip -q files.zip -d $2" ;;
  esac
}

if want extract; then
echo "== extract 10,000 files, $rounds rounds (milliseconds: wall, cpu)"
# Every run writes into a new folder; nothing is deleted until the end, so that freeing
# blocks never runs into a measured run. sync before each run: no earlier writes pending.
declare -A times
tools=(rdbtool tar unzip)
for ((r = 0; r < rounds; r++)); do
  for ((k = 0; k < 3; k++)); do
    name=${tools[$(((r + k) % 3))]}
    dest=out-$name-$r
    mkdir "$dest"
    sync
    times[$name]+="$(run_ms $(extract_cmd $name $dest))"$'\n'
  done
done
# The three outputs hold the same files.
for name in "${tools[@]}"; do
  diff -r src out-$name-0 >/dev/null || { echo "$name output differs" >&2; exit 1; }
done
[ ! -s errors.log ] || { cat errors.log >&2; exit 1; }
rm -rf out-*
declare -A wall cpu
for name in "${tools[@]}"; do
  read -r wall[$name] cpu[$name] < <(printf '%s' "${times[$name]}" | medians)
  printf '  %-8s median %6s wall %6s cpu   (runs, wall: %s)\n' "$name" "${wall[$name]}" "${cpu[$name]}" \
    "$(printf '%s' "${times[$name]}" | cut -d' ' -f1 | tr '\n' ' ')"
done
awk -v a="${wall[rdbtool]}" -v b="${wall[tar]}" -v c="${wall[unzip]}" \
    -v x="${cpu[rdbtool]}" -v y="${cpu[tar]}" -v z="${cpu[unzip]}" \
  'BEGIN { printf "  rdbtool / tar: %.2f wall, %.2f cpu   rdbtool / unzip: %.2f wall, %.2f cpu\n", a / b, x / y, a / c, x / z }'

fi

if want list; then
echo "== list 1,000,000 entries, $rounds rounds"
[ "$("$tool" list names.rdb | wc -l)" = "$(tar -tf names.tar | wc -l)" ] || { echo "counts differ" >&2; exit 1; }
cmp <("$tool" list names.rdb | cut -f4 | tr '\\' '/') <(tar -tf names.tar) >/dev/null ||
  { echo "names differ" >&2; exit 1; }
declare -A ltimes
for ((r = 0; r < rounds; r++)); do
  ltimes[list]+="$(run_ms "$tool" list names.rdb)"$'\n'
  ltimes[tar]+="$(run_ms tar -tf names.tar)"$'\n'
  ltimes[json]+="$(run_ms "$tool" list names.rdb --json)"$'\n'
done
declare -A lwall lcpu
for name in list json tar; do
  read -r lwall[$name] lcpu[$name] < <(printf '%s' "${ltimes[$name]}" | medians)
done
printf '  rdbtool list         median %6s wall %6s cpu\n' "${lwall[list]}" "${lcpu[list]}"
printf '  rdbtool list --json  median %6s wall %6s cpu\n' "${lwall[json]}" "${lcpu[json]}"
printf '  tar -tf              median %6s wall %6s cpu\n' "${lwall[tar]}" "${lcpu[tar]}"
awk -v a="${lwall[list]}" -v b="${lwall[tar]}" -v c="${lwall[json]}" \
  'BEGIN { printf "  list / tar -tf: %.2f wall   list --json / tar -tf: %.2f wall\n", a / b, c / b }'
fi

# Two commands timed in alternating order, each writing a new file. The files of round 0
# are kept for the checks; later rounds' are removed after the round (then sync): with
# gigabytes of copies kept, every copy on the test machine took about a second from the
# fourth round on, cp's as well. Prints the medians and their ratio.
ab() {  # label-a label-b; commands in the functions run_a / run_b taking the round number,
        # the files they write named by outputs_of ROUND
  local -A t
  for ((r = 0; r < rounds; r++)); do
    sync
    if ((r % 2)); then
      t[b]+="$(run_ms run_b "$r")"$'\n'; sync; t[a]+="$(run_ms run_a "$r")"$'\n'
    else
      t[a]+="$(run_ms run_a "$r")"$'\n'; sync; t[b]+="$(run_ms run_b "$r")"$'\n'
    fi
    ((r == 0)) || rm -rf $(outputs_of "$r")
  done
  local aw ac bw bc
  read -r aw ac < <(printf '%s' "${t[a]}" | medians)
  read -r bw bc < <(printf '%s' "${t[b]}" | medians)
  printf '  %-22s median %6s wall %6s cpu   (runs, wall: %s)\n' "$1" "$aw" "$ac" "$(printf '%s' "${t[a]}" | cut -d' ' -f1 | tr '\n' ' ')"
  printf '  %-22s median %6s wall %6s cpu   (runs, wall: %s)\n' "$2" "$bw" "$bc" "$(printf '%s' "${t[b]}" | cut -d' ' -f1 | tr '\n' ' ')"
  awk -v a="$aw" -v b="$bw" -v x="$ac" -v y="$bc" -v l="$1 / $2" 'BEGIN { printf "  %s: %.2f wall, %.2f cpu\n", l, a / b, x / y }'
}

if want pack; then
  echo "== pack 10,000 files, $rounds rounds"
  run_a() { "$tool" pack src -o "pack-$1.rdb"; }
  run_b() { tar -cf "pack-$1.tar" -C src .; }
  outputs_of() { echo "pack-$1.rdb pack-$1.tar"; }
  ab "rdbtool pack" "tar -cf"
  cmp pack-0.rdb files.rdb || { echo "pack output differs" >&2; exit 1; }
  [ ! -s errors.log ] || { cat errors.log >&2; exit 1; }
  rm -f pack-*
fi

if want update; then
  echo "== update 99,000 entries replacing one, $rounds rounds"
  name=$("$tool" list big.rdb | sed -n 50000p | cut -f4)
  run_a() { "$tool" update big.rdb -o "update-$1.rdb" --replace "$name=replacement.dat"; }
  run_b() { cp big.rdb "copy-$1.rdb"; }
  outputs_of() { echo "update-$1.rdb copy-$1.rdb"; }
  ab "rdbtool update" "cp"
  # The result: the same listing but for the one entry, whose bytes are the file's.
  diff <("$tool" list big.rdb | cut -f4) <("$tool" list update-0.rdb | cut -f4) >/dev/null ||
    { echo "update changed the names" >&2; exit 1; }
  cmp <("$tool" cat update-0.rdb "$name") replacement.dat || { echo "update lost the replacement" >&2; exit 1; }
  [ ! -s errors.log ] || { cat errors.log >&2; exit 1; }
  rm -f update-* copy-*
fi
if want replace; then
  echo "== extract 10,000 files over the same files, $rounds rounds"
  # Each run's folder is filled beforehand (not timed) with the files it will replace.
  for ((r = 0; r < rounds; r++)); do
    mkdir "over-rdbtool-$r" "over-tar-$r"
    tar -xf files.tar -C "over-rdbtool-$r"
    tar -xf files.tar -C "over-tar-$r"
  done
  run_a() { "$tool" extract files.rdb -C "over-rdbtool-$1"; }
  run_b() { tar -xf files.tar -C "over-tar-$1"; }
  outputs_of() { echo "over-rdbtool-$1 over-tar-$1"; }
  ab "rdbtool extract" "tar -xf"
  diff -r src over-rdbtool-0 >/dev/null || { echo "rdbtool's replaced output differs" >&2; exit 1; }
  [ -z "$(find over-rdbtool-0 -name '.rdbtool-*')" ] || { echo "a temporary file was left" >&2; exit 1; }
  [ ! -s errors.log ] || { cat errors.log >&2; exit 1; }
  rm -rf over-*
fi
# diff exits with 1 for packages that differ.
differ() { "$tool" diff "$@" || [ $? = 1 ]; }
if want diff; then
  echo "== diff 99,000 entries against their update, $rounds rounds"
  name=$("$tool" list big.rdb | sed -n 50000p | cut -f4)
  "$tool" update big.rdb -o big-updated.rdb --replace "$name=replacement.dat"
  cp big.rdb big-copy.rdb
  cat big.rdb big-updated.rdb big-copy.rdb >/dev/null
  [ "$(differ big.rdb big-updated.rdb)" = "M	$name" ] || { echo "diff did not find the one entry" >&2; exit 1; }
  run_a() { differ big.rdb big-updated.rdb; }
  run_b() { cmp -s big.rdb big-copy.rdb; }
  outputs_of() { :; }
  ab "rdbtool diff" "cmp -s (identical)"
  # The way without diff: both packages extracted, then the folders compared.
  run_a() { differ big.rdb big-updated.rdb; }
  run_b() {
    mkdir "x-$1" "y-$1" && "$tool" extract big.rdb -C "x-$1" && "$tool" extract big-updated.rdb -C "y-$1" &&
      { diff -rq "x-$1" "y-$1" || [ $? = 1 ]; }
  }
  outputs_of() { echo "x-$1 y-$1"; }
  rounds_saved=$rounds
  rounds=3
  ab "rdbtool diff" "extract both, diff -rq"
  rounds=$rounds_saved
  rm -rf x-* y-* big-updated.rdb big-copy.rdb
  [ ! -s errors.log ] || { cat errors.log >&2; exit 1; }
fi
if want diffnames; then
  echo "== diff 1,000,000 entries, every name different, $rounds rounds"
  "$fixtures" names-package names-other.rdb 1000000 mod
  cat names.rdb names-other.rdb >/dev/null
  [ "$(differ names.rdb names-other.rdb | wc -l)" = 2000000 ] || { echo "diff missed names" >&2; exit 1; }
  run_a() { differ names.rdb names-other.rdb; }
  run_b() { "$tool" list names.rdb && "$tool" list names-other.rdb; }
  outputs_of() { :; }
  ab "rdbtool diff" "rdbtool list of both"
  [ ! -s errors.log ] || { cat errors.log >&2; exit 1; }
fi
cd "$build"
rm -rf "$work"
