#!/usr/bin/env bash
# Under a real X server and window manager (Xvfb, openbox). First, while the user types
# into another program (XTEST keys from xdotool into xev), an alarm comes due (the clock
# jumps to its minute under libfaketime) and the toy's sensor fires in attention mode. The
# ring window and the alert must be seen on the screen, the focus must stay with xev, and
# every key must reach xev: none closes, snoozes or types into our windows.
# Then the user types into the profile card while an alarm rings and another rings two
# minutes later, both over the card. Every key stays in the card; each ring answers a
# click and Escape; the card then saves what was typed.
# Usage: event_windows_x11_test.sh path/to/quillby path/to/libfaketime.so.1 [capture.png]
set -u
quillby=${1:?path to quillby}
faketime=${2:?path to libfaketime}
capture=${3:-}
[ -r "$faketime" ] || { echo "SKIP: libfaketime missing"; exit 77; }
x11_tools=(xdotool xev xwininfo import convert)
source "$(dirname "$0")/x11_session.sh"
mkdir -m 700 "$work/toy"
touch "$work/toy/attached"
export TZ=UTC

# Waits up to $1 seconds for the newest visible window whose name matches $2 and that is
# not $3; prints its id.
window() {
  local id
  for _ in $(seq $(($1 * 10))); do
    id=$(xdotool search --onlyvisible --name "$2" 2>/dev/null | tail -1)
    [ -n "$id" ] && [ "$id" != "${3:-}" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# The alarms: ten minutes ahead, on a whole minute, then ten and twelve minutes after it.
# The clock jumps to each once the user types.
now=$(date -u +%s)
due=$(( (now / 60 + 10) * 60 ))
due2=$((due + 600))
due3=$((due2 + 120))
record() { printf '#%s,,%s,%s,%s,%s,%s,0,,1time,' "$1" $(date -u -d "@$2" '+%Y %m %d %H %M'); }
{ record "Tea is ready" "$due"; record "Call the vet" "$due2"; record "Feed the cat" "$due3"; } >"$work/data/AlarmList.txt"
cp "$work/data/AlarmList.txt" "$work/alarms.before"
echo "+0" >"$work/faketime"
LD_PRELOAD=$faketime FAKETIME_TIMESTAMP_FILE=$work/faketime FAKETIME_NO_CACHE=1 FAKETIME_DONT_FAKE_MONOTONIC=1 \
  "$quillby" --data-dir="$work/data" --toy=virtual:"$work/toy" >"$work/quillby.log" 2>&1 &
pids+=($!)
main=$(window 60 '^FENWICK$') || { cat "$work/quillby.log"; skip "the main window did not show"; }

# Attention mode: Guard Mode (two presses within two seconds), ATTENTION MODE, ON, QUIT.
sleep 1
xdotool mousemove --window "$main" 87 170 click --repeat 2 --delay 300 1
menu=$(window 10 '^Dialog$') || { echo "FAIL: no guard menu"; exit 1; }
xdotool mousemove --window "$menu" 93 136 click 1
sensor=$(window 10 '^Dialog$' "$menu") || { echo "FAIL: no attention mode dialog"; exit 1; }
xdotool mousemove --window "$sensor" 62 253 click 1
for _ in $(seq 50); do "$quillby" --status 2>/dev/null | grep -q 'sensor guard: armed' && break; sleep 0.2; done
"$quillby" --status | grep -q 'sensor guard: armed' || { echo "FAIL: attention mode did not arm"; exit 1; }
xdotool mousemove --window "$sensor" 157 242 click 1

# Another program has the keyboard.
xev -event keyboard -geometry 520x300+20+20 -name elsewhere >"$work/xev.log" 2>&1 &
pids+=($!)
sink=$(window 10 '^elsewhere$') || { echo "FAIL: xev did not show"; exit 1; }
xdotool windowactivate --sync "$sink" 2>/dev/null || xdotool windowfocus --sync "$sink"
[ "$(xdotool getwindowfocus)" = "$sink" ] || { echo "FAIL: xev did not get the focus"; exit 1; }

# 16 lines of 43 characters and Enter, typed wherever the focus is.
line="the quick brown fox jumps over the lazy dog"
(
  for i in $(seq 16); do
    xdotool type --delay 15 "$line"
    xdotool key Return
    sleep 0.4
  done
) &
typist=$!
sleep 1
echo "+$((due + 5 - $(date -u +%s)))" >"$work/faketime" # the alarm's minute
bell=$(window 10 '^Dialog$' "$menu") || fail "no ring window while typing"
[ "$(xdotool getwindowfocus)" = "$sink" ] || fail "the ring window took the focus"
sleep 1
touch "$work/toy/sensor"
alert=$(window 10 "^Hey!! Don't Move!!\$") || fail "no alert while typing"
[ "$(xdotool getwindowfocus)" = "$sink" ] || fail "the alert took the focus"
wait "$typist"

# Seen: each window's place on the screen shows its own yellow picture. The alert lives
# for two ticks and comes back while the sensor fires: the newest one is read at once.
yellow_share() { # window id, capture -> share of the window's screen area in its pictures' yellow
  local geometry
  geometry=$(xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {printf "%dx%d+%d+%d", w, h, x, y}')
  [ "$geometry" != "0x0+0+0" ] || { echo 0; return; }
  convert "$2" -crop "$geometry" +repage \
    -fx '(r > 0.85 && g > 0.7 && b < 0.6) ? 1 : 0' -format '%[fx:mean]' info:
}
seen() { # name, window name pattern, minimum share
  local id share
  for _ in $(seq 5); do
    id=$(window 5 "$2") || break
    import -window root "$work/screen.png"
    share=$(yellow_share "$id" "$work/screen.png")
    if awk -v s="$share" -v m="$3" 'BEGIN { exit !(s > m) }'; then
      echo "$1: $share of its area in its picture's yellow"
      return 0
    fi
  done
  fail "the $1 is not seen on the screen (${share:-no window})"
}
seen "ring window" '^Dialog$' 0.3
seen alert "^Hey!! Don't Move!!\$" 0.3
[ -n "$capture" ] && cp "$work/screen.png" "$capture"
rm -f "$work/toy/sensor"

# Every key reached xev; none reached our windows.
sleep 0.5
presses=$(grep -c '^KeyPress event' "$work/xev.log")
echo "keys that reached the other program: $presses of $((16 * 44))"
[ "$presses" -eq $((16 * 44)) ] || fail "$((16 * 44 - presses)) keys did not reach the other program"
[ "$(xdotool getwindowfocus)" = "$sink" ] || fail "the focus left the other program"
[ -n "${bell:-}" ] && { xwininfo -id "$bell" 2>/dev/null | grep -q IsViewable || fail "the ring window was closed by typing"; }
cmp -s "$work/alarms.before" "$work/data/AlarmList.txt" || fail "the typing changed the alarms (a snooze?)"

# A ring is answered: a click on its clock gives it the keyboard, then Escape closes it.
answer() { # ring window id, what it rings over
  xdotool mousemove --window "$1" 60 60 click 1
  for _ in $(seq 30); do [ "$(xdotool getwindowfocus)" = "$1" ] && break; sleep 0.1; done
  [ "$(xdotool getwindowfocus)" = "$1" ] || fail "a click on the ring $2 did not give it the keyboard"
  xdotool key Escape
  for _ in $(seq 30); do xwininfo -id "$1" 2>/dev/null | grep -q IsViewable || break; sleep 0.1; done
  xwininfo -id "$1" 2>/dev/null | grep -q IsViewable && fail "a click and Escape did not close the ring $2"
}
answer "$bell" "over the other program"
bells_before=$(xdotool search --onlyvisible --name '^Dialog$' 2>/dev/null | sort)

# The profile card: the profile button twice within two seconds, then the name field.
kill "$(pgrep -n xev)" 2>/dev/null
xdotool windowactivate --sync "$main" 2>/dev/null
xdotool mousemove --window "$main" 231 168 click --repeat 2 --delay 300 1
newest() { # seconds -> the id of a visible "Dialog" window not seen before
  local id
  for _ in $(seq $(($1 * 10))); do
    for id in $(xdotool search --onlyvisible --name '^Dialog$' 2>/dev/null); do
      grep -qx "$id" <<<"$bells_before" || { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  return 1
}
card=$(newest 10) || { fail "no profile card"; exit 1; }
bells_before=$(printf '%s\n%s' "$bells_before" "$card")
xdotool mousemove --window "$card" 133 76 click 1
sleep 0.3
xdotool type --delay 150 "Owne"
echo "+$((due2 + 5 - $(date -u +%s)))" >"$work/faketime" # the second alarm, while typing
xdotool type --delay 150 "rabc"
ring2=$(newest 10) || fail "no ring window over the profile card"
bells_before=$(printf '%s\n%s' "$bells_before" "$ring2")
[ "$(xdotool getwindowfocus)" = "$card" ] || fail "the ring window took the focus from the card"
xdotool mousemove --window "$card" 192 174 click 1
sleep 0.3
xdotool type --delay 150 "Ro"
echo "+$((due3 + 5 - $(date -u +%s)))" >"$work/faketime" # two minutes later, the first still open
xdotool type --delay 150 "me"
ring3=$(newest 10) || fail "the alarm two minutes later did not ring while the first rang"
[ "$(xdotool getwindowfocus)" = "$card" ] || fail "the second ring window took the focus from the card"
import -window root "$work/screen.png"
[ -n "$capture" ] && cp "$work/screen.png" "${capture%.png}-card.png"

# Each ring answers a click and Escape, above the open card: the newest, on top, first.
for ring in ${ring3:-} ${ring2:-}; do answer "$ring" "over the card"; done

# The card saves what was typed.
xdotool mousemove --window "$card" 50 298 click 1
for _ in $(seq 50); do [ -s "$work/data/DogProfile.txt" ] && break; sleep 0.1; done
saved=$(cat "$work/data/DogProfile.txt" 2>/dev/null)
echo "profile saved: $saved"
[[ "$saved" == "#Ownerabc#"*"#Rome#"* ]] || fail "the card did not save what was typed"
xdotool search --onlyvisible --name '^Missed alarms$' >/dev/null 2>&1 && fail "an alarm was listed as missed"

[ "$failures" -eq 0 ] && echo "ok"
exit $((failures > 0))
