#!/bin/bash
# Two real games on this machine playing one match over the loopback, each
# in a window on a display of its own. Datagrams of noise to the host's
# port before the guest joins change nothing; both reach the serve
# countdown; P on the guest pauses both, and the two paused windows are the
# same picture; the two games' digests agree tick for tick; a third machine
# is refused; the guest's window losing the focus pauses both; the host's
# match is heard; ESC on the guest puts the host back at the title with one
# line. Then: a join where nobody listens ends in one line and status 1 within 10 s; a match
# through a proxy that drops one datagram in ten and holds others back up to
# 40 ms still agrees tick for tick; a guest killed in a match sends the host
# back to the title with one line; a host waiting for the guest while the
# network is down still ends at once on SIGTERM.
#   network.sh GAME
. "$(dirname "$0")/x11-lib.sh"
free_ports 24000 4000

trap 'status=$?; kill -9 "${proxy_pid:-}" 2>/dev/null; (exit $status); finish' EXIT  # the script's status, not the kill's

home=$HOME && capture_sound && player host --host "$port" --no-port-mapping && unset ALLEGRO && HOME=$home  # its sound to a file
on host && check "the host waits, saying so" waiting_shown waiting
for i in $(seq 200); do head -c $((i == 200 ? 6000 : i % 60 + 1)) /dev/urandom >/dev/udp/127.0.0.1/"$port"; done
check "200 datagrams of noise, the last larger than any ENet takes: the host still waits" waiting_shown waiting
player guest --join "127.0.0.1:$port"
on host && check "the host: the serve countdown" serving host-serve
on guest && check "the guest: the serve countdown" serving guest-serve
on guest && rally && press p  # the paddles in the middle: a long rally, the ball straight between them
on host && check "P on the guest: the host paused" seen host-paused paused host-paused
on guest && check "... and the guest" seen guest-paused paused guest-paused
check "... the same picture on both" eq "$(compare -metric AE "$scratch/host-paused.png" "$scratch/guest-paused.png" null: 2>&1)" 0
check "a third machine is refused" ends 1 "rallyton: 127.0.0.1:$port already has its other player" "$game" --join "127.0.0.1:$port"
on guest && press p && on host && seen host-again not_paused host-again
on guest && another_window 120x40+100+100 && xdotool windowfocus --sync "$other_wid"
on host && check "the guest's window loses the focus in the rally: the host paused" seen host-away paused host-away
kill "$other_pid"
check "the host's match was heard: peak $(peak 0) dB" [ "$(echo "$(peak 0) > -30" | bc)" -eq 1 ]
on guest && press Escape
on host && check "ESC on the guest: the host at the title" title_shown host-title
check "... saying why" said host "the other player left the match"
check "the digests agree tick for tick" agree 300 host guest
check "... both logs start with the input delay, 0" [ "$(head -n 1 "$scratch/host.ticks")$(head -n 1 "$scratch/guest.ticks")" = "delay 0delay 0" ]
stop host guest

check "nobody listening: one line and status 1 within 10 s" ends 1 "rallyton: nobody answers at 127.0.0.1:$((port + 1))" \
  timeout 10 "$game" --join "127.0.0.1:$((port + 1))"

# Through the proxy (a tenth lost, some doubled, the rest held back up to
# 60 ms and so out of order), both steering, the host at an input delay of
# 3 and the guest at 0; the guest records the match.
# udp-relay.pl LISTEN_PORT TARGET_PORT DROP_PERCENT MAX_DELAY_MS SECONDS HOLD_MS DOUBLED_PERCENT
perl "$(dirname "$0")/udp-relay.pl" $((port + 2)) "$port" 10 60 60 0 5 >"$scratch/proxy.out" & proxy_pid=$!
player host --host "$port" --no-port-mapping --input-delay 3
player guest --join "127.0.0.1:$((port + 2))" --record "$scratch/guest.rly"
on guest && serving guest-serve2
together "on guest && for k in s w s w s w; do hold \$k 0.7; done" "on host && for k in Up Down Up Down; do hold \$k 1; done"
check "through drops and delays: the digests agree tick for tick" agree 400 host guest
check "... and neither game saw a difference" eval '! grep -q disagree "$scratch/host.out" "$scratch/guest.out"'
check "... each log starts with its own input delay" [ "$(head -n 1 "$scratch/host.ticks")/$(head -n 1 "$scratch/guest.ticks")" = "delay 3/delay 0" ]
kill -STOP "$proxy_pid"  # the network down
on host && check "the network down: the host waits for the guest, saying so" seen held more held 80 140 160 9 E6E6E6 20
kill -TERM "$host_pid" && wait_game 3 "$host_pid"
check "... and ends at once on SIGTERM, status $game_status" eq "$game_status" 143
kill -CONT "$proxy_pid"
on guest && check "the network back: the guest at the title" title_shown guest-title
closed_or_gone() { said guest "the other player closed the game" || said guest "the other player is gone"; }
check "... saying why (the host's goodbye, unless the network lost it)" closed_or_gone
stop guest && kill "$proxy_pid"
how_much='^rallyton: [1-9][0-9]* rollbacks, the deepest [1-9][0-9]* ticks; [1-9][0-9]* ticks run again; waited [0-9]+ ticks \([0-9]+\.[0-9]{2} s\) for the other player$'
rolled() { for p; do grep -h rollbacks "$scratch/$p.out" | sed 's/^/     /' && grep -qE "$how_much" "$scratch/$p.out" || return; done; }
check "... both rolled back, and said how much" rolled host guest
check "the guest's recording verifies" ends 0 "rallyton: $scratch/guest.rly: * ticks, ending on the recorded digest" \
  "$game" --replay "$scratch/guest.rly" --verify

player host --host "$port" --no-port-mapping
player guest --join "127.0.0.1:$port"
on host && serving host-serve3
kill -9 "$guest_pid"
on host && check "the guest killed: the host at the title" title_shown host-title2
check "... saying why" said host "the other player is gone"
