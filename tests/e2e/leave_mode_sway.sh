#!/usr/bin/env bash
# The program under sway (headless, as a non-root user: sway refuses root): it runs on
# the Wayland platform, names the Wayland idle protocol in --status, and the protocol's
# idle time stays low while a virtual keyboard types and grows once it stops.
# Usage: leave_mode_sway.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
sway_programs=(quillby e2e_idle_probe)
source "$(dirname "$0")/sway_session.sh"

spawn_as_user "${wl[@]}" "$build/bin/quillby" --data-dir="$work/data" --toy=none >"$work/quillby.log" 2>&1 &
pids+=($!)
state=""
for _ in $(seq 100); do
  state=$(as_user "${wl[@]}" "$build/bin/quillby" --status 2>/dev/null) && break
  sleep 0.2
done
echo "status: $state"
grep -q 'idle: Wayland ' <<<"$state" || { echo "FAIL: no Wayland idle protocol in use"; cat "$work/quillby.log"; exit 1; }
if grep -q "no display available" "$work/quillby.log"; then
  echo "FAIL: the program fell back to offscreen under sway"; exit 1
fi

# The idle time as the program's idle seam reads it, once a second.
spawn_as_user "${wl[@]}" "$build/bin/e2e_idle_probe" wayland >"$work/probe.log" 2>&1 &
pids+=($!)
start=$SECONDS
while [ $((SECONDS - start)) -lt 20 ]; do
  as_user "${wl[@]}" wtype a
  sleep 1
done
typing=$(tail -n +2 "$work/probe.log" | tail -n 15 | sort -n | tail -1)
echo "highest idle while typing: ${typing:-none} ms"
sleep 15
after=$(tail -1 "$work/probe.log")
echo "idle 15 s after typing stopped: $after ms"
[ -n "$typing" ] && [ "$typing" -lt 7000 ] || { echo "FAIL: typing did not keep the session in use"; exit 1; }
[ "$after" -ge 10000 ] || { echo "FAIL: the idle time did not grow after typing stopped"; exit 1; }
echo ok
