#!/usr/bin/env bash
# Start-up time, resident memory and idle CPU of the companion next to a bare Qt Widgets
# dialog showing one 308 x 288 picture, both under one Xvfb in one run. The start is also
# compared with the same dialog showing one line of text as well: the companion's window
# shows its owner's name, and the first text a program draws pays for loading the fonts.
# Last, the cost of the tray icon (trayer's XEmbed tray under openbox): CPU and context
# switches per minute of all the program's threads (voluntary and not, from
# /proc/PID/task/*/status), hidden in the tray while nothing happens and no mailbox is
# set, with an IMAP IDLE session open to a local stub (bench/imap_stub.py) and nothing
# arriving, then while the icon blinks after a new-mail announcement (a local POP3 stub
# answers the check); each mailbox is entered in the settings dialog with xdotool. The
# IMAP mailbox's password goes to a gnome-keyring of the run's own session bus, so a
# restart finds it: the time from starting the program to the stub telling it the count
# is the start to first count (median of the runs).
#
#   bench/footprint.sh [build-dir]        (default build/default)
#
# Environment: QUILLBY (the companion binary, default <build-dir>/bin/quillby, built first
# when not given), XVFB_DISPLAY (a display number for Xvfb, default the first free one),
# POP3_PORT and IMAP_PORT (the stubs' loopback ports, default picked by the system), RUNS
# (timed starts of each, default 7), IDLE_SECONDS (default 60), TRAY_SECONDS (each of the
# three tray phases, default 60; each figure is scaled to a minute), PARTS (any of
# "start idle tray", default all three),
# TRAY_HOST (xembed: trayer, the default; sni: a StatusNotifier host on a session bus of
# its own, bench/sni_host.py), QUICK (set: 3 runs and 30 s phases, to try the script), SDL_AUDIODRIVER (default dummy:
# an audio thread that costs what a real one does, without a sound card), SHOW_RUNS (set:
# print each round's start times), SHOW_THREADS (set: context switches per thread).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
quick=${QUICK:+1}
runs=${RUNS:-${quick:+3}}
runs=${runs:-7}
idle_seconds=${IDLE_SECONDS:-${quick:+30}}
idle_seconds=${idle_seconds:-60}
tray_seconds=${TRAY_SECONDS:-${quick:+30}}
tray_seconds=${tray_seconds:-60}
parts=${PARTS:-start idle tray}
tray_host=${TRAY_HOST:-xembed}
has_part() { [[ " $parts " == *" $1 "* ]]; }
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

if [ -z "${QUILLBY:-}" ]; then cmake --build "$build" --target quillby quillby_bare_dialog >/dev/null; fi
quillby=${QUILLBY:-$build/bin/quillby}
hidden=()
if "$quillby" --help 2>/dev/null | grep -q -- --hidden; then hidden=(--hidden); fi
bare=$build/bin/quillby_bare_dialog
picture=resources/bitmaps/129.svg

work=$(mktemp -d)
# A session's runtime folder is a tmpfs (/run/user/<uid>); the lock file is synced there
# for free, on a disk it is not.
runtime_base=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work" "$runtime_base"
}
trap cleanup EXIT

# Xvfb picks a free display and says which.
Xvfb ${XVFB_DISPLAY:-} -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
pids+=($xvfb)
for _ in $(seq 400); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -1 "$work/display")"
if ! xdpyinfo >/dev/null 2>&1; then
  echo "footprint: Xvfb did not start" >&2
  exit 1
fi

# A private runtime folder per companion: one runs per user and folder.
runtime() {
  mkdir -p -m 0700 "$runtime_base/run-$1"
  echo "$runtime_base/run-$1"
}

now_ns() { date +%s%N; }

# The X server's own word that a top-level window was mapped: one listener for the whole
# run. Polling with xdotool instead spawned a process every few milliseconds, which took
# a core from the program being timed.
exec {map_events}< <(xev -root -event substructure 2>/dev/null | grep --line-buffered '^MapNotify')
pids+=($!)

