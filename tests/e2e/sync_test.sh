#!/usr/bin/env bash
# Two computers: two instances of the real program, each in a Wine session
# of its own (prefix, wineserver, Xvfb display and program folder), in
# standard mode.  First both on one shared folder; then each on a folder of
# its own, kept in step by a real sync client (scripts/syncthing-lib), which
# keeps two versions of a file changed on both while they were apart.  The
# suite runs in a private network namespace with its own two harness
# sessions (scripts/wine-harness):
#
#   tests/e2e/sync_test.sh <kelvane.exe> <kelvane_probe.exe> <artifacts folder>
#
# What a memo shows is read from its tooltip (kelvane_probe texts).
# Checks are e2e_check lines (e2e_lib.sh); on a failure computer A's
# desktop is saved as <artifacts>/sync-<name>.png and B's as
# sync-<name>-B.png; both are always saved after the conflict (sync-conflict).
# The last line printed is "sync: N passed, M failed".
set -u

# shellcheck source=scripts/syncthing-lib
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/syncthing-lib"
sync_isolate bash "${BASH_SOURCE[0]}" "$@" || { echo "sync: 0 passed, 1 failed"; exit 1; }

E2E_NAME=sync
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh" "$@"
# shellcheck source=scripts/wine-harness
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-harness"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/kelvane-sync.XXXXXX")
SHARED=$WORK/shared
mkdir -p "$SHARED"
PID_A=
PID_B=

# A refresh runs at most about 1.25 s after a burst of changes began (the
# watch waits for 0.25 s of quiet, at most 1 s); a check that something
# does NOT happen waits this long.
SETTLE=2.5

stop_computers() {
  local pid
  for pid in "$PID_A" "$PID_B"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
  done
  sync_pair_stop
  harness_stop
  rm -rf "$WORK"
}

# --- the two computers ---------------------------------------------------------

# on A|B command...: the command on that computer.
on() {
  local who=$1
  shift
  if [ "$who" = A ]; then "$@"; else harness_second "$@"; fi
}

folder_of() { printf '%s/%s\n' "$WORK" "$1"; }

windows_path() { printf 'Z:%s\n' "$(printf '%s' "$1" | tr / '\\')"; }

# install A|B DATA [key=value...]: the program folder of a computer, in
# standard mode on the data folder DATA.
install_computer() {
  local who=$1 data=$2 folder line
  shift 2
  folder=$(folder_of "$who")
  mkdir -p "$folder"
  cp "$PROGRAM" "$folder/kelvane.exe"
  {
    printf '[KELVAN]\r\nDIALOG=0\r\nTRANSPARENCY=255\r\nPORTABLE=0\r\nPATH=%s\r\n' \
      "$(windows_path "$data")"
    for line in "$@"; do printf '%s\r\n' "$line"; done
  } >"$folder/config.ini"
}

run_program() { cd "$1" && shift && exec wine ./kelvane.exe "$@"; }

# After an exit, the last instance's windows may still be about for a
# moment: a start then would hand over to them and leave.
start_computer() {
  local who=$1 folder
  folder=$(folder_of "$who")
  on "$who" probe_ok wait-gone 20000 || return 1
  on "$who" run_program "$folder" >"$folder/stdout.txt" 2>&1 &
  printf -v "PID_$who" '%s' "$!"
  on "$who" probe_ok wait-main 20000
}

# Ends a computer's program as the tray menu does: exit code 1, and an
# empty error.log (no fault and no tracked block left behind).
exit_computer() {
  local who=$1 pid_name="PID_$1" rc=0 folder
  folder=$(folder_of "$who")
  on "$who" probe command 2 >/dev/null || return 1
  wait "${!pid_name}" || rc=$?
  printf -v "$pid_name" '%s' ""
  [ "$rc" = 1 ] || { echo "$who: exit code $rc"; tail -n 5 "$folder/stdout.txt"; return 1; }
  [ ! -s "$folder/error.log" ] || { echo "$who: error.log:"; cat "$folder/error.log"; return 1; }
}

# --- what a computer shows ----------------------------------------------------------

# The window of the memo that shows text on that computer, or nothing.
memo_showing() {
  on "$1" probe texts | awk -F'\t' -v text="$2" '$2 == text { print $1; exit }'
}

