#!/usr/bin/env bash
# Leave mode on a real X server: armed with one minute by clicks, 100 s of typing and
# pointer moves in another program (XTEST input) must not start it; it must start
# within 80 s after that input stops. Usage: leave_mode_x11.sh BUILD_DIR
set -euo pipefail
bin="$1/bin/quillby"
x11_tools=(xdotool xmessage)
source "$(dirname "$0")/../app/x11_session.sh"
unset XDG_SESSION_TYPE

"$bin" --data-dir="$work/data" --toy=none >"$work/quillby.log" 2>&1 &
pids+=($!)
status() { "$bin" --status 2>/dev/null || true; }
# Waits up to $1 seconds for a window named $2 to show; prints its id.
window() {
  local id=""
  for _ in $(seq $(($1 * 5))); do
    id=$(xdotool search --onlyvisible --name "$2" 2>/dev/null | tail -1) && [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.2
  done
  echo "no window named $2" >&2; cat "$work/quillby.log" >&2; exit 1
}

main=$(window 90 '^FENWICK$|^quillby$')
sleep 1
# Guard Mode (its press guard wants two presses within two seconds), LEAVE MODE, ON.
xdotool mousemove --window "$main" 87 170 click --repeat 2 --delay 300 1
menu=$(window 10 '^Dialog$')
xdotool mousemove --window "$menu" 212 140 click 1
for _ in $(seq 50); do
  wait_dlg=$(xdotool search --onlyvisible --name '^Dialog$' | tail -1)
  [ "$wait_dlg" != "$menu" ] && break
  sleep 0.2
done
xdotool mousemove --window "$wait_dlg" 64 254 click 1
for _ in $(seq 50); do status | grep -q 'leave mode: on (1 min)' && break; sleep 0.2; done
status | grep 'leave mode: on (1 min)' || { echo "leave mode did not arm: $(status)"; exit 1; }
status | grep -q 'idle: X11 screen saver extension' || { echo "wrong idle backend: $(status)"; exit 1; }

# Another program takes the keyboard; the user types and moves the pointer there.
xmessage -geometry 300x100+10+10 -name elsewhere "elsewhere" &
pids+=($!)
other=$(window 10 '^elsewhere$')
xdotool windowactivate "$other" 2>/dev/null || xdotool windowfocus "$other"
start=$SECONDS
while [ $((SECONDS - start)) -lt 100 ]; do
  xdotool mousemove --sync $((20 + RANDOM % 250)) $((20 + RANDOM % 80)) key --window "$other" a
  sleep 2
  if status | grep -q 'sensor guard: armed'; then
    echo "FAIL: leave mode fired after $((SECONDS - start)) s while the user worked elsewhere"
    exit 1
  fi
done
echo "not fired during $((SECONDS - start)) s of input elsewhere"

stopped=$SECONDS
while [ $((SECONDS - stopped)) -lt 80 ]; do
  if status | grep -q 'sensor guard: armed'; then
    echo "fired $((SECONDS - stopped)) s after the input stopped"
    exit 0
  fi
  sleep 1
done
echo "FAIL: not fired within 80 s after the input stopped: $(status)"
exit 1
