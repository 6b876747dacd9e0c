#!/usr/bin/env bash
# End-to-end checks of memo windows with real input: the mouse and the
# keyboard come from xdotool through the X server, the way a user's would.
# Runs inside a harness session (scripts/wine-harness), which provides
# DISPLAY, the Wine prefix (Managed=N, 96 DPI) and its environment:
#
#   tests/e2e/memo_input_test.sh <kelvane.exe> <kelvane_probe.exe> <artifacts folder>
#
# Checks are e2e_check lines (e2e_lib.sh); on a failure the desktop is
# saved as <artifacts>/memo-<name>.png.  The last line printed is
# "xdotool: N passed, M failed"; the exit code is 0 only when M is 0.
set -u

E2E_NAME=memo
# No balloon (it would take the focus for a second), opaque memos so the
# screen shows their colours as they are.
E2E_SETTINGS=(BALLOON=0 TRANSPARENCY=255)
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh" "$@"

MEMO=          # the memo the checks work on: "hwnd left top right bottom"

# --- helpers -------------------------------------------------------------------

# The line of `probe memos` for hwnd (or the only memo when hwnd is empty).
memo_line() {
  if [ -n "${1:-}" ]; then probe memos | awk -v h="$1" '$1 == h'; else probe memos | head -n 1; fi
}

# Sets MEMO from the current rectangle of the memo in MEMO.
refresh_memo() {
  local hwnd=${MEMO%% *}
  MEMO=$(memo_line "$hwnd" | cut -d' ' -f1-5)
  [ -n "$MEMO" ]
}

memo_field() {  # 1 hwnd, 2 left, 3 top, 4 right, 5 bottom
  printf '%s\n' "$MEMO" | cut -d' ' -f"$1"
}

# The base name of the memo's files: the only pair in the data folder when
# there is one.
base_of_only_memo() {
  local files
  files=$(cd "$(DATA)" && ls -- *.ini 2>/dev/null)
  [ "$(printf '%s\n' "$files" | grep -c .)" = 1 ] || return 1
  printf '%s\n' "${files%.ini}"
}

ini_value() {  # file key
  sed -n "s/^$2=\\(-\\{0,1\\}[0-9]*\\)\\r\\{0,1\\}\$/\\1/p" "$1" | head -n 1
}

expect_ini() {  # key expected
  local base value
  base=$(base_of_only_memo) || { echo "no single memo file pair"; return 1; }
  value=$(ini_value "$(DATA)/$base.ini" "$1")
  [ "$value" = "$2" ] || { echo "$1=$value, expected $2"; return 1; }
}

# Drags with the left button from (x1, y1) to (x2, y2) in small steps, as a
# hand would.
drag() {
  local x1=$1 y1=$2 x2=$3 y2=$4 i
  xdotool mousemove "$x1" "$y1"
  sleep 0.1
  xdotool mousedown 1
  sleep 0.1
  for i in 1 2 3 4; do
    xdotool mousemove $((x1 + (x2 - x1) * i / 4)) $((y1 + (y2 - y1) * i / 4))
    sleep 0.1
  done
  xdotool mouseup 1
}

edit_box_open() { [ -n "$(probe edit-box)" ]; }

# Typing waits until the open edit box has the keyboard focus.
wait_edit_box_focus() {
  local box
  box=$(probe edit-box | cut -d' ' -f1)
  [ -n "$box" ] && probe wait-focus "$box" 5000 >/dev/null || { echo "the edit box has no focus"; return 1; }
}

# A click on the memo makes it the active window, the one that takes keys.
activate_memo() {
  refresh_memo || return 1
  xdotool mousemove $(($(memo_field 2) + 80)) $(($(memo_field 3) + 60)) click 1
  probe wait-focus "$(memo_field 1)" 5000 >/dev/null || { echo "the memo did not take the focus"; return 1; }
}
edit_box_closed() { [ -z "$(probe edit-box)" ]; }
edit_text_ends_with() { case $(probe edit-text) in *"$1") return 0 ;; *) return 1 ;; esac; }

