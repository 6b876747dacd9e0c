#!/usr/bin/env bash
# End-to-end checks of saves into a data folder that cannot take them: the
# folder is made read-only from the Unix side, where no Windows program can
# reach (as root only the immutable attribute stops a write).  Runs inside a
# harness session (scripts/wine-harness):
#
#   tests/e2e/save_test.sh <kelvane.exe> <kelvane_probe.exe> <artifacts folder>
#
# The last line printed is "save: N passed, M failed"; the exit code is 0
# only when M is 0.
set -u

E2E_NAME=save
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh" "$@"

# Read-only for everyone, root included.
read_only() {
  if [ "$(id -u)" = 0 ]; then chattr "$1i" "$(DATA)"; else chmod "a$2w" "$(DATA)"; fi
}
make_read_only() { read_only + -; }
make_writable() { read_only - +; }

# The folder must refuse a new file, or the checks below would prove nothing.
folder_refuses_files() {
  if touch "$(DATA)/probe" 2>/dev/null; then
    rm -f "$(DATA)/probe"
    echo "the data folder still takes files"
    return 1
  fi
}

SENT_TEXT='読み取り専用の付箋'

# Another program's text arrives: it gets its answer (the new memo) at once,
# not after somebody clicks a box.
sender_is_answered_at_once() {
  local start end answer
  start=$(date +%s%N)
  answer=$(probe copydata "$SENT_TEXT") || { echo "no answer"; return 1; }
  end=$(date +%s%N)
  [ -n "$answer" ] && [ "$answer" != 0 ] || { echo "answer '$answer'"; return 1; }
  [ $(((end - start) / 1000000)) -lt 3000 ] || { echo "answered after $(((end - start) / 1000000)) ms"; return 1; }
}

# Then the user hears why, and that the text is still on the screen.
notice_names_the_reason() {
  local box
  e2e_wait_for 50 probe box-text >/dev/null || { echo "no box"; return 1; }
  box=$(probe box-text)
  case $box in
    Kelvane*読み取り専用*画面に残っています*) ;;
    *) echo "box: $box"; return 1 ;;
  esac
  probe box-press 1
}

text_still_on_the_screen() {
  e2e_wait_for 20 probe wait-memos 1 100 >/dev/null || { echo "no memo"; return 1; }
  [ -z "$(ls "$(DATA)")" ] || { echo "files: $(ls "$(DATA)")"; return 1; }
}

# Writable again: the save lands by itself.
save_lands_once_writable() {
  make_writable
  local i
  for i in $(seq 50); do
    if grep -q "$SENT_TEXT" "$(DATA)"/*.txt 2>/dev/null && ls "$(DATA)"/*.ini >/dev/null 2>&1; then
      [ -z "$(ls "$(DATA)"/*.tmp 2>/dev/null)" ] || { echo "left over: $(ls "$(DATA)")"; return 1; }
      return 0
    fi
    sleep 0.1
  done
  echo "files: $(ls "$(DATA)")"
  return 1
}

# Whatever happened, the folder can be removed again.
writable_at_exit() {
  [ -n "$E2E_FOLDER" ] && [ -d "$(DATA)" ] && make_writable 2>/dev/null
  return 0
}
e2e_at_exit writable_at_exit

# --- the run -----------------------------------------------------------------------

e2e_fresh_copy BALLOON=0
mkdir -p "$(DATA)"
if e2e_check start e2e_start_first; then
  make_read_only
  if e2e_check folder_refuses_files folder_refuses_files; then
    e2e_check sender_is_answered_at_once sender_is_answered_at_once
    e2e_check notice_names_the_reason notice_names_the_reason
    e2e_check text_still_on_the_screen text_still_on_the_screen
  fi
  e2e_check save_lands_once_writable save_lands_once_writable
  e2e_check exit e2e_exit_instance
  e2e_check no_error_log no_error_log
fi
e2e_cleanup

e2e_report save
