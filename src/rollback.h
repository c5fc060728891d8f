// Rollback: one player's side of a match between two machines, with no
// network in it. It runs our input at once and guesses the other player's
// (that they go on doing what they did last); when their real input comes
// and differs, it restores the match saved before the first wrong tick and
// runs the ticks since again. It keeps the two clocks together, confirms
// the ticks both real inputs have run, compares their digests every second,
// and says what to send: our inputs the other side has not acknowledged
// (each datagram carries all of them, so a lost one is covered by the next)
// and what we hold of theirs. The tick is the game's own, on `match`; what
// a tick run for the first time asks to be heard is the caller's to play.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "match.h"
#include "netmsg.h"

namespace rallyton {

// Ticks whose inputs and states are kept: our window, both players' input
// delays and the other game's own window, with room to spare.
const int RING = 128;
static_assert(RING > NET_MAX_INPUTS, "the ring holds every tick not yet confirmed, and every input not acknowledged");
const int DIGESTS_KEPT = 8;
const int GONE_MS = 5000;  // nothing at all from the other player for this long: they are gone
const int SEND_EVERY_MS = TICK_MS;  // while no tick runs, our inputs go again this often
const int SYNC_EVERY = 100;  // ticks between two looks at the clocks, each over the messages between
const int SYNC_SAMPLES = 50;  // messages a look needs, at least

struct Rollback {
    int side = 0;  // ours: 0 the host's (left), 1 the guest's (right)
    int delay = 0;  // our input runs this many ticks after its key
    std::uint32_t nextTick = 0;  // the next tick to run
    std::uint32_t remoteNext = 0;  // the other player's inputs have come for every tick before this
    std::uint32_t confirmedNext = 0;  // every tick before this ran with both real inputs
    std::uint32_t localNext = 0;  // our inputs are known for every tick before this (nextTick + delay)
    std::uint32_t theirAck = 0;  // the other game holds our inputs for every tick before this
    std::uint32_t newestHeard = 0;  // the furthest any of their datagrams reached: older ones came late
    std::uint32_t wrongFrom = 0;  // the first tick that ran with a wrong guess (nextTick: none)
    unsigned char localBits[RING] = {}, remoteBits[RING] = {};  // by tick % RING
    unsigned char guessed[RING] = {};  // the other player's input a tick last ran with
    Match before[RING];  // the match before each tick since the last confirmed one
    int pending = 0;  // ticks due and not run yet
    int sinceSync = 0;  // ticks run since the clocks were last looked at
    long leadSum = 0;  // since then: the sum of (our lead - theirs) over each message, and how many
    int leadSamples = 0;
    int skip = 0;  // ticks still to let pass without running, for the clocks
    bool pauseWanted = false;  // the window lost the focus: P goes in at the next tick of a rally
    bool peerClosed = false;  // the other game closed the connection: play on as far as its inputs came
    long heardMs = 0, sentMs = 0;  // when the other game was last heard, and we last sent our inputs
    bool waiting = false;  // held at the window for the other player's input
    long rollbacks = 0, deepest = 0, runAgain = 0, waited = 0;  // waited: ticks due while held
    long skipped = 0;  // ticks let pass to keep the clocks together
    unsigned dropped = 0;  // messages that were out of turn
    std::uint64_t ownDigest[DIGESTS_KEPT] = {}, theirDigest[DIGESTS_KEPT] = {};
    std::uint32_t ownDigestTick[DIGESTS_KEPT] = {}, theirDigestTick[DIGESTS_KEPT] = {};
    std::vector<NetMessage> outbox;  // to send, in order; inputs may be lost, the rest (and all once over) must arrive
    bool over = false;  // the match is over for us, saying `ended` ("" for a leave of our own)
    std::string ended;
    // Each confirmed tick, in order, with both players' input and the match after it.
    std::function<void(std::uint32_t tick, const TickInput &in, const Match &after)> confirmed;
};

// A match starts: the same start on both machines (match is set to it; the
// events it leaves are the caller's to play), our input delay, and the
// ticks before our first key counts sent as nothing.
void startRollback(Rollback &r, int side, int delay, long nowMs);

// A message from the other player, decoded. Corrections wait for the next
// runTicks.
void takeMessage(Rollback &r, const NetMessage &m, long nowMs);

// A pass of the loop with `due` ticks come due: corrections, then each new
// tick with our input (ours(), once a tick; with the focus gone, `away`,
// a rally is paused for both) run at once; after each, heard() plays its
// events. Returns whether the match or the line about it changed.
bool runTicks(Rollback &r, int due, bool away, long nowMs, const std::function<unsigned char()> &ours,
              const std::function<void()> &heard);

// We leave (the window closed, a signal): the goodbye, in the outbox.
void leaveRollback(Rollback &r);

// How far the game guesses the other player's input now, in ticks.
int guessing(const Rollback &r);

// The session's last line: "N rollbacks, the deepest D ticks; R ticks run
// again; waited W ticks (S s) for the other player".
std::string rollbackSummary(const Rollback &r);

// A tick's input from both players' bits: each steers their own paddle;
// P, R and ESC act for both; the menus' keys do nothing; the rest (the
// keyboard's 1 and 2) stays as `input` holds it.
TickInput bothPlayers(int side, unsigned char ours, unsigned char theirs);

}  // namespace rallyton
