# Sourced by the sway tests: a headless sway as a non-root user (sway refuses root), with
# copies of the named programs from the build's bin/ in a folder that user may enter.
# Needs $1 = BUILD_DIR and the list sway_programs; sets work, build, wl (the environment
# of a Wayland client), pids and as_user / spawn_as_user, and cleans up on exit.
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
for program in "${sway_programs[@]}"; do cp "$build/bin/$program" "$work/bin/"; done
build="$work"
# No Xwayland: it would leave /tmp/.X11-unix owned by the test user.
printf 'xwayland disable\noutput * bg #204060 solid_color\n' >"$work/sway.conf"
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
