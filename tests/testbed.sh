#!/bin/bash
# The internet people have, in network namespaces of this test's own: a
# home network (three machines on a bridge) behind a router that masquerades
# with nftables and runs miniupnpd, and a machine outside on the "internet".
# Nothing leaves them. The host at home asks the router: it says where the
# internet reaches it, a guest outside joins there and their digests agree;
# after the host leaves (ESC, then SIGTERM) the router holds no mapping;
# without a mapping nobody outside reaches the host. With miniupnpd
# stopped, the one line comes and a guest at home, with --join alone,
# finds that one host and plays it; a port another machine has, and a
# router whose own address is the provider's (100.64/10), each get their
# line. On the home network, --join alone lists two hosts (the second
# chosen), and with none says so.
#   testbed.sh GAME
net=rt$$
if ! ip netns add "$net-router" 2>/dev/null; then
  echo "testbed: cannot make network namespaces here (root or CAP_NET_ADMIN is needed): the router is not tested"
  [ -n "${CI:-}" ] && exit 1 || exit 77
fi
for tool in miniupnpd nft upnpc; do
  command -v "$tool" >/dev/null || { echo "testbed: $tool is missing (scripts/setup.sh test installs it)"; ip netns del "$net-router"; exit 1; }
done
. "$(dirname "$0")/x11-lib.sh"
port=23240
trap 'status=$?; router_down; for n in router out h1 h2 h3; do ip netns del "$net-$n" 2>/dev/null; done; (exit $status); finish' EXIT
in_ns() { local n=$1 && shift && ip netns exec "$net-$n" "$@"; }

# The namespaces: the router's bridge 192.168.7.1 with h1, h2, h3 at .11 to
# .13; its WAN side (an ordinary-looking address: miniupnpd will not map
# behind a reserved one) towards "out".
for n in out h1 h2 h3; do ip netns add "$net-$n"; done
for n in router out h1 h2 h3; do ip -n "$net-$n" link set lo up; done
ip -n "$net-router" link add br0 type bridge && ip -n "$net-router" link set br0 up
ip -n "$net-router" addr add 192.168.7.1/24 dev br0
ip link add wan0 netns "$net-router" type veth peer name wan0 netns "$net-out"
ip -n "$net-router" link set wan0 up && ip -n "$net-out" link set wan0 up
for i in 1 2 3; do
  ip link add eth0 netns "$net-h$i" type veth peer name h$i netns "$net-router"
  ip -n "$net-router" link set h$i master br0 up
  ip -n "$net-h$i" addr add 192.168.7.1$i/24 dev eth0 && ip -n "$net-h$i" link set eth0 up
  ip -n "$net-h$i" route add default via 192.168.7.1
done
in_ns router sysctl -qw net.ipv4.ip_forward=1
# The router's tables and its UPnP daemon's settings: tests/testbed/.
testbed=$(dirname "$0")/testbed && in_ns router nft -f "$testbed/router.nft"
# router_up WAN_ADDRESS: the router's outside address (the guest outside at
# the next one), and miniupnpd running, answering searches.
router_up() {
  ip -n "$net-router" addr flush dev wan0 && ip -n "$net-out" addr flush dev wan0
  in_ns router nft flush chain inet rallyton prerouting_miniupnpd  # a router started again holds no mapping
  ip -n "$net-router" addr add "$1/24" dev wan0 && ip -n "$net-out" addr add "${1%.*}.$((${1##*.} + 1))/24" dev wan0
  ip netns exec "$net-router" miniupnpd -f "$testbed/miniupnpd.conf" -d -P "$scratch/miniupnpd.pid" >"$scratch/miniupnpd.log" 2>&1 & router_pid=$!
  for _ in $(seq 50); do in_ns h3 upnpc -s 2>/dev/null | grep -q "^Found .*IGD : " && return; sleep 0.1; done
  echo "FAIL miniupnpd did not start:" && cat "$scratch/miniupnpd.log" && exit 1
}
router_down() { [ -n "${router_pid:-}" ] && kill "$router_pid" 2>/dev/null && wait "$router_pid" 2>/dev/null; router_pid=""; }
mappings() { in_ns router nft list chain inet rallyton prerouting_miniupnpd | grep -c dnat; }
# at NAMESPACE: the next player starts in it.
at_home() { game_wrapper="ip netns exec $net-$1"; }
ended_unmapped() { echo "     status $game_status, $(mappings) mappings" && [ "$game_status $(mappings)" = "$1 0" ]; }
said_like() { for _ in $(seq 100); do tr -d '\r' <"$scratch/$1.out" | grep -q "$2" && return; sleep 0.1; done; return 1; }

