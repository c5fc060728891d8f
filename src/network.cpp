#include "network.h"

// ENet's headers bring windows.h on Windows: its BITMAP is not the library's.
#define BITMAP WINDOWS_BITMAP
#include <enet/enet.h>
#undef BITMAP

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "game.h"
#include "input.h"
#include "netmsg.h"
#include "options.h"
#include "platform.h"
#include "screens.h"
#include "version.h"

namespace rallyton {

namespace {

const int RING = 64;  // inputs kept: more than twice the largest input delay
const int DIGEST_EVERY = 100;  // ticks: once a second
const int DIGESTS_KEPT = 8;
const int CONNECT_MS = 5000;  // a host that has not answered by then is not there
const int GONE_MS = 5000;  // the other player's silence that ends a match
const int PINGS = 5;  // round trips measured before the match starts
const int MAX_DUE = MAX_CATCH_UP_TICKS;  // ticks kept waiting while the other player's input is late
const enet_uint8 CHANNEL = 0;  // one reliable, ordered channel
const std::size_t MAX_ADDRESSES_SHOWN = 4;  // on the waiting screen

ENetHost *host = nullptr;
ENetPeer *peer = nullptr;  // the other player
bool playing = false;
bool peerGone = false;  // disconnected: the match plays on only as far as its inputs have come
int side = 0;  // ours: 0 the host's (left), 1 the guest's (right)
int delay = 2;
std::uint32_t nextTick = 0;  // the next tick to run
std::uint32_t remoteNext = 0;  // the next tick whose input the other player will send
unsigned char localBits[RING], remoteBits[RING];
int pending = 0;  // ticks due and not run yet
bool pauseWanted = false;  // the window lost the focus in a rally
unsigned dropped = 0;  // messages from the other player that were not well formed, or out of turn
std::uint64_t ownDigest[DIGESTS_KEPT], theirDigest[DIGESTS_KEPT];
std::uint32_t ownDigestTick[DIGESTS_KEPT], theirDigestTick[DIGESTS_KEPT];
bool waitingShown = false;
std::FILE *tickLog = nullptr;  // RALLYTON_TICK_LOG: the input delay, then every tick's digest, to compare two games

void say(const std::string &line) { std::fprintf(stderr, "rallyton: %s\n", line.c_str()); }

std::string where() { return options.join_host + ":" + std::to_string(options.port); }

void send(ENetPeer *to, const NetMessage &m) {
    unsigned char bytes[NET_MAX_MESSAGE];
    std::size_t size = encodeMessage(m, bytes);
    ENetPacket *packet = enet_packet_create(bytes, size, ENET_PACKET_FLAG_RELIABLE);
    if (packet && enet_peer_send(to, CHANNEL, packet) != 0) enet_packet_destroy(packet);
}

NetMessage versionMessage(NetType type) {
    NetMessage m;
    m.type = type, m.protocol = NET_PROTOCOL, m.version = RALLYTON_VERSION;
    return m;
}

// Everything the two games must agree on after a tick.
std::uint64_t matchDigest() {
    std::uint64_t h = 14695981039346656037u;
    auto mix = [&h](const void *bytes, std::size_t n) {
        for (std::size_t i = 0; i < n; i++) h = (h ^ static_cast<const unsigned char *>(bytes)[i]) * 1099511628211u;
    };
    const int ints[] = {game_state,  score[0],    score[1],    winner,  between,
                        title_trans, paused_from, ball.passed, ball.dir};
    const double doubles[] = {P1.y, P1.vel, CPU.y, CPU.vel, ball.x, ball.y, ball.vx, ball.vy};
    mix(ints, sizeof ints);
    mix(doubles, sizeof doubles);
    return h;
}

void closeHost() {
    if (host) {
        if (peer) enet_peer_disconnect_later(peer, 0), enet_host_flush(host);
        enet_host_destroy(host);
    }
    host = nullptr, peer = nullptr;
    playing = false;
    status_note = nullptr;
    if (dropped) say(std::to_string(dropped) + " messages from the other player were not well formed and were dropped");
    dropped = 0;
    if (tickLog) std::fclose(tickLog), tickLog = nullptr;
}

// The match ends for us: back to the title, and the network closed.
void endMatch(const std::string &why) {
    if (!why.empty()) say(why);
    closeHost();
    leaveMatch();
}

void startMatch(int inputDelay) {
    delay = inputDelay;
    playing = true, peerGone = false;
    nextTick = 0, remoteNext = std::uint32_t(delay), pending = 0, pauseWanted = false;
    std::memset(localBits, 0, sizeof localBits);
    std::memset(remoteBits, 0, sizeof remoteBits);
    for (int i = 0; i < DIGESTS_KEPT; i++) ownDigestTick[i] = theirDigestTick[i] = ~0u;
    // The same match on both machines, from the same state.
    restart();
    p2 = 1, winner = 0, between = SERVE_TICKS, paused_from = STATE_PLAY;
    P1.vel = CPU.vel = 0;
    ball.passed = ball.dir = 0;
    title_trans = VEIL_BLACK;
    game_state = STATE_MATCH_FADE_IN;
    for (int k : {KEY_P, KEY_R, KEY_ESC}) input.keys[k] = 0, keyPressed(k);
    const char *log = std::getenv("RALLYTON_TICK_LOG");
    if (log && *log) tickLog = openFile(log, "wb");  // the same bytes on every platform
    if (tickLog) std::fprintf(tickLog, "delay %d\n", delay);
    ticks = 0;
    sayStartUpNote();
}

void compareDigests(std::uint32_t tick) {
    int i = int(tick / DIGEST_EVERY % DIGESTS_KEPT);
    if (ownDigestTick[i] != tick || theirDigestTick[i] != tick || ownDigest[i] == theirDigest[i]) return;
    NetMessage bye;
    bye.type = NET_BYE, bye.reason = BYE_DISAGREE, bye.tick = tick;
    send(peer, bye);
    endMatch("the two games disagree at tick " + std::to_string(tick));
}

// One message from the other player, in a match.
void take(const NetMessage &m) {
    if (m.type == NET_INPUT) {
        // Inputs come in order, one a tick, never further ahead than the
        // other game can be.
        if (m.tick != remoteNext || m.tick >= nextTick + std::uint32_t(2 * delay + 1)) return void(dropped++);
        remoteBits[m.tick % RING] = m.bits;
        remoteNext++;
    } else if (m.type == NET_DIGEST) {
        if (m.tick % DIGEST_EVERY != DIGEST_EVERY - 1 || m.tick >= nextTick + std::uint32_t(2 * delay + 1))
            return void(dropped++);
        int i = int(m.tick / DIGEST_EVERY % DIGESTS_KEPT);
        theirDigest[i] = m.digest, theirDigestTick[i] = m.tick;
        compareDigests(m.tick);
    } else if (m.type == NET_BYE) {
        if (m.reason == BYE_DISAGREE) endMatch("the two games disagree at tick " + std::to_string(m.tick));
        else endMatch("the other player closed the game");
    } else {
        dropped++;
    }
}

bool decode(const ENetPacket *packet, NetMessage &m) {
    if (decodeMessage(packet->data, packet->dataLength, m)) return true;
    dropped++;
    return false;
}

// Another machine that wants in while we have our player: no.
void refuse(ENetPeer *intruder) {
    NetMessage no = versionMessage(NET_REFUSE);
    no.reason = REFUSE_FULL;
    send(intruder, no);
    enet_peer_disconnect_later(intruder, 0);
}

// The network's news in a match: messages, arrivals, departures.
void serviceMatch() {
    ENetEvent event;
    while (host && enet_host_service(host, &event, 0) > 0) {
        if (event.type == ENET_EVENT_TYPE_CONNECT && event.peer != peer) refuse(event.peer);
        else if (event.type == ENET_EVENT_TYPE_DISCONNECT && event.peer == peer) peerGone = true;
        else if (event.type == ENET_EVENT_TYPE_RECEIVE) {
            NetMessage m;
            if (event.peer == peer && decode(event.packet, m)) take(m);
            enet_packet_destroy(event.packet);
        }
    }
}

// Our player's input for a tick to come: either paddle's keys or the pad
// steer our paddle; P, R and ESC act for both. (1 and 2, the sound and the
// music, stay ours alone.)
unsigned char ourBits() {
    unsigned char bits = 0;
    if (input.up[0] || input.up[1]) bits |= BIT_UP;
    if (input.down[0] || input.down[1]) bits |= BIT_DOWN;
    if (input.keys[KEY_P]) bits |= BIT_P;
    if (input.keys[KEY_R]) bits |= BIT_R;
    if (input.keys[KEY_ESC]) bits |= BIT_ESC;
    if (pauseWanted && game_state == STATE_PLAY) bits |= BIT_P, pauseWanted = false;
    return bits;
}

void runTick() {
    std::uint32_t t = nextTick;
    gatherInput(options.controls);
    NetMessage in;
    in.type = NET_INPUT, in.tick = t + std::uint32_t(delay), in.bits = ourBits();
    localBits[in.tick % RING] = in.bits;
    send(peer, in);

    unsigned char bits[2];
    bits[side] = localBits[t % RING];
    bits[1 - side] = remoteBits[t % RING];
    unsigned char both = bits[0] | bits[1];
    input.keys[KEY_P] = (both & BIT_P) != 0;
    input.keys[KEY_R] = (both & BIT_R) != 0;
    input.keys[KEY_ESC] = (both & BIT_ESC) != 0;
    input.keys[KEY_ENTER] = input.keys[KEY_LEFT] = input.keys[KEY_RIGHT] = 0;
    for (int s = 0; s < 2; s++) input.up[s] = (bits[s] & BIT_UP) != 0, input.down[s] = (bits[s] & BIT_DOWN) != 0;
    logicProcess();
    keyPresses();
    nextTick++;

    std::uint64_t digest = matchDigest();
    if (tickLog) std::fprintf(tickLog, "%u %016llx\n", t, static_cast<unsigned long long>(digest));
    if (game_state == STATE_TITLE_FADE_IN) {  // ESC: the match is over for both
        endMatch((bits[1 - side] & BIT_ESC) ? "the other player left the match" : "");
        return;
    }
    if (t % DIGEST_EVERY == DIGEST_EVERY - 1) {
        int i = int(t / DIGEST_EVERY % DIGESTS_KEPT);
        ownDigest[i] = digest, ownDigestTick[i] = t;
        NetMessage d;
        d.type = NET_DIGEST, d.tick = t, d.digest = digest;
        send(peer, d);
        compareDigests(t);
    }
}

// The waiting screen: the title, and on a calm panel that no line of the
// table runs through, what we wait for (for the host, the addresses a guest
// can join) and how to leave.
void drawWaiting(const std::vector<std::string> &lines) {
    blit(bitmapEntry(ASSET_TABLE), DoubleBuffer, 0, 0, 0, 0, FIELD_W, FIELD_H);
    writeTextFromInt("RALLYTON", 0, 75, 66, makecol(220, 220, 220));
    const int left = 48, top = 98, lineHeight = 14;
    int bottom = top + 12 + lineHeight * int(lines.size() + 1);
    rectfill(DoubleBuffer, left, top, FIELD_W - 1 - left, bottom, makecol(18, 52, 78));
    rect(DoubleBuffer, left, top, FIELD_W - 1 - left, bottom, makecol(110, 160, 190));
    FONT *small = fontEntry(ASSET_FONT_SMALL);
    int y = top + 9;
    for (const std::string &line : lines) {
        writeTextFromInt2(line.c_str(), 0, (FIELD_W - text_length(small, line.c_str())) / 2, y, makecol(200, 200, 200));
        y += lineHeight;
    }
    y += 4;
    writeTextFromInt2("esc: quit", 0, (FIELD_W - text_length(small, "esc: quit")) / 2, y, makecol(120, 120, 120));
    blitBuffer();
}

// The handshake, on the host's side, with one guest: its HELLO, then the
// round trips, then WELCOME. Returns true when the match can start.
bool hostHandshake(ENetPeer *guest, const NetMessage &m, int &pings, std::uint32_t &slowest) {
    if (m.type == NET_HELLO) {
        std::string mismatch = versionMismatch(m, RALLYTON_VERSION);
        if (!mismatch.empty()) {
            say(mismatch);
            NetMessage no = versionMessage(NET_REFUSE);
            no.reason = REFUSE_VERSION;
            send(guest, no);
            enet_peer_disconnect_later(guest, 0);
            peer = nullptr;
            return false;
        }
        pings = 0, slowest = 0;
    } else if (m.type == NET_PONG && pings < PINGS) {
        std::uint32_t rtt = enet_time_get() - m.tick;
        if (rtt > slowest) slowest = rtt;
        if (++pings == PINGS) {
            NetMessage yes = versionMessage(NET_WELCOME);
            yes.delay = std::uint8_t(inputDelay(slowest));
            send(guest, yes);
            enet_host_flush(host);
            startMatch(yes.delay);
            return true;
        }
    } else {
        dropped++;
        return false;
    }
    NetMessage ping;
    ping.type = NET_PING, ping.tick = enet_time_get();
    send(guest, ping);
    return false;
}

// The guest's side: HELLO once connected, PONG for each PING, then WELCOME.
bool guestHandshake(const NetMessage &m) {
    if (m.type == NET_PING) {
        NetMessage pong;
        pong.type = NET_PONG, pong.tick = m.tick;
        send(peer, pong);
    } else if (m.type == NET_WELCOME) {
        std::string mismatch = versionMismatch(m, RALLYTON_VERSION);
        if (!mismatch.empty()) fail(mismatch);
        startMatch(m.delay);
        return true;
    } else if (m.type == NET_REFUSE) {
        fail(m.reason == REFUSE_FULL ? where() + " already has its other player"
                                     : versionMismatch(m, RALLYTON_VERSION));
    } else {
        dropped++;
    }
    return false;
}

}  // namespace

void connectPlayers() {
    if (options.net == NET_NONE) return;
    if (enet_initialize() != 0) fail("cannot start the network");
    std::atexit(enet_deinitialize);
    ENetAddress address;
    address.port = enet_uint16(options.port);
    bool hosting = options.net == NET_HOST;
    side = hosting ? 0 : 1;
    if (hosting) {
        address.host = ENET_HOST_ANY;
        host = enet_host_create(&address, 2, 1, 0, 0);  // our player, and room to refuse a third
        if (!host) fail("cannot wait for a player on port " + std::to_string(options.port) + ": " + socketError());
    } else {
        if (enet_address_set_host(&address, options.join_host.c_str()) != 0)
            fail("cannot find the host '" + options.join_host + "'");
        host = enet_host_create(nullptr, 1, 1, 0, 0);
        if (!host) fail("cannot open the network: " + socketError());
        peer = enet_host_connect(host, &address, 1, 0);
        if (!peer) fail("cannot reach " + where());
    }
    enet_uint32 start = enet_time_get();
    int pings = 0;
    std::uint32_t slowest = 0;
    std::vector<std::string> lines{"joining " + where()};
    if (hosting) {
        std::string port = std::to_string(options.port);
        std::vector<std::string> addresses = localAddresses(MAX_ADDRESSES_SHOWN);
        lines = {addresses.empty() ? "waiting for a player on port " + port : "waiting for a player to join"};
        for (const std::string &address : addresses) lines.push_back(address + ":" + port);
    }
    while (!playing) {
        ENetEvent event;
        while (!playing && enet_host_service(host, &event, 0) > 0) {
            if (event.type == ENET_EVENT_TYPE_CONNECT) {
                if (!hosting) send(peer, versionMessage(NET_HELLO));
                else if (peer) refuse(event.peer);
                else peer = event.peer;
                if (peer) enet_peer_timeout(peer, 0, GONE_MS, GONE_MS);
            } else if (event.type == ENET_EVENT_TYPE_DISCONNECT && event.peer == peer) {
                if (!hosting) fail(where() + " closed the connection");
                peer = nullptr;  // the guest left before the match: wait for another
            } else if (event.type == ENET_EVENT_TYPE_RECEIVE) {
                NetMessage m;
                if (event.peer == peer && decode(event.packet, m)) {
                    if (hosting) hostHandshake(peer, m, pings, slowest);
                    else guestHandshake(m);
                }
                enet_packet_destroy(event.packet);
            }
        }
        if (playing) break;
        if (!hosting && enet_time_get() - start > enet_uint32(CONNECT_MS)) fail("nobody answers at " + where());
        gatherInput(options.controls);
        if (keyPressed(KEY_ESC) || close_button_pressed || signal_caught) {
            closeHost();
            game_state = STATE_QUIT;
            return;
        }
        drawWaiting(lines);
        rest(10);
    }
}

bool networkMatch() { return playing; }

bool runNetworkTicks(int due, bool away) {
    if (away) pauseWanted = true;
    serviceMatch();
    pending = std::min(pending + due, MAX_DUE);  // a stopped game catches up no further than a local one
    int ran = 0;
    while (playing && pending > 0 && remoteNext > nextTick) runTick(), pending--, ran++;
    if (!playing) return true;
    bool waiting = pending > 0 && remoteNext <= nextTick;
    if (waiting && peerGone) {
        endMatch("the other player is gone");
        return true;
    }
    status_note = waiting ? "waiting for the other player" : nullptr;
    bool changed = waiting != waitingShown;
    waitingShown = waiting;
    return ran > 0 || changed;
}

void leaveNetwork() {
    if (!playing) return;
    NetMessage bye;
    bye.type = NET_BYE, bye.reason = BYE_CLOSED, bye.tick = nextTick;
    send(peer, bye);
    closeHost();
}

}  // namespace rallyton
