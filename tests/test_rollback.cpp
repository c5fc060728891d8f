// Two rollback sessions in one process, joined by a link of our own with a
// fixed seed (delay, jitter, loss, duplicates and so reordering, outages),
// play a match of several thousand ticks, each steering by a pattern: their
// confirmed ticks agree, each tick is heard once, and the rollbacks stay as
// shallow and the waits as short as the path allows.
#include <algorithm>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "match.h"
#include "rollback.h"
#include "spectate.h"
#include "support.h"

using namespace test;

namespace {

// An outage of darkMs at the end of every darkEvery ms; nothing passes from deadFrom on (0: none, never).
// clang-format off
struct Path { int delayMs = 0, jitterMs = 0, lossPct = 0, doubledPct = 0;
              long darkEvery = 0, darkMs = 0, deadFrom = 0; };
// clang-format on

using Datagram = std::pair<long, std::vector<unsigned char>>;  // when it arrives, and its bytes

// One direction each way; inputs may be lost or doubled, the rest arrive in
// order (ENet sends them again: a loss costs them a round trip).
struct Link {
    Path path;
    std::mt19937 random{20261208};
    std::vector<Datagram> toward[2];
    long lastReliable[2] = {0, 0};
    bool dark(long now) const {
        return (path.deadFrom && now >= path.deadFrom) ||
               (path.darkEvery && now % path.darkEvery >= path.darkEvery - path.darkMs);
    }
    long delay() { return path.delayMs + (path.jitterMs ? long(random() % unsigned(path.jitterMs + 1)) : 0); }
    bool chance(int pct) { return int(random() % 100) < pct; }
    void send(int to, const NetMessage &m, bool reliable, long now) {
        unsigned char b[NET_MAX_MESSAGE];
        std::vector<unsigned char> bytes(b, b + encodeMessage(m, b));
        long at = now + delay();
        for (int tries = 0; reliable && (dark(at) || chance(path.lossPct)) && tries < 100; tries++)
            at += 2 * path.delayMs + 50;  // resent until it gets through
        if (reliable && !dark(at)) toward[to].emplace_back(lastReliable[to] = std::max(at, lastReliable[to]), bytes);
        for (int copies = chance(path.doubledPct) ? 2 : 1; !reliable && copies > 0; copies--)
            if (!dark(now) && !chance(path.lossPct)) toward[to].emplace_back(now + delay(), bytes);
    }
    // What has reached `to` by now, in the order it came, decoded as the game decodes it.
    std::vector<NetMessage> arrived(int to, long now) {
        auto later =
            std::stable_partition(toward[to].begin(), toward[to].end(), [now](auto &d) { return d.first <= now; });
        std::stable_sort(toward[to].begin(), later, [](auto &a, auto &b) { return a.first < b.first; });
        std::vector<NetMessage> due(std::size_t(later - toward[to].begin()));
        for (std::size_t i = 0; i < due.size(); i++)
            EXPECT_TRUE(decodeMessage(toward[to][i].second.data(), toward[to][i].second.size(), due[i]));
        toward[to].erase(toward[to].begin(), later);
        return due;
    }
};

// Each confirmed tick's digest, in order; the first runs heard, the hits heard, the runs heard with two music
// steps; the host's spectators, if any.
// clang-format off
struct Side { Rollback r; Match live; std::vector<std::uint64_t> digests; long heard = 0, hits = 0, twice = 0,
              endedAt = -1; bool away = false; Audience *audience = nullptr; };
// clang-format on

// Both steer by patterns of their own, their inputs changing every few ticks.
unsigned char pattern(int side, std::uint32_t t) {
    return (t % (side ? 89 : 97) < (side ? 30u : 40u) ? BIT_UP : 0) | (t % (side ? 53 : 61) < 25 ? BIT_DOWN : 0);
}

// clang-format off
struct Match2 { std::unique_ptr<Side> sides[2] = {std::make_unique<Side>(), std::make_unique<Side>()}; Link link;
                Side &operator[](int s) { return *sides[s]; } };
// clang-format on

// Plays ms of time, 10 ms a pass on each side (the guest's clock `fastEvery`
// ms a tick ahead, if not 0); `then` runs after each pass of a side.
void play(Match2 &m, long ms, int delay0, int delay1, unsigned char (*steer)(int, std::uint32_t) = pattern,
          long fastEvery = 0, const std::function<void(int, long)> &then = nullptr) {
    for (int s = 0; s < 2; s++) {
        Side &side = m[s];
        side.r.confirmed = [&side](std::uint32_t, const TickInput &in, const Match &after) {
            side.digests.push_back(matchDigest(after));
            if (side.audience) confirmForAudience(*side.audience, in, after);
        };
        startRollback(side.r, s, s ? delay1 : delay0, 0);
        if (side.audience) startAudience(*side.audience, match);
        side.live = match, events.count = 0;
    }
    for (long now = 0; now < ms; now += TICK_MS)
        for (int s = 0; s < 2; s++) {
            Side &side = m[s];
            for (const NetMessage &msg : m.link.arrived(s, now)) takeMessage(side.r, msg, now);
            match = side.live;
            auto ours = [&] { return steer(s, side.r.localNext); };
            auto heard = [&] {
                auto end = events.list + events.count;
                side.hits += std::count(events.list, end, EVENT_HIT), side.heard++;
                side.twice += std::count(events.list, end, EVENT_MUSIC_STEP) > 1, events.count = 0;
            };
            int due = 1 + (s == 1 && fastEvery && now % fastEvery == 0 && now);
            runTicks(side.r, due, side.away, now, ours, heard);
            side.away = false, side.live = match;
            if (side.r.over && side.endedAt < 0) side.endedAt = now;
            for (const NetMessage &out : std::exchange(side.r.outbox, {}))  // as the game sends them
                m.link.send(1 - s, out, out.type != NET_INPUT || side.r.over, now);
            if (then) then(s, now);
        }
}

// The confirmed ticks both sides share agree, and there are at least
// `least`; each tick run was heard once, hits among them.
void expectAgreement(Match2 &m, std::size_t least, const char *what, bool hits = true) {
    std::size_t n = std::min(m[0].digests.size(), m[1].digests.size());
    EXPECT_GE(n, least) << what;
    for (std::size_t t = 0; t < n; t++) ASSERT_EQ(m[0].digests[t], m[1].digests[t]) << what << ": tick " << t;
    for (int s = 0; s < 2; s++) {
        EXPECT_EQ(m[s].heard, long(m[s].r.nextTick)) << what << ": each tick heard once, side " << s;
        EXPECT_EQ(m[s].twice, 0) << what << ": a tick run again was heard, side " << s;
        EXPECT_TRUE(m[s].hits > 0 || !hits) << what << ": side " << s;
    }
}

}  // namespace

