#!/usr/bin/env bash
# rdbtool mount against squashfuse, fuse-zip and archivemount, one run, on the same files
# in each one's format: a squashfs image without compression (mksquashfs -noI -noD -noF
# -noX), a stored zip (zip -0), a tar. For each: the time from the mount command to the
# first stat of a deep file that answers; find MNT -type f | wc -l; reading every file
# once (find -exec cat {} + into /dev/null), then a second time; the mount process's peak
# memory (the larger of the command's and its server's VmHWM); the time to unmount (fusermount3 -u until the process has ended). The
# limit: the same reads from a folder that extract wrote, in the page cache. Times are
# "wall (cpu)" in milliseconds, cpu being user + system time of the command and of the
# mount's server meanwhile: on a loaded machine the wall times wait for the processor,
# the cpu times much less.
# Sets: "99k", the 99,000 files of 1-8 KiB of the update benchmark, and "1m", 1,000,000
# entries of 0-1 KiB in 97,873 folders (reading those files twice per peer takes hours on a
# loaded machine: only with MOUNT_BENCH_1M_READS=yes).
# Each pass (a find, a read of every file) is stopped after MOUNT_BENCH_LIMIT seconds (default
# 600): its cell then says "did not finish in N s", and a second read is not tried.
# Usage: bench/cli/mount-bench.sh [BUILD_DIR] [SETS]   (BUILD_DIR: a native tree with rdbtool
# and bench_cli_fixtures built; SETS: some of "99k 1m", default both). Run as root (mounts).
set -euo pipefail
build=$(cd "${1:-build/native}" && pwd)
sets=${2:-99k 1m}
# MOUNT_BENCH_PEERS: some of "rdbtool squashfuse fuse-zip archivemount", default all.
peer_list=" ${MOUNT_BENCH_PEERS:-rdbtool squashfuse fuse-zip archivemount} "
limit=${MOUNT_BENCH_LIMIT:-600}
want() { [[ $peer_list == *" $1 "* ]]; }
tool=$build/cli/rdbtool
fixtures=$build/bench/cli/bench_cli_fixtures
work=$build/bench-mount-work
for need in "$tool" "$fixtures"; do
  [ -x "$need" ] || { echo "missing $need (build the targets rdbtool and bench_cli_fixtures)" >&2; exit 2; }
done
# The peers and the tools that make their files: installed here, not by scripts/setup.
peers=(squashfuse fuse-zip archivemount squashfs-tools zip tar)
missing=()
for p in "${peers[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

mkdir -p "$work"
cd "$work"
now_ms() { echo $(($(date +%s%N) / 1000000)); }
ticks=$(getconf CLK_TCK)

# The id of the process serving $mnt (its command line names the mount point).
server_pid() {
  local p
  for p in /proc/[0-9]*; do
    if tr '\0' ' ' 2>/dev/null <"$p/cmdline" | grep -q -- " $mnt\( \|$\)"; then
      basename "$p"
      return
    fi
  done
}
# User + system milliseconds of process $1 so far (0 when there is none).
cpu_ms() {
  [ -n "$1" ] && [ -r "/proc/$1/stat" ] || { echo 0; return; }
  awk -v t="$ticks" '{ sub(/^.*\) /, ""); print int(($12 + $13) * 1000 / t) }' "/proc/$1/stat"
}
# Runs the command, stopped after $limit seconds; sets $cell to "wall (cpu)": its wall time,
# and the cpu time of it and of the server $server (when set) meanwhile, or to "did not
# finish in N s" (and $finished to no). Its output goes to $out.
timed() {
  local TIMEFORMAT='%3R %3U %3S' t s0 s1 status=0
  s0=$(cpu_ms "${server:-}")
  t=$({ time timeout "$limit" "$@" >"$mnt.out" 2>>"$work/errors.log"; } 2>&1) || status=$?
  s1=$(cpu_ms "${server:-}")
  if [ "$status" -eq 124 ]; then
    cell="did not finish in $limit s"
    out="-"
    finished=no
    return
  fi
  finished=yes
  cell=$(awk -v t="$t" -v s=$((s1 - s0)) 'BEGIN { split(t, a, " "); printf "%.0f (%.0f)", a[1] * 1000, (a[2] + a[3]) * 1000 + s }')
  out=$(cat "$mnt.out")
}
# As commands of their own, so that the limit stops them whole (timeout stops its group).
load() { cut -d' ' -f1-3 /proc/loadavg; }
count_files() { sync; timed bash -c 'find "$1" -type f | wc -l' _ "$1"; }
read_all() { sync; timed bash -c 'find "$1" -type f -exec cat {} + >/dev/null' _ "$1"; }

