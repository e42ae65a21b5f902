#!/usr/bin/env bash
# End-to-end test: the real SorvRes.exe under Wine in an X server, used as a person uses it.
# Input is X input only (xdotool: pointer moves, clicks, typing, keys); what is checked is
# what a person sees (screenshots: texts, pictures, the boxes of the layout) and the files the
# program writes. sorv_e2e_probe (run under Wine beside the program) finds the windows, makes
# the fixture packages and reads texts and pictures out of the screenshots.
#
# run-e2e.sh --program SorvRes.exe --probe sorv_e2e_probe.exe --splash splash.bmp
#            --prefix WINEPREFIX --screenshots DIR
# Uses DISPLAY when it is set, else a private Xvfb. The Wine prefix is the test's own: the
# folder chooser exports into the prefix's desktop folder, which must not be the home folder.
set -uo pipefail

program="" probe_exe="" splash="" prefix="" shots=""
while [ $# -gt 0 ]; do
  case "$1" in
    --program) program=$2 ;;
    --probe) probe_exe=$2 ;;
    --splash) splash=$2 ;;
    --prefix) prefix=$2 ;;
    --screenshots) shots=$2 ;;
    *) echo "run-e2e: unknown argument $1" >&2; exit 2 ;;
  esac
  shift 2
done
for v in program probe_exe splash prefix shots; do
  [ -n "${!v}" ] || { echo "run-e2e: --${v%_exe} missing" >&2; exit 2; }
done
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)
rm -f "$shots"/e2e-*.png

export WINEPREFIX=$prefix WINEDEBUG=-all
source "$root/scripts/wine-env"
readonly MAIN_TITLE="Sorv资源文件读取 V1.0"
# ASCII paths: they are typed into the file dialogs.
work=$(mktemp -d /tmp/sorvres-e2e.XXXXXX)
program_pid="" xvfb_pid="" step="set-up" shot_no=0