shows() { [ -n "$(memo_showing "$1" "$2")" ]; }

refreshes() { on "$1" probe refreshes; }

# The shared folder's text files that hold text (after an optional mark).
files_with() { grep -l -x -e "$1" -e $'\xEF\xBB\xBF'"$1" "$SHARED"/*.txt 2>/dev/null; }

edit_memo() {
  local who=$1 memo=$2 text=$3
  on "$who" probe edit-open "$memo" >/dev/null && on "$who" probe edit-commit "$memo" "$text"
}

# --- the checks ------------------------------------------------------------------------

# B starts watching its screen first, then A makes the memo; B's probe
# tells when the memo showed up there.
new_memo_appears_within_2s() {
  local out=$WORK/wait.txt t0 seen
  e2e_watch "$out" on B e2e_wine "$PROBE" wait-text 'made on A' 15000 || return 1
  t0=$(date +%s%3N)
  on A probe copydata 'made on A' >/dev/null || return 1
  wait "$E2E_WATCHER" || { echo "B never showed A's memo"; return 1; }
  seen=$(sed -n 2p "$out" | tr -d '\r')
  echo "B showed A's new memo $((seen - t0)) ms after A made it"
  [ $((seen - t0)) -le 2000 ]
}

own_writes_start_no_refresh() {
  sleep "$SETTLE"
  local count
  count=$(refreshes A)
  [ "$count" = 0 ] || { echo "A refreshed $count times for its own memo"; return 1; }
}

edit_on_b_appears_on_a() {
  local memo
  memo=$(memo_showing B 'made on A')
  [ -n "$memo" ] || return 1
  edit_memo B "$memo" 'edited on B' || return 1
  on A probe wait-text 'edited on B' 5000 >/dev/null || { echo "A shows: $(on A probe texts)"; return 1; }
}

# The case that lost an edit: A's edit box is open on the memo while B's
# new text arrives (replaced by rename, as the program writes); A's commit
# then must keep both texts, on both screens, and say so.
conflict_keeps_both_texts() {
  local memo_a memo_b
  memo_a=$(memo_showing A 'edited on B')
  memo_b=$(memo_showing B 'edited on B')
  [ -n "$memo_a" ] && [ -n "$memo_b" ] || { echo "no shared memo"; return 1; }
  on A probe edit-open "$memo_a" >/dev/null || return 1
  edit_memo B "$memo_b" 'from B' || return 1
  e2e_wait_for 50 files_with 'from B' >/dev/null || { echo "B's text never reached the folder"; return 1; }
  sleep "$SETTLE"
  shows A 'edited on B' || { echo "the memo under A's edit box changed: $(on A probe texts)"; return 1; }
  on A probe edit-commit "$memo_a" 'from A' || return 1
  on A probe wait-text 'from B' 5000 >/dev/null || { echo "A shows: $(on A probe texts)"; return 1; }
  shows A 'from A' || { echo "A shows: $(on A probe texts)"; return 1; }
  on A probe notices | grep -q '別のメモ\|このメモとして残しました' ||
    { echo "no notice on A: '$(on A probe notices)'"; return 1; }
  on B probe wait-text 'from A' 5000 >/dev/null && shows B 'from B' ||
    { echo "B shows: $(on B probe texts)"; return 1; }
  [ "$(files_with 'from A' | wc -l)" = 1 ] && [ "$(files_with 'from B' | wc -l)" = 1 ] ||
    { echo "files: $(ls "$SHARED")"; return 1; }
  [ "$(on A visible_memo_count)" = 2 ] && [ "$(on B visible_memo_count)" = 2 ]
}

# A data folder that goes away (a stick pulled out) and comes back with a
# memo written elsewhere meanwhile.
folder_that_returns_is_watched_again() {
  local before
  before=$(on B visible_memo_count)
  mv "$SHARED" "$SHARED.away"
  sleep "$SETTLE"
  [ "$(on B visible_memo_count)" = "$before" ] || { echo "memos closed while the folder was away"; return 1; }
  printf 'back again' >"$SHARED.away/20300101000000.txt"
  printf '[KELVAN]\r\nX=300\r\nY=300\r\nQUADRANT=2\r\nCOLOR=3\r\n' >"$SHARED.away/20300101000000.ini"
  mv "$SHARED.away" "$SHARED"
  on B probe wait-text 'back again' 5000 >/dev/null || { echo "B shows: $(on B probe texts)"; return 1; }
  [ "$(on B visible_memo_count)" = $((before + 1)) ]
}

# 200 file pairs arriving at once, each pair renamed into place as a
# client does: a few refreshes at most, and every memo on both screens.
burst_of_200_coalesces() {
  local staging=$WORK/staging i name count_a count_b before_a before_b
  mkdir -p "$staging"
  for i in $(seq 1 200); do
    name=$(printf '20310101%06d' "$i")
    printf 'burst %d' "$i" >"$staging/$name.txt"
    printf '[KELVAN]\r\nX=%d\r\nY=%d\r\nWIDTH=160\r\nHEIGHT=120\r\nQUADRANT=2\r\nCOLOR=%d\r\n' \
      $((i * 5 % 1000)) $((i * 3 % 800)) $((i % 7)) >"$staging/$name.ini"
  done
  count_a=$(on A visible_memo_count)
  count_b=$(on B visible_memo_count)
  before_a=$(refreshes A)
  before_b=$(refreshes B)
  mv "$staging"/* "$SHARED"/
  on A probe wait-memos $((count_a + 200)) 60000 >/dev/null || { echo "A has $(on A visible_memo_count)"; return 1; }
  on B probe wait-memos $((count_b + 200)) 60000 >/dev/null || { echo "B has $(on B visible_memo_count)"; return 1; }
  sleep "$SETTLE"
  local on_a=$(($(refreshes A) - before_a)) on_b=$(($(refreshes B) - before_b))
  echo "200 new pairs: $on_a refreshes on A, $on_b on B"
  [ "$on_a" -le 3 ] && [ "$on_b" -le 3 ] && shows B 'burst 200' && shows A 'burst 1'
}

# While nothing changes, neither of the program's threads (the user
# interface and the folder watch) is woken up: no timer, no polling.
idle_program_sleeps() {
  local pid task before=0 after=0 n
  for pid in $(pgrep -f 'kelvane\.exe'); do
    [ "$(readlink "/proc/$pid/cwd")" = "$(folder_of B)" ] && break
    pid=
  done
  [ -n "$pid" ] || { echo "no process for B"; return 1; }
  sleep "$SETTLE"
  for task in /proc/"$pid"/task/*; do
    n=$(awk '/^voluntary_ctxt_switches/ { print $2 }' "$task/status")
    before=$((before + n))
  done
  sleep 5
  for task in /proc/"$pid"/task/*; do
    n=$(awk '/^voluntary_ctxt_switches/ { print $2 }' "$task/status")
    after=$((after + n))
  done
  echo "B idle for 5 s: $((after - before)) wake-ups in $(ls /proc/"$pid"/task | wc -l) threads"
  [ "$after" = "$before" ]
}

# With AUTOREFRESH off the folder is only read on demand: a second start
# with -r (the same command as the tray's "メモを更新").
refresh_off_waits_for_r() {
  exit_computer B || return 1
  sed -i 's/^AUTOREFRESH=1\r$/AUTOREFRESH=0\r/' "$(folder_of B)/config.ini"
  grep -q '^AUTOREFRESH=0' "$(folder_of B)/config.ini" || { echo "no AUTOREFRESH in config.ini"; return 1; }
  start_computer B || return 1
  on A probe copydata 'while B does not look' >/dev/null || return 1
  sleep "$SETTLE"
  ! shows B 'while B does not look' || { echo "B refreshed with AUTOREFRESH=0"; return 1; }
  on B run_program "$(folder_of B)" -r >/dev/null 2>&1
  on B probe wait-text 'while B does not look' 5000 >/dev/null
}

# --- each computer with its own copy, and a sync client between them -----------------------

DATA_A=$WORK/data-A
DATA_B=$WORK/data-B

# How many memos on that computer show the text.
showing_count() { on "$1" probe texts | awk -F'\t' -v text="$2" '$2 == text' | grep -c .; }

# Every text shows on both computers, each on exactly one memo.
both_show_once() {
  local who text
  for who in A B; do
    for text in "$@"; do
      [ "$(showing_count "$who" "$text")" = 1 ] || return 1
    done
  done
}

# What the screens and the folders hold, for a failure report.
describe_computers() {
  echo "A shows: $(on A probe texts | cut -f2 | tr '\n' '|')"
  echo "B shows: $(on B probe texts | cut -f2 | tr '\n' '|')"
  echo "A holds: $(ls -A "$DATA_A" | tr '\n' ' ')"
  echo "B holds: $(ls -A "$DATA_B" | tr '\n' ' ')"
}

# Nothing of the client's left over, and no copy it kept that the programs
# did not take in; the same memos on both screens.
folders_tidy() {
  local data left
  for data in "$DATA_A" "$DATA_B"; do
    left=$(sync_conflict_copies "$data"; sync_temporaries "$data")
    [ -z "$left" ] || { echo "left in $data: $left"; return 1; }
  done
  [ "$(on A visible_memo_count)" = "$(on B visible_memo_count)" ] || { echo "A has $(on A visible_memo_count) memos, B $(on B visible_memo_count)"; return 1; }
}

start_client() {
  install_computer A "$DATA_A"
  install_computer B "$DATA_B"
  sync_pair_start "$WORK/syncthing" "$DATA_A" "$DATA_B" && start_computer A && start_computer B
}

client_memo_appears() {
  local t0=$SECONDS
  on A probe copydata 'made on A, synced' >/dev/null || return 1
  on B probe wait-text 'made on A, synced' 60000 >/dev/null || { describe_computers; return 1; }
  echo "B showed A's new memo after $((SECONDS - t0)) s"
}

# The memo is edited on both computers while they are apart, B last, so
# the client keeps A's text in a copy of its own; once they are joined and
# settled both texts are on both screens, once each.
client_conflict_keeps_both() {
  local memo_a memo_b
  memo_a=$(memo_showing A 'made on A, synced')
  memo_b=$(memo_showing B 'made on A, synced')
  [ -n "$memo_a" ] && [ -n "$memo_b" ] || { describe_computers; return 1; }
  sync_pause || return 1
  edit_memo A "$memo_a" 'edit on A' && edit_memo B "$memo_b" 'edit on B' || return 1
  sync_resume || return 1
  sync_until 60 both_show_once 'edit on A' 'edit on B' || { describe_computers; return 1; }
  sync_settle && sleep "$SETTLE" || return 1
  both_show_once 'edit on A' 'edit on B' && folders_tidy || { describe_computers; return 1; }
}

client_restart_keeps_both() {
  exit_computer A && exit_computer B && start_computer A && start_computer B || return 1
  both_show_once 'edit on A' 'edit on B' && folders_tidy || { describe_computers; return 1; }
  # The client's own marker is the programs' to leave alone.
  [ -d "$DATA_A/.stfolder" ] && [ -d "$DATA_B/.stfolder" ]
}

# --- the run -------------------------------------------------------------------------------

harness_start || { echo "sync: 0 passed, 1 failed"; exit 1; }
e2e_at_exit stop_computers
install_computer A "$SHARED"
install_computer B "$SHARED"
if e2e_check second_session harness_second_start &&
   e2e_check start_a start_computer A && e2e_check start_b start_computer B; then
  e2e_check new_memo_appears_within_2s new_memo_appears_within_2s &&
    e2e_check own_writes_start_no_refresh own_writes_start_no_refresh &&
    e2e_check edit_on_b_appears_on_a edit_on_b_appears_on_a &&
    e2e_check conflict_keeps_both_texts conflict_keeps_both_texts
  e2e_screenshot conflict
  e2e_check folder_that_returns_is_watched_again folder_that_returns_is_watched_again
  e2e_check burst_of_200_coalesces burst_of_200_coalesces
  e2e_check idle_program_sleeps idle_program_sleeps
  e2e_check refresh_off_waits_for_r refresh_off_waits_for_r
  e2e_check exit_a exit_computer A
  e2e_check exit_b exit_computer B
  if e2e_check client_start start_client; then
    e2e_check client_memo_appears client_memo_appears &&
      e2e_check client_conflict_keeps_both client_conflict_keeps_both &&
      e2e_check client_restart_keeps_both client_restart_keeps_both
    e2e_screenshot client
    e2e_check client_exit_a exit_computer A
    e2e_check client_exit_b exit_computer B
  fi
fi

e2e_report sync
