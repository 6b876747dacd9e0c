# shellcheck shell=bash
# What the shell suites (tests/e2e/*_test.sh) share: the check counters,
# a Wine run bounded in time, the probe, and one instance of the program in
# a fresh folder of its own.  Sourced by a suite with the suite's arguments,
#
#   <kelvane.exe> [<kelvane_probe.exe>] <artifacts folder>
#
# which become PROGRAM, PROBE and ARTIFACTS, after it has set
#
#   E2E_NAME      the suite's short name: screenshots are
#                 <artifacts>/<E2E_NAME>-<check>.png
#   E2E_SETTINGS  optional: key=value lines every fresh copy's config.ini
#                 gets (an array)
#
# A check is one line:  e2e_check name command...
# It passes when the command exits with 0; on a failure the desktop is
# saved and e2e_check fails too, so that a suite can skip what depends on
# the check.  The suite ends with e2e_report, which prints the last line,
# "<name>: N passed, M failed", and fails when M is not 0.

PROGRAM=${1:?path of kelvane.exe}
PROBE=
[ $# -lt 3 ] || PROBE=$2
ARTIFACTS=${!#}
[ $# -ge 2 ] || { echo "usage: $0 <kelvane.exe> [<kelvane_probe.exe>] <artifacts folder>" >&2; exit 2; }

E2E_WINE_TIMEOUT=${E2E_WINE_TIMEOUT:-30}

E2E_PASSED=0
E2E_FAILED=0
E2E_FOLDER=   # the program's folder while an instance is about
E2E_PID=      # the first instance's wine process

mkdir -p "$ARTIFACTS"

E2E_AT_EXIT=()   # the suite's own cleanup functions (e2e_at_exit)

# The desktop as <artifacts>/<E2E_NAME>-<name>.png; whether that picture
# was taken.  A suite running a second harness session (a second computer)
# gets its desktop saved beside, as <name>-B.png.
e2e_screenshot() {
  [ -z "${HARNESS_SECOND_DISPLAY:-}" ] ||
    DISPLAY=$HARNESS_SECOND_DISPLAY import -window root "$ARTIFACTS/$E2E_NAME-$1-B.png" 2>/dev/null
  import -window root "$ARTIFACTS/$E2E_NAME-$1.png" 2>/dev/null && [ -s "$ARTIFACTS/$E2E_NAME-$1.png" ]
}

e2e_check() {
  local name=$1
  shift
  if "$@"; then
    E2E_PASSED=$((E2E_PASSED + 1))
    printf 'PASS %s\n' "$name"
  else
    E2E_FAILED=$((E2E_FAILED + 1))
    printf 'FAIL %s (%s)\n' "$name" "$*"
    e2e_screenshot "$name"
    return 1
  fi
}

# e2e_report [name]: the last line, under the suite's name in the test
# summary (default "xdotool").
e2e_report() {
  printf '%s: %d passed, %d failed\n' "${1:-xdotool}" "$E2E_PASSED" "$E2E_FAILED"
  [ "$E2E_FAILED" = 0 ]
}

# Runs a Windows program of the prefix, bounded in time; its exit code.
e2e_wine() {
  timeout -k 5 "$E2E_WINE_TIMEOUT" wine "$@"
}

# The probe's answer on stdout, without Wine's carriage returns, and its
# exit code (not the filter's: a wait that timed out must fail).
probe() {
  e2e_wine "$PROBE" "$@" 2>/dev/null | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

# The probe's exit code, its output dropped.
probe_ok() { e2e_wine "$PROBE" "$@" >/dev/null 2>&1; }

# e2e_watch FILE command...: starts a watching probe command in the
# background, its output straight into FILE (a pipe would hold it back),
# and returns once it says that it watches (its first line); E2E_WATCHER
# is its process, for the caller to wait for.
E2E_WATCHER=
e2e_watch() {
  local out=$1
  shift
  rm -f "$out"
  "$@" >"$out" 2>/dev/null &
  E2E_WATCHER=$!
  e2e_wait_for 300 test -s "$out" >/dev/null || { kill "$E2E_WATCHER" 2>/dev/null; return 1; }
}

# Tries a command every 0.1 s, tries times, its output dropped; then once
# more, with its output and its exit code.
e2e_wait_for() {
  local tries=$1 i
  shift
  for ((i = 0; i < tries; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  "$@"
}

# --- the instance --------------------------------------------------------------

# A fresh copy of the program: it keeps its settings, data and error.log
# beside itself.  config.ini gets the section KELVAN with the welcome
# dialog off (its modal loop would hold up a very first start), then
# E2E_SETTINGS, then one key=value line per argument.
e2e_fresh_copy() {
  local line
  E2E_FOLDER=$(mktemp -d "${TMPDIR:-/tmp}/kelvane-$E2E_NAME.XXXXXX")
  cp "$PROGRAM" "$E2E_FOLDER/kelvane.exe"
  {
    printf '[KELVAN]\r\nDIALOG=0\r\n'
    for line in "${E2E_SETTINGS[@]}" "$@"; do printf '%s\r\n' "$line"; done
  } >"$E2E_FOLDER/config.ini"
}

# The instance's data folder (portable mode: beside the program).
DATA() { printf '%s/kelvan' "$E2E_FOLDER"; }

# The memo windows of the instance, and those of them on the screen.
memo_count() { probe memos | grep -c .; }
visible_memo_count() { probe memos | awk '$6 == 1' | grep -c .; }

no_error_log() {
  [ ! -e "$E2E_FOLDER/error.log" ] || { cat "$E2E_FOLDER/error.log"; return 1; }
}

# Starts the first instance in the background, with the given arguments,
# and waits for its main window.
e2e_start_first() {
  (cd "$E2E_FOLDER" && exec wine ./kelvane.exe "$@") >"$E2E_FOLDER/stdout.txt" 2>&1 &
  E2E_PID=$!
  probe_ok wait-main 20000
}

e2e_instance_running() {
  [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null
}

# A second start from the shell, with the given arguments, hands over its
# command and exits with 1; the first instance goes on.
e2e_second_start() {
  local rc=0
  (cd "$E2E_FOLDER" && e2e_wine ./kelvane.exe "$@") >/dev/null 2>&1 || rc=$?
  [ "$rc" = 1 ] || { echo "second start exit code $rc"; return 1; }
  e2e_instance_running || { echo "the first instance ended"; return 1; }
}

# Waits for the first instance to end; it must end with code 1.
e2e_expect_exit_1() {
  local rc=0
  wait "$E2E_PID" || rc=$?
  E2E_PID=
  [ "$rc" = 1 ] || { echo "exit code $rc"; return 1; }
}

# CMD_EXIT as the tray menu sends it; the process must end with code 1.
e2e_exit_instance() {
  local result
  result=$(probe command 2) || return 1
  [ "$result" = 1 ] || { echo "CMD_EXIT answered '$result'"; return 1; }
  e2e_expect_exit_1
}

# e2e_at_exit function: e2e_cleanup runs it first, at the end of the run
# and whenever the suite ends.
e2e_at_exit() { E2E_AT_EXIT+=("$1"); }

e2e_cleanup() {
  local hook
  for hook in "${E2E_AT_EXIT[@]}"; do "$hook"; done
  if e2e_instance_running; then
    kill "$E2E_PID" 2>/dev/null
    wait "$E2E_PID" 2>/dev/null
  fi
  E2E_PID=
  [ -n "$E2E_FOLDER" ] && rm -rf "$E2E_FOLDER"
  E2E_FOLDER=
}
trap e2e_cleanup EXIT