// Paths from a clean loopback to a poor home link, a minute each: both
// confirm (nearly) every tick of the minute, agree at every tick, and the
// rollbacks go no deeper, nor the waits longer, than the path explains. A
// wrong guess, a clock rule turned round or off by a tick, or a lost
// datagram holding inputs back, shows here.
TEST_F(GameTest, TwoSessionsAgreeOnAnyPathAndRollBackNoFurtherThanItNeeds) {
    // clang-format off
    // The path, the input delays, every how many ms the guest's clock gains a tick; on each side the least and
    // the most confirmed, the deepest rollback, the rollbacks, the ticks run again, the wait; the ticks let pass
    // by the host and by the guest.
    const struct Case { Path path; int delay0, delay1; long fastEvery, leastConfirmed, mostConfirmed, deepest,
        rollbacks, runAgain, waited, skipped[2]; } cases[] = {
        {{0, 0, 0, 0, 0, 0, 0}, 0, 0, 0, 5990, 6000, 1, 400, 400, 0, {0, 0}},  // the loopback
        {{40, 0, 0, 0, 0, 0, 0}, 0, 0, 0, 5990, 6000, 4, 400, 1600, 0, {0, 0}},  // far, but steady
        {{40, 0, 0, 0, 0, 0, 0}, 3, 0, 0, 5990, 6000, 4, 400, 1200, 0, {1, 0}},  // one player buys some delay
        {{20, 0, 0, 0, 0, 0, 0}, 0, 0, 5000, 5980, 6000, 4, 400, 1000, 0, {0, 10}},  // the guest's clock 0.2 % fast
        {{40, 60, 0, 0, 0, 0, 0}, 0, 0, 0, 5950, 6000, 11, 400, 2600, 0, {0, 0}},  // jitter
        {{40, 60, 8, 4, 0, 0, 0}, 0, 0, 0, 5950, 6000, 12, 400, 2700, 0, {0, 0}},  // jitter, loss, doubles
        {{40, 60, 8, 4, 20000, 1000, 0}, 0, 0, 0, 5800, 5870, 30, 400, 2700, 300, {0, 3}},  // and a second's outage every 20 s
    };
    // clang-format on
    for (const Case &c : cases) {
        Match2 m;
        m.link.path = c.path;
        play(m, 60000, c.delay0, c.delay1, pattern, c.fastEvery);
        std::string what = "path " + std::to_string(&c - cases);
        expectAgreement(m, std::size_t(c.leastConfirmed), what.c_str());
        for (int s = 0; s < 2; s++) {
            const Rollback &r = m[s].r;
            EXPECT_FALSE(r.over) << what << ", side " << s << ": " << r.ended;
            EXPECT_EQ(r.dropped, 0u) << what << ", side " << s;
            // The deepest, the rollbacks, the ticks run again, the wait and the confirmed ticks: no
            // more than the path explains (a stall catches up half a second at most).
            const long got[] = {r.deepest, r.rollbacks, r.runAgain, r.waited, long(r.confirmedNext)},
                       most[] = {c.deepest, c.rollbacks, c.runAgain, c.waited, c.mostConfirmed};
            for (int k = 0; k < 5; k++) EXPECT_LE(got[k], most[k]) << what << ", side " << s << ", measure " << k;
            // Only a real drift lets ticks pass: one for each tick the guest's clock gained (the last
            // not yet seen), one for the host's three ticks of delay, and those that outages leave
            // between the two games (each catches up no more than half a second); never jitter or loss.
            EXPECT_EQ(r.skipped, c.skipped[s]) << what << ", side " << s;
        }
    }
}

