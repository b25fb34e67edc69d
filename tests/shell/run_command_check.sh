#!/usr/bin/env bash
# The README's run command as a newcomer types it: scripts/run.sh in a fresh home, offscreen.
# Once the program listens on its single-instance socket it gets SIGTERM, which must close it as
# the window's close does: exit 0, settings written, socket removed, and nothing on standard error
# but the offscreen platform's own notices.
set -u
root="$1"
tmp="$(mktemp -d)"
trap 'kill -KILL "$pid" 2>/dev/null; rm -rf "$tmp"' EXIT
mkdir -m 700 "$tmp/home" "$tmp/runtime" "$tmp/machine"
export HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/runtime" QUORLAN_MACHINE_ROOT="$tmp/machine"
export QT_QPA_PLATFORM=offscreen
unset XDG_CONFIG_HOME XDG_DATA_HOME DISPLAY WAYLAND_DISPLAY QUORLAN_INSTRUMENT QUORLAN_SCENARIO

"$root/scripts/run.sh" >"$tmp/out" 2>"$tmp/err" &
pid=$!
socket="$XDG_RUNTIME_DIR/CORUpc144App"
for _ in $(seq 1 1200); do  # up to 2 minutes: the first start may still build
  [ -S "$socket" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
fail() { echo "run command: $*"; echo "-- stdout"; cat "$tmp/out"; echo "-- stderr"; cat "$tmp/err"; exit 1; }
[ -S "$socket" ] || fail "the program never listened on $socket"

kill -TERM "$pid"
wait "$pid"
rc=$?
[ "$rc" -eq 0 ] || fail "exit code $rc after SIGTERM, expected 0"
settings="$HOME/.config/Pelgrave, Inc./Quorlan View PC.conf"
[ -s "$settings" ] || fail "no settings file at $settings"
[ ! -e "$socket" ] || fail "the single-instance socket was left behind"
# Qt's offscreen platform says these of itself; anything else is ours.
unexpected="$(grep -v -E '^This plugin does not support ' "$tmp/err")"
[ -z "$unexpected" ] || fail "unexpected output on standard error"
echo "run command: started, closed by SIGTERM with exit 0"
