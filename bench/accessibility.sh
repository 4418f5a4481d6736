#!/usr/bin/env bash
# What accessibility costs a copy, in three sessions on one private Xvfb (no window manager):
# no session bus at all; a session bus whose launcher says accessibility is off; one that says on.
# In each: start-up (exec to mapped and drawn, median of 25), memory per copy with 50 running once
# they have asked the session, and, with accessibility on, 100 copies started and stopped through
# hv-copies. Prints a table for bench/results.md. Not a test: it passes or fails nothing.
# HV_BENCH_BASELINE=/path/to/an/older/HV-TEST-PROCESS-V1 adds that build's figures with no bus.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset linux -DHV_BUILD_BENCH=ON >/dev/null && cmake --build --preset linux >/dev/null
program=$PWD/build/linux/HV-TEST-PROCESS-V1
floor=$PWD/build/linux/bench/hv_bench_floor
watch=$PWD/build/linux/bench/hv_bench_watch
tool=$PWD/build/linux/hv-copies
work=$(mktemp -d)
pids=()
cleanup() { kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

exec {fd}< <(Xvfb -displayfd 1 -screen 0 1920x1080x24 -nolisten tcp -noreset 2>/dev/null)
pids+=($!)
read -r -t 10 number <&"$fd"
export DISPLAY=":$number"

source bench/memory.sh

held_memory() {  # held_memory PROGRAM: 50 copies held past their first question to the session
  local out=$work/hold.txt
  "$watch" hold 50 20 "$1" >"$out" &
  local holder=$!
  for _ in $(seq 1200); do [[ -s $out ]] && break; sleep 0.05; done
  sleep 3  # past the first question and its answer
  memory_per_copy -p 3 $(cat "$out") | awk '{print $1 " / " $2}'
  wait "$holder"
}

session() {  # session on|off: a private session bus with at-spi2-core's launcher
  unset DBUS_SESSION_BUS_ADDRESS
  { read -r address; read -r daemon; } < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
  pids+=("$daemon")
  export DBUS_SESSION_BUS_ADDRESS=$address XDG_RUNTIME_DIR=$work
  /usr/libexec/at-spi-bus-launcher --a11y=$([[ $1 == on ]] && echo 1 || echo 0) >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q true && break
    sleep 0.05
  done
}

row() {  # row LABEL PROGRAM
  local median min max
  read -r median min max < <("$watch" startup 25 "$2")
  echo "| $1 | $median ms | $(held_memory "$2") MB |"
}

echo "| Session | Start-up, median of 25 | Memory per copy, 50 running: USS / PSS |"
echo "|---|---|---|"
read -r fmedian _ _ < <("$watch" startup 25 "$floor")
echo "| Bare Xlib floor | $fmedian ms | |"
(unset DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR; row "No session bus" "$program")
if [[ -n ${HV_BENCH_BASELINE:-} ]]; then
  (unset DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR; row "No session bus, baseline build" "$HV_BENCH_BASELINE")
fi
session off
row "Session bus, accessibility off" "$program"
session on
row "Session bus, accessibility on" "$program"

ms_now() { date +%s%3N; }
copies() { XDG_CONFIG_HOME=$work/config HV_PROGRAM="$program" "$tool" "$@"; }
t0=$(ms_now); copies start --wait --timeout=600 100 ONBUS >/dev/null; started=$(( $(ms_now) - t0 ))
t0=$(ms_now); copies stop --timeout=600 ONBUS >/dev/null; stopped=$(( $(ms_now) - t0 ))
stored=$(grep -c '^\[ONBUS-' "$work/config/HV_TEST_PROCESS/settings.ini")
echo
echo "Accessibility on: hv-copies start --wait 100: $started ms; stop: $stopped ms, $stored of 100 stored."