# One peer: NAME DEEP-FILE MOUNT-COMMAND...; prints one table row.
measure() {
  local name=$1 deep=$2
  shift 2
  local t0 t1 first found find_cell read1 read2 peak unmount
  server=""
  t0=$(now_ms)
  /usr/bin/time -f %M -o "$mnt.peak" "$@"
  until stat -c %s "$mnt/$deep" >/dev/null 2>&1; do
    [ $(($(now_ms) - t0)) -lt $((limit * 1000)) ] || { echo "$name: no answer in $limit s" >&2; exit 1; }
  done
  t1=$(now_ms)
  first=$((t1 - t0))
  server=$(server_pid)
  count_files "$mnt"; found=$out; find_cell=$cell
  read1=-; read2=-
  if [ "$reads" = yes ]; then
    read_all "$mnt"; read1=$cell
    if [ "$finished" = yes ]; then read_all "$mnt"; read2=$cell; fi
  fi
  # The larger of the mount command's peak (before it went to the background) and the
  # server's.
  peak=$(awk '/VmHWM/ { print $2 }' "/proc/$server/status")
  local before
  before=$(tail -n 1 "$mnt.peak")
  [ "$before" -le "$peak" ] || peak=$before
  t0=$(now_ms)
  fusermount3 -u "$mnt"
  while [ -e "/proc/$server" ]; do sleep 0.001; done
  t1=$(now_ms)
  unmount=$((t1 - t0))
  printf '| %s | %d | %s files: %s | %s | %s | %d MiB | %d | %s |\n' \
    "$name" "$first" "$found" "$find_cell" "$read1" "$read2" $((peak / 1024)) "$unmount" "$(load)"
}

run_set() {  # NAME SOURCE-FOLDER DEEP-FILE READS(yes|no)
  local set=$1 src=$2 deep=$3
  reads=$4
  mnt=$work/mnt-$set
  mkdir -p "$mnt"
  echo "== $set: the peers' files"
  # Made once per work folder (a run with fewer peers reuses them).
  [ -f "$set.rdb" ] || "$tool" pack "$src" -o "$set.rdb" >/dev/null
  want squashfuse && [ ! -f "$set.sqfs" ] && mksquashfs "$src" "$set.sqfs" -noI -noD -noF -noX -no-progress -quiet >/dev/null
  want fuse-zip && [ ! -f "$set.zip" ] && (cd "$src" && zip -q -0 -r "../$set.zip.tmp" . && mv "../$set.zip.tmp" "../$set.zip")
  want archivemount && [ ! -f "$set.tar" ] && tar -cf "$set.tar" -C "$src" .
  rm -rf "$set.extracted"
  [ "$reads" = no ] || "$tool" extract "$set.rdb" -C "$set.extracted" >/dev/null
  local files=("$set.rdb")
  want squashfuse && files+=("$set.sqfs")
  want fuse-zip && files+=("$set.zip")
  want archivemount && files+=("$set.tar")
  ls -l "${files[@]}" | awk '{ print "  " $5 "\t" $9 }'
  cat "${files[@]}" >/dev/null  # all in the page cache
  sync  # the files just made are on the disk: their writing does not run into the passes
  echo "== $set: $(find "$src" -type f | wc -l) files; deep file $deep"
  echo "| $set | first stat, ms | find -type f | read all | read again | peak memory | unmount, ms | load average after |"
  echo "|---|---|---|---|---|---|---|---|"
  local found find_cell r1 r2
  server=""
  found=-; find_cell=-; r1=-; r2=-
  if [ "$reads" = yes ]; then
    count_files "$set.extracted"; found=$out; find_cell=$cell
    read_all "$set.extracted"; r1=$cell
    read_all "$set.extracted"; r2=$cell
  fi
  printf '| extracted folder (the limit) | - | %s files: %s | %s | %s | - | - | %s |\n' "$found" "$find_cell" "$r1" "$r2" "$(load)"
  want rdbtool && measure "rdbtool mount" "$deep" "$tool" mount "$set.rdb" "$mnt"
  want squashfuse && measure squashfuse "$deep" squashfuse "$set.sqfs" "$mnt"
  want fuse-zip && measure fuse-zip "$deep" fuse-zip -r "$set.zip" "$mnt"
  want archivemount && measure archivemount "$deep" archivemount -o readonly "$set.tar" "$mnt"
  return 0
}

for set in $sets; do
  case $set in
    99k)
      [ -d src99k ] || "$fixtures" tree src99k 99000 8
      run_set 99k src99k level9/group9/file98999.dat yes ;;
    1m)
      [ -d src1m ] || "$fixtures" small-tree src1m 1000000
      run_set 1m src1m "$(printf 'res/%02d/%04d/%07d_window_button.xml' $((999999 % 97)) $((999999 % 1009)) 999999)" "${MOUNT_BENCH_1M_READS:-no}" ;;
  esac
done
