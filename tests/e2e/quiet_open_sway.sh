#!/usr/bin/env bash
# Under sway (headless), which focuses every new window: while a virtual keyboard types
# 16 lines into another program the way people do (about 22 keys a second, a pause of two
# seconds after each line), an alarm comes due (the clock jumps to its minute under
# libfaketime) and the toy's sensor fires in attention mode. Every character must reach
# that program; the desktop notifications (a mock service on a bus of the test's own) tell
# of the alarm, with its buttons, and of the alert; the ring window shows when the user
# asks for it from the notification.
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
# The desktop's notification service: a mock that offers buttons, on a session bus of the
# test's own, asked afterwards what it was sent.
py=""
for candidate in python3 /usr/bin/python3; do
  "$candidate" -c 'import dbus, dbusmock' 2>/dev/null && { py=$candidate; break; }
done
[ -n "$py" ] && command -v dbus-daemon >/dev/null || { echo "SKIP: python3-dbusmock or dbus-daemon missing"; exit 77; }
spawn_as_user "${wl[@]}" dbus-daemon --session --nofork --address="unix:path=$run/bus" >"$work/bus.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$run/bus" ] && break; sleep 0.1; done
wl+=(DBUS_SESSION_BUS_ADDRESS="unix:path=$run/bus")
spawn_as_user "${wl[@]}" "$py" -m dbusmock --template notification_daemon \
  --parameters '{"capabilities": "body actions"}' >"$work/notifications.log" 2>&1 &
pids+=($!)
# "wait": until the service answers. "list": one line per notification sent,
# "id|summary|body|button labels...". "press ID LABEL": the user presses that button.
notifications() {
  as_user "${wl[@]}" "$py" -c '
import dbus, sys, time
bus = dbus.SessionBus()
for _ in range(100):
    if bus.name_has_owner("org.freedesktop.Notifications"):
        break
    time.sleep(0.1)
mock = dbus.Interface(bus.get_object("org.freedesktop.Notifications",
    "/org/freedesktop/Notifications"), "org.freedesktop.DBus.Mock")
sent, next_id = {}, 1
for _, (_, replaces, _, summary, body, actions, _, _) in mock.GetMethodCalls("Notify"):
    nid = int(replaces) or next_id
    next_id += not replaces
    sent[nid] = [str(summary), str(body)] + [str(a) for a in actions]
if sys.argv[1] == "wait":
    pass
elif sys.argv[1] == "list":
    for nid, (summary, body, *actions) in sent.items():
        print(nid, summary, body, *actions[1::2], sep="|")
else:
    actions = sent[int(sys.argv[2])][2:]
    key = actions[actions[1::2].index(sys.argv[3]) * 2]
    mock.EmitSignal("org.freedesktop.Notifications", "ActionInvoked", "us", [int(sys.argv[2]), key])
' "$@"
}
notifications wait || { echo "FAIL: the mock notification service did not start"; cat "$work/notifications.log"; exit 1; }

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

# 16 lines of 43 characters and Enter at about 22 keys a second, with a pause of two
# seconds after each line: a window that maps by itself would do so in a pause.
line="the quick brown fox jumps over the lazy dog"
# A new virtual keyboard's first key goes before the program has its key map: a Shift.
keys=(-d 45 -k Shift_L)
for _ in $(seq 16); do keys+=("$line" -k Return -s 2000); done
as_user "${wl[@]}" wtype "${keys[@]}" &
typist=$!
sleep 1
echo "+$((due + 5 - $(date -u +%s)))" >"$work/faketime" # the alarm's minute
sleep 1
touch "$work/toy/sensor"
wait "$typist"
typed=$(head -1 "$work/home/typed" 2>/dev/null || echo 0)
echo "characters that reached the other program: $typed of $((16 * 44))"
[ "$typed" -eq $((16 * 44)) ] || { fail "$((16 * 44 - typed)) characters did not reach the other program"; tail -n +2 "$work/home/typed"; }
rm -f "$work/toy/sensor"

# The notifications told of both at once: the alarm with its buttons, and the alert.
sent=$(notifications list)
echo "notifications sent (how many of each):"; cut -d'|' -f2- <<<"$sent" | sort | uniq -c
alarm=$(grep -m1 '^[0-9]*|Tea is ready|' <<<"$sent" || true)
[ -n "$alarm" ] || fail "no notification of the alarm"
for button in "Snooze 10 min" Dismiss Show; do
  [ -z "$alarm" ] || [[ "|${alarm#*|*|*|}|" == *"|$button|"* ]] || fail "the alarm's notification has no \"$button\""
done
grep -q "^[0-9]*|Hey!! Don't Move!!|" <<<"$sent" || fail "no notification of the alert"

# The user asks for the ring window from the notification: it shows.
[[ "$alarm" == *"|Show"* ]] && notifications press "${alarm%%|*}" Show
bell=$(wait_window 10 '^Dialog$') || fail "no ring window after \"Show\" was pressed"
echo "ring window: ${bell:-none}"
if [ -n "$capture" ] && [ -n "$bell" ] && command -v grim >/dev/null; then
  sleep 0.5
  as_user "${wl[@]}" grim "$work/home/screen.png" && cp "$work/home/screen.png" "$capture"
fi
# A second start raises the window: where the platform has no raise, it is not called.
as_user "${wl[@]}" "$build/bin/quillby" >/dev/null 2>&1 || true
sleep 1
cmp -s "$work/alarms.before" "$work/data/AlarmList.txt" || fail "the typing changed the alarms (a snooze?)"
if grep -q "does not support" "$work/quillby.log"; then
  fail "the program called what the platform cannot do:"; grep "does not support" "$work/quillby.log" | sort | uniq -c
fi
[ "$failures" -eq 0 ] && echo ok
exit $((failures > 0))
