#!/bin/bash
# Network play's costs, in one run on this machine's loopback: the input
# delay the host chooses behind a proxy that holds each datagram back up to
# 0, 10, 25 and 50 ms (so round trips up to twice that), and the processor
# time of a networked two-player match (host and guest, each on a private
# Xvfb, with --power-save) against a local one, over SECONDS (20).
#   bench/network.sh BUILD_DIR [SECONDS]
build=$(realpath "$1")
seconds=${2:-20}
game=$build/rallyton
game_dir=$build
. "$(dirname "$0")/../tests/x11-lib.sh"
pids=()
trap 'kill "${pids[@]}" "$xvfb_pid" 2>/dev/null; rm -rf "$scratch"' EXIT
port=$((28000 + RANDOM % 2000))
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }  # user + system, in clock ticks
hz=$(getconf CLK_TCK)
start_xvfb && d1=$DISPLAY
start_xvfb && d2=$DISPLAY
# pair ARGS...: a host and a guest through a proxy with those arguments.
pair() {
  udp_proxy $((port + 1)) "$port" "$@" 600 >/dev/null & pids+=($!)
  (cd "$build" && DISPLAY=$d1 RALLYTON_TICK_LOG=$scratch/host.ticks exec ./rallyton --power-save --host "$port" 2>/dev/null) &
  host=$! && pids+=($host) && sleep 1
  (cd "$build" && DISPLAY=$d2 exec ./rallyton --power-save --join "127.0.0.1:$((port + 1))" 2>/dev/null) &
  guest=$! && pids+=($guest) && sleep 3
}
unpair() { kill "${pids[@]}" 2>/dev/null; wait "${pids[@]}" 2>/dev/null; pids=(); }

echo "held back up to   input delay"
for ms in 0 10 25 50; do
  pair 0 "$ms"
  printf '%10s ms      %s\n' "$ms" "$(head -n 1 "$scratch/host.ticks")"
  unpair
done

pair 0 0
h0=$(cpu "$host") g0=$(cpu "$guest") && sleep "$seconds" && h1=$(cpu "$host") g1=$(cpu "$guest")
unpair
net=$(echo "($h1 - $h0 + $g1 - $g0) / 2 / $hz" | bc -l)
(cd "$build" && DISPLAY=$d1 exec ./rallyton --power-save 2>/dev/null) & local_pid=$! && pids+=($local_pid)
wid=""; for _ in $(seq 50); do wid=$(DISPLAY=$d1 xdotool search --class Rallyton | head -n 1) && [ -n "$wid" ] && break; sleep 0.1; done
t0=$(date +%s.%N) && DISPLAY=$d1 at 11.5 && DISPLAY=$d1 press Return && DISPLAY=$d1 press Right &&
  DISPLAY=$d1 press Return && sleep 3  # two players: nobody steers, as in the networked match
l0=$(cpu "$local_pid") && sleep "$seconds" && l1=$(cpu "$local_pid")
unpair
loc=$(echo "($l1 - $l0) / $hz" | bc -l)
printf 'a game in a networked match: %.2f s of processor time over %s s; in a local match: %.2f s; ratio %.2f\n' \
  "$net" "$seconds" "$loc" "$(echo "$net / $loc" | bc -l)"
