// The players' network session over ENet (network.h).
#include "network.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audience.h"
#include "game.h"
#include "input.h"
#include "lan.h"
#include "lobby.h"
#include "match.h"
#include "netmsg.h"
#include "options.h"
#include "platform.h"
#include "portmap.h"
#include "replay.h"
#include "rollback.h"
#include "screens.h"
#include "spectate.h"
#include "version.h"
#include "watch.h"
#include "wire.h"

namespace rallyton {

namespace {

const int ENET_GIVES_UP_MS = 60000;  // ENet's own patience with its reliable messages: the silence rule decides
const std::size_t MAX_ADDRESSES_SHOWN = 4;  // on the waiting screen
const int POOR_ROUND_TRIP_MS = 100;  // from here on, or guessing this far, the corner line shows the connection
const int POOR_GUESSING = 8;
const int CONNECTION_SHOWN_MS = 2000;  // and keeps showing it this long after
const int CONNECTION_EVERY_MS = 500;  // its numbers renewed this often

ENetHost *host = nullptr;
ENetPeer *peer = nullptr;  // the other player
bool playing = false;
long connectionUntil = 0;  // the corner line shows the connection until then
long connectionAt = 0;  // when its words were last renewed
std::string connectionLine;
Rollback session;
std::FILE *tickLog = nullptr;  // RALLYTON_TICK_LOG: the input delay, then every confirmed tick's digest

// What the rollback asked to send, on its way.
void sendOutbox() {
    if (peer)
        for (const NetMessage &m : session.outbox) sendMessage(peer, m, m.type != NET_INPUT || session.over);
    session.outbox.clear();
    if (host) enet_host_flush(host);
}

void closeHost() {
    if (host) {
        sendOutbox();
        if (options.net == NET_HOST) endSpectators();
        if (peer) enet_peer_disconnect_later(peer, 0), enet_host_flush(host);
        enet_host_destroy(host);
    }
    stopPortMapping();
    if (playing) sayNet(rollbackSummary(session));
    host = nullptr, peer = nullptr;
    playing = false;
    status_note = nullptr, connection_note.clear();
    unsigned dropped = takeDropped() + session.dropped;
    session.dropped = 0;
    if (dropped)
        sayNet(std::to_string(dropped) + " messages from the other player were not well formed and were dropped");
    if (tickLog) std::fclose(tickLog), tickLog = nullptr;
    finishRecording();
}

// The match ends for us: back to the title, and the network closed.
void endMatch(const std::string &why) {
    if (!why.empty()) sayNet(why);
    closeHost();
    leaveMatch();
    playEvents();
}

// Each tick made final: logged and recorded.
void confirmed(std::uint32_t t, const TickInput &in, const Match &after) {
    if (tickLog) std::fprintf(tickLog, "%u %016llx\n", t, static_cast<unsigned long long>(matchDigest(after)));
    recordTick(in, after);
    if (options.net == NET_HOST) spectatorsConfirm(in, after);
}

void startMatch() {
    playing = true;
    if (options.net == NET_HOST) answerSearches(host, HERE_PLAYING);  // spectators may find the match
    session.confirmed = confirmed;
    startRollback(session, options.net == NET_HOST ? 0 : 1, options.input_delay, netNow());
    if (options.net == NET_HOST) startSpectators(match);
    playEvents();
    const char *log = std::getenv("RALLYTON_TICK_LOG");
    if (log && *log) tickLog = openFile(log, "wb");  // the same bytes on every platform
    if (tickLog) std::fprintf(tickLog, "delay %d\n", options.input_delay);
    beginRecording(match);
    // Inputs go unreliably: ENet must neither drop them to spare the path
    // (its throttle) nor give up on the other player before we do.
    enet_peer_throttle_configure(peer, ENET_PEER_PACKET_THROTTLE_INTERVAL, ENET_PEER_PACKET_THROTTLE_SCALE, 0);
    enet_peer_timeout(peer, 0, ENET_GIVES_UP_MS, ENET_GIVES_UP_MS);
    sendOutbox();
    ticks = 0;
    sayStartUpNote();
}

// A message from a machine that is neither our player nor a known
// spectator: one that comes to watch, or another player (refused).
void stranger(ENetPeer *from, const NetMessage &m) {
    if (m.type == NET_SPECTATOR) spectatorArrives(from, m);
    else if (m.type == NET_HELLO) refusePeer(from, REFUSE_FULL);  // we have our player
}

// The network's news in a match: messages, arrivals, departures.
void serviceMatch() {
    ENetEvent event;
    while (host && enet_host_service(host, &event, 0) > 0) {
        if (event.type == ENET_EVENT_TYPE_DISCONNECT && event.peer == peer) session.peerClosed = true;
        else if (event.type == ENET_EVENT_TYPE_DISCONNECT) spectatorLeaves(event.peer);
        else if (event.type == ENET_EVENT_TYPE_RECEIVE) {
            NetMessage m;
            if (decodePacket(event.packet, m)) {
                if (event.peer == peer) takeMessage(session, m, netNow());
                else if (!spectatorMessage(event.peer, m)) stranger(event.peer, m);
            }
            enet_packet_destroy(event.packet);
        }
    }
}

// Our player's input for a tick to come: either paddle's keys or the pad
// steer our paddle; P, R and ESC act for both. (1 and 2, the sound and the
// music, stay ours alone.)
unsigned char ourBits() {
    gatherInput(options.controls);
    unsigned char bits = 0;
    if (input.up[0] || input.up[1]) bits |= BIT_UP;
    if (input.down[0] || input.down[1]) bits |= BIT_DOWN;
    if (input.keys[KEY_P]) bits |= BIT_P;
    if (input.keys[KEY_R]) bits |= BIT_R;
    if (input.keys[KEY_ESC]) bits |= BIT_ESC;
    return bits;
}

// The corner line: the round trip and how far we guess ("148 ms, guess 7"),
// while the path is poor (and a little after, so that it does not flicker).
void showConnection() {
    long t = netNow();
    int roundTrip = std::min(int(peer->roundTripTime), 999), ahead = guessing(session);  // its widest fits the corner
    if (roundTrip >= POOR_ROUND_TRIP_MS || ahead >= POOR_GUESSING || session.waiting) {
        if (t - connectionAt >= CONNECTION_EVERY_MS || connectionLine.empty())  // slow enough to be read
            connectionLine = std::to_string(roundTrip) + " ms, guess " + std::to_string(ahead), connectionAt = t;
        connectionUntil = t + CONNECTION_SHOWN_MS;
    }
    connection_note = t < connectionUntil ? connectionLine : "";
}

// What the waiting host shows: that it waits, where the internet reaches
// it (once the router has answered), then its addresses on this network.
// The router's answer is said once on the terminal too.
std::vector<std::string> hostLines(const std::vector<std::string> &addresses, Mapping &told) {
    std::string port = std::to_string(options.port), external, here;
    int error = 0;
    Mapping state = options.port_mapping ? portMapping(external, error) : MAPPING_OFF;
    std::string internet = internetLine(state, external, options.port, error);
    std::vector<std::string> lines{addresses.empty() ? "waiting for a player on port " + port
                                                     : "waiting for a player to join"};
    if (state == MAPPING_ASKING) lines.push_back("asking the router to open the port");
    else if (!internet.empty()) lines.push_back(internet);
    for (const std::string &address : addresses) {
        lines.push_back(address + ":" + port);
        here += (here.empty() ? "; on this network: " : ", ") + address + ":" + port;
    }
    if (state != told && state != MAPPING_ASKING && !internet.empty()) sayNet(internet + here);
    told = state;
    return lines;
}

// The handshake, on the host's side, with one guest: its HELLO, then
// WELCOME and the match. Returns true when the match has started.
bool hostHandshake(ENetPeer *guest, const NetMessage &m) {
    std::string mismatch = versionMismatch(m, RALLYTON_VERSION);
    if (!mismatch.empty()) {
        sayNet(mismatch);
        refusePeer(guest, REFUSE_VERSION);
        return false;
    }
    peer = guest;
    enet_peer_timeout(peer, 0, CONNECT_MS, CONNECT_MS);
    sendMessage(guest, versionMessage(NET_WELCOME));
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
    }  // the host's first inputs may overtake its welcome: they come again
    return false;
}

}  // namespace