# Starts "$@", waits for its first window to be mapped; sets started_ms and pid. A start
# that dies on the way (a loaded machine's X server can drop a new client) is retried.
start_visible() {
  local t0 attempt line
  for attempt in 1 2 3; do
    while read -r -t 0.05 -u "$map_events" line; do :; done # earlier runs' events
    t0=$(now_ns)
    "$@" >"$work/last.log" 2>&1 &
    pid=$!
    if read -r -t 10 -u "$map_events" line && kill -0 "$pid" 2>/dev/null; then
      started_ms=$((($(now_ns) - t0) / 1000000))
      return 0
    fi
    stop "$pid"
    echo "footprint: $1 showed no window (attempt $attempt): $(tail -1 "$work/last.log")" >&2
  done
  exit 1
}

rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

stop() {
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

# One start of a program: its time and, once it has settled, its resident memory.
measure_once() { # name command...
  local name=$1
  shift
  start_visible "$@"
  sleep 2
  echo "$started_ms" >>"$work/$name.ms"
  rss_kb "$pid" >>"$work/$name.kb"
  stop "$pid"
}

if has_part start; then
  mkdir -p "$work/data"
  quillby_start=("$quillby" --data-dir "$work/data" --toy=none)
  export XDG_RUNTIME_DIR
  XDG_RUNTIME_DIR=$(runtime start)
  # The first start of each warms the caches and writes the data files; it is not counted.
  start_visible "$bare" "$picture" && stop "$pid"
  start_visible "$bare" "$picture" FENWICK && stop "$pid"
  start_visible "${quillby_start[@]}" && stop "$pid"
  for f in bare.ms bare.kb text.ms text.kb quillby.ms quillby.kb; do : >"$work/$f"; done
  # Taken in turns, so that a machine that slows down or speeds up during the run weighs on
  # both alike.
  for _ in $(seq "$runs"); do
    measure_once bare "$bare" "$picture"
    measure_once text "$bare" "$picture" FENWICK
    measure_once quillby "${quillby_start[@]}"
  done

  [ -n "${SHOW_RUNS:-}" ] && paste "$work/bare.ms" "$work/text.ms" "$work/quillby.ms" >&2
  bare_ms=$(median <"$work/bare.ms")
  bare_kb=$(median <"$work/bare.kb")
  text_ms=$(median <"$work/text.ms")
  q_ms=$(median <"$work/quillby.ms")
  q_kb=$(median <"$work/quillby.kb")
  # The median of each round's own ratio: the least moved by a machine whose speed drifts.
  round_ratio() { paste "$work/$1.ms" "$work/quillby.ms" | awk '{ printf "%.4f\n", $2 / $1 }' | median; }
  printf 'start to visible window (median of %d): bare %d ms, quillby %d ms, ratio %.2f (by round %.2f)\n' \
    "$runs" "$bare_ms" "$q_ms" "$(echo "$q_ms / $bare_ms" | bc -l)" "$(round_ratio bare)"
  printf 'with one line of text instead:       bare %d ms, quillby %d ms, ratio %.2f (by round %.2f)\n' \
    "$text_ms" "$q_ms" "$(echo "$q_ms / $text_ms" | bc -l)" "$(round_ratio text)"
  text_kb=$(median <"$work/text.kb")
  printf 'resident memory 2 s after start (median): bare %d kB, with text %d kB, quillby %d kB\n' "$bare_kb" "$text_kb" "$q_kb"
  printf 'start-up memory ratio (quillby / bare dialog with picture and text): %.3f\n' "$(echo "$q_kb / $text_kb" | bc -l)"

fi

if has_part idle; then
  # Idle: both toy settings side by side, hidden from the start, after the start sound.
  hz=$(getconf CLK_TCK)
  declare -A idle_pid
  for toy in none hid; do
    mkdir -p "$work/idle-$toy"
    XDG_RUNTIME_DIR=$(runtime "idle-$toy") "$quillby" "${hidden[@]}" --data-dir "$work/idle-$toy" --toy=$toy >/dev/null 2>&1 &
    idle_pid[$toy]=$!
    pids+=($!)
  done
  sleep 10
  declare -A before
  for toy in none hid; do before[$toy]=$(cpu_ticks "${idle_pid[$toy]}"); done
  sleep "$idle_seconds"
  for toy in none hid; do
    used=$(($(cpu_ticks "${idle_pid[$toy]}") - before[$toy]))
    printf 'idle CPU over %d s, --toy=%s: %.3f %% of a core\n' "$idle_seconds" "$toy" \
      "$(echo "$used * 100 / $hz / $idle_seconds" | bc -l)"
  done
fi

if has_part tray; then
  hz=$(getconf CLK_TCK)
  # Context switches of every live thread: "name/tid switches" per line.
  thread_switches() {
    local t
    for t in /proc/"$1"/task/*; do
      awk -v name="$(tr ' ' _ <"$t/comm")/${t##*/}" '/ctxt_switches/ { n += $2 } END { print name, n }' "$t/status"
    done 2>/dev/null
  }
  # One phase: CPU and context switches per minute over tray_seconds (the switches of
  # the threads alive at its end; one that started during it counts from zero).
  tray_phase() { # label pid
    local cpu0 cpu1 switches
    cpu0=$(cpu_ticks "$2")
    thread_switches "$2" | sort >"$work/sw0"
    sleep "$tray_seconds"
    cpu1=$(cpu_ticks "$2")
    thread_switches "$2" | sort >"$work/sw1"
    join -a2 -e 0 -o 0,1.2,2.2 "$work/sw0" "$work/sw1" |
      awk -v s="$tray_seconds" '{ printf "%s %d\n", $1, ($3 - $2) * 60 / s }' >"$work/sw"
    switches=$(awk '{ n += $2 } END { print n }' "$work/sw")
    printf 'tray (%s) %-6s over %d s: CPU %.3f %% of a core, %d context switches a minute\n' "$tray_host" "$1" "$tray_seconds" \
      "$(echo "($cpu1 - $cpu0) * 100 / $hz / $tray_seconds" | bc -l)" "$switches"
    if [ -n "${SHOW_THREADS:-}" ]; then awk '{ printf "  %-24s %d a minute\n", $1, $2 }' "$work/sw" >&2; fi
  }
  openbox >/dev/null 2>&1 &
  pids+=($!)
  # A session bus of the run's own: the StatusNotifier host and the secret store live there.
  dbus-daemon --session --fork --print-address=1 --print-pid=1 >"$work/bus"
  export DBUS_SESSION_BUS_ADDRESS
  DBUS_SESSION_BUS_ADDRESS=$(head -1 "$work/bus")
  pids+=("$(sed -n 2p "$work/bus")")
  if command -v gnome-keyring-daemon >/dev/null; then
    mkdir -p "$work/keyrings"
    echo -n bench | XDG_DATA_HOME="$work/keyrings" gnome-keyring-daemon --unlock --components=secrets --daemonize >/dev/null 2>&1 || true
  fi
  if [ "$tray_host" = sni ]; then
    # A StatusNotifier watcher that fetches each new icon.
    exec {host_out}< <(exec /usr/bin/python3 bench/sni_host.py "$work/fetches")
    pids+=($!)
    read -r -t 10 -u "$host_out" _
  else
    trayer --edge bottom --align right --widthtype request --height 24 >/dev/null 2>&1 &
    pids+=($!)
  fi
  # Enters a mailbox in the settings dialog as a user does: enter_mailbox SERVER MINUTES
  # START-COMMAND...
  enter_mailbox() {
    local server=$1 minutes=$2 dialog
    shift 2
    "$@" --mail-settings >/dev/null
    dialog=$(xdotool search --sync --name '^MailBox Configure$' | head -1)
    xdotool windowactivate --sync "$dialog" mousemove --window "$dialog" 110 30 click 1
    xdotool type --delay 20 "bench"
    xdotool key Tab type --delay 20 "secret"
    xdotool key Tab type --delay 20 "$server"
    xdotool key Tab ctrl+a type --delay 20 "$minutes"
    xdotool key Return
  }
  # Waits until --status says $1: wait_status TEXT START-COMMAND...
  wait_status() {
    local text=$1
    shift
    for _ in $(seq 450); do
      "$@" --status 2>/dev/null | grep -q -- "$text" && return 0
      sleep 0.2
    done
    echo "footprint: no \"$text\" (status: $("$@" --status 2>&1))" >&2
    exit 1
  }
  exec {stub_out}< <(STUB_PORT=${POP3_PORT:-0} exec python3 bench/pop3_stub.py 3)
  pids+=($!)
  read -r -t 10 -u "$stub_out" pop3_port
  : >"$work/imap-counts"
  exec {imap_out}< <(STUB_PORT=${IMAP_PORT:-0} exec python3 bench/imap_stub.py 3 "$work/imap-counts")
  pids+=($!)
  read -r -t 10 -u "$imap_out" imap_port
  mkdir -p "$work/tray"
  export XDG_RUNTIME_DIR
  XDG_RUNTIME_DIR=$(runtime tray)
  tray_start=("$quillby" --data-dir "$work/tray" --toy=none)
  "${tray_start[@]}" "${hidden[@]}" >/dev/null 2>&1 &
  tray_pid=$!
  pids+=($tray_pid)
  sleep 10
  tray_phase quiet "$tray_pid"

  # A second copy (a runtime folder of its own) with an IMAP mailbox: the session stays
  # open in IDLE and nothing arrives.
  mkdir -p "$work/imap"
  imap_start=("$quillby" --data-dir "$work/imap" --toy=none)
  XDG_RUNTIME_DIR=$(runtime imap) "${imap_start[@]}" "${hidden[@]}" >/dev/null 2>&1 &
  imap_pid=$!
  pids+=($imap_pid)
  sleep 3
  XDG_RUNTIME_DIR=$(runtime imap) enter_mailbox "imap://127.0.0.1:$imap_port" 10 "${imap_start[@]}"
  XDG_RUNTIME_DIR=$(runtime imap) wait_status 'mail: 3 messages' "${imap_start[@]}"
  sleep 5
  tray_phase idle-imap "$imap_pid"

  # Start to first count: the same copy started again finds its mailbox and the password.
  : >"$work/first.ms"
  for _ in $(seq "${runs:-3}"); do
    XDG_RUNTIME_DIR=$(runtime imap) "${imap_start[@]}" --quit >/dev/null 2>&1 || true
    wait "$imap_pid" 2>/dev/null || true
    before=$(wc -l <"$work/imap-counts")
    t0=$(now_ns)
    XDG_RUNTIME_DIR=$(runtime imap) "${imap_start[@]}" "${hidden[@]}" >/dev/null 2>&1 &
    imap_pid=$!
    pids+=($imap_pid)
    for _ in $(seq 500); do
      [ "$(wc -l <"$work/imap-counts")" -gt "$before" ] && break
      sleep 0.02
    done
    if [ "$(wc -l <"$work/imap-counts")" -gt "$before" ]; then
      t1=$(sed -n "$((before + 1))p" "$work/imap-counts" | awk '{ print $2 }')
      echo $(((t1 - t0) / 1000000)) >>"$work/first.ms"
    fi
  done
  if [ -s "$work/first.ms" ]; then
    [ -n "${SHOW_RUNS:-}" ] && tr '\n' ' ' <"$work/first.ms" >&2 && echo >&2
    printf 'start to first count (IMAP, local stub; median of %d): %d ms\n' "$(wc -l <"$work/first.ms")" "$(median <"$work/first.ms")"
  else
    echo "start to first count: not measured (no count within 10 s; is a secret store running?)"
  fi
  XDG_RUNTIME_DIR=$(runtime imap) "${imap_start[@]}" --quit >/dev/null 2>&1 || true
  wait "$imap_pid" 2>/dev/null || true

  # The mailbox, entered as a user does, checked every minute: the first check finds 3
  # messages, the second 4 and announces them.
  enter_mailbox "127.0.0.1:$pop3_port" 1 "${tray_start[@]}"
  wait_status 'mail: 4 messages' "${tray_start[@]}"
  sleep 5
  tray_phase blink "$tray_pid"
fi
