#!/bin/bash
# Network play's costs, in one run on this machine's loopback, each game on
# a private Xvfb. Through the test's relay holding every datagram 0, 20, 60
# and 120 ms each way and losing 0, 3 or 8 % of them, both players pressing
# a new paddle key every half second for SECONDS (20): each game's input
# delay (its tick log's first line), its rollbacks a second, the average
# and deepest rollback, and the time it waited for the other player (from
# the line it says at the end). Then the processor time of a networked
# two-player match nobody steers (with --power-save) against a local one.
#   bench/network.sh BUILD_DIR [SECONDS]
build=$(realpath "$1")
seconds=${2:-20}
game=$build/rallyton
game_dir=$build
. "$(dirname "$0")/../tests/x11-lib.sh"
trap 'kill "${proxy:-}" 2>/dev/null; finish >/dev/null' EXIT
free_ports 28000 2000
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }  # user + system, in clock ticks
hz=$(getconf CLK_TCK)
# pair HOLD_MS LOSS_PERCENT [ARGS...]: a host and a guest through the relay.
pair() {
  perl "$(dirname "$0")/../tests/udp-relay.pl" $((port + 1)) "$port" "$2" 0 600 "$1" >/dev/null & proxy=$!
  shift 2
  player host --host "$port" --no-port-mapping "$@" && player guest --join "127.0.0.1:$((port + 1))" "$@"
  on host && serving host-serve && on guest && serving guest-serve
}
unpair() { kill "$host_pid" "$guest_pid" "$proxy"; wait "$host_pid" "$guest_pid" "$proxy" 2>/dev/null; }
steer() { on "$1" && for _ in $(seq "$seconds"); do hold "$2" 0.5 && hold "$3" 0.5; done; }
# (A build from before the wait was said: no wait shown.)
stats() { grep -oE '[0-9]+ rollbacks, the deepest [0-9]+ ticks; [0-9]+ ticks run again(; waited [0-9]+)?' "$scratch/$1.out" | tail -n 1; }
per_second() {
  awk -v s="$seconds" '{ printf "%5.1f  %5.1f  %3d  %s", $1 / s, $1 ? $7 / $1 : 0, $5, $12 == "" ? "  -   " : sprintf("%5.2f s", $12 / 100) }'
}

echo "each way  lost  host: delay  rollbacks/s  average  deepest  waited   guest: the same"
for ms in 0 20 60 120; do
  for loss in 0 3 8; do
    : >"$scratch/host.out" && : >"$scratch/guest.out"
    pair "$ms" "$loss"
    together "steer host Up Down" "steer guest w s"
    unpair
    printf '%5s ms  %2s %%  %11s  %s   %11s  %s\n' "$ms" "$loss" "$(head -n 1 "$scratch/host.ticks")" \
      "$(stats host | per_second)" "$(head -n 1 "$scratch/guest.ticks")" "$(stats guest | per_second)"
  done
done

pair 0 0 --power-save
h0=$(cpu "$host_pid") g0=$(cpu "$guest_pid") && sleep "$seconds" && h1=$(cpu "$host_pid") g1=$(cpu "$guest_pid")
unpair
net=$(echo "($h1 - $h0 + $g1 - $g0) / 2 / $hz" | bc -l)
player alone --power-save && on alone
t0=$(date +%s.%N) && at 11.5 && press Return && press Right && press Return && sleep 3  # two players, nobody steers
l0=$(cpu "$alone_pid") && sleep "$seconds" && l1=$(cpu "$alone_pid")
loc=$(echo "($l1 - $l0) / $hz" | bc -l)
printf 'a game in a networked match: %.2f s of processor time over %s s; in a local match: %.2f s; ratio %.2f\n' \
  "$net" "$seconds" "$loc" "$(echo "$net / $loc" | bc -l)"
