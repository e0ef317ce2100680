#!/usr/bin/env bash
# log_box_copy.sh BIN_DIR: starts the window program on a virtual display
# with a prepared program folder, selects all of its log box and copies it, as
# a user would, and compares the copy with what brisquen-check prints for the
# same folder.
set -euo pipefail
bin=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$bin/brisquen-fixture" sample "$work/program" "$work/client" >/dev/null
cp "$bin/brisquen" "$bin/brisquen-check" "$work/program/"
status=0
"$work/program/brisquen-check" scan >"$work/expected.txt" || status=$?
[ "$status" -eq 1 ] || { echo "brisquen-check scan exited with $status, expected 1"; exit 1; }

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$1/program/brisquen" &
  pid=$!
  window=$(xdotool search --sync --onlyvisible --name "eDonkey2k Brisquen" | head -n 1)
  # The check runs once the window is up; copy until the copy holds its last line.
  for attempt in $(seq 1 40); do
    sleep 0.25
    xdotool mousemove --window "$window" 100 100 click 1
    xdotool key --clearmodifiers ctrl+a ctrl+c
    xclip -o -selection clipboard >"$1/copied.txt" 2>/dev/null || true
    grep -q "Finished checking" "$1/copied.txt" && break
  done
  kill "$pid"
' copy "$work" 2>/dev/null

if ! diff -u "$work/expected.txt" "$work/copied.txt"; then
  echo "the log box does not hold the check's lines"
  exit 1
fi
echo "the log box holds exactly the check's lines"