# The memo's current place is "left top" (its far corner "right bottom"),
# once the drag or keys are over.
memo_at() { refresh_memo && [ "$(memo_field 2) $(memo_field 3)" = "$1 $2" ]; }
memo_far_corner_at() { refresh_memo && [ "$(memo_field 4) $(memo_field 5)" = "$1 $2" ]; }

# The memo moved to "left top" and saved its new place; from is the old.
moved_and_saved() {  # left top from
  e2e_wait_for 30 memo_at "$1" "$2" || { echo "memo at $MEMO, from $3"; return 1; }
  e2e_wait_for 30 expect_ini LEFT "$1" && expect_ini TOP "$2"
}

# --- checks ----------------------------------------------------------------------

# A second start puts a small memo centred on the cursor and gives it the
# keyboard focus.
second_start_memo_at_cursor() {
  xdotool mousemove 640 512
  e2e_second_start || return 1
  probe_ok wait-memos 1 5000 || { echo "no memo"; return 1; }
  MEMO=$(memo_line | cut -d' ' -f1-5)
  [ "${MEMO#* }" = "560 452 720 572" ] || { echo "memo at ${MEMO#* }"; return 1; }
  probe wait-focus "$(memo_field 1)" 5000 >/dev/null || { echo "focus $(probe focus), memo $(memo_field 1)"; return 1; }
}

# Enter opens the edit box; the typed text (two lines, ASCII and Japanese)
# goes to the memo with Ctrl+Enter and is written as TEXTFILE says (byte
# order mark, CR LF by default).
enter_type_and_commit() {
  local base expected
  xdotool key Return
  e2e_wait_for 30 edit_box_open || { echo "no edit box"; return 1; }
  wait_edit_box_focus || return 1
  xdotool type --delay 50 'Memo 1'
  xdotool key Return
  # Japanese through the input queue (see probe.cpp, type).
  probe type '日本語の付箋' >/dev/null
  e2e_wait_for 30 edit_text_ends_with 'Memo 1||日本語の付箋' || { echo "typed: $(probe edit-text)"; return 1; }
  xdotool key ctrl+Return
  e2e_wait_for 30 edit_box_closed || { echo "the edit box stayed open"; return 1; }
  e2e_wait_for 30 base_of_only_memo || { echo "no files"; return 1; }
  base=$(base_of_only_memo)
  expected=$(printf '\357\273\277Memo 1\r\n日本語の付箋' | od -An -tx1)
  [ "$(od -An -tx1 <"$(DATA)/$base.txt")" = "$expected" ] ||
    { echo "text file:"; od -c "$(DATA)/$base.txt"; return 1; }
}

# The close box (Alt+F4 here) discards what was typed.
close_box_discards() {
  local base before
  base=$(base_of_only_memo) || return 1
  before=$(od -An -tx1 <"$(DATA)/$base.txt")
  # The new text sent the foreground to the main window.
  activate_memo || return 1
  xdotool key Return
  e2e_wait_for 30 edit_box_open || { echo "no edit box"; return 1; }
  wait_edit_box_focus || return 1
  xdotool type --delay 50 'discard me'
  xdotool key alt+F4
  e2e_wait_for 30 edit_box_closed || { echo "the edit box stayed open"; return 1; }
  [ "$(od -An -tx1 <"$(DATA)/$base.txt")" = "$before" ] || { echo "text changed"; return 1; }
}

drag_moves_and_saves() {
  local l t
  refresh_memo || return 1
  l=$(memo_field 2) t=$(memo_field 3)
  drag $((l + 80)) $((t + 60)) $((l + 180)) $((t + 110))
  moved_and_saved $((l + 100)) $((t + 50)) "$l $t (dragged)" && expect_ini WIDTH 160
}