// How a match ends, on both sides: a tick that one game plays otherwise
// (a difference of its own, once everything before it is final) ends it on
// both at the next compared digest; ESC on the guest, once its tick is
// final on both, with the host told; the network gone for good, after five
// seconds of silence and not before. The focus gone from the guest's
// window pauses the match for both at its next rally tick, as P would.
TEST_F(GameTest, AMatchEndsAlikeOnBothSides) {
    Match2 differ;
    bool changed = false;
    play(differ, 20000, 0, 0, pattern, 0, [&](int s, long) {
        Rollback &r = differ[1].r;
        if (s == 1 && !changed && r.nextTick >= 1234 && r.confirmedNext == r.nextTick)
            differ[1].live.ball.vy += 0.01, changed = true;
    });
    for (int s = 0; s < 2; s++) EXPECT_EQ(differ[s].r.ended, "the two games disagree at tick 1299") << s;

    for (int leaver : {0, 1}) {  // the host while it still guesses the guest's last ticks; the guest, ahead
        Match2 leave;
        leave.link.path.delayMs = leaver ? 0 : 40;  // the host has the guest's ESC before it runs that tick
        static int who;
        who = leaver;
        play(leave, 40000, 0, 2, [](int s, std::uint32_t t) -> unsigned char {
            return pattern(s, t) | (s == who && t == 2500 ? BIT_ESC : 0);
        });
        EXPECT_EQ(leave[1 - leaver].r.ended, "the other player left the match") << leaver;
        EXPECT_TRUE(leave[leaver].r.over && leave[leaver].r.ended.empty() && leave[leaver].digests.size() == 2501)
            << leaver << ": " << leave[leaver].r.ended << ", " << leave[leaver].digests.size() << " ticks";
        expectAgreement(leave, 2501, "leave");
    }

    Match2 gone;
    gone.link.path = {30, 0, 0, 0, 0, 0, 3000};
    play(gone, 12000, 0, 0);
    for (int s = 0; s < 2; s++)  // after five seconds of silence
        EXPECT_TRUE(gone[s].r.ended == "the other player is gone" && gone[s].endedAt >= 8000 && gone[s].endedAt <= 8040)
            << s << ": " << gone[s].r.ended << " at " << gone[s].endedAt;

    Match2 away;
    int pausedAt[2] = {-1, -1};
    play(away, 10000, 0, 0, pattern, 0, [&](int s, long now) {
        away[1].away = now == 4000;  // in a serve countdown: the next rally tick pauses
        if (away[s].live.game_state == STATE_PAUSE && pausedAt[s] < 0) pausedAt[s] = int(away[s].r.nextTick);
    });
    EXPECT_TRUE(pausedAt[1] > 400 && pausedAt[0] >= pausedAt[1] && pausedAt[0] <= pausedAt[1] + 1)
        << pausedAt[0] << ", " << pausedAt[1];
    EXPECT_EQ(away[0].live.game_state, STATE_PAUSE);
    expectAgreement(away, 990, "away", false);
}

