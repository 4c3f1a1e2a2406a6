# Shell helpers shared by scripts/headless-gnome, headless-kde and headless-sway: a
# private desktop session in $work whose processes are started, awaited with a
# bounded timeout, recorded in pid files and all stopped when the script ends.
# The sourcing script sets work, me (its name for messages), timeout (seconds),
# parent (the PID whose end also ends the desktop) and top (the source tree).

desktop_names=()    # the processes started, in order, by their pid file names
desktop_x_displays=()
desktop_remove_at_stop=()   # folders outside $work to remove at stop
desktop_deadline=0

need_program() {
  command -v "$1" >/dev/null && return 0
  echo "$me: $1 is missing (scripts/install-deps installs what the desktop tests need)" >&2
  return 1
}

# X servers (Xwayland too) put their sockets in /tmp/.X11-unix and insist that
# it is world-writable with the sticky bit. mutter makes it through its umask
# when it is missing (1755 under 022) and then refuses its own folder, so it
# is made here as X servers make it.
desktop_check_x11_unix() {
  if [ ! -d /tmp/.X11-unix ]; then
    (umask 0 && mkdir -m 1777 /tmp/.X11-unix) 2>/dev/null || [ -d /tmp/.X11-unix ]
  fi
  local mode
  mode=$(stat -c %a /tmp/.X11-unix 2>/dev/null) || mode=missing
  [ "$mode" = 1777 ] && return 0
  echo "$me: /tmp/.X11-unix must be mode 1777 for Xwayland (it is $mode);" \
    "as root: chmod 1777 /tmp/.X11-unix" >&2
  return 1
}

