#!/usr/bin/env bash
# End-to-end checks of the tray icon and its menu, the memo tooltip and the
# balloon, with real clicks from xdotool on the icon in Wine's own tray
# window.  Runs inside a harness session (scripts/wine-harness), which
# provides DISPLAY, the Wine prefix (Managed=N, 96 DPI) and its environment:
#
#   tests/e2e/tray_test.sh <kelvane.exe> <kelvane_probe.exe> <artifacts folder>
#
# Checks are e2e_check lines (e2e_lib.sh); on a failure the desktop is
# saved as <artifacts>/tray-<name>.png.  The tooltip check always saves
# <artifacts>/tray-tooltip.png.  The last line printed is
# "xdotool: N passed, M failed"; the exit code is 0 only when M is 0.
set -u

E2E_NAME=tray
# Opaque memos; the balloon stays on, it is part of what the checks look
# at.  The data folder is read only on demand, so that the memo another
# computer adds is brought by "メモを更新" and nothing else.  Each fresh copy
# gets the double-click action as its argument.
E2E_SETTINGS=(TRANSPARENCY=255 TEXTBOX=0 TOOLTIPTIME=10000 AUTOREFRESH=0)
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh" "$@"

# --- helpers -------------------------------------------------------------------

TRAY_X=
TRAY_Y=

# Where the icon is; fails when Wine shows no tray window.
find_icon() {
  local point
  point=$(probe tray-point) || { echo "no tray window"; return 1; }
  TRAY_X=${point% *}
  TRAY_Y=${point#* }
}

count_is() { [ "$("$1")" = "$2" ]; }

# Opens the tray menu with a real right click on the icon and walks it
# with keys (see probe.cpp: the menu cannot be read from outside).
menu_choose() {
  find_icon || return 1
  # Two right clicks on the icon within the double-click time make the
  # second a double-click, which opens nothing.
  sleep 0.6
  xdotool mousemove "$TRAY_X" "$TRAY_Y" click 3
  probe_ok menu-keys "$@" || { echo "no tray menu"; return 1; }
  probe_ok menu-shown 0 3000 || { echo "the menu stayed open"; return 1; }
}

# --- checks --------------------------------------------------------------------

icon_after_start() {
  probe_ok tray-shown 1 5000 || { echo "no icon after start"; return 1; }
}

icon_back_after_taskbar_created() {
  probe_ok tray-delete || { echo "could not remove the icon"; return 1; }
  probe_ok tray-shown 0 5000 || { echo "the icon did not go"; return 1; }
  probe_ok taskbar-created || { echo "TaskbarCreated not answered"; return 1; }
  probe_ok tray-shown 1 5000 || { echo "the icon did not come back"; return 1; }
}

# Runs a command while a probe watches for a balloon window: the greeting
# balloon is up for one second, less than a probe may take to start on a
# busy machine, so the watch begins before the command.
balloon_comes_with() {
  e2e_watch "$E2E_FOLDER/balloon.seen" e2e_wine "$PROBE" wait-balloon 1 10000 || return 1
  "$@"
  wait "$E2E_WATCHER"
}

double_click_sticks_memo() {
  local before memo bottom screen_bottom
  before=$(memo_count)
  find_icon || return 1
  # The greeting balloon is up for its second.
  balloon_comes_with xdotool mousemove "$TRAY_X" "$TRAY_Y" click --repeat 2 --delay 80 1 ||
    { echo "no balloon"; return 1; }
  e2e_wait_for 30 count_is memo_count $((before + 1)) || { echo "memos: $before -> $(memo_count)"; return 1; }
  # Beside a bottom task bar 50 pixels high (the defaults, 96 DPI).
  memo=$(probe memos | tail -n 1)
  bottom=$(echo "$memo" | cut -d' ' -f5)
  screen_bottom=$(xdpyinfo | sed -n 's/.*dimensions: *[0-9]*x\([0-9]*\) .*/\1/p')
  [ "$bottom" = $((screen_bottom - 50)) ] || { echo "memo $memo, screen bottom $screen_bottom"; return 1; }
  probe_ok wait-balloon 0 3000 || { echo "the balloon outstayed its second"; return 1; }
}

MEMO_A=
MEMO_B=
MEMO_C=

make_three_memos() {
  MEMO_A=$(probe copydata 'メモA') && MEMO_B=$(probe copydata 'メモB') && MEMO_C=$(probe copydata 'メモC 😀')
  [ -n "$MEMO_A" ] && [ "$MEMO_A" != 0 ] && [ -n "$MEMO_C" ] && [ "$MEMO_C" != 0 ]
}

focused_is() {  # handle, decimal
  local focus
  focus=$(probe focus | cut -d' ' -f2)
  [ "$focus" = "$1" ] || { echo "focus $focus, expected $1"; return 1; }
}

# The list shows the last memo first: C, B, then A ... at the bottom.
menu_lists_memos_and_focuses() {
  local n
  n=$(memo_count)
  # Down to "メモリスト" (separators are skipped), open it: its first entry is
  # the memo registered last.
  menu_choose down down down down right return || return 1
  e2e_wait_for 30 focused_is "$MEMO_C" || return 1
  # The first registered memo is the list's last entry: n - 1 steps down.
  local keys=(down down down down right) i
  for i in $(seq $((n - 1))); do keys+=(down); done
  menu_choose "${keys[@]}" return || return 1
  e2e_wait_for 30 focused_is "$(first_memo)" || return 1
}

# The memo registered first: the one the double-click made.
FIRST_MEMO=
first_memo() { echo "$FIRST_MEMO"; }

# Runs the command twice: every memo hidden, none made, then all shown again.
hides_and_shows_memos() {
  local n
  n=$(memo_count)
  [ "$n" -ge 1 ] || { echo "no memo"; return 1; }
  "$@" || return 1
  e2e_wait_for 30 count_is visible_memo_count 0 || { echo "$(visible_memo_count) memos still shown"; return 1; }
  [ "$(memo_count)" = "$n" ] || { echo "a memo was made"; return 1; }
  "$@" || return 1
  e2e_wait_for 30 count_is visible_memo_count "$n" || { echo "$(visible_memo_count) of $n shown"; return 1; }
}

# "非表示", then in the same place "表示".
hide_or_show_from_menu() { menu_choose down down return; }

REFRESHED_MEMO=
REFRESHED_TEXT=

refresh_from_menu() {
  local n base before
  n=$(memo_count)
  before=$(probe memos | cut -d' ' -f1 | sort)
  base=$(cd "$E2E_FOLDER/kelvan" && ls -- *.ini | head -n 1)
  base=${base%.ini}
  [ -n "$base" ] || { echo "no memo file pair to copy"; return 1; }
  # Another computer sharing the folder adds a memo.
  cp "$E2E_FOLDER/kelvan/$base.txt" "$E2E_FOLDER/kelvan/from-elsewhere.txt"
  cp "$E2E_FOLDER/kelvan/$base.ini" "$E2E_FOLDER/kelvan/from-elsewhere.ini"
  menu_choose down down down return || return 1   # "メモを更新"
  e2e_wait_for 30 count_is memo_count $((n + 1)) || { echo "memos: $n -> $(memo_count)"; return 1; }
  REFRESHED_MEMO=$(comm -13 <(echo "$before") <(probe memos | cut -d' ' -f1 | sort))
  REFRESHED_TEXT=$(sed '1s/^\xEF\xBB\xBF//' "$E2E_FOLDER/kelvan/from-elsewhere.txt")
}

# Rests the mouse on a memo: its tooltip shows that memo's text and its
# last-modified line.
tooltip_on_hover() {
  local memo l t r b x y under expected text
  memo=$(probe memos | awk -v h="$MEMO_C" '$1 == h')
  [ -n "$memo" ] || { echo "memo C not found"; return 1; }
  read -r _ l t r b _ <<<"$memo"
  x=$(((l + r) / 2))
  y=$(((t + b) / 2))
  under=$(probe window-at "$x" "$y")
  case $under in
    "$MEMO_A") expected='メモA' ;;
    "$MEMO_B") expected='メモB' ;;
    "$MEMO_C") expected='メモC 😀' ;;
    "$REFRESHED_MEMO") expected=$REFRESHED_TEXT ;;
    *) echo "no memo of ours at $x,$y"; return 1 ;;
  esac
  # A hand's movement onto the memo, in steps the tooltip sees one by one.
  xdotool mousemove 640 5
  sleep 0.3
  xdotool mousemove "$x" "$y"
  sleep 0.1
  xdotool mousemove $((x + 2)) $((y + 1))
  text=$(probe tooltip 4000) || { echo "no tooltip"; import -window root "$ARTIFACTS/tray-tooltip.png"; return 1; }
  sleep 0.3
  import -window root "$ARTIFACTS/tray-tooltip.png" 2>/dev/null
  xdotool mousemove 640 5
  case $text in
    "$expected"*'最終更新日 '*'月'*'日 '*'時'*'分') ;;
    *) echo "tooltip text: $text (expected $expected and the date line)"; return 1 ;;
  esac
}

