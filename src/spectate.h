// Spectators, with no network in it: the host's audience (up to eight
// machines that watch its match) and a spectator's own side. The host
// sends each spectator the confirmed match once, as bytes, then every
// confirmed tick's input from there on; nothing a spectator sends is ever
// an input. A spectator plays the match a steady second behind, so that it
// never guesses nor rolls back, and a spectator that falls far behind is
// dropped, never waited for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "match.h"
#include "netmsg.h"

namespace rallyton {

const int MAX_SPECTATORS = 8;
const int WATCH_BEHIND = 100;  // ticks a spectator keeps in hand: a second behind the players
const int SPECTATOR_MAX_LAG = 1000;  // ticks a spectator may hold unacknowledged before it is dropped
const int SEEN_EVERY = 25;  // ticks between a spectator's acknowledgements

// ---- the host's side ---------------------------------------------------------

struct Spectator {
    int id = 0;  // the caller's name for it
    bool started = false;  // its START is sent
    std::uint32_t sent = 0;  // inputs sent up to this tick
    std::uint32_t seen = 0;  // the spectator holds every tick before this
    std::vector<NetMessage> outbox;  // to send, in order, reliably
};

struct Audience {
    bool playing = false;  // the match has started
    Match latest;  // the match after the newest confirmed tick
    std::uint32_t confirmed = 0;  // ticks confirmed
    std::uint32_t firstKept = 0;  // the tick of inputs.front()
    std::vector<std::uint16_t> inputs;  // confirmed inputs from firstKept on, packed (input.h)
    std::vector<Spectator> spectators;
};

// The match starts (from `start`); spectators who came before get it now.
void startAudience(Audience &a, const Match &start);

// A machine asks to watch: false when eight already do.
bool addSpectator(Audience &a, int id);
void removeSpectator(Audience &a, int id);

// Each tick the players confirm, in order: its input and the match after.
void confirmForAudience(Audience &a, const TickInput &in, const Match &after);

// A spectator's message: its acknowledgement (anything else is dropped).
void audienceMessage(Audience &a, int id, const NetMessage &m);

// Fills each spectator's outbox with what it lacks; the ids of those too
// far behind (or whose messages ran ahead of what they were sent) are
// returned, no longer in the audience: the caller says goodbye.
std::vector<int> serveAudience(Audience &a);

// The match is over: each spectator gets the rest and a goodbye.
void endAudience(Audience &a);

// ---- a spectator's side ------------------------------------------------------

struct Watch {
    bool started = false;  // the START has come
    Match start;  // the match it started from, and that tick
    std::uint32_t startTick = 0;
    std::vector<std::uint16_t> inputs;  // every tick's since the start, as they came
    std::size_t played = 0;  // ticks run
    bool playing = false;  // running (else filling its hand to WATCH_BEHIND)
    bool over = false;  // the host said the match is over
    std::uint8_t bye = 0;  // the host's goodbye
    std::uint32_t acked = 0;  // the last acknowledgement sent
    unsigned dropped = 0;  // messages out of turn
    std::vector<NetMessage> outbox;
};

// A message from the host. START sets `match` to the match it carries.
void watchMessage(Watch &w, const NetMessage &m);

// The ticks to run of `due`: none until the hand holds WATCH_BEHIND (or the
// match is over), one more a pass while it holds a quarter more than that, and at
// most what has come.
int watchTicksDue(Watch &w, int due);

// The input of the next tick to run, and it counted as run.
std::uint16_t nextWatchedInput(Watch &w);

// The whole match has been shown: the host said it is over and every tick
// it sent has run.
bool watchedToTheEnd(const Watch &w);

}  // namespace rallyton
