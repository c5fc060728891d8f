#!/usr/bin/perl
# A bad network between two games on this machine, for the tests and the
# bench: listens on the loopback at one port and passes datagrams on to the
# loopback at another and the answers back, dropping some and holding each
# back HOLD_MS (0) and up to MAX_DELAY_MS more, at random from a fixed seed,
# and sending DOUBLED_PERCENT (0) of them twice; only 127.0.0.1, and only for
# the seconds given. Prints what it passed.
#   udp-relay.pl LISTEN_PORT TARGET_PORT DROP_PERCENT MAX_DELAY_MS SECONDS [HOLD_MS [DOUBLED_PERCENT]]
use strict;
use warnings;
use IO::Socket::INET;
use IO::Select;
use Time::HiRes qw(time);
my ($listen, $target, $drop, $delay, $seconds, $hold, $doubled) = @ARGV;
$hold ||= 0;
$doubled ||= 0;
srand(20261207);
my $out = IO::Socket::INET->new(LocalAddr => "127.0.0.1:$listen", Proto => 'udp') or die "udp-relay: $!\n";
my $in = IO::Socket::INET->new(PeerAddr => "127.0.0.1:$target", Proto => 'udp') or die "udp-relay: $!\n";
my $select = IO::Select->new($out, $in);
my ($client, @held);
my ($passed, $dropped) = (0, 0);
for (my $end = time + $seconds; time < $end;) {
  for my $from ($select->can_read(0.001)) {
    my $sender = $from->recv(my $bytes, 65536);
    $client = $sender if $from == $out;
    if (rand(100) < $drop) { $dropped++; next }
    for my $copy (1 .. (rand(100) < $doubled ? 2 : 1)) {
      push @held, [time + ($hold + rand($delay)) / 1000, $from == $out ? 1 : 0, $bytes];
    }
  }
  my @later;
  for my $h (@held) {
    if ($h->[0] > time || !$client) { push @later, $h; next }
    $h->[1] ? $in->send($h->[2]) : $out->send($h->[2], 0, $client);
    $passed++;
  }
  @held = @later;
}
printf "udp-relay: %d passed, %d dropped\n", $passed, $dropped;
