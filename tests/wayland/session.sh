#!/usr/bin/env bash
# A headless Wayland session for the tests: sway with two outputs
# (HEADLESS-1 1280x800 scale 1 at 0,0; HEADLESS-2 1024x768 scale 2 at 1280,0),
# a session bus, swaybar's tray (it owns the StatusNotifierWatcher),
# PipeWire, and the portals the bus starts on demand.
#
#   session.sh start DIR     start a session in DIR (made if missing); DIR/env
#                            then holds its environment as export lines
#   session.sh stop DIR      end everything the session started, by pid, and remove DIR
#   session.sh run DIR CMD   run CMD as the session's user, in its environment
#   session.sh test CMD      run CMD in the session SNAPRIO_WAYLAND_SESSION names,
#                            or in a session of its own started and stopped around it
#
# sway refuses to run as root: started by root, the session belongs to
# nobody (65534), and so does every command run in it.
set -u

Nobody=65534

Die() { echo "session: $*" >&2; exit 1; }

# The session's variables, written to DIR/env and set for every command.
SessionVars() {
    local dir=$1
    cat <<EOV
export WAYLAND_DISPLAY=$(cat "$dir/display")
export XDG_RUNTIME_DIR=$dir/rt
export DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/rt/bus
export SWAYSOCK=$dir/rt/sway.sock
export XDG_CURRENT_DESKTOP=sway
export XDG_SESSION_TYPE=wayland
export HOME=$dir/home
export TMPDIR=$dir/tmp
export SNAPRIO_WAYLAND_SESSION=$dir
unset DISPLAY WAYLAND_SOCKET
EOV
}

# Runs Argv as the session's user with the session's variables (DIR/env)
# added to the caller's environment. Used with exec, also for background
# starts, so that the pid the shell sees is the program's own.
AsUser() {
    local dir=$1
    shift
    # shellcheck disable=SC1091
    . "$dir/env"
    if [ "$(cat "$dir/user")" != "$(id -u)" ]; then
        exec setpriv --reuid="$Nobody" --regid="$Nobody" --clear-groups "$@"
    fi
    exec "$@"
}

# Starts Argv in the background as the session's user, its output in
# DIR/log/NAME.log, and records its pid in DIR/pids.
Spawn() {
    local dir=$1 name=$2
    shift 2
    (AsUser "$dir" "$@") </dev/null >"$dir/log/$name.log" 2>&1 &
    echo "$! $name" >>"$dir/pids"
}