# With the fold on the left the bottom-right corner is whole (on the right
# it is cut away, and the memo is resized there by its edges).
corner_drag_resizes_to_thirty_at_least() {
  local l t r b
  refresh_memo || return 1
  l=$(memo_field 2) t=$(memo_field 3) r=$(memo_field 4) b=$(memo_field 5)
  drag $((r - 2)) $((b - 2)) $((r + 38)) $((b + 28))
  e2e_wait_for 30 memo_far_corner_at $((r + 40)) $((b + 30)) || { echo "after growing: $MEMO"; return 1; }
  e2e_wait_for 30 expect_ini WIDTH 200 && expect_ini HEIGHT 150 || return 1
  r=$(memo_field 4) b=$(memo_field 5)
  drag $((r - 2)) $((b - 2)) $((l + 2)) $((t + 2))
  e2e_wait_for 30 memo_far_corner_at $((l + 30)) $((t + 30)) || { echo "after shrinking: $MEMO"; return 1; }
  e2e_wait_for 30 expect_ini WIDTH 30 && expect_ini HEIGHT 30 || return 1
  # Back to a size the next checks can aim at.
  drag $((l + 28)) $((t + 28)) $((l + 158)) $((t + 118))
  e2e_wait_for 30 expect_ini WIDTH 160
}

wheel_steps_colour() {
  local l t
  refresh_memo || return 1
  l=$(memo_field 2) t=$(memo_field 3)
  xdotool mousemove $((l + 80)) $((t + 60))
  xdotool click 5   # toward the user: the next slot
  e2e_wait_for 30 expect_ini COLOR 2 || return 1
  xdotool click 4 click 4 click 4
  e2e_wait_for 30 expect_ini COLOR 6   # 2, 1, 0, then round to 6
}

colour_menu_sets_colour() {
  local l t
  refresh_memo || return 1
  l=$(memo_field 2) t=$(memo_field 3)
  xdotool mousemove $((l + 80)) $((t + 60))
  xdotool click 3
  # The colour submenu, its fourth slot.
  probe menu-keys down right down down down return
  e2e_wait_for 30 expect_ini COLOR 3
}

arrow_keys_move() {
  local l t
  refresh_memo || return 1
  l=$(memo_field 2) t=$(memo_field 3)
  activate_memo || return 1
  xdotool key Left Up Up
  moved_and_saved $((l - 10)) $((t - 20)) "$l $t (Left, Up, Up)"
}

in_trash() { [ -e "$HOME/.local/share/Trash/files/$1" ]; }

# Delete asks with its OK/Cancel box; OK peels the memo off.  With RECYCLE on
# both files go to the recycle bin, with it off they are deleted.
delete_key_peels() {
  local recycle=$1 base text
  base=$(base_of_only_memo) || return 1
  activate_memo || return 1
  xdotool key Delete
  e2e_wait_for 30 probe box-text || { echo "no question"; return 1; }
  text=$(probe box-text)
  [ "$text" = "$(printf '『Kelvane』\tこのメモをはがしてもよろしいですか？')" ] ||
    { echo "box: $text"; return 1; }
  xdotool key Return
  probe_ok wait-memos 0 5000 || { echo "the memo is still there"; return 1; }
  [ ! -e "$(DATA)/$base.txt" ] && [ ! -e "$(DATA)/$base.ini" ] || { echo "files left"; return 1; }
  if [ "$recycle" = 1 ]; then
    in_trash "$base.txt" && in_trash "$base.ini" || { echo "not in the recycle bin"; return 1; }
  else
    ! in_trash "$base.txt" && ! in_trash "$base.ini" || { echo "recycled with RECYCLE=0"; return 1; }
  fi
}

