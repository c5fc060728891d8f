#!/bin/bash
# Spectators of a real match over the loopback: one watches from before the
# match starts (and records it), one comes in 3 s later, six more fill the
# host's eight seats and a ninth is refused with one line on both sides;
# one is killed in the middle. Every tick a spectator shows carries the
# players' digest; the players agree tick for tick; at the guest's ESC the
# spectators say the match is over, and the recording verifies.
#   spectators.sh GAME
. "$(dirname "$0")/x11-lib.sh"
free_ports 26000 4000 1

player host --host "$port" --no-port-mapping
on host && waiting_shown host-wait
player early --watch "127.0.0.1:$port" --record "$scratch/early.rly"
player guest --join "127.0.0.1:$port"
on guest && check "the players: the serve countdown" serving guest-serve
sleep 3 && player late --watch "127.0.0.1:$port"
player_size=640x480 player extra1 --watch "127.0.0.1:$port" && player_display=$DISPLAY
for n in 2 3 4 5 6; do player "extra$n" --watch "127.0.0.1:$port"; done
started() { for _ in $(seq 200); do [ -s "$scratch/$1.ticks" ] && return; sleep 0.1; done; return 1; }
for s in late extra1 extra2 extra3 extra4 extra5 extra6; do started "$s"; done  # all eight in their seats
check "a ninth spectator: refused with one line, status 1" ends 1 \
  "rallyton: 127.0.0.1:$port already has its 8 spectators" timeout 20 "$game" --watch "127.0.0.1:$port"
check "... and the host says so" said host "a ninth spectator was refused: 8 watch already"
player_display="" && stop extra1  # killed in the middle of the match
together "on guest && for k in s w s w s w; do hold \$k 0.7; done" "on host && for k in Up Down Up Down; do hold \$k 1; done"
check "the players agree tick for tick" agree 1000 host guest
check "the spectator from the start shows the players' match" agree 1000 host early
check "the late one too, from its first tick" agree 500 host late
check "... which came after the start" [ "$(sed -n 2p "$scratch/late.ticks" | cut -d' ' -f1)" -gt 200 ]
on guest && press Escape
on host && check "ESC on the guest: the host at the title" title_shown host-title
for s in early late; do
  on "$s" && check "$s: back at the title" title_shown "$s-title"
  check "... saying the match is over" said "$s" "the match is over"
done
check "the spectator's recording verifies" ends 0 "rallyton: $scratch/early.rly: * ticks, ending on the recorded digest" \
  "$game" --replay "$scratch/early.rly" --verify
check "the host heard nothing but its player" [ "$(grep -c "not well formed" "$scratch/host.out")" = 0 ]