cleanup() {
  # Only what this test started: the program by its pid, then the test prefix's server.
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# ---- Helpers -------------------------------------------------------------------------------

fail() {
  echo "e2e: FAILED at step \"$step\": $*" >&2
  if import -window root -depth 8 "$work/fail.ppm" 2>/dev/null; then
    convert "$work/fail.ppm" "$shots/e2e-failed-${step// /-}.png" 2>/dev/null &&
      echo "e2e: screen at the failure: $shots/e2e-failed-${step// /-}.png" >&2
  fi
  [ -s "$work/program.log" ] && { echo "e2e: program output:" >&2; tail -n 20 "$work/program.log" >&2; }
  exit 1
}

probe() { wine "$probe_exe" "$@" 2>>"$work/probe.log"; }

# Z:\... form of a Unix path, as Wine sees it.
winpath() { local p; p=$(realpath -m "$1"); printf 'Z:%s' "${p//\//\\}"; }

snap() { import -window root -depth 8 "$work/shot.ppm" 2>/dev/null || fail "no screenshot of $DISPLAY"; }
shot_win=""  # the screenshot's path for the probe, set once $work is known

# Keeps the last screenshot as the step's picture.
keep() {
  shot_no=$((shot_no + 1))
  convert "$work/shot.ppm" "$shots/$(printf 'e2e-%02d-%s.png' "$shot_no" "$1")"
}

# seen TIMEOUT CHECK...: fresh screenshots until CHECK succeeds on one. CHECK's last output
# is kept in $work/seen for the failure message.
seen() {
  local deadline=$((SECONDS + $1)); shift
  while :; do
    snap
    "$@" >"$work/seen" 2>&1 && return 0
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}

# text X Y W H FONT COLOUR TEXT: the text is drawn in that screen region.
text() { probe text "$shot_win" "$@"; }
no_text() { ! probe text "$shot_win" "$@"; }
picture_at() {  # X Y IMAGE: the picture is drawn with its top-left pixel at X,Y
  local out w h
  read -r w h < <(identify -format '%w %h\n' "$3")
  out=$(probe picture "$shot_win" "$1" "$2" "$w" "$h" "$(winpath "$3")" 2>&1) || true
  echo "$out"
  [ "${out%% *}" = "found" ]
}
# The picture, centred in the preview's inside (px py pw ph), as the preview draws a picture
# that fits.
centred() {
  local w h
  read -r w h < <(identify -format '%w %h\n' "$1")
  picture_at $((pin_x + (pin_w - w) / 2)) $((pin_y + (pin_h - h) / 2)) "$1"
}
runs() { probe runs "$shot_win" "$@"; }

# Window geometry from the probe: wx wy ww wh cx cy cw ch, focus class, title.
read_window() {  # output of a probe window command
  local first
  first=$(head -n 1 <<<"$1")
  read -r wx wy ww wh cx cy cw ch <<<"$first"
}
wait_foreground() {  # TITLE FOCUSCLASS SECONDS
  local out
  out=$(probe foreground "$1" "$2" $(($3 * 1000))) || fail "no foreground window \"$1\" with focus in ${2} within $3 s"
  read -r dx dy dw dh dcx dcy dcw dch <<<"$(head -n 1 <<<"$out")"
  dialog_caption="$dx $dy $dw $((dcy - dy))"
  dialog_client="$dcx $dcy $dcw $dch"
  dialog_title=$(sed -n 3p <<<"$out")
}
wait_gone() { probe gone "$1" $(($2 * 1000)) || fail "window \"$1\" still open after $2 s"; }

click() { xdotool mousemove --sync "$1" "$2" click 1; }
centre_click() { click $(($1 + $3 / 2)) $(($2 + $4 / 2)); }  # X Y W H
type_text() { xdotool type --delay 25 -- "$1"; }
# type_path PATH: into the file dialog's name box (replacing what is there), and seen there
# before Return is pressed; typed once more if keys went missing.
type_path() {
  local attempt
  for attempt in 1 2; do
    key ctrl+a
    type_text "$1"
    seen 10 text $dialog_client dialog 000000 "$1" && return 0
  done
  fail "the typed path $1 is not shown in the dialog: $(cat "$work/seen")"
}
key() { xdotool key "$@"; }
# browser_type_folder DIR: in the open folder browser, Tab to its edit box, type DIR as a
# Z: path (as a person types one, not picked in its tree), Return; the browser goes.
browser_type_folder() {
  for _ in 1 2 3 4 5 6 7 8; do
    probe foreground "!$MAIN_TITLE" Edit 300 >/dev/null && break
    key Tab
  done
  probe foreground "!$MAIN_TITLE" Edit 1000 >/dev/null || fail "the folder browser's edit box does not take the focus"
  type_path "$(winpath "$1")"
  key Return
  wait_gone "$dialog_title" 20
}

# Places of the main window's controls in screen coordinates, from its client rectangle (the
# fixed placement of the window: tree 200 wide at the left, preview taking the rest).
layout() {
  open_btn="$((cx + cw - 98)) $((cy + 5)) 90 26"
  save_btn="$((cx + cw - 196)) $((cy + 33)) 90 26"
  export_btn="$((cx + cw - 98)) $((cy + 33)) 90 26"
  path_box="$((cx + 8)) $((cy + 8)) $((cw - 114)) 20"
  filter_box="$((cx + 8)) $((cy + 36)) 200 22"
  name_box="$((cx + 216)) $((cy + 36)) $((cw - 420)) 20"
  caption="$wx $wy $ww $((cy - wy))"
}

# The preview's frame is a vertical line at client x 216: its run gives the preview's height,
# and with it the status bar's (what lies below the preview's bottom margin).
measure_preview() {
  local r
  r=$(runs column $((cx + 216)) $((cy + 60)) $((cy + ch - 1)))
  r=${r%% *}
  [ -n "$r" ] || return 1
  pv_top=${r%-*}
  pv_bottom=${r#*-}
  [ "$pv_top" -eq $((cy + 64)) ] || return 1
  status_h=$((cy + ch - 8 - pv_bottom - 1))
  [ "$status_h" -ge 12 ] && [ "$status_h" -le 40 ] || return 1
  pin_x=$((cx + 217)) pin_y=$((cy + 65)) pin_w=$((cw - 226)) pin_h=$((pv_bottom - pv_top - 1))
  tree_box="$((cx + 9)) $((cy + 65)) 198 $((pin_h))"
  status_box="$cx $((cy + ch - status_h)) $((cw - 170)) $status_h"
}

main_window() {  # SECONDS: wait for the main window, read its geometry
  local out
  out=$(probe window "$MAIN_TITLE" $(($1 * 1000))) || fail "the main window \"$MAIN_TITLE\" did not appear within $1 s"
  read_window "$out"
  layout
}

# ---- Display, prefix, fixtures -------------------------------------------------------------

for tool in wine wineserver xdotool import convert identify cmp; do
  command -v "$tool" >/dev/null || fail "$tool is not installed"
done
if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  export DISPLAY=":$(head -n 1 "$work/display")"
fi
"$root/scripts/wine-prefix" >/dev/null || fail "cannot make the Wine prefix $WINEPREFIX"
# The texts are read in the fonts the prefix configures: checked before they are relied on.
"$root/scripts/wine-prefix" --check >"$work/fonts.txt" 2>&1 ||
  fail "the Wine prefix does not draw with the configured fonts: $(cat "$work/fonts.txt")"
# One server for the whole run; it must not hold CTest's output open.
wineserver -p </dev/null >/dev/null 2>&1
shot_win=$(winpath "$work/shot.ppm")

# The folder chooser preselects the desktop folder. Wine links it to the home folder when it
# makes a prefix; here it must be a folder of the test's prefix.
desk_win=$(probe desktop | tr -d '\r') || fail "no desktop folder"
case "$desk_win" in [Cc]:\\*) ;; *) fail "desktop folder $desk_win is not on drive C:" ;; esac
desk_rel=${desk_win:3}
desktop="$WINEPREFIX/drive_c/${desk_rel//\\//}"
[ -L "$desktop" ] && rm -f "$desktop"
mkdir -p "$desktop"
case "$(realpath "$desktop")" in "$(realpath "$WINEPREFIX")"/*) ;; *) fail "desktop folder $desktop is outside the prefix" ;; esac

step="fixtures"
src="$work/src"
mkdir -p "$src"
convert -size 160x120 gradient:'#ffd27f'-'#e0583a' -fill '#2b4c7e' \
  -draw 'polygon 0,120 50,58 84,96 118,66 160,120' PNG24:"$src/sunset.png"
convert -size 48x24 xc:'#1f9e4a' -size 48x24 xc:'#f2d21b' -append BMP3:"$src/tile.bmp"
convert -size 24x24 xc:'#c02cc0' PNG24:"$src/logo.png"
printf '<ui><button id="1"/></ui>\n' >"$src/main.xml"
printf 'This text file is not a package.\n' >"$work/bad.rdb"
for img in sunset.png tile.bmp logo.png; do convert "$src/$img" -depth 8 "$work/${img%.*}.ppm"; done
convert "$splash" -depth 8 "$work/splash.ppm"
good="$work/good.rdb"
probe pack "$(winpath "$good")" \
  'img\sunset.png' "$(winpath "$src/sunset.png")" \
  'img\sub\tile.bmp' "$(winpath "$src/tile.bmp")" \
  'wrap:skin\logo.gft' "$(winpath "$src/logo.png")" \
  'ui\main.xml' "$(winpath "$src/main.xml")" || fail "cannot make the fixture package"

# ---- Start ---------------------------------------------------------------------------------

step="start"
wine "$program" </dev/null >"$work/program.log" 2>&1 &
program_pid=$!
main_window 60
start_shown() {
  text $caption caption 000000 "$MAIN_TITLE" &&
    text $open_btn dialog 000000 "打开文件" && text $save_btn dialog 000000 "保存文件" &&
    text $export_btn dialog 000000 "全部导出" && text $filter_box dialog 000000 "过滤:所有文件(*.*)" &&
    measure_preview && centred "$work/splash.ppm"
}
seen 30 start_shown || fail "title, button texts, filter text or splash picture not shown: $(cat "$work/seen")"
# The reading is not a formality: a wrong text in the same place is not taken for the right one.
no_text $open_btn dialog 000000 "保存文件" >/dev/null || fail "the text check takes 保存文件 for 打开文件"
no_text $caption caption 000000 "Sorv资源文件读取 V1.1" >/dev/null || fail "the text check takes V1.1 for V1.0"
keep start
echo "e2e: start: window ${ww}x${wh} at $wx,$wy, client ${cw}x${ch}, status bar ${status_h} px"

# ---- Open a package through the open dialog ------------------------------------------------

# open_package PATH: Open button, open dialog, type the path, Return.
open_package() {
  centre_click $open_btn
  wait_foreground "打开文件" Edit 30
  seen 20 text $dialog_caption caption 000000 "打开文件" || fail "the open dialog's title is not shown: $(cat "$work/seen")"
  keep "$1-dialog"
  type_path "$(winpath "$2")"
  key Return
  wait_gone "打开文件" 20
}

step="open"
open_package open "$good"
opened() {
  text $status_box status 000000 "共有文件:4" && text $path_box dialog 000000 "$(winpath "$good")" &&
    text $tree_box dialog 000000 "sunset.png" && text $tree_box dialog 000000 "tile.bmp" &&
    text $tree_box dialog 000000 "logo.gft" && text $tree_box dialog 000000 "main.xml"
}
seen 20 opened || fail "status count, path or entry names not shown: $(cat "$work/seen")"
no_text $status_box status 000000 "共有文件:5" >/dev/null || fail "the text check takes 共有文件:5 for 共有文件:4"
keep opened

# ---- Pick entries: mouse, then arrow keys --------------------------------------------------

step="select with the mouse"
snap
read -r found tx ty tw th _ < <(text $tree_box dialog 000000 "sunset.png")
[ "$found" = found ] || fail "sunset.png not in the tree"
centre_click "$tx" "$ty" "$tw" "$th"
previewing() {  # NAME IMAGE: the entry's stored name in the name box, its picture in the preview
  text $name_box dialog 000000 "$1" && centred "$2"
}
seen 20 previewing 'img\sunset.png' "$work/sunset.ppm" || fail "sunset.png not previewed: $(cat "$work/seen")"
keep mouse-select

step="select with the arrow keys"
key Down
seen 20 previewing 'img\sub\tile.bmp' "$work/tile.ppm" || fail "Down: tile.bmp not previewed: $(cat "$work/seen")"
keep arrow-down-bmp
key Down
seen 20 previewing 'skin\logo.gft' "$work/logo.ppm" || fail "Down: the wrapped logo.gft not previewed: $(cat "$work/seen")"
key Down
placeholder() { text $name_box dialog 000000 'ui\main.xml' && text $pin_x $pin_y $pin_w $pin_h placeholder ff0000 "无图片显示"; }
seen 20 placeholder || fail "Down: main.xml does not show the no-picture text: $(cat "$work/seen")"
keep arrow-down-text
key Up Up Up
seen 20 previewing 'img\sunset.png' "$work/sunset.ppm" || fail "Up x3: back to sunset.png not previewed: $(cat "$work/seen")"

# ---- Save the selected entry through the save dialog ---------------------------------------

# message_box NAME PARAGRAPH...: the message box is in front, its message (read through the
# window tree) is exactly these paragraphs, and each is drawn in it, wrapped wherever the box
# wrapped it; keep it; Return closes it.
message_box() {
  local name=$1; shift
  wait_foreground "SorvRes" Button 30
  seen 20 probe message "$shot_win" "SorvRes" "$@" ||
    fail "message box does not read \"$*\": $(cat "$work/seen")"
  keep "$name"
  key Return
  wait_gone "SorvRes" 20
}

step="save"
saved="$work/out/saved.png"
mkdir -p "$work/out"
centre_click $save_btn
wait_foreground "保存文件" Edit 30
seen 20 text $dialog_client dialog 000000 "sunset.png" || fail "the save dialog does not propose sunset.png: $(cat "$work/seen")"
keep save-dialog
type_path "$(winpath "$saved")"
key Return
message_box save-message "保存$(winpath "$saved")文件成功!"
cmp "$src/sunset.png" "$saved" || fail "the saved file differs from the entry"

# ---- Export all through the folder chooser -------------------------------------------------

step="export"
find "$desktop" -mindepth 1 -delete
centre_click $export_btn
wait_foreground "!$MAIN_TITLE" - 30
seen 20 text $dialog_client dialog 000000 "请选择导出目录..." || fail "the folder chooser's prompt is not shown: $(cat "$work/seen")"
keep folder-chooser
key Return  # the preselected desktop folder
wait_gone "$dialog_title" 20
message_box export-message "导出文件完成!"
expected=$'./img/sub/tile.bmp\n./img/sunset.png\n./skin/logo.gft.png\n./ui/main.xml'
actual=$(cd "$desktop" && find . -type f | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "exported files: $(tr '\n' ' ' <<<"$actual"), expected $(tr '\n' ' ' <<<"$expected")"
cmp "$src/sunset.png" "$desktop/img/sunset.png" && cmp "$src/tile.bmp" "$desktop/img/sub/tile.bmp" &&
  cmp "$src/logo.png" "$desktop/skin/logo.gft.png" && cmp "$src/main.xml" "$desktop/ui/main.xml" ||
  fail "an exported file differs from its entry"

# ---- Export again into a folder typed into the chooser's edit box --------------------------
# The browser of this platform ignores a typed path; the program reads it itself. The files
# land in the typed folder and nowhere else (not in the preselected one).

step="export-typed"
typed="$work/typed-out"
mkdir -p "$typed"
find "$desktop" -mindepth 1 -delete
centre_click $export_btn
wait_foreground "!$MAIN_TITLE" - 30
for _ in 1 2 3 4 5 6 7 8; do
  probe foreground "!$MAIN_TITLE" Edit 300 >/dev/null && break
  key Tab
done
probe foreground "!$MAIN_TITLE" Edit 1000 >/dev/null || fail "the folder chooser's edit box does not take the focus"
type_path "$(winpath "$typed")"
keep folder-chooser-typed
key Return
wait_gone "$dialog_title" 20
message_box export-typed-message "导出文件完成!"
actual=$(cd "$typed" && find . -type f | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "files in the typed folder: $(tr '\n' ' ' <<<"$actual"), expected $(tr '\n' ' ' <<<"$expected")"
[ -z "$(find "$desktop" -mindepth 1 | head -n 1)" ] || fail "files were written into the preselected folder too"
cmp "$src/sunset.png" "$typed/img/sunset.png" || fail "a file exported into the typed folder differs from its entry"

# ---- Resize: the tree keeps its width, the preview takes the rest --------------------------

step="resize"
grow_x=240 grow_y=160
old_cw=$cw old_ch=$ch
xdotool mousemove --sync $((wx + ww - 2)) $((wy + wh - 2)) mousedown 1
for i in 1 2 3 4; do xdotool mousemove --sync $((wx + ww - 2 + grow_x * i / 4)) $((wy + wh - 2 + grow_y * i / 4)); done
xdotool mouseup 1
# Grown by most of the drag, and no longer changing.
resized() {
  local out before="$cw $ch"
  out=$(probe window "$MAIN_TITLE" 0) || return 1
  read_window "$out"
  [ "$cw" -ge $((old_cw + grow_x / 2)) ] && [ "$ch" -ge $((old_ch + grow_y / 2)) ] && [ "$before" = "$cw $ch" ]
}
for _ in $(seq 100); do resized && break; sleep 0.1; done
resized || fail "client ${cw}x${ch} after dragging the corner by $grow_x,$grow_y from ${old_cw}x${old_ch}"
echo "e2e: resized: client ${old_cw}x${old_ch} -> ${cw}x${ch}"
layout
start_status_h=$status_h
boxes() {
  measure_preview || { echo "preview frame not found"; return 1; }
  # The preview reaches down to the status bar, which kept its height.
  [ "$status_h" -eq "$start_status_h" ] || { echo "status bar $status_h px, was $start_status_h"; return 1; }
  local row column expect
  # Across: the tree 200 wide at the left, the preview from 216 to 8 short of the right edge.
  row=$(runs row $((pin_y + pin_h / 2)) $((cx + 1)) $((cx + cw - 2)))
  expect="$((cx + 8))-$((cx + 207)) $((cx + 216))-$((cx + cw - 9)) "
  [ "$row" = "$expect" ] || { echo "row: $row, expected $expect"; return 1; }
  # Down: the tree's frame as tall as the preview's.
  column=$(runs column $((cx + 8)) $((cy + 60)) $((cy + ch - 1)))
  [ "${column%% *}" = "$pv_top-$pv_bottom" ] || { echo "tree column: $column, preview $pv_top-$pv_bottom"; return 1; }
  text $open_btn dialog 000000 "打开文件" && centred "$work/sunset.ppm"
}
seen 20 boxes || fail "after resizing: $(cat "$work/seen")"
keep resized

# ---- Find by name, and one folder exported from the folder view ---------------------------

# Ctrl+F, a part of a name typed into the system's Find dialog, Enter: the entry is selected
# and previewed; Esc closes the Find dialog only.
find_by_name() {
  step="find by name"
  key ctrl+f
  wait_foreground "查找" Edit 30
  type_text "logo"
  seen 10 text $dialog_client dialog 000000 "logo" || fail "the typed text is not in the Find dialog: $(cat "$work/seen")"
  keep find-dialog
  key Return
  # The dialog lies over the name box: the picture first, the name once the dialog is gone.
  seen 20 centred "$work/logo.ppm" || fail "find: logo.gft not previewed: $(cat "$work/seen")"
  key Escape
  wait_gone "查找" 20
  kill -0 "$program_pid" 2>/dev/null || fail "Esc in the Find dialog ended the program"
  seen 20 previewing 'skin\logo.gft' "$work/logo.ppm" || fail "find: logo.gft not selected: $(cat "$work/seen")"
  keep found
}

# Ctrl+T: the folders; a click and Right open img; a right click on its folder sub offers
# "导出此文件夹", which writes only the entries below it, with their paths, into the chosen
# folder. Ctrl+T again: the flat list.
export_one_folder() {
  step="folder view"
  local found tx ty tw th
  key ctrl+t
  folders_shown() { text $tree_box dialog 000000 "img" && text $tree_box dialog 000000 "skin" && text $tree_box dialog 000000 "ui"; }
  seen 20 folders_shown || fail "the folder view does not show img, skin and ui: $(cat "$work/seen")"
  no_text $tree_box dialog 000000 "sunset.png" >/dev/null || fail "the folder view shows sunset.png before img is opened"
  read -r found tx ty tw th _ < <(text $tree_box dialog 000000 "img")
  centre_click "$tx" "$ty" "$tw" "$th"
  seen 20 text $name_box dialog 000000 "img" || fail "a selected folder does not show its path: $(cat "$work/seen")"
  key Right
  seen 20 text $tree_box dialog 000000 "sunset.png" || fail "img does not open: $(cat "$work/seen")"
  read -r found tx ty tw th _ < <(text $tree_box dialog 000000 "sunset.png")
  centre_click "$tx" "$ty" "$tw" "$th"
  seen 20 previewing 'img\sunset.png' "$work/sunset.ppm" || fail "sunset.png in the folder view not previewed: $(cat "$work/seen")"
  keep folder-view

  step="export one folder"
  local folder_out="$work/folder-out"
  mkdir -p "$folder_out"
  snap
  read -r found tx ty tw th _ < <(text $tree_box dialog 000000 "sub")
  [ "$found" = found ] || fail "the folder sub is not in the tree"
  xdotool mousemove --sync $((tx + tw / 2)) $((ty + th / 2)) click 3
  sleep 1
  # The menu of a folder: 保存文件, 全部导出, 导出此文件夹, a line, 按文件夹显示.
  key Down Down Down Return
  wait_foreground "!$MAIN_TITLE" - 30
  seen 20 text $dialog_client dialog 000000 "请选择导出目录..." || fail "no folder chooser for 导出此文件夹: $(cat "$work/seen")"
  # A folder of its own, typed into the browser's edit box.
  browser_type_folder "$folder_out"
  message_box export-folder-message "导出文件完成!"
  local actual
  actual=$(cd "$folder_out" && find . -type f | LC_ALL=C sort)
  [ "$actual" = "./img/sub/tile.bmp" ] || fail "exported for the folder sub: $(tr '\n' ' ' <<<"$actual"), expected ./img/sub/tile.bmp"
  cmp "$src/tile.bmp" "$folder_out/img/sub/tile.bmp" || fail "the folder's exported file differs from its entry"
  key ctrl+t
  seen 20 text $tree_box dialog 000000 "main.xml" || fail "Ctrl+T does not bring the flat list back: $(cat "$work/seen")"
}

find_by_name
export_one_folder

# ---- A file that is not a package ----------------------------------------------------------

step="not a package"
open_package bad-open "$work/bad.rdb"
message_box bad-message "打开文件失败!" "" "$(winpath "$work/bad.rdb")"
failed_state() {
  text $status_box status 000000 "打开文件失败" && no_text $tree_box dialog 000000 "sunset.png" && centred "$work/splash.ppm"
}
seen 20 failed_state || fail "after the failed open: $(cat "$work/seen")"
keep bad-after

# ---- Esc ends the program ------------------------------------------------------------------

step="close"
key Escape
for _ in $(seq 200); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program_pid" 2>/dev/null && fail "the program still runs 20 s after Esc"
wait "$program_pid"
program_pid=""

# ---- Long work: stopping it, keys after it, the end with a big package ---------------------

source "$root/tests/e2e/long-work.sh"
long_work_steps
echo "e2e: passed; screenshots in $shots"
