#!/usr/bin/env bash
# Start-up time, resident memory and idle CPU of the companion next to a bare Qt Widgets
# dialog showing one 308 x 288 picture, both under one Xvfb in one run. The start is also
# compared with the same dialog showing one line of text as well: the companion's window
# shows its owner's name, and the first text a program draws pays for loading the fonts.
#
#   bench/footprint.sh [build-dir]        (default build/default)
#
# Environment: QUILLBY (the companion binary, default <build-dir>/bin/quillby), RUNS (timed starts of each, default 7), IDLE_SECONDS (default 600),
# DISPLAY_NUMBER (Xvfb display, default 99), SDL_AUDIODRIVER (default dummy: an audio
# thread that costs what a real one does, without a sound card), SHOW_RUNS (set: print
# each round's start times).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
runs=${RUNS:-7}
idle_seconds=${IDLE_SECONDS:-600}
display_number=${DISPLAY_NUMBER:-99}
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

cmake --build "$build" --target quillby quillby_bare_dialog >/dev/null
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

Xvfb ":$display_number" -noreset -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
pids+=($xvfb)
export DISPLAY=":$display_number"
for _ in $(seq 600); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
if [ "$(tr -d ' ' <"/tmp/.X$display_number-lock" 2>/dev/null)" != "$xvfb" ] || ! xdpyinfo >/dev/null 2>&1; then
  echo "footprint: Xvfb :$display_number did not start (display in use? set DISPLAY_NUMBER)" >&2
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
printf 'resident memory (median):            bare %d kB, quillby %d kB, ratio %.2f\n' \
  "$bare_kb" "$q_kb" "$(echo "$q_kb / $bare_kb" | bc -l)"

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