router_up 81.2.69.1
at_home h1 && player nomap --host "$port" --no-port-mapping
on nomap && waiting_shown nomap-wait
check "no mapping asked: nobody outside reaches the host" ends 1 "rallyton: nobody answers at 81.2.69.1:$port" \
  timeout 10 ip netns exec "$net-out" "$game" --join "81.2.69.1:$port"
stop nomap

at_home h1 && player host --host "$port"
check "the host asks the router: one line says where the internet reaches it" said_like host \
  "^rallyton: from the internet: 81.2.69.1:$port; on this network: 192.168.7.11:$port$"
check "... and the router holds the mapping" eq "$(mappings)" 1
at_home out && player guest --join "81.2.69.1:$port"
on guest && serving guest-serve
together "on guest && for k in s w s w; do hold \$k 0.6; done" "on host && for k in Up Down Up; do hold \$k 0.8; done"
check "a guest outside plays the host at home: the digests agree" agree 300 host guest
on host && press Escape
check "ESC on the host ends the match: the router holds no mapping" seen host-title title_shown host-title
check "... none" eq "$(mappings)" 0
stop host guest

at_home h1 && player host2 --host "$port"
said_like host2 "from the internet" && kill -TERM "$host2_pid" && wait_game 10 "$host2_pid"
check "SIGTERM on a hosting game: it ends (128 + 15), and the router holds no mapping" ended_unmapped 143

in_ns h2 upnpc -a 192.168.7.12 "$port" "$port" UDP >/dev/null
at_home h1 && player taken --host "$port"
check "another machine has the port: the line says so" said_like taken \
  "^rallyton: the router gives UDP port $port to another machine: to play across the internet, host on another port"
stop taken && in_ns h2 upnpc -d "$port" UDP >/dev/null

router_down
at_home h1 && player lonely --host "$port"
check "no router answers: the line says to forward the port by hand" said_like lonely \
  "^rallyton: no router answered: to play across the internet, forward UDP port $port to this machine by hand; on"
at_home h3 && player neighbour --join
check "... and a guest at home, --join alone, finds it and plays" agree 150 lonely neighbour
stop lonely neighbour

router_up 100.64.0.1
at_home h1 && player shared --host "$port"
check "a router behind its provider's NAT (100.64/10): the line says the other player should host" said_like shared \
  "^rallyton: the internet cannot reach this router.*provider's own NAT; to play across the internet, the other player should host"
check "... and nothing is mapped" eq "$(mappings)" 0
stop shared
router_down

# Finding games on the home network.
at_home h1 && player first --host "$port" --no-port-mapping
at_home h2 && player second --host "$port" --no-port-mapping
on first && waiting_shown first-wait && on second && waiting_shown second-wait
at_home h3 && player finder --join
check "--join alone lists both hosts" said_like finder \
  "^rallyton: found on this network: 192.168.7.1[12]:$port  rallyton [^ ]*, 192.168.7.1[12]:$port  rallyton"
on finder && shot finder-list && press Right && press Return
listed=$(grep -a "found on this network" "$scratch/finder.out") && playing=second waiting=first
[[ $listed == *", 192.168.7.11:"* ]] && playing=first waiting=second
check "... the second listed chosen with RIGHT and ENTER: it plays" agree 150 "$playing" finder
check "... and the other host still waits" [ ! -s "$scratch/$waiting.ticks" ]
stop first second finder
check "none: one line, status 1" ends 1 "rallyton: no game is hosted on this network: none answered on UDP port $port within 3 s" \
  timeout 10 ip netns exec "$net-h3" "$game" --join
