# Sourced by run-e2e.sh after its helpers: long work on a package big enough to watch it run,
# with keys and clicks typed as a person types them. A fresh program runs these steps, as the
# last one ends it.
#   - Esc during a load stops it: nothing listed, the path box empty, the commands back;
#   - Ctrl+E pressed as soon as a load has ended opens the folder browser;
#   - Esc during an export stops it; the next browser starts at the folder typed for it;
#   - a filter chosen with the keyboard closes its list and shows the choice while it refills;
#   - Esc with every entry listed, right after opening it with the button, ends the program at
#     once and lets the package go.

readonly BIG_COUNT=60000

# Exact "<label> ..." progress texts are not known in advance: the label is enough.
status_shows() { text $status_box status 000000 "$1"; }

long_work_start() {
  step="long work: start"
  big="$work/big.rdb"
  probe many "$(winpath "$big")" $BIG_COUNT || fail "cannot make the big package"
  wine "$program" </dev/null >"$work/program.log" 2>&1 &
  program_pid=$!
  main_window 60
  seen 30 measure_preview || fail "the main window is not drawn: $(cat "$work/seen")"
}

# The window as after a failed open, without the failure message.
nothing_open() {
  no_text $status_box status 000000 "load.." && no_text $status_box status 000000 "共有文件" &&
    no_text $tree_box dialog 000000 "e0.txt" && no_text $path_box dialog 000000 "Z:" &&
    text $open_btn dialog 000000 "打开文件" && text $export_btn dialog 000000 "全部导出"
}

long_work_stop_load() {
  step="long work: Esc stops a load"
  open_package big-open "$big"
  seen 30 status_shows "load.." || fail "no load progress: $(cat "$work/seen")"
  keep load-running
  local start=$SECONDS
  key Escape
  # The entries listed so far go first, which takes the tree a while.
  seen 60 nothing_open || fail "the load went on after Esc: $(cat "$work/seen")"
  echo "e2e: load stopped, the window empty $((SECONDS - start)) s after Esc"
  keep load-stopped
  kill -0 "$program_pid" 2>/dev/null || fail "Esc during a load ended the program"
  # Nothing comes later: no message box, and the load does not resume.
  sleep 2
  snap
  nothing_open >"$work/seen" 2>&1 || fail "after the stopped load: $(cat "$work/seen")"
  probe foreground "$MAIN_TITLE" - 500 >/dev/null || fail "something other than the main window is in front"
}

long_work_key_after_load() {
  step="long work: Ctrl+E right after a load"
  open_package big-load "$big"
  seen 120 status_shows "共有文件:$BIG_COUNT" || fail "the big package did not load: $(cat "$work/seen")"
  key ctrl+e
  wait_foreground "!$MAIN_TITLE" - 10
  keep key-after-load
}

long_work_stop_export() {
  step="long work: Esc stops an export"
  # Typed into the browser (a Z: path, as a person types one), not picked in its tree.
  stop_dir="$work/out/mid"
  mkdir -p "$stop_dir"
  browser_type_folder "$stop_dir"
  seen 30 status_shows "导出.." || fail "no export progress: $(cat "$work/seen")"
  keep export-running
  key Escape
  wait_foreground "SorvRes" Button 10
  local written
  written=$(find "$stop_dir" -type f | wc -l)
  [ "$written" -lt "$BIG_COUNT" ] || fail "the export wrote all $written files after Esc"
  seen 20 probe message "$shot_win" "SorvRes" "导出已停止!" "" "已写入文件: $written / $BIG_COUNT" ||
    fail "the stop message does not read $written / $BIG_COUNT: $(cat "$work/seen")"
  keep export-stopped
  key Return
  wait_gone "SorvRes" 20
  echo "e2e: export stopped by Esc after $written of $BIG_COUNT files"
}

