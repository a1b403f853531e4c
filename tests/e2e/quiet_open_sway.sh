#!/usr/bin/env bash
# Under sway (headless), which focuses every new window: while a virtual keyboard types
# 16 lines into another program, an alarm comes due (the clock jumps to its minute under
# libfaketime) and the toy's sensor fires in attention mode. Every character must reach
# that program, and the ring window and the alert must appear once the typing pauses.
# Usage: quiet_open_sway.sh BUILD_DIR LIBFAKETIME [capture.png]
set -euo pipefail
build=$(cd "$1" && pwd)
faketime=${2:-}
capture=${3:-}
[ -r "$faketime" ] || { echo "SKIP: libfaketime missing"; exit 77; }
command -v swaymsg >/dev/null || { echo "SKIP: swaymsg missing"; exit 77; }
sway_programs=(quillby e2e_text_sink e2e_click)
source "$(dirname "$0")/sway_session.sh"

for _ in $(seq 50); do ls "$run"/sway-ipc.*.sock >/dev/null 2>&1 && break; sleep 0.1; done
export SWAYSOCK=$(ls "$run"/sway-ipc.*.sock | head -1)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# The newest window named $1 (a regular expression) as "id x y focused visible".
find_window() {
  swaymsg -r -t get_tree | python3 -c '
import json, re, sys
found = []
def walk(n):
    if n.get("name") and re.search(sys.argv[1], n["name"]) and n.get("pid"):
        r, w = n["rect"], n["window_rect"]
        found.append((n["id"], r["x"] + w["x"], r["y"] + w["y"], int(n["focused"]), int(bool(n.get("visible")))))
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        walk(c)
walk(json.load(sys.stdin))
if found:
    print(*max(found))' "$1"
}
wait_window() { # seconds, pattern, id to skip
  local w
  for _ in $(seq $(($1 * 10))); do
    w=$(find_window "$2")
    [ -n "$w" ] && [ "${w%% *}" != "${3:-}" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}
# Headless sway has no pointer: clicks come from a virtual one.
layout=$(swaymsg -r -t get_outputs | python3 -c 'import json, sys; r = json.load(sys.stdin)[0]["rect"]; print(r["width"], r["height"])')
click() { # window description, x, y inside it
  read -r _ wx wy _ <<<"$1"
  as_user "${wl[@]}" "$build/bin/e2e_click" $((wx + $2)) $((wy + $3)) $layout
}

# The alarm: ten minutes ahead on a whole minute; the clock jumps there once typing starts.
mkdir -p "$work/toy" && touch "$work/toy/attached"
now=$(date -u +%s)
due=$(( (now / 60 + 10) * 60 ))
printf '#Tea is ready,,%s,%s,%s,%s,%s,0,,1time,' $(date -u -d "@$due" '+%Y %m %d %H %M') >"$work/data/AlarmList.txt"
cp "$work/data/AlarmList.txt" "$work/alarms.before"
echo "+0" >"$work/faketime"
chmod 644 "$work/faketime"
[ "$(id -u)" -eq 0 ] && chown -R "$user" "$work/data" "$work/toy"
spawn_as_user "${wl[@]}" TZ=UTC SDL_AUDIODRIVER=dummy LD_PRELOAD="$faketime" FAKETIME_TIMESTAMP_FILE="$work/faketime" \
  FAKETIME_NO_CACHE=1 FAKETIME_DONT_FAKE_MONOTONIC=1 \
  "$build/bin/quillby" --data-dir="$work/data" --toy=virtual:"$work/toy" >"$work/quillby.log" 2>&1 &
pids+=($!)
main=$(wait_window 60 '^FENWICK$') || { cat "$work/quillby.log"; echo "FAIL: no main window"; exit 1; }

# Attention mode: Guard Mode (two presses within two seconds), ATTENTION MODE, ON, QUIT.
sleep 1
click "$main" 87 170; sleep 0.3; click "$main" 87 170
menu=$(wait_window 10 '^Dialog$') || { echo "FAIL: no guard menu"; exit 1; }
click "$menu" 93 136
sensor=$(wait_window 10 '^Dialog$' "${menu%% *}") || { echo "FAIL: no attention mode dialog"; exit 1; }
click "$sensor" 62 253
status() { as_user "${wl[@]}" "$build/bin/quillby" --status 2>/dev/null || true; }
for _ in $(seq 50); do status | grep -q 'sensor guard: armed' && break; sleep 0.2; done
status | grep -q 'sensor guard: armed' || { echo "FAIL: attention mode did not arm: $(status)"; exit 1; }
click "$sensor" 157 242

# Another program has the keyboard: sway focuses it as it maps.
spawn_as_user "${wl[@]}" "$build/bin/e2e_text_sink" "$work/home/typed" >"$work/sink.log" 2>&1 &
pids+=($!)
sink=$(wait_window 10 '^elsewhere$') || { echo "FAIL: the text box did not show"; exit 1; }
sleep 1
[ "$(find_window '^elsewhere$' | cut -d' ' -f4)" = 1 ] || { echo "FAIL: the text box has no focus"; exit 1; }

# 16 lines of 43 characters and Enter, typed without a pause.
line="the quick brown fox jumps over the lazy dog"
# A new virtual keyboard's first key goes before the program has its key map: a Shift.
keys=(-k Shift_L)
for _ in $(seq 16); do keys+=("$line" -k Return); done
as_user "${wl[@]}" wtype -d 12 "${keys[@]}" &
typist=$!
sleep 1
echo "+$((due + 5 - $(date -u +%s)))" >"$work/faketime" # the alarm's minute
sleep 1
touch "$work/toy/sensor"
wait "$typist"
sleep 0.3
echo "right after the typing: ring window $(find_window '^Dialog$'), alert $(find_window "^Hey")"
typed=$(head -1 "$work/home/typed" 2>/dev/null || echo 0)
echo "characters that reached the other program: $typed of $((16 * 44))"
[ "$typed" -eq $((16 * 44)) ] || { fail "$((16 * 44 - typed)) characters did not reach the other program"; tail -n +2 "$work/home/typed"; }

# The pause: the ring window and the alert appear.
bell=$(wait_window 10 '^Dialog$') || fail "no ring window after the typing stopped"
alert=$(wait_window 10 "^Hey!! Don't Move!!\$") || fail "no alert after the typing stopped"
echo "ring window: ${bell:-none}; alert: ${alert:-none}"
if [ -n "$capture" ] && command -v grim >/dev/null; then
  # The alert comes and goes with the ticks: keep a capture taken while it stood.
  for _ in $(seq 10); do
    find_window "^Hey!! Don't Move!!\$" | grep -q . || { sleep 0.3; continue; }
    as_user "${wl[@]}" grim "$work/home/screen.png"
    find_window "^Hey!! Don't Move!!\$" | grep -q . && break
  done
  cp "$work/home/screen.png" "$capture"
fi
rm -f "$work/toy/sensor"
# A second start raises the window: where the platform has no raise, it is not called.
as_user "${wl[@]}" "$build/bin/quillby" >/dev/null 2>&1 || true
sleep 1
cmp -s "$work/alarms.before" "$work/data/AlarmList.txt" || fail "the typing changed the alarms (a snooze?)"
if grep -q "does not support" "$work/quillby.log"; then
  fail "the program called what the platform cannot do:"; grep "does not support" "$work/quillby.log" | sort | uniq -c
fi
[ "$failures" -eq 0 ] && echo ok
exit $((failures > 0))
