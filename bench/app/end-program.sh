#!/usr/bin/env bash
# Ending the program with a big package listed: from Esc to the end of the process, and to
# the moment another program may replace the package file.
#
#   bench/app/end-program.sh COUNT     (after scripts/build windows; DISPLAY must be set)
#
# Makes a package of COUNT small entries, starts build/windows/app/SorvRes.exe under Wine,
# opens the package through the open dialog with typed keys, waits until the load has ended
# (the status bar counts every entry and the tree lists the first one: the count shows while
# the tree is still being filled), clicks the first entry as a user picking one would (the
# keyboard focus is then in the tree), presses Esc and prints the two times in milliseconds.
# The Esc-to-replaceable time includes starting the probe under Wine; the probe says how
# long it waited itself.
set -euo pipefail
count=${1:-1000000}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$root/build/windows
probe_exe=$build/tests/e2e/sorv_e2e_probe.exe
export WINEPREFIX=$build/tests/e2e/wineprefix WINEDEBUG=-all
source "$root/scripts/wine-env"
"$root/scripts/wine-prefix" >/dev/null
work=$(mktemp -d /tmp/sorvres-end-bench.XXXXXX)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
probe() { wine "$probe_exe" "$@" 2>/dev/null; }
winpath() { local p; p=$(realpath -m "$1"); printf 'Z:%s' "${p//\//\\}"; }
title="Sorv资源文件读取 V1.0"

probe many "$(winpath "$work/big.rdb")" "$count"
wine "$build/app/SorvRes.exe" </dev/null >/dev/null 2>&1 &
pid=$!
read -r _ _ _ _ cx cy cw ch < <(probe window "$title" 60000 | head -n 1)
xdotool key ctrl+o
probe foreground "打开文件" Edit 30000 >/dev/null
xdotool key ctrl+a type --delay 25 -- "$(winpath "$work/big.rdb")"
xdotool key Return
start=$SECONDS
tree="$((cx + 9)) $((cy + 65)) 198 $((ch - 65 - 30))"
until import -window root -depth 8 "$work/shot.ppm" 2>/dev/null &&
  probe text "$(winpath "$work/shot.ppm")" "$cx" $((cy + ch - 24)) $((cw - 170)) 24 status 000000 "共有文件:$count" >/dev/null &&
  probe text "$(winpath "$work/shot.ppm")" $tree dialog 000000 "e0.txt" >/dev/null; do
  sleep 1
done
echo "loaded $count entries in about $((SECONDS - start)) s"
read -r _ tx ty tw th _ < <(probe text "$(winpath "$work/shot.ppm")" $tree dialog 000000 "e0.txt")
echo "keyboard focus after the load: $(probe foreground "$title" - 5000 | sed -n 2p)"
xdotool mousemove --sync $((tx + tw / 2)) $((ty + th / 2)) click 1
probe foreground "$title" SysTreeView32 30000 >/dev/null
sleep 2
t0=$(date +%s%N)
xdotool key Escape
held=$(probe replaceable "$(winpath "$work/big.rdb")" 600000)
t1=$(date +%s%N)
while kill -0 "$pid" 2>/dev/null; do sleep 0.02; done
t2=$(date +%s%N)
pid=""
echo "Esc to process end: $(((t2 - t0) / 1000000)) ms; Esc to package replaceable: $(((t1 - t0) / 1000000)) ms (probe waited $held ms)"
