#!/usr/bin/env bash
# screenshot.sh PROGRAM OUT.png: starts the window program on a virtual
# display, waits for its check pass to fill the log, and saves the main
# window as a picture.
set -euo pipefail
program=$1
out=$2

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$1" &
  pid=$!
  window=$(xdotool search --sync --onlyvisible --name "eDonkey2k Brisquen" | head -n 1)
  sleep 2
  import -window "$window" "$2"
  kill "$pid"
' screenshot "$program" "$out" 2>/dev/null
