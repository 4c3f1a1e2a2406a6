# Shell helpers for scripts that need a private virtual screen. Source it;
# it keeps the PIDs it starts in $screen_pids for the caller to stop.
screen_pids=()

# start_virtual_screen WORKDIR [DEPTH] [SIZE]: starts Xvfb on a free display
# (it writes the number on a descriptor once it accepts clients; -noreset keeps
# the screen when the last client leaves), SIZE (default 640x480) pixels, and
# exports DISPLAY.
start_virtual_screen() {
  local work=$1 depth=${2:-24} size=${3:-640x480}
  local numberfile=$work/display
  # Emptied first: a number left by an earlier screen in the same WORKDIR
  # would otherwise be read before the new Xvfb has written its own.
  : >"$numberfile"
  Xvfb -displayfd 3 -screen 0 "${size}x$depth" -noreset -nolisten tcp 3>"$numberfile" \
    2>"$work/xvfb.log" &
  screen_pids+=($!)
  for _ in $(seq 100); do [ -s "$numberfile" ] && break; sleep 0.1; done
  if ! [ -s "$numberfile" ]; then
    echo "Xvfb did not start (see $work/xvfb.log)" >&2
    return 1
  fi
  export DISPLAY=:$(head -n 1 "$numberfile")
}

# start_bench_screen WORKDIR BIN: the screen a benchmark measures on. Xvfb as
# above, or with BENCH_DESKTOP=gnome a headless GNOME desktop
# (scripts/headless-gnome, its share dialog built in BIN), where the advisor
# reads its screen through the screen-sharing portal, or with
# BENCH_DESKTOP=sway a headless sway (scripts/headless-sway), where it reads
# it through sway's screen copy. The desktop's environment is exported for
# everything started afterwards.
start_bench_screen() {
  local work=$1 bin=$2
  local scripts
  scripts=$(dirname "${BASH_SOURCE[0]}")
  case "${BENCH_DESKTOP:-}" in
    gnome) "$scripts/headless-gnome" "$work/desktop" "$bin" >"$work/desktop.log" 2>&1 & ;;
    sway) "$scripts/headless-sway" "$work/desktop" >"$work/desktop.log" 2>&1 & ;;
    *)
      start_virtual_screen "$work"
      return
      ;;
  esac
  screen_pids+=($!)
  for _ in $(seq 300); do [ -s "$work/desktop/env" ] && break; sleep 0.1; done
  if ! [ -s "$work/desktop/env" ]; then
    echo "the desktop did not start (see $work/desktop.log)" >&2
    return 1
  fi
  set -a
  . "$work/desktop/env"
  set +a
}

# start_screen_sim BIN WORKDIR [OPTIONS...]: the simulated game, logging its
# states to WORKDIR/states.log; returns once the first state is on the screen.
start_screen_sim() {
  local bin=$1 work=$2
  shift 2
  "$bin/screen-sim" --log "$work/states.log" "$@" 2>"$work/screen-sim.log" &
  screen_pids+=($!)
  for _ in $(seq 100); do [ -s "$work/states.log" ] && break; sleep 0.1; done
  [ -s "$work/states.log" ]
}

# install_counting_converter WORKDIR: writes WORKDIR/bin/convert, which adds a
# line to the file $CONVERT_COUNT names and then runs the real converter, so
# that a bench can count frames by putting WORKDIR/bin first on PATH.
install_counting_converter() {
  local real
  real=$(command -v convert) || { echo "no convert on PATH" >&2; return 1; }
  mkdir -p "$1/bin"
  cat >"$1/bin/convert" <<WRAPPER
#!/bin/sh
echo >> "\$CONVERT_COUNT"
exec "$real" "\$@"
WRAPPER
  chmod +x "$1/bin/convert"
}

# stop_screen_processes: ends everything started above, newest first.
stop_screen_processes() {
  local i
  for (( i=${#screen_pids[@]}-1; i>=0; i-- )); do kill "${screen_pids[i]}" 2>/dev/null; done
  for i in "${screen_pids[@]}"; do wait "$i" 2>/dev/null; done
  screen_pids=()
}
