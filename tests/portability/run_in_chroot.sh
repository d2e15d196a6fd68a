#!/bin/bash
# Runs inside the Debian chroot, as the first process of its own PID, mount
# and network namespaces, with the chroot as its root. Starts what a reader's
# session has (Xvfb, a D-Bus session bus, the accessibility bus and registry).
# Then, as many times as its argument says (default once): notes what /tmp,
# the runtime folder and /dev/shm hold, waits for the host's word on the FIFO
# /pagora-run/go.N (so the host's clock marks the start), runs the book as the
# reader, waits for its first page, closes it with SIGTERM, and notes what the
# book left there and which of its processes remain. Findings go to
# /pagora-run/result as name=value lines; all that this started ends with the
# namespace.
set -u

run=/pagora-run
reader=reader
runs=${1:-1}
uid=$(id -u "$reader")
runtime=/run/user/$uid
result=$run/result
: >"$result"
note() { echo "$1=$2" >>"$result"; }

reader_env=(HOME="/home/$reader" USER="$reader" LOGNAME="$reader" PATH=/usr/bin:/bin LANG=C.UTF-8
            XDG_RUNTIME_DIR="$runtime")
# Runs a command as the reader in place of the calling shell: call it in a
# subshell or in the background, so that $! is the command itself.
as_reader() {
  exec setpriv --reuid="$uid" --regid="$uid" --init-groups env -i "${reader_env[@]}" "$@"
}

# wait_for SECONDS COMMAND...: polls COMMAND every 20 ms until it succeeds.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    if [ "$SECONDS" -ge "$deadline" ]; then return 1; fi
    sleep 0.02
  done
}

reader_processes() {
  local process
  for process in /proc/[0-9]*; do
    # Zombies have ended; only their parent's reaping is pending.
    if [ "$(stat -c %u "$process" 2>/dev/null)" = "$uid" ] && ! grep -q '^State:.*Z' "$process/status" 2>/dev/null; then
      echo "${process#/proc/} $(cat "$process/comm" 2>/dev/null)"
    fi
  done | sort
}

files_outside_the_book() {
  find /tmp "$runtime" /dev/shm -mindepth 1 2>/dev/null | sort
}

mkdir -p "$runtime"
mkdir -p -m 1777 /tmp/.X11-unix
chown "$uid:$uid" "$runtime"
chmod 700 "$runtime"

as_reader Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$run/display" >"$run/xvfb.log" 2>&1 &
if ! wait_for 20 test -s "$run/display"; then
  note failure "Xvfb gave no display within 20 s"
  exit 1
fi
reader_env+=(DISPLAY=":$(head -n1 "$run/display")")

as_reader dbus-daemon --session --nofork --print-address=3 3>"$run/bus" >"$run/dbus.log" 2>&1 &
if ! wait_for 20 test -s "$run/bus"; then
  note failure "the session bus did not start within 20 s"
  exit 1
fi
reader_env+=(DBUS_SESSION_BUS_ADDRESS="$(head -n1 "$run/bus")")
# The accessibility bus and its registry belong to the session, not to the
# book: start both now, as a desktop would have. On a busy machine the first
# asks may time out, so they are repeated for a while.
start_accessibility() {
  local address
  address=$( (as_reader dbus-send --session --print-reply --reply-timeout=5000 --dest=org.a11y.Bus /org/a11y/bus \
    org.a11y.Bus.GetAddress) 2>>"$run/dbus.log" | sed -n 's/^ *string "\(.*\)"$/\1/p')
  [ -n "$address" ] && (as_reader dbus-send --bus="$address" --print-reply --reply-timeout=5000 \
    --dest=org.a11y.atspi.Registry /org/a11y/atspi/registry org.freedesktop.DBus.Peer.Ping) >/dev/null 2>>"$run/dbus.log"
}
if ! wait_for 60 start_accessibility; then
  note warning "the accessibility bus or its registry did not answer within 60 s (see dbus.log with --keep)"
fi

reader_processes | cut -d' ' -f1 >"$run/processes-before"
leftover_processes() { reader_processes | grep -v -w -F -f "$run/processes-before"; }

# run_book N: the Nth start of the book, on the host's word on FIFO go.N.
run_book() {
  local n=$1 book
  rm -f "$run/loaded"
  files_outside_the_book >"$run/files-before.$n"
  read -r _ <"$run/go.$n"
  as_reader env PAGORA_REPORT_LOAD_FINISHED="$run/loaded" "/home/$reader/book" \
    >"$run/book.$n.stdout" 2>"$run/book.$n.stderr" &
  book=$!

  loaded() { test -s "$run/loaded" || ! kill -0 "$book" 2>/dev/null; }
  wait_for 60 loaded
  if [ -s "$run/loaded" ]; then
    note "loaded_ns.$n" "$(cat "$run/loaded")"
    # A moment on the page before closing it, as a reader would.
    sleep 1
  else
    note failure "start $n: the book did not report its first page within 60 s"
  fi

  kill -TERM "$book" 2>/dev/null
  if wait_for 30 eval '! kill -0 "$book" 2>/dev/null'; then
    wait "$book"
    note "book_exit.$n" "$?"
  else
    note failure "start $n: the book did not end within 30 s of SIGTERM"
  fi

  # What the book started (the engine's processes, the clean-up watcher) must go too.
  if ! wait_for 15 eval '[ -z "$(leftover_processes)" ]'; then
    note "processes_left.$n" "$(leftover_processes | tr '\n' ' ')"
  fi

  # The single-instance lock and the clean-up watcher's lock stay by design: a
  # lock file removed on exit would let two starts lock two different files.
  files_outside_the_book | grep -v -x -F -e "$runtime/pagora Class.lock" -e "$runtime/pagora-watcher.lock" \
    >"$run/files-after.$n"
  note "files_left.$n" "$(comm -13 "$run/files-before.$n" "$run/files-after.$n" | tr '\n' ' ')"
}

for n in $(seq 1 "$runs"); do
  run_book "$n"
done
note done 1