// Spectators of the host over paths of their own (ENet's reliable channel:
// late, never lost): one from the start, one after 15 s whose path goes
// dark for 3 s, one that stalls. Both that watch agree with the players at
// every tick they show (the late one from its first), a steady second
// behind (the late one back there after its outage); the stalled one is
// dropped;
// the players' rollbacks and waits are those of a match without them; a
// ninth spectator is refused.
TEST_F(GameTest, SpectatorsAgreeWithThePlayersAndCostThemNothing) {
    Match2 alone, watched;
    alone.link.path = watched.link.path = {30, 40, 5, 3};
    play(alone, 30000, 0, 2);
    // clang-format off
    struct Viewer { Watch w; Match live; Link link; std::vector<std::uint64_t> digests; long joinAt = 0;
        bool stalls = false, in = false; std::uint32_t mostBehind = 0, behindAtEnd = 0; } viewers[3];
    // clang-format on
    viewers[1].joinAt = 15000, viewers[2].joinAt = 5000, viewers[2].stalls = true;
    Audience audience;
    watched[0].audience = &audience;
    std::vector<int> dropped;
    auto serve = [&](long now) {
        for (int id : serveAudience(audience)) dropped.push_back(id);
        for (Spectator &s : audience.spectators)
            for (const NetMessage &m : std::exchange(s.outbox, {})) viewers[s.id].link.send(1, m, true, now);
    };
    auto watch = [&](Viewer &v, int id, long now) {
        match = v.live;
        for (const NetMessage &m : v.link.arrived(1, now)) watchMessage(v.w, m);
        for (int n = watchTicksDue(v.w, 1); n > 0; n--) {
            TickInput in{};
            unpackInput(nextWatchedInput(v.w), in);
            advance(in), events.count = 0;
            v.digests.push_back(matchDigest(match));
        }
        std::uint32_t behind = audience.confirmed - v.w.startTick - std::uint32_t(v.w.played);
        if (v.w.playing) v.mostBehind = std::max(v.mostBehind, behind);
        if (now == 29990) v.behindAtEnd = behind;
        for (const NetMessage &m : std::exchange(v.w.outbox, {})) v.link.send(0, m, true, now);
        for (const NetMessage &m : v.link.arrived(0, now)) audienceMessage(audience, id, m);
        v.live = match;
    };
    play(watched, 30000, 0, 2, pattern, 0, [&](int s, long now) {
        if (s != 0) return;
        for (int id = 0; id < 3; id++) {
            Viewer &v = viewers[id];
            v.link.path = {20 + 30 * id, 30, 0, 0, id == 1 ? 25000 : 0, 3000};
            if (now >= v.joinAt && !v.in) v.in = true, addSpectator(audience, id);
            serve(now);
            if (!v.stalls) watch(v, id, now);
        }
        match = watched[0].live;
    });
    endAudience(audience);
    for (long now = 30000; now < 36000; now += TICK_MS) {
        serve(now);
        for (int id = 0; id < 2; id++) watch(viewers[id], id, now);
    }
    EXPECT_EQ(dropped, std::vector<int>{2}) << "the stalled spectator, and only it";
    EXPECT_EQ(watched[0].digests, alone[0].digests) << "the players' match as without spectators";
    EXPECT_EQ(watched[0].r.rollbacks, alone[0].r.rollbacks);
    EXPECT_EQ(watched[1].r.waited, alone[1].r.waited);
    for (int id = 0; id < 2; id++) {
        const Viewer &v = viewers[id];
        EXPECT_TRUE(watchedToTheEnd(v.w)) << id;
        EXPECT_EQ(v.w.startTick + v.digests.size(), watched[0].digests.size()) << id << ": every tick to the last";
        EXPECT_GT(v.digests.size(), 1400u) << id;
        for (std::size_t t = 0; t < v.digests.size(); t++)
            ASSERT_EQ(v.digests[t], watched[0].digests[v.w.startTick + t]) << id << ": tick " << v.w.startTick + t;
        EXPECT_TRUE(v.behindAtEnd >= 100 && v.behindAtEnd <= 140) << id << ": a second behind, not " << v.behindAtEnd;
    }
    EXPECT_LE(viewers[0].mostBehind, 140u) << "on a clean path, never further behind";
    EXPECT_GT(viewers[1].mostBehind, 300u) << "the outage held the late one back";
    EXPECT_GT(viewers[1].w.startTick, 1400u) << "the late spectator starts from the match as it was";
    for (int id = 3; id < 20 && addSpectator(audience, id);) id++;
    EXPECT_EQ(audience.spectators.size(), std::size_t(MAX_SPECTATORS)) << "the ninth refused";
}
