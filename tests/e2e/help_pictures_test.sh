#!/usr/bin/env bash
# The guide as a user's browser shows it: help.html beside kelvane.exe (the
# build copies it there), opened in headless Chromium with no network.
#
#   tests/e2e/help_pictures_test.sh <kelvane.exe> <artifacts folder>
#
# Every picture must be inside the file, load and show at its own size, and
# carry Japanese alt text; each picture the guide promises must be there.
# On a failure the page as the browser drew it is saved as
# <artifacts>/guide-page.png.  The last line is "guide: N passed, M failed".
set -u

E2E_NAME=guide
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/e2e_lib.sh
source "$HERE/e2e_lib.sh" "$@"

PAGE=$(dirname "$PROGRAM")/help.html
REQUIRED=(welcome tray-menu balloon-new memos tooltip balloon-peel settings-basic
          settings-colors settings-data settings-details settings-version conflict search)

WORK=$(mktemp -d "${TMPDIR:-/tmp}/kelvane-guide.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

# A browser of its own each time: an empty profile, and no network at all
# where a network namespace can be had.
browser() {
  local offline=()
  unshare --net true 2>/dev/null && offline=(unshare --net)
  timeout -k 5 120 "${offline[@]}" chromium --headless --no-sandbox --disable-gpu --disable-quic \
    --no-first-run --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$(mktemp -d "$WORK/profile.XXXXXX")" "$@" 2>>"$WORK/browser.log"
}

# The page as the browser draws it, once for all failed checks.
e2e_screenshot() {
  [ -e "$ARTIFACTS/guide-page.png" ] ||
    browser --window-size=1280,9000 --screenshot="$ARTIFACTS/guide-page.png" "file://$PAGE" >/dev/null
}

browser --allow-file-access-from-files --dump-dom "file://$HERE/help_pictures.html?file://$PAGE" |
  sed -n '/<pre id="result">/,/^end$/{s/<pre id="result">//;/^end$/d;p}' >"$WORK/shown.tsv"

# id, loaded, natural width, shown width, start of src, alt
every_picture_loads_from_the_page() {
  grep -q . "$WORK/shown.tsv" || { echo "the browser listed no pictures"; tail -n 5 "$WORK/browser.log"; return 1; }
  LC_ALL=C awk -F'\t' '$2 != "true" || $3 != $4 || $5 != "data:image/png;base64," || $6 !~ /[\200-\377]/ {
      print "broken: " $0; bad = 1 } END { exit bad }' "$WORK/shown.tsv"
}

guide_shows() { cut -f1 "$WORK/shown.tsv" | grep -qx "shot-$1"; }

e2e_check every_picture_loads_from_the_page every_picture_loads_from_the_page
for name in "${REQUIRED[@]}"; do
  e2e_check "shows_$name" guide_shows "$name"
done
e2e_check embedded_pictures_are_the_committed_ones "$HERE/../../scripts/embed_pictures" --check

e2e_report guide