void connectPlayers() {
    if (options.net == NET_NONE) return;
    startNetwork();
    if (options.net == NET_WATCH) return connectWatcher();
    if (options.net == NET_JOIN && options.join_host.empty() && !findGame(false)) {
        game_state = STATE_QUIT;
        return;
    }
    bool hosting = options.net == NET_HOST;
    if (hosting) {
        ENetAddress address;
        address.host = ENET_HOST_ANY, address.port = enet_uint16(options.port);
        host = enet_host_create(&address, 1 + MAX_SPECTATORS + 2, 2, 0, 0);  // with room to refuse
        if (!host) fail("cannot wait for a player on port " + std::to_string(options.port) + ": " + socketError());
    } else {
        host = connectToHost(peer);
    }
    enet_uint32 start = enet_time_get();
    std::vector<std::string> addresses;
    if (hosting) {
        addresses = localAddresses(MAX_ADDRESSES_SHOWN);
        answerSearches(host, HERE_WAITING);
        if (options.port_mapping) startPortMapping(options.port);
    }
    Mapping told = MAPPING_ASKING;
    while (!playing) {
        ENetEvent event;
        while (!playing && enet_host_service(host, &event, 0) > 0) {
            if (event.type == ENET_EVENT_TYPE_CONNECT) {
                if (!hosting)
                    sendMessage(peer, versionMessage(NET_HELLO)), enet_peer_timeout(peer, 0, CONNECT_MS, CONNECT_MS);
            } else if (event.type == ENET_EVENT_TYPE_DISCONNECT) {
                if (!hosting) fail(where() + " closed the connection");
                spectatorLeaves(event.peer);  // a guest that left before the match: wait for another
            } else if (event.type == ENET_EVENT_TYPE_RECEIVE) {
                NetMessage m;
                if (decodePacket(event.packet, m)) {
                    if (!hosting) guestHandshake(m);
                    else if (m.type == NET_HELLO) hostHandshake(event.peer, m);
                    else if (!spectatorMessage(event.peer, m)) stranger(event.peer, m);
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
        drawWaiting(hosting ? hostLines(addresses, told) : std::vector<std::string>{"joining " + where()});
        rest(10);
    }
}

bool networkMatch() { return playing || watching(); }

bool runNetworkTicks(int due, bool away) {
    if (watching()) return runWatchTicks(due);
    serviceMatch();
    bool fresh = runTicks(session, due, away, netNow(), ourBits, playEvents);
    sendOutbox();
    if (options.net == NET_HOST) serveSpectators();
    if (session.over) {
        endMatch(session.ended);
        return true;
    }
    std::string shown = connection_note;
    showConnection();
    status_note = session.waiting ? "waiting for the other player" : nullptr;  // runTicks says when that changes
    return fresh || shown != connection_note;
}

void leaveNetwork() {
    leaveWatching();
    if (!playing) return;
    leaveRollback(session);
    closeHost();
}

}  // namespace rallyton