# Two texts from another program within one second are two memos with
# their own file pairs.
copydata_memos_keep_separate_files() {
  local answers names
  answers=$(probe copydata '一つ目' '二つ目') || { echo "copydata failed"; return 1; }
  [ "$(printf '%s\n' "$answers" | grep -vc '^0$')" = 2 ] || { echo "answers: $answers"; return 1; }
  names=$(cd "$(DATA)" && ls -- *.txt | sort)
  [ "$(printf '%s\n' "$names" | grep -c .)" = 2 ] || { echo "files: $names"; return 1; }
  [ "$(cat "$(DATA)"/*.txt | od -An -c | tr -d ' \n')" != "" ] || return 1
  grep -q '一つ目' "$(DATA)/$(printf '%s\n' "$names" | head -n 1)" &&
    grep -q '二つ目' "$(DATA)/$(printf '%s\n' "$names" | tail -n 1)" ||
    { echo "texts not in their own files"; return 1; }
}

pixel() {  # x y: "rrggbb" from the screenshot
  convert "$ARTIFACTS/memo-screenshot.png" -format '%[hex:p{'"$1"','"$2"'}]' info: 2>/dev/null |
    tr 'A-F' 'a-f' | cut -c1-6
}

# The memo on the screen: canary yellow inside, the folded corner cut out
# so the desktop shows through, and its text drawn over the colour.
screenshot_shows_memo() {
  local l t r b inside corner dark
  MEMO=$(memo_line | cut -d' ' -f1-5)
  refresh_memo || return 1
  l=$(memo_field 2) t=$(memo_field 3) r=$(memo_field 4) b=$(memo_field 5)
  import -window root "$ARTIFACTS/memo-screenshot.png" 2>/dev/null || return 1
  inside=$(pixel $((r - 15)) $((t + 50)))
  corner=$(pixel $((r - 2)) $((b - 2)))
  [ "$inside" = ffffc0 ] || { echo "inside $inside"; return 1; }
  [ "$corner" != ffffc0 ] || { echo "the corner is not cut"; return 1; }
  # Text pixels: anything much darker than the fill inside the margins.
  dark=$(convert "$ARTIFACTS/memo-screenshot.png" -crop "$((r - l - 20))x30+$((l + 10))+$((t + 10))" \
    -colorspace gray -threshold 50% -format '%[fx:(1-mean)*w*h]' info: 2>/dev/null)
  [ "${dark%.*}" -gt 20 ] || { echo "no text drawn ($dark dark pixels)"; return 1; }
}

# --- the run -----------------------------------------------------------------------

run_with_recycle() {
  local recycle=$1
  e2e_fresh_copy "RECYCLE=$recycle" "LEFTFOLD=$((1 - recycle))"
  e2e_check "start_recycle_$recycle" e2e_start_first || { e2e_cleanup; return; }
  if [ "$recycle" = 1 ]; then
    e2e_check second_start_memo_at_cursor second_start_memo_at_cursor
    e2e_check enter_type_and_commit enter_type_and_commit
    e2e_check close_box_discards close_box_discards
    e2e_check drag_moves_and_saves drag_moves_and_saves
    e2e_check wheel_steps_colour wheel_steps_colour
    e2e_check colour_menu_sets_colour colour_menu_sets_colour
    e2e_check arrow_keys_move arrow_keys_move
    e2e_check delete_key_peels_to_recycle_bin delete_key_peels 1
    e2e_check copydata_memos_keep_separate_files copydata_memos_keep_separate_files
    e2e_check screenshot_shows_memo screenshot_shows_memo
  else
    # The fold on the left this time.
    probe copydata '消えるメモ' >/dev/null
    MEMO=$(memo_line | cut -d' ' -f1-5)
    e2e_check corner_drag_resizes_to_thirty_at_least corner_drag_resizes_to_thirty_at_least
    e2e_check delete_key_peels_without_recycle_bin delete_key_peels 0
  fi
  e2e_check "exit_recycle_$recycle" e2e_exit_instance
  e2e_cleanup
}

run_with_recycle 1
run_with_recycle 0

e2e_report