exit_from_menu() {
  menu_choose up up return || return 1   # "終了", above "キャンセル"
  timeout 20 tail --pid="$E2E_PID" -f /dev/null
  e2e_expect_exit_1 || return 1
  probe_ok tray-shown 0 5000 || { echo "the icon stayed"; return 1; }
}

cancel_changes_nothing() {
  local before
  before=$(probe memos)
  menu_choose up return || return 1   # "キャンセル"
  menu_choose escape || return 1
  [ "$(probe memos)" = "$before" ] || { echo "memos changed"; return 1; }
}

# Two double-clicks on the icon apart from each other, not one quadruple.
double_click_icon() {
  find_icon || return 1
  sleep 0.5
  xdotool mousemove "$TRAY_X" "$TRAY_Y" click --repeat 2 --delay 80 1
}

# --- the run -----------------------------------------------------------------------

e2e_fresh_copy TASKTRAYICONDOUBLECLICK=0
if e2e_check start e2e_start_first; then
  e2e_check icon_after_start icon_after_start
  e2e_check icon_back_after_taskbar_created icon_back_after_taskbar_created
  e2e_check double_click_sticks_memo double_click_sticks_memo
  FIRST_MEMO=$(probe memos | head -n 1 | cut -d' ' -f1)
  e2e_check three_memos_by_copydata make_three_memos
  e2e_check menu_lists_memos_and_focuses menu_lists_memos_and_focuses
  e2e_check cancel_changes_nothing cancel_changes_nothing
  e2e_check hide_and_show_from_menu hides_and_shows_memos hide_or_show_from_menu
  e2e_check refresh_from_menu refresh_from_menu
  e2e_check tooltip_on_hover tooltip_on_hover
  e2e_check exit_from_menu exit_from_menu
fi
e2e_cleanup

e2e_fresh_copy TASKTRAYICONDOUBLECLICK=1
if e2e_check start_toggle e2e_start_first; then
  probe copydata 'トグル' >/dev/null
  e2e_check double_click_toggles_show hides_and_shows_memos double_click_icon
  e2e_check exit_toggle exit_from_menu
fi
e2e_cleanup

e2e_report
