#!/usr/bin/env bash
# End-to-end checks of the real kelvane.exe from the X side: what the user
# sees on the screen and what a start from the shell does.  Runs inside a
# harness session (scripts/wine-harness), which provides DISPLAY, the Wine
# prefix and its environment:
#
#   tests/e2e/xdotool_test.sh <kelvane.exe> <kelvane_probe.exe> <artifacts folder>
#
# Checks are e2e_check lines (e2e_lib.sh); on a failure the desktop is
# saved as <artifacts>/xdotool-<name>.png.  The last line printed is
# "xdotool: N passed, M failed"; the exit code is 0 only when M is 0.
set -u

E2E_NAME=xdotool
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh" "$@"

# --- checks ------------------------------------------------------------------

# Wine sets _NET_WM_PID on every X window it maps, so a window of the program
# that reached the screen would be found by its process id.
no_mapped_window_of_program() {
  local windows
  windows=$(xdotool search --onlyvisible --pid "$E2E_PID" 2>/dev/null)
  [ -z "$windows" ] || { echo "mapped windows: $windows"; return 1; }
}

# With memos on the screen the program has mapped windows of its own; the
# main window's X window (if Wine made one at all) must still be unmapped.
main_window_not_mapped() {
  local window
  window=$(probe main-x11-window) || return 1
  [ "$window" = 0 ] && return 0
  xwininfo -id "$window" 2>/dev/null | grep -q 'Map State: IsUnMapped' ||
    { echo "main window X $window is mapped"; return 1; }
}

exactly_one_instance() {
  local count
  count=$(probe count-main)
  [ "$count" = 1 ] || { echo "main windows: '$count'"; return 1; }
}

# --- the run -----------------------------------------------------------------

e2e_fresh_copy
e2e_check start_first e2e_start_first
if e2e_instance_running; then
  e2e_check main_window_never_shown no_mapped_window_of_program
  e2e_check screenshot_after_start e2e_screenshot after-start
  e2e_check one_instance_after_start exactly_one_instance
  e2e_check second_start_exits_1 e2e_second_start
  e2e_check second_start_with_switch_exits_1 e2e_second_start -r
  e2e_check still_one_instance exactly_one_instance
  e2e_check main_window_still_not_shown main_window_not_mapped
  e2e_check screenshot_after_second_start e2e_screenshot after-second-start
  e2e_check exit_command_ends_with_1 e2e_exit_instance
  e2e_check no_error_log_after_exit no_error_log
fi
e2e_cleanup

e2e_report
