// The host's spectators over ENet: who comes to watch is let in (up to
// eight) or refused, each gets the match's confirmed ticks on the reliable
// channel, and one that falls far behind is dropped with a line. Nothing
// a spectator sends is taken as a player's input.
#pragma once

#include "wire.h"

namespace rallyton {

struct Match;
struct TickInput;

// A machine's WATCH: in, or refused (another version, a ninth).
void spectatorArrives(ENetPeer *peer, const NetMessage &watch);

// Whether the peer is a spectator; if so its message (or its leaving) is
// taken here.
bool spectatorMessage(ENetPeer *peer, const NetMessage &m);
bool spectatorLeaves(ENetPeer *peer);

void startSpectators(const Match &start);  // the host's match starts
void spectatorsConfirm(const TickInput &in, const Match &after);  // each confirmed tick
void serveSpectators();  // a pass: what each lacks, on its way
void endSpectators();  // the match is over (or the host closes): the rest, and goodbyes

}  // namespace rallyton