long_work_browser_remembers() {
  step="long work: the browser starts at the typed folder"
  centre_click $export_btn
  wait_foreground "!$MAIN_TITLE" - 30
  # The browser's edit box names the selected folder.
  seen 20 text $dialog_client dialog 000000 "mid" || fail "the browser does not start at mid: $(cat "$work/seen")"
  no_text $dialog_client dialog 000000 "(Z:)" >/dev/null || fail "the browser starts at the drive"
  keep browser-remembers
  key Escape
  wait_gone "$dialog_title" 20
}

long_work_filter_keys() {
  step="long work: a filter chosen with the keys"
  local all="过滤:所有文件(*.*)" lua="过滤:LUA文件(*.lua)"
  local images="过滤:图片文件(*.png;*.jpg;*.bmp;*.ico;*.gft)"
  centre_click $filter_box
  seen 10 text $tree_box dialog 000000 "$lua" || fail "the filter list did not open: $(cat "$work/seen")"
  # The list is wide enough for its longest text.
  text $((cx + 8)) $((cy + 58)) $((cw - 16)) 220 dialog 000000 "$images" >"$work/seen" ||
    fail "the filter list cuts its longest text: $(cat "$work/seen")"
  keep filter-list
  key End Return
  # Emptying the tree is quick: only its end is looked at here.
  lua_listed() { status_shows "共有文件:$BIG_COUNT 过滤后:0"; }
  seen 120 lua_listed || fail "End, Return: the LUA refill did not end: $(cat "$work/seen")"
  # While the tree refills with every entry: the list is closed and the box no longer shows
  # the old choice (the new one is drawn highlighted, as the box keeps the focus, which the
  # text reader does not read).
  choice_shown() {  # CHOICE OTHER
    status_shows "过滤.." && no_text $filter_box dialog 000000 "$2" && no_text $tree_box dialog 000000 "$2" &&
      no_text $tree_box dialog 000000 "$1"
  }
  centre_click $filter_box
  # LUA is the highlighted item now: another one shows the list is open.
  seen 10 text $((cx + 8)) $((cy + 58)) $((cw - 16)) 220 dialog 000000 "$images" ||
    fail "the filter list did not open again: $(cat "$work/seen")"
  key Home Return
  seen 10 choice_shown "$all" "$lua" || fail "Home, Return: $(cat "$work/seen")"
  keep filter-all-refill
  seen 120 status_shows "共有文件:$BIG_COUNT" && no_text $status_box status 000000 "过滤" ||
    fail "the refill did not end: $(cat "$work/seen")"
}

long_work_quick_end() {
  step="long work: Esc ends the program at once"
  local start elapsed held
  # Opened once more with the button, which the load disables while it has the focus: the
  # focus must come back, or Esc reaches nothing.
  open_package big-reopen "$big"
  seen 120 status_shows "共有文件:$BIG_COUNT" && no_text $status_box status 000000 "load.." ||
    fail "the big package did not load again: $(cat "$work/seen")"
  # The tree lists every entry.
  seen 30 text $tree_box dialog 000000 "e0.txt" || fail "the tree does not list the entries: $(cat "$work/seen")"
  start=$(date +%s%N)
  key Escape
  # Released by the time the window is gone, or at once after it.
  wait_gone "$MAIN_TITLE" 10
  held=$(probe replaceable "$(winpath "$big")" 5000) || fail "the package is still held: $held"
  for _ in $(seq 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.05; done
  elapsed=$((($(date +%s%N) - start) / 1000000))
  kill -0 "$program_pid" 2>/dev/null && fail "the program still runs ${elapsed} ms after Esc"
  wait "$program_pid"
  program_pid=""
  [ "$elapsed" -le 2000 ] || fail "the program ended ${elapsed} ms after Esc"
  echo "e2e: ended ${elapsed} ms after Esc with $BIG_COUNT entries listed; package free ${held} ms after the window went"
}

long_work_steps() {
  long_work_start
  long_work_stop_load
  long_work_key_after_load
  long_work_stop_export
  long_work_browser_remembers
  long_work_filter_keys
  long_work_quick_end
}
