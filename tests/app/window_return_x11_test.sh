#!/usr/bin/env bash
# Under a real X server and window manager (Xvfb, openbox), with and without an XEmbed
# tray (trayer): after the close box, Escape and minimise, `--show` and a second start
# bring the window back mapped, not minimised and holding the keyboard focus, even while
# another program had it. Usage: window_return_x11_test.sh path/to/quillby
set -u
quillby=${1:?path to quillby}
x11_tools=(xdotool xprop xwininfo xlogo)
source "$(dirname "$0")/x11_session.sh"

# Waits up to 15 s for a condition (a command line).
wait_for() { for _ in $(seq 150); do eval "$1" && return 0; sleep 0.1; done; return 1; }
main_window() { xdotool search --onlyvisible --name '^FENWICK$' 2>/dev/null | head -n1; }
is_minimised() { xprop -id "$1" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_HIDDEN; }
is_back() {
  local w
  w=$(main_window)
  [ -n "$w" ] || return 1
  xwininfo -id "$w" | grep -q 'Map State: IsViewable' || return 1
  ! is_minimised "$w" || return 1
  [ "$(xdotool getwindowfocus 2>/dev/null)" = "$w" ] || return 1
  [ "$(xdotool getactivewindow 2>/dev/null)" = "$w" ]
}
is_gone() {
  local w=$1
  ! xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable' || is_minimised "$w"
}

# The middle of trayer's strip, which holds our icon alone.
tray_icon_at() {
  local t geometry
  t=$(xdotool search --onlyvisible --class trayer 2>/dev/null | head -n1)
  [ -n "$t" ] || return 1
  geometry=$(xwininfo -id "$t") || return 1
  local x y w h
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$geometry")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$geometry")
  w=$(sed -n 's/.*Width: *//p' <<<"$geometry")
  h=$(sed -n 's/.*Height: *//p' <<<"$geometry")
  [ "$w" -gt 4 ] || return 1
  echo "$((x + w / 2)) $((y + h / 2))"
}

run_case() { # tray-label hide-way return-way
  local label=$1 hide=$2 back=$3 w other
  wait_for '[ -n "$(main_window)" ]' || { fail "$label: no main window"; return; }
  w=$(main_window)
  xdotool windowactivate --sync "$w" >/dev/null 2>&1
  case $hide in
    close) xdotool key --clearmodifiers alt+F4 ;;
    escape) xdotool key --clearmodifiers Escape ;;
    minimise) xdotool windowminimize "$w" ;;
  esac
  wait_for "is_gone $w" || { fail "$label: $hide left the window on screen"; return; }
  # Another program has the keyboard when the user asks for the window back.
  xdotool windowactivate --sync "$other_window" >/dev/null 2>&1
  case $back in
    show) "$quillby" --show >/dev/null ;;
    second) "$quillby" --data-dir="$work/data" --toy=none >>"$work/second.log" 2>&1 ;;
    tray) # a click on our icon, the only one in trayer's strip
      wait_for 'tray_icon_at >/dev/null' || { fail "$label: no tray icon after $hide"; return; }
      xdotool mousemove $(tray_icon_at) click 1 ;;
  esac
  if wait_for is_back; then
    echo "ok: $label: $hide, then $back"
  else
    fail "$label: $hide, then $back: window $(main_window) focus $(xdotool getwindowfocus) active $(xdotool getactivewindow 2>/dev/null)"
    "$quillby" --show >/dev/null # the next case starts from a shown window
  fi
}

xlogo -geometry 200x200+900+100 >/dev/null 2>&1 &
pids+=($!)
wait_for '[ -n "$(xdotool search --onlyvisible --class xlogo 2>/dev/null)" ]' || skip "xlogo did not map"
other_window=$(xdotool search --onlyvisible --class xlogo | head -n1)

"$quillby" --data-dir="$work/data" --toy=none >"$work/first.log" 2>&1 &
app=$!
pids+=($app)
# The first case starts once the program answers, so its event loop runs (a slow build,
# such as the sanitizers', is still setting up when its window maps).
wait_for '"$quillby" --status >/dev/null 2>&1' || fail "the program does not answer --status"
for hide in close escape minimise; do
  for back in show second; do run_case "no tray" "$hide" "$back"; done
done

if command -v trayer >/dev/null; then
  trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
  pids+=($!)
  wait_for 'xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null && [ -n "$(xdotool search --class trayer 2>/dev/null)" ]'
  # The tray is seen at the next hide: the window goes there, not to the task bar.
  for hide in close escape minimise; do
    for back in show second; do run_case "tray" "$hide" "$back"; done
  done
  for hide in close escape; do run_case "tray" "$hide" tray; done
else
  echo "trayer missing: tray cases not run"
fi

"$quillby" --quit >/dev/null
wait "$app" 2>/dev/null
if [ "$failures" -ne 0 ]; then
  echo "--- first copy's log"; cat "$work/first.log"
  exit 1
fi
echo "all cases came back focused"
