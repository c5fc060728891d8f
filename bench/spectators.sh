#!/bin/bash
# What spectators cost the players, in one run on this machine's loopback:
# the same match through the test's relay (20 ms each way, 3 % lost), both
# players pressing a new paddle key every half second for SECONDS (20),
# first with nobody watching, then with eight spectators; each player's
# rollbacks a second, average and deepest rollback and time waited (from
# its last line). (The processor time says nothing here: the eight
# spectators' games share the same two cores with the players'.)
#   bench/spectators.sh BUILD_DIR [SECONDS]
build=$(realpath "$1")
seconds=${2:-20}
game=$build/rallyton
game_dir=$build
. "$(dirname "$0")/../tests/x11-lib.sh"
trap 'kill "${proxy:-}" 2>/dev/null; finish >/dev/null' EXIT
free_ports 28000 2000
stats() {
  grep -oE '[0-9]+ rollbacks, the deepest [0-9]+ ticks; [0-9]+ ticks run again; waited [0-9]+' "$scratch/$1.out" |
    tail -n 1 | awk -v s="$seconds" '{ printf "%5.1f  %5.1f  %3d  %5.2f s", $1 / s, $1 ? $7 / $1 : 0, $5, $12 / 100 }'
}
echo "watching  host: rollbacks/s  average  deepest  waited   guest: the same"
for watching in 0 8; do
  : >"$scratch/host.out" && : >"$scratch/guest.out"
  perl "$(dirname "$0")/../tests/udp-relay.pl" $((port + 1)) "$port" 3 0 600 20 >/dev/null & proxy=$!
  player host --host "$port" --no-port-mapping
  player_display=""
  for n in $(seq "$watching"); do
    player "watcher$n" --watch "127.0.0.1:$port" && player_display=$DISPLAY
  done
  player_display="" && player guest --join "127.0.0.1:$((port + 1))"
  on host && serving host-serve && on guest && serving guest-serve
  together "on host && for _ in \$(seq $seconds); do hold Up 0.5 && hold Down 0.5; done" \
    "on guest && for _ in \$(seq $seconds); do hold w 0.5 && hold s 0.5; done"
  on guest && press Escape && sleep 1
  kill -9 "${games[@]}" "$proxy" 2>/dev/null; wait "${games[@]}" "$proxy" 2>/dev/null
  games=()
  printf '%8s  %27s   %27s\n' "$watching" "$(stats host)" "$(stats guest)"
done