# A fresh runtime folder and private XDG folders in $work; nothing of the
# caller's desktop (display, bus, PipeWire) reaches the processes started here.
desktop_prepare() {
  rm -f "$work"/env "$work"/*.pid
  rm -rf "$work/runtime" "$work/bus"
  mkdir -m 0700 "$work/runtime" || exit 1
  mkdir -p "$work/home/config" "$work/home/state" "$work/home/data" "$work/home/cache"
  unset DISPLAY WAYLAND_DISPLAY XAUTHORITY PIPEWIRE_REMOTE DBUS_SESSION_BUS_ADDRESS \
    XDG_SESSION_TYPE XDG_CURRENT_DESKTOP SWAYSOCK
  export XDG_RUNTIME_DIR=$work/runtime PIPEWIRE_RUNTIME_DIR=$work/runtime
  export XDG_CONFIG_HOME=$work/home/config XDG_STATE_HOME=$work/home/state
  export XDG_DATA_HOME=$work/home/data XDG_CACHE_HOME=$work/home/cache
  desktop_deadline=$((SECONDS + timeout))
  trap 'exit 0' TERM INT HUP
  trap desktop_stop EXIT
}

# desktop_start NAME COMMAND...: runs COMMAND in the background with its
# output in NAME.log and its PID in NAME.pid.
desktop_start() {
  local name=$1
  shift
  "$@" </dev/null >"$work/$name.log" 2>&1 &
  echo $! >"$work/$name.pid"
  desktop_names+=("$name")
}

desktop_alive() { [ -s "$work/$1.pid" ] && kill -0 "$(cat "$work/$1.pid")" 2>/dev/null; }

# desktop_wait WHAT NAME COMMAND...: polls COMMAND until it succeeds. Fails,
# naming NAME.log and quoting its end, when NAME's process ends first or the
# start-up deadline passes.
desktop_wait() {
  local what=$1 name=$2
  shift 2
  while ! "$@" >/dev/null 2>&1; do
    local why=
    if ! desktop_alive "$name"; then
      why="$name exited"
    elif [ $SECONDS -ge $desktop_deadline ]; then
      why="$what not ready after ${timeout}s"
    fi
    if [ -n "$why" ]; then
      {
        echo "$me: $why; see $work/$name.log, which ends:"
        tail -n 8 "$work/$name.log" | sed 's/^/  /'
      } >&2
      return 1
    fi
    sleep 0.1
  done
}

bus_name_owned() {
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true
}

# The bus's configuration: no <servicedir>, no <standard_session_servicedirs/>,
# so nothing is activated behind the test's back.
desktop_write_bus_config() {
  cat >"$work/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$work/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
}

desktop_start_bus() {
  desktop_start dbus dbus-daemon --nofork --config-file="$work/bus.conf"
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/bus
  desktop_wait "session bus" dbus gdbus call --session --dest org.freedesktop.DBus \
    --object-path /org/freedesktop/DBus --method org.freedesktop.DBus.GetId
}

# WirePlumber is ready once it shows as a client of PipeWire.
wireplumber_ready() { pw-cli ls Client 2>/dev/null | grep -q '"WirePlumber"'; }

# PipeWire and WirePlumber, which links a consumer's stream to the
# compositor's node (without it a stream connects and never gets a frame).
desktop_start_pipewire() {
  desktop_start pipewire pipewire
  desktop_wait "PipeWire's socket" pipewire test -S "$XDG_RUNTIME_DIR/pipewire-0" || return 1
  desktop_start wireplumber wireplumber
  desktop_wait "WirePlumber" wireplumber wireplumber_ready
}

desktop_start_permission_store() {
  desktop_start permission-store /usr/libexec/xdg-permission-store
  desktop_wait "the permission store" permission-store \
    bus_name_owned org.freedesktop.impl.portal.PermissionStore
}

# desktop_start_portal DESKTOP: the portal frontend, with the tests' own
# .portal files (tests/wayland/portals) and XDG_CURRENT_DESKTOP=DESKTOP picking
# the backend whose file says UseIn=DESKTOP. The backend must own its name
# already: the frontend reads its properties once. Ready once the ScreenCast
# portal's version is readable.
desktop_start_portal() {
  desktop_start portal env XDG_DESKTOP_PORTAL_DIR="$top/tests/wayland/portals" \
    XDG_CURRENT_DESKTOP="$1" /usr/libexec/xdg-desktop-portal --verbose
  desktop_wait "the ScreenCast portal" portal gdbus call --session \
    --dest org.freedesktop.portal.Desktop --object-path /org/freedesktop/portal/desktop \
    --method org.freedesktop.DBus.Properties.Get org.freedesktop.portal.ScreenCast version
}

# record_x_display N: display N belongs to this desktop; its lock file and
# socket are removed at stop if its server left them behind.
record_x_display() { desktop_x_displays+=("$@"); }

# desktop_write_env NAME=value...: the client environment, written whole at
# once so that a reader never sees half of it.
desktop_write_env() {
  {
    echo "DBUS_SESSION_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS"
    echo "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR"
    echo "PIPEWIRE_RUNTIME_DIR=$PIPEWIRE_RUNTIME_DIR"
    # The desktop's own state folder, so that what a client keeps between runs
    # (the advisor's remembered screen share) stays with this desktop.
    echo "XDG_STATE_HOME=$XDG_STATE_HOME"
    printf '%s\n' "$@"
  } >"$work/env.new" && mv "$work/env.new" "$work/env"
  echo "$me: ready; environment in $work/env" >&2
}

# Waits until asked to stop (the traps) or until the parent process is gone.
desktop_wait_for_stop() {
  while kill -0 "$parent" 2>/dev/null; do
    sleep 0.5 &
    wait $!
  done
  exit 0
}

desktop_stop() {
  trap '' TERM INT HUP
  rm -f "$work/env"
  local i name pid pids=()
  for ((i = ${#desktop_names[@]} - 1; i >= 0; i--)); do
    name=${desktop_names[i]}
    pid=$(cat "$work/$name.pid" 2>/dev/null) || continue
    [ -n "$pid" ] && kill -TERM "$pid" 2>/dev/null && pids+=("$pid")
  done
  # An X server started by the compositor normally ends with it.
  for name in xwayland; do
    pid=$(cat "$work/$name.pid" 2>/dev/null) && [ -n "$pid" ] && pids+=("$pid")
  done
  local waited=0
  while [ $waited -lt 50 ]; do
    local left=0
    for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && left=1; done
    [ $left = 0 ] && break
    sleep 0.1
    waited=$((waited + 1))
  done
  for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null; done
  wait 2>/dev/null
  # A compositor killed outright leaves its X lock files behind; they name
  # its PID. Only those of a process of ours that is gone are removed.
  local n owner
  for n in "${desktop_x_displays[@]}"; do
    [ -f "/tmp/.X$n-lock" ] || continue
    owner=$(tr -dc 0-9 <"/tmp/.X$n-lock")
    [ -n "$owner" ] || continue
    for name in "${desktop_names[@]}"; do
      if [ "$(cat "$work/$name.pid" 2>/dev/null)" = "$owner" ] && ! kill -0 "$owner" 2>/dev/null; then
        rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
      fi
    done
  done
  for name in "${desktop_names[@]}" xwayland; do rm -f "$work/$name.pid"; done
  [ ${#desktop_remove_at_stop[@]} -eq 0 ] || rm -rf "${desktop_remove_at_stop[@]}"
}
