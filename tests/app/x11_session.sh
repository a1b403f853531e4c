# Sourced by the X11 screen tests: Xvfb on a display it picks itself, with openbox, and a
# private runtime, home and data folder. Needs the list x11_tools (checked before
# anything starts); sets work, pids, DISPLAY, skip and fail (counting into failures), and
# cleans up on exit.
skip() { echo "SKIP: $*"; exit 77; }
for tool in Xvfb openbox "${x11_tools[@]}"; do
  command -v "$tool" >/dev/null || skip "$tool missing"
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done # also under set -e
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$work/run" "$work/home" "$work/data"
export XDG_RUNTIME_DIR=$work/run HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 3>"$work/display" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || skip "Xvfb did not start"
export DISPLAY=:$(head -n1 "$work/display")
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
