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
#include "match.h"
#include "netmsg.h"
#include "options.h"
#include "platform.h"
#include "replay.h"
#include "screens.h"
#include "version.h"

namespace rallyton {

namespace {

// Ticks whose inputs and states are kept: our window, both players' input
// delays and the other game's own window, with room to spare.
const int RING = 128;
static_assert(RING > 2 * ROLLBACK_WINDOW + 2 * MAX_INPUT_DELAY + 1, "the ring holds every tick not yet confirmed");
const int DIGESTS_KEPT = 8;
const int CONNECT_MS = 5000;  // a host that has not answered by then is not there
const int GONE_MS = 5000;  // the other player's silence that ends a match
const int MAX_DUE = MAX_CATCH_UP_TICKS;  // ticks kept waiting while the other player's input is late
const int SYNC_EVERY = 10;  // ticks between two waits that keep the two games' clocks together
const enet_uint8 CHANNEL = 0;  // one reliable, ordered channel
const std::size_t MAX_ADDRESSES_SHOWN = 4;  // on the waiting screen

ENetHost *host = nullptr;
ENetPeer *peer = nullptr;  // the other player
bool playing = false;
bool peerGone = false;  // disconnected: the match plays on only as far as its inputs have come
int side = 0;  // ours: 0 the host's (left), 1 the guest's (right)
int delay = 0;  // our input runs this many ticks after its key
std::uint32_t nextTick = 0;  // the next tick to run
std::uint32_t remoteNext = 0;  // the other player's inputs have come for every tick before this
std::uint32_t confirmedNext = 0;  // every tick before this ran with both real inputs, and is logged
unsigned char localBits[RING], remoteBits[RING];  // by tick % RING
unsigned char guessed[RING];  // the other player's input a tick last ran with
Match before[RING];  // the match before each tick since the last confirmed one
std::uint32_t wrongFrom = 0;  // the first tick that ran with a wrong guess (nextTick: none)
int pending = 0;  // ticks due and not run yet
int theirLead = 0;  // how far the other game runs ahead of our input, as it last said
int sinceWait = 0;  // ticks since we last waited for the other game's clock
bool pauseWanted = false;  // the window lost the focus in a rally
unsigned dropped = 0;  // messages from the other player that were not well formed, or out of turn
long rollbacks = 0, deepest = 0, runAgain = 0;
std::uint64_t ownDigest[DIGESTS_KEPT], theirDigest[DIGESTS_KEPT];
std::uint32_t ownDigestTick[DIGESTS_KEPT], theirDigestTick[DIGESTS_KEPT];
bool waitingShown = false;
std::FILE *tickLog = nullptr;  // RALLYTON_TICK_LOG: the input delay, then every confirmed tick's digest

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

void closeHost() {
    if (host) {
        if (peer) enet_peer_disconnect_later(peer, 0), enet_host_flush(host);
        enet_host_destroy(host);
    }
    if (playing)
        say(std::to_string(rollbacks) + " rollbacks, the deepest " + std::to_string(deepest) + " ticks; " +
            std::to_string(runAgain) + " ticks run again");
    host = nullptr, peer = nullptr;
    playing = false;
    status_note = nullptr;
    if (dropped) say(std::to_string(dropped) + " messages from the other player were not well formed and were dropped");
    dropped = 0;
    if (tickLog) std::fclose(tickLog), tickLog = nullptr;
    finishRecording();
}

// The match ends for us: back to the title, and the network closed.
void endMatch(const std::string &why) {
    if (!why.empty()) say(why);
    closeHost();
    leaveMatch();
    playEvents();
}

int ourLead() { return std::max(-NET_MAX_LEAD, std::min(NET_MAX_LEAD, int(nextTick - remoteNext))); }

void sendInput(std::uint32_t tick, unsigned char bits) {
    localBits[tick % RING] = bits;
    NetMessage in;
    in.type = NET_INPUT, in.tick = tick, in.bits = bits, in.lead = ourLead();
    send(peer, in);
}

void startMatch() {
    delay = options.input_delay;
    playing = true, peerGone = false;
    nextTick = remoteNext = confirmedNext = wrongFrom = 0;
    pending = theirLead = sinceWait = 0, pauseWanted = false;
    rollbacks = deepest = runAgain = 0;
    std::memset(localBits, 0, sizeof localBits);
    std::memset(remoteBits, 0, sizeof remoteBits);
    for (int i = 0; i < DIGESTS_KEPT; i++) ownDigestTick[i] = theirDigestTick[i] = ~0u;
    // The same match on both machines, from the same state, whatever came before.
    match = Match();
    setStartValues();
    restart();
    playEvents();
    p2 = 1, title_trans = VEIL_BLACK, game_state = STATE_MATCH_FADE_IN;
    const char *log = std::getenv("RALLYTON_TICK_LOG");
    if (log && *log) tickLog = openFile(log, "wb");  // the same bytes on every platform
    if (tickLog) std::fprintf(tickLog, "delay %d\n", delay);
    for (int t = 0; t < delay; t++) sendInput(std::uint32_t(t), 0);  // the ticks before our first key counts
    beginRecording(match);
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
        if (!inTurn(m, remoteNext, nextTick)) return void(dropped++);
        remoteBits[m.tick % RING] = m.bits;
        remoteNext++;
        theirLead = m.lead;
        if (m.tick < nextTick && m.bits != guessed[m.tick % RING]) wrongFrom = std::min(wrongFrom, m.tick);
    } else if (m.type == NET_DIGEST) {
        if (!inTurn(m, remoteNext, nextTick)) return void(dropped++);
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

// A tick's input from both players': each steers their own paddle; P, R
// and ESC act for both; the menus' keys do nothing. The keyboard's 1 and 2
// stay as gathered.
TickInput bothPlayers(unsigned char ours, unsigned char theirs) {
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

// Runs tick t: with the other player's input where it has come, else the
// guess that they still do what they did last. A tick run again plays nothing.
void runTick(std::uint32_t t, bool again) {
    before[t % RING] = match;
    unsigned char theirs = t < remoteNext ? remoteBits[t % RING] : remoteNext ? remoteBits[(remoteNext - 1) % RING] : 0;
    guessed[t % RING] = theirs;
    advance(bothPlayers(localBits[t % RING], theirs));
    if (again) events.count = 0;
    else playEvents();
}

// An input came that is not what a tick ran with: back to the match before
// that tick, and every tick since run again with what is known now.
void rollBack() {
    if (wrongFrom >= nextTick) return;
    long depth = long(nextTick - wrongFrom);
    rollbacks++, deepest = std::max(deepest, depth), runAgain += depth;
    match = before[wrongFrom % RING];
    for (std::uint32_t t = wrongFrom; t < nextTick; t++) runTick(t, true);
    wrongFrom = nextTick;
}

// The ticks that both players' inputs have come for and that ran with them
// are final: logged, compared, recorded. A match left with ESC ends here,
// once the tick that left it is final.
void confirm() {
    while (playing && confirmedNext < std::min(remoteNext, nextTick)) {
        std::uint32_t t = confirmedNext++;
        const Match &after = t + 1 < nextTick ? before[(t + 1) % RING] : match;
        std::uint64_t digest = matchDigest(after);
        if (tickLog) std::fprintf(tickLog, "%u %016llx\n", t, static_cast<unsigned long long>(digest));
        recordTick(bothPlayers(localBits[t % RING], remoteBits[t % RING]), after);
        if (after.game_state == STATE_TITLE_FADE_IN)
            return endMatch((remoteBits[t % RING] & BIT_ESC) ? "the other player left the match" : "");
        if (t % DIGEST_EVERY == DIGEST_EVERY - 1) {
            int i = int(t / DIGEST_EVERY % DIGESTS_KEPT);
            ownDigest[i] = digest, ownDigestTick[i] = t;
            NetMessage d;
            d.type = NET_DIGEST, d.tick = t, d.digest = digest;
            send(peer, d);
            compareDigests(t);
        }
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

// The handshake, on the host's side, with one guest: its HELLO, then
// WELCOME and the match. Returns true when the match has started.
bool hostHandshake(ENetPeer *guest, const NetMessage &m) {
    if (m.type != NET_HELLO) return dropped++, false;
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
    send(guest, versionMessage(NET_WELCOME));
    enet_host_flush(host);
    startMatch();
    return true;
}

// The guest's side: HELLO once connected, then WELCOME.
bool guestHandshake(const NetMessage &m) {
    if (m.type == NET_WELCOME) {
        std::string mismatch = versionMismatch(m, RALLYTON_VERSION);
        if (!mismatch.empty()) fail(mismatch);
        startMatch();
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
                    if (hosting) hostHandshake(peer, m);
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
    long ranAgain = runAgain;
    serviceMatch();
    if (playing) rollBack(), confirm();
    if (!playing) return true;
    bool rolled = runAgain != ranAgain;
    pending = std::min(pending + due, MAX_DUE);  // a stopped game catches up no further than a local one
    // The game that runs ahead of the other waits a tick now and then, so
    // that neither has to guess much more of the other's input than the
    // network's delay.
    if (pending > 0 && sinceWait >= SYNC_EVERY && ourLead() - theirLead >= 2) pending--, sinceWait = 0;
    int ran = 0;
    // Our input at once; a tick that left the match waits to be final.
    while (playing && pending > 0 && nextTick < remoteNext + ROLLBACK_WINDOW && game_state != STATE_TITLE_FADE_IN) {
        gatherInput(options.controls);
        sendInput(nextTick + std::uint32_t(delay), ourBits());
        runTick(nextTick++, false);
        wrongFrom = nextTick;
        pending--, ran++, sinceWait++;
        confirm();
    }
    if (!playing) return true;
    bool waiting = pending > 0;
    if (waiting && peerGone) {
        endMatch("the other player is gone");
        return true;
    }
    status_note = waiting && nextTick >= remoteNext + ROLLBACK_WINDOW ? "waiting for the other player" : nullptr;
    bool changed = (status_note != nullptr) != waitingShown;
    waitingShown = status_note != nullptr;
    return ran > 0 || changed || rolled;
}

void leaveNetwork() {
    if (!playing) return;
    NetMessage bye;
    bye.type = NET_BYE, bye.reason = BYE_CLOSED, bye.tick = nextTick;
    send(peer, bye);
    closeHost();
}

}  // namespace rallyton
