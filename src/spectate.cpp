// The host's audience and a spectator's hand of ticks, with no network in it (spectate.h).
#include "spectate.h"

#include <algorithm>

#include "input.h"
#include "match.h"

namespace rallyton {

namespace {

const std::uint32_t TICKS_BATCH = 10;  // confirmed ticks gathered before they go (a spectator is a second behind)

NetMessage bye(std::uint8_t reason, std::uint32_t tick) {
    NetMessage m;
    m.type = NET_BYE, m.reason = reason, m.tick = tick;
    return m;
}

// What a spectator lacks into its outbox: its start, then the confirmed
// inputs since (a last short batch only when `all`).
void catchUp(Audience &a, Spectator &s, bool all) {
    if (!s.started) {
        NetMessage start;
        start.type = NET_START, start.tick = a.confirmed, start.match = encodeMatch(a.latest);
        s.outbox.push_back(start);
        s.started = true, s.sent = s.seen = a.confirmed;
    }
    while (a.confirmed - s.sent >= (all ? 1 : TICKS_BATCH)) {
        NetMessage ticks;
        ticks.type = NET_TICKS, ticks.tick = s.sent;
        ticks.count = int(std::min<std::uint32_t>(NET_MAX_TICKS, a.confirmed - s.sent));
        for (int i = 0; i < ticks.count; i++) ticks.packed[i] = a.inputs[s.sent - a.firstKept + std::uint32_t(i)];
        s.outbox.push_back(ticks);
        s.sent += std::uint32_t(ticks.count);
    }
}

// The inputs every spectator has been sent are let go.
void forgetSent(Audience &a) {
    std::uint32_t oldest = a.confirmed;
    for (const Spectator &s : a.spectators)
        if (s.started) oldest = std::min(oldest, s.sent);
    a.inputs.erase(a.inputs.begin(), a.inputs.begin() + (oldest - a.firstKept));
    a.firstKept = oldest;
}

}  // namespace

void startAudience(Audience &a, const Match &start) {
    a.playing = true, a.latest = start, a.confirmed = 0, a.firstKept = 0;
    a.inputs.clear();
    for (Spectator &s : a.spectators) s.started = false;
}

bool addSpectator(Audience &a, int id) {
    if (int(a.spectators.size()) >= MAX_SPECTATORS) return false;
    Spectator s;
    s.id = id;
    a.spectators.push_back(s);
    return true;
}

void removeSpectator(Audience &a, int id) {
    a.spectators.erase(std::remove_if(a.spectators.begin(), a.spectators.end(), [id](auto &s) { return s.id == id; }),
                       a.spectators.end());
}

void confirmForAudience(Audience &a, const TickInput &in, const Match &after) {
    if (!a.playing) return;
    a.latest = after, a.confirmed++;
    if (a.spectators.empty()) a.firstKept = a.confirmed;  // nobody to send it to
    else a.inputs.push_back(packInput(in));
}

void audienceMessage(Audience &a, int id, const NetMessage &m) {
    for (Spectator &s : a.spectators)
        if (s.id == id && m.type == NET_SEEN && s.started) s.seen = std::max(s.seen, m.tick);
}

std::vector<int> serveAudience(Audience &a) {
    std::vector<int> dropped;
    if (!a.playing) return dropped;
    for (Spectator &s : a.spectators) {
        catchUp(a, s, false);
        if (s.seen > s.sent || s.sent - s.seen > std::uint32_t(SPECTATOR_MAX_LAG)) dropped.push_back(s.id);
    }
    for (int id : dropped)
        a.spectators.erase(
            std::find_if(a.spectators.begin(), a.spectators.end(), [id](auto &s) { return s.id == id; }));
    forgetSent(a);
    return dropped;
}

void endAudience(Audience &a) {
    if (!a.playing) return;
    for (Spectator &s : a.spectators) {
        catchUp(a, s, true);
        s.outbox.push_back(bye(BYE_OVER, s.sent));
    }
    forgetSent(a);
    a.playing = false;
}

void watchMessage(Watch &w, const NetMessage &m) {
    std::uint32_t next = w.startTick + std::uint32_t(w.inputs.size());
    if (m.type == NET_START && !w.started) {
        decodeMatch(m.match.data(), m.match.size(), w.start);  // the decoder found it sound
        w.started = true, w.startTick = w.acked = m.tick;
        match = w.start;
    } else if (m.type == NET_TICKS && w.started && !w.over && m.tick == next) {
        w.inputs.insert(w.inputs.end(), m.packed, m.packed + m.count);
        next += std::uint32_t(m.count);
        if (next - w.acked >= std::uint32_t(SEEN_EVERY)) {
            NetMessage seen;
            seen.type = NET_SEEN, seen.tick = w.acked = next;
            w.outbox.push_back(seen);
        }
    } else if (m.type == NET_BYE && !w.over) {
        w.over = true, w.bye = m.reason;
    } else {
        w.dropped++;
    }
}

int watchTicksDue(Watch &w, int due) {
    int hand = int(w.inputs.size() - w.played);
    if (!w.playing && (hand >= WATCH_BEHIND || (w.over && hand > 0))) w.playing = true;
    if (hand == 0 && !w.over) w.playing = false;  // run dry: fill the hand again
    if (!w.playing) return 0;
    if (hand > WATCH_BEHIND + WATCH_BEHIND / 4) due++;  // fallen behind (an outage): catch up, a tick at a time
    return std::min(due, hand);
}

std::uint16_t nextWatchedInput(Watch &w) { return w.inputs[w.played++]; }

bool watchedToTheEnd(const Watch &w) { return w.over && w.played == w.inputs.size(); }

}  // namespace rallyton