WaitFor() { # TRIES COMMAND...: polls every 0.1 s
    local tries=$1
    shift
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# A start that failed: what it started is ended, its logs are kept.
Failed() {
    Stop "$1" keep
    Die "$2 (logs in $1/log)"
}

Start() {
    local dir=$1
    mkdir -p "$dir" || Die "cannot make $dir"
    dir=$(cd "$dir" && pwd)
    [ -e "$dir/pids" ] && Die "$dir already holds a session"
    command -v sway >/dev/null || Die "sway is not installed"
    mkdir -p "$dir/rt" "$dir/home" "$dir/tmp" "$dir/log"
    chmod 755 "$dir"
    chmod 700 "$dir/rt"
    : >"$dir/pids"
    if [ "$(id -u)" -eq 0 ]; then
        echo "$Nobody" >"$dir/user"
        chown -R "$Nobody:$Nobody" "$dir/rt" "$dir/home" "$dir/tmp"
    else
        id -u >"$dir/user"
    fi
    cat >"$dir/sway.config" <<EOC
output HEADLESS-1 mode 1280x800 position 0 0 scale 1 bg #336699 solid_color
default_border none
xwayland disable
bar {
  id bar-0
  position top
  tray_output *
  status_command sleep infinity
}
EOC
    # The display's name is known only once sway made its socket; the
    # variables before that carry a placeholder.
    echo wayland-unknown >"$dir/display"
    SessionVars "$dir" >"$dir/env"

    Spawn "$dir" dbus dbus-daemon --session --address="unix:path=$dir/rt/bus" --nofork --nopidfile
    WaitFor 50 test -S "$dir/rt/bus" || Failed "$dir" "the session bus did not start"

    # Without direct scan-out: the headless outputs take a full-screen
    # client's shared-memory buffer as their own, and sway 1.7 then stops
    # showing that client's later frames (on real outputs such a buffer is
    # never scanned out).
    Spawn "$dir" sway env WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        sway -Dnoscanout -c "$dir/sway.config"
    local socket="" sway
    sway=$(tail -n 1 "$dir/pids" | cut -d' ' -f1)
    # Done when the socket is there, or when sway ended without it.
    FindSocket() {
        local s
        for s in "$dir"/rt/wayland-[0-9]*; do
            [ -S "$s" ] && socket=${s##*/}
        done
        if [ -n "$socket" ] && [ -S "$dir/rt/sway.sock" ]; then return 0; fi
        ! Alive "$sway"
    }
    if ! WaitFor 100 FindSocket || ! [ -S "$dir/rt/sway.sock" ]; then
        Failed "$dir" "sway did not start"
    fi
    echo "$socket" >"$dir/display"
    SessionVars "$dir" >"$dir/env"

    (AsUser "$dir" swaymsg create_output) >/dev/null
    (AsUser "$dir" swaymsg output HEADLESS-2 mode 1024x768 position 1280 0 scale 2 \
        bg '#993333' solid_color) >/dev/null
    TwoOutputs() {
        [ "$( (AsUser "$dir" swaymsg -t get_outputs -r) | grep -c '"name": "HEADLESS-')" = 2 ]
    }
    WaitFor 50 TwoOutputs || Failed "$dir" "the second output did not appear"

    Spawn "$dir" pipewire pipewire
    # The portals are started by the bus: they find the display and the
    # desktop through the bus's activation environment.
    (AsUser "$dir" dbus-update-activation-environment WAYLAND_DISPLAY XDG_CURRENT_DESKTOP \
        XDG_SESSION_TYPE SWAYSOCK XDG_RUNTIME_DIR HOME TMPDIR) ||
        Failed "$dir" "the bus's activation environment could not be set"
    # swaybar registers the StatusNotifierWatcher shortly after sway starts.
    Watcher() {
        (AsUser "$dir" dbus-send --session --print-reply --dest=org.freedesktop.DBus \
            /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner \
            string:org.kde.StatusNotifierWatcher) 2>/dev/null | grep -q 'boolean true'
    }
    WaitFor 50 Watcher || echo "session: no StatusNotifierWatcher on the bus yet" >&2
    # Started now, as a desktop has them running before the user asks: a
    # loaded machine starts the portal and its back-ends in seconds.
    (AsUser "$dir" dbus-send --session --print-reply --reply-timeout=60000 \
        --dest=org.freedesktop.portal.Desktop /org/freedesktop/portal/desktop \
        org.freedesktop.DBus.Properties.Get string:org.freedesktop.portal.Screenshot \
        string:version) >/dev/null || echo "session: the Screenshot portal did not answer" >&2
    return 0
}

# A field of /proc/PID/stat after the command's name (1: the state, 2: the
# parent); fails when the process is gone.
StatField() {
    local stat fields
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    read -r -a fields <<<"${stat##*) }"
    echo "${fields[$2 - 1]}"
}

# Alive, and not a zombie nobody reaped yet.
Alive() {
    local state
    state=$(StatField "$1" 1) && [ "$state" != Z ]
}

# Ends the given processes and waits up to two seconds for them, then kills
# those still there.
EndPids() {
    local pid left
    [ $# -gt 0 ] || return 0
    kill "$@" 2>/dev/null
    for _ in $(seq 20); do
        left=()
        for pid in "$@"; do Alive "$pid" && left+=("$pid"); done
        [ ${#left[@]} -eq 0 ] && return 0
        sleep 0.1
    done
    kill -KILL "${left[@]}" 2>/dev/null
}

# The processes that carry the session's runtime folder in their environment:
# what the bus activated (the portals and their helpers) and what sway started
# (swaybar, programs run by "swaymsg exec"). Both detach from their parent,
# so the folder, unique to the session, is what finds them. The callers of
# this script are left out.
Helpers() {
    local dir=$1 mine=" " p=$BASHPID e
    while [ "$p" -gt 1 ]; do
        mine="$mine$p "
        p=$(StatField "$p" 2) || break
    done
    for e in $(grep -lzxF "XDG_RUNTIME_DIR=$dir/rt" /proc/[0-9]*/environ 2>/dev/null); do
        p=${e#/proc/}
        p=${p%/environ}
        case $mine in *" $p "*) ;; *) echo "$p" ;; esac
    done
}

# STOP DIR [keep]: keep leaves DIR in place (a failed start, for its logs).
Stop() {
    local dir=$1 keep=${2:-} pid
    [ -f "$dir/pids" ] || Die "$dir holds no session"
    local started
    started=" $(cut -d' ' -f1 "$dir/pids" | tr '\n' ' ')"
    # The helpers first, then what was started, the last first; then the
    # helpers once more, for a service the bus started while going down.
    local helpers=()
    local pass
    for pass in 1 2; do
        helpers=()
        for pid in $(Helpers "$dir"); do
            case $started in *" $pid "*) ;; *) helpers+=("$pid") ;; esac
        done
        EndPids "${helpers[@]}"
        if [ $pass = 1 ]; then
            for pid in $(tac "$dir/pids" | cut -d' ' -f1); do EndPids "$pid"; done
        fi
    done
    if [ -z "$keep" ]; then
        rm -rf "$dir"
    else
        : >"$dir/pids"
    fi
}

Run() {
    local dir=$1
    shift
    [ -f "$dir/env" ] || Die "$dir holds no session"
    AsUser "$dir" "$@"
}

Test() {
    local dir=${SNAPRIO_WAYLAND_SESSION:-}
    if [ -n "$dir" ] && [ -f "$dir/env" ]; then
        Run "$dir" "$@"
    fi
    # Listing a test program's cases needs no compositor.
    local a
    for a in "$@"; do
        [ "$a" = --gtest_list_tests ] && exec "$@"
    done
    if ! command -v sway >/dev/null; then
        echo "session: sway is not installed; running without a Wayland session" >&2
        exec env -u WAYLAND_DISPLAY "$@"
    fi
    dir=$(mktemp -d "${TMPDIR:-/tmp}/snaprio-wayland-XXXXXX") || Die "no session folder"
    Start "$dir" || exit 1
    trap 'Stop "$dir"; exit 143' TERM INT
    (Run "$dir" "$@")
    local status=$?
    trap - TERM INT
    Stop "$dir"
    return $status
}

[ $# -ge 1 ] || Die "usage: session.sh start DIR | stop DIR | run DIR CMD... | test CMD..."
command=$1
shift
case $command in
start)
    [ $# -eq 1 ] || Die "usage: session.sh start DIR"
    Start "$1"
    ;;
stop)
    [ $# -eq 1 ] || Die "usage: session.sh stop DIR"
    Stop "$1"
    ;;
run)
    [ $# -ge 2 ] || Die "usage: session.sh run DIR CMD..."
    Run "$@"
    ;;
test)
    [ $# -ge 1 ] || Die "usage: session.sh test CMD..."
    Test "$@"
    ;;
*) Die "unknown command $command" ;;
esac
