#!/usr/bin/env bash
# The program under sway (headless, as a non-root user: sway refuses root): it runs on
# the Wayland platform, names the Wayland idle protocol in --status, and the protocol's
# idle time stays low while a virtual keyboard types and grows once it stops.
# Usage: leave_mode_sway.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
for tool in sway wtype; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (tools/install-deps.sh)"; exit 77; }
done

user=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  user=quillby-test
  id "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
fi
as_user() {
  if [ "$(id -u)" -eq 0 ]; then setpriv --reuid="$user" --regid="$(id -g "$user")" --init-groups env "$@"; else env "$@"; fi
}
# Started in the background: the command takes the subshell's place, so $! is its own
# process and the clean-up ends it.
spawn_as_user() {
  if [ "$(id -u)" -eq 0 ]; then exec setpriv --reuid="$user" --regid="$(id -g "$user")" --init-groups env "$@"; else exec env "$@"; fi
}

work=$(mktemp -d)
chmod 755 "$work"
run="$work/run"
mkdir -m 700 -p "$run" "$work/data" "$work/home"
[ "$(id -u)" -eq 0 ] && chown "$user" "$run" "$work/data" "$work/home"
# The build tree may sit in a folder the test user cannot enter (root's home): run copies.
mkdir -m 755 "$work/bin"
cp "$build/bin/quillby" "$build/bin/e2e_idle_probe" "$work/bin/"
build="$work"
printf 'output * bg #204060 solid_color\n' >"$work/sway.conf"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
env_common=(-u DISPLAY -u XDG_SESSION_TYPE -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY HOME="$work/home" XDG_RUNTIME_DIR="$run")

spawn_as_user "${env_common[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
  sway --config "$work/sway.conf" >"$work/sway.log" 2>&1 &
pids+=($!)
socket=""
for _ in $(seq 100); do
  socket=$(cd "$run" && ls wayland-* 2>/dev/null | grep -v lock | head -1) && [ -n "$socket" ] && break
  sleep 0.1
done
[ -n "$socket" ] || { echo "sway did not start"; cat "$work/sway.log"; exit 1; }
wl=("${env_common[@]}" WAYLAND_DISPLAY="$socket")

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
