// One side of a network match, with no network in it (rollback.h).
#include "rollback.h"

#include <algorithm>

#include "loop.h"
#include "match.h"

namespace rallyton {

namespace {

const int MAX_DUE = MAX_CATCH_UP_TICKS;  // ticks kept waiting while the other player's input is late

// How far we run ahead of the other player's newest input we hold.
int ourLead(const Rollback &r) {
    return std::max(-NET_MAX_LEAD, std::min(NET_MAX_LEAD, int(r.nextTick - r.remoteNext)));
}

// Our inputs from the oldest the other game lacks (at most NET_MAX_INPUTS
// of them, the oldest first), and what we hold of theirs.
void sendInputs(Rollback &r, long nowMs) {
    NetMessage m;
    m.type = NET_INPUT, m.tick = r.theirAck, m.ack = r.remoteNext, m.lead = ourLead(r);
    m.count = int(std::min<std::uint32_t>(r.localNext - r.theirAck, NET_MAX_INPUTS));
    for (int i = 0; i < m.count; i++) m.bits[i] = r.localBits[(r.theirAck + std::uint32_t(i)) % RING];
    r.outbox.push_back(m);
    r.sentMs = nowMs;
}

// The match is over for us. Our inputs go once more (and, from now on,
// reliably): the other game may need them to make the last tick final too.
void end(Rollback &r, const std::string &why) {
    r.over = true, r.ended = why;
    sendInputs(r, r.sentMs);
}

void compareDigests(Rollback &r, std::uint32_t tick) {
    int i = int(tick / DIGEST_EVERY % DIGESTS_KEPT);
    if (r.ownDigestTick[i] != tick || r.theirDigestTick[i] != tick || r.ownDigest[i] == r.theirDigest[i]) return;
    NetMessage bye;
    bye.type = NET_BYE, bye.reason = BYE_DISAGREE, bye.tick = tick;
    r.outbox.push_back(bye);
    end(r, "the two games disagree at tick " + std::to_string(tick));
}

// Runs tick t: with the other player's input where it has come, else the
// guess that they still do what they did last. A tick run again is heard
// no more.
void runTick(Rollback &r, std::uint32_t t, bool again) {
    r.before[t % RING] = match;
    unsigned char theirs = t < r.remoteNext ? r.remoteBits[t % RING]
                           : r.remoteNext   ? r.remoteBits[(r.remoteNext - 1) % RING]
                                            : 0;
    r.guessed[t % RING] = theirs;
    advance(bothPlayers(r.side, r.localBits[t % RING], theirs));
    if (again) events.count = 0;
}

// An input came that is not what a tick ran with: back to the match before
// that tick, and every tick since run again with what is known now.
void rollBack(Rollback &r) {
    if (r.wrongFrom >= r.nextTick) return;
    long depth = long(r.nextTick - r.wrongFrom);
    r.rollbacks++, r.deepest = std::max(r.deepest, depth), r.runAgain += depth;
    match = r.before[r.wrongFrom % RING];
    for (std::uint32_t t = r.wrongFrom; t < r.nextTick; t++) runTick(r, t, true);
    r.wrongFrom = r.nextTick;
}

// The ticks that both players' inputs have come for and that ran with them
// are final: handed on, compared. A match left with ESC ends here, once the
// tick that left it is final.
void confirm(Rollback &r) {
    while (!r.over && r.confirmedNext < std::min(r.remoteNext, r.nextTick)) {
        std::uint32_t t = r.confirmedNext++;
        const Match &after = t + 1 < r.nextTick ? r.before[(t + 1) % RING] : match;
        std::uint64_t digest = matchDigest(after);
        if (r.confirmed) r.confirmed(t, bothPlayers(r.side, r.localBits[t % RING], r.remoteBits[t % RING]), after);
        if (after.game_state == STATE_TITLE_FADE_IN)
            return end(r, (r.remoteBits[t % RING] & BIT_ESC) ? "the other player left the match" : "");
        if (t % DIGEST_EVERY == DIGEST_EVERY - 1) {
            int i = int(t / DIGEST_EVERY % DIGESTS_KEPT);
            r.ownDigest[i] = digest, r.ownDigestTick[i] = t;
            NetMessage d;
            d.type = NET_DIGEST, d.tick = t, d.digest = digest;
            r.outbox.push_back(d);
            compareDigests(r, t);
        }
    }
}

// A new tick may run: one is due, the other player's input is no further
// behind than the window, the match has not been left (that tick waits to
// be final), and the other game lacks no more of our inputs than a
// datagram carries.
bool mayRun(const Rollback &r) {
    return !r.over && r.pending > 0 && r.nextTick < r.remoteNext + ROLLBACK_WINDOW &&
           game_state != STATE_TITLE_FADE_IN && r.localNext + 1 - r.theirAck <= std::uint32_t(NET_MAX_INPUTS);
}

// The game whose clock runs ahead lets a tick pass now and then, so that
// neither guesses much more of the other's input than the network's delay.
// Judged from the average over many messages: the jitter of single
// datagrams is no drift.
void keepClocksTogether(Rollback &r) {
    if (r.sinceSync >= SYNC_EVERY) {
        long advantage = r.leadSamples >= SYNC_SAMPLES ? r.leadSum / r.leadSamples : 0;
        if (advantage >= 2) r.skip += int(advantage / 2);
        r.sinceSync = 0, r.leadSum = 0, r.leadSamples = 0;
    }
    while (r.skip > 0 && r.pending > 0) r.skip--, r.pending--, r.skipped++;
}

}  // namespace

TickInput bothPlayers(int side, unsigned char ours, unsigned char theirs) {
    TickInput in = input;
    unsigned char bits[2];
    bits[side] = ours, bits[1 - side] = theirs;
    unsigned char either = bits[0] | bits[1];
    in.keys[KEY_P] = (either & BIT_P) != 0;
    in.keys[KEY_R] = (either & BIT_R) != 0;
    in.keys[KEY_ESC] = (either & BIT_ESC) != 0;
    in.keys[KEY_ENTER] = in.keys[KEY_LEFT] = in.keys[KEY_RIGHT] = 0;
    for (int s = 0; s < 2; s++) in.up[s] = (bits[s] & BIT_UP) != 0, in.down[s] = (bits[s] & BIT_DOWN) != 0;
    return in;
}

void startRollback(Rollback &r, int side, int delay, long nowMs) {
    auto confirmed = std::move(r.confirmed);
    r = Rollback();
    r.confirmed = std::move(confirmed);
    r.side = side, r.delay = delay, r.heardMs = nowMs;
    for (int i = 0; i < DIGESTS_KEPT; i++) r.ownDigestTick[i] = r.theirDigestTick[i] = ~0u;
    // The same match on both machines, from the same state, whatever came before.
    match = Match();
    setStartValues();
    restart();
    p2 = 1, title_trans = VEIL_BLACK, game_state = STATE_MATCH_FADE_IN;
    r.localNext = std::uint32_t(delay);  // the ticks before our first key counts: nothing pressed
    sendInputs(r, nowMs);
}

void takeMessage(Rollback &r, const NetMessage &m, long nowMs) {
    r.heardMs = nowMs;
    if (r.over) return;
    if (m.type == NET_INPUT) {
        if (!inTurn(m, r.remoteNext, r.nextTick) || m.ack > r.localNext) return void(r.dropped++);
        std::uint32_t newest = m.tick + std::uint32_t(m.count);
        for (std::uint32_t t = r.remoteNext; t < newest; t++) {  // a repeat of what we hold changes nothing
            r.remoteBits[t % RING] = m.bits[t - m.tick];
            if (t < r.nextTick && m.bits[t - m.tick] != r.guessed[t % RING]) r.wrongFrom = std::min(r.wrongFrom, t);
        }
        r.remoteNext = std::max(r.remoteNext, newest);
        r.theirAck = std::max(r.theirAck, m.ack);
        if (newest >= r.newestHeard) {  // a datagram that came late says nothing of the clocks now
            r.newestHeard = newest;
            r.leadSum += ourLead(r) - m.lead, r.leadSamples++;
        }
    } else if (m.type == NET_DIGEST) {
        if (!inTurn(m, r.remoteNext, r.nextTick)) return void(r.dropped++);
        int i = int(m.tick / DIGEST_EVERY % DIGESTS_KEPT);
        r.theirDigest[i] = m.digest, r.theirDigestTick[i] = m.tick;
        compareDigests(r, m.tick);
    } else if (m.type == NET_BYE) {
        end(r, m.reason == BYE_DISAGREE ? "the two games disagree at tick " + std::to_string(m.tick)
                                        : "the other player closed the game");
    } else {
        r.dropped++;
    }
}

bool runTicks(Rollback &r, int due, bool away, long nowMs, const std::function<unsigned char()> &ours,
              const std::function<void()> &heard) {
    if (r.over) return true;
    if (away) r.pauseWanted = true;
    long ranAgain = r.runAgain;
    rollBack(r);
    confirm(r);
    if (r.over) return true;
    r.pending = std::min(r.pending + due, MAX_DUE);  // a stopped game catches up no further than a local one
    keepClocksTogether(r);
    int ran = 0;
    while (mayRun(r)) {  // our input at once
        unsigned char bits = ours();
        if (r.pauseWanted && game_state == STATE_PLAY) bits |= BIT_P, r.pauseWanted = false;
        r.localBits[r.localNext++ % RING] = bits;
        runTick(r, r.nextTick++, false);
        r.wrongFrom = r.nextTick;
        heard();
        r.pending--, ran++, r.sinceSync++;
        confirm(r);
    }
    if (r.over) return true;
    bool held = r.pending > 0;
    if (nowMs - r.heardMs >= GONE_MS || (held && r.peerClosed)) {
        end(r, "the other player is gone");
        return true;
    }
    if (held) r.waited += due;
    bool wasWaiting = r.waiting;
    r.waiting = held && game_state != STATE_TITLE_FADE_IN;
    if (ran > 0 || nowMs - r.sentMs >= SEND_EVERY_MS) sendInputs(r, nowMs);
    return ran > 0 || r.runAgain != ranAgain || r.waiting != wasWaiting;
}

void leaveRollback(Rollback &r) {
    NetMessage bye;
    bye.type = NET_BYE, bye.reason = BYE_CLOSED, bye.tick = r.nextTick;
    r.outbox.push_back(bye);
    end(r, "");
}

int guessing(const Rollback &r) { return std::max(0, int(r.nextTick - r.remoteNext)); }

std::string rollbackSummary(const Rollback &r) {
    std::string hundredths = std::to_string(r.waited % 100);
    return std::to_string(r.rollbacks) + " rollbacks, the deepest " + std::to_string(r.deepest) + " ticks; " +
           std::to_string(r.runAgain) + " ticks run again; waited " + std::to_string(r.waited) + " ticks (" +
           std::to_string(r.waited / 100) + "." + (hundredths.size() < 2 ? "0" : "") + hundredths +
           " s) for the other player";
}

}  // namespace rallyton
