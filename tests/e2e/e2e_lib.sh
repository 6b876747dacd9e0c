# shellcheck shell=bash
# What the shell suites of real input (xdotool_test.sh, memo_input_test.sh,
# tray_test.sh) share: the check counters, a Wine run bounded in time, and
# one instance of the program in a fresh folder of its own.  Sourced by a
# suite after it has set
#
#   PROGRAM      kelvane.exe
#   ARTIFACTS    where failure screenshots go
#   E2E_NAME     the suite's short name: screenshots are
#                <artifacts>/<E2E_NAME>-<check>.png
#   E2E_PROBE    a probe that answers "wait-main <ms>" and "command <id>"
#                for the main window (kelvane_probe.exe, kelvane_tray_probe.exe)
#
# A check is one line:  e2e_check name command...
# It passes when the command exits with 0; on a failure the desktop is
# saved and e2e_check fails too, so that a suite can skip what depends on
# the check.  The suite ends with e2e_report, which prints the last line,
# "xdotool: N passed, M failed", and fails when M is not 0.

E2E_WINE_TIMEOUT=${E2E_WINE_TIMEOUT:-30}

E2E_PASSED=0
E2E_FAILED=0
E2E_FOLDER=   # the program's folder while an instance is about
E2E_PID=      # the first instance's wine process

mkdir -p "$ARTIFACTS"

e2e_screenshot() {
  import -window root "$ARTIFACTS/$E2E_NAME-$1.png" 2>/dev/null
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

e2e_report() {
  printf 'xdotool: %d passed, %d failed\n' "$E2E_PASSED" "$E2E_FAILED"
  [ "$E2E_FAILED" = 0 ]
}

# Runs a Windows program of the prefix, bounded in time; its exit code.
e2e_wine() {
  timeout -k 5 "$E2E_WINE_TIMEOUT" wine "$@"
}

# A probe's answer on stdout, without Wine's carriage returns.
e2e_run_probe() {
  e2e_wine "$@" 2>/dev/null | tr -d '\r'
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
# beside itself.  config.ini gets the section KELVAN with one key=value
# line per argument; every suite turns off the welcome dialog, whose modal
# loop would hold up a very first start.
e2e_fresh_copy() {
  local line
  E2E_FOLDER=$(mktemp -d "${TMPDIR:-/tmp}/kelvane-$E2E_NAME.XXXXXX")
  cp "$PROGRAM" "$E2E_FOLDER/kelvane.exe"
  {
    printf '[KELVAN]\r\n'
    for line in "$@"; do printf '%s\r\n' "$line"; done
  } >"$E2E_FOLDER/config.ini"
}

# Starts the first instance in the background, with the given arguments,
# and waits for its main window.
e2e_start_first() {
  (cd "$E2E_FOLDER" && exec wine ./kelvane.exe "$@") >"$E2E_FOLDER/stdout.txt" 2>&1 &
  E2E_PID=$!
  e2e_wine "$E2E_PROBE" wait-main 20000 >/dev/null 2>&1
}

e2e_instance_running() {
  [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null
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
  result=$(e2e_run_probe "$E2E_PROBE" command 2) || return 1
  [ "$result" = 1 ] || { echo "CMD_EXIT answered '$result'"; return 1; }
  e2e_expect_exit_1
}

e2e_cleanup() {
  if e2e_instance_running; then
    kill "$E2E_PID" 2>/dev/null
    wait "$E2E_PID" 2>/dev/null
  fi
  E2E_PID=
  [ -n "$E2E_FOLDER" ] && rm -rf "$E2E_FOLDER"
  E2E_FOLDER=
}
trap e2e_cleanup EXIT
