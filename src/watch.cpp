// The spectator's session over ENet (watch.h).
#include "watch.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "game.h"
#include "input.h"
#include "lobby.h"
#include "match.h"
#include "options.h"
#include "platform.h"
#include "replay.h"
#include "screens.h"
#include "spectate.h"
#include "version.h"
#include "wire.h"

namespace rallyton {

namespace {

ENetHost *host = nullptr;
ENetPeer *peer = nullptr;  // the host
Watch watch;
bool on = false, hostGone = false, escHeld = true;
std::FILE *tickLog = nullptr;  // RALLYTON_TICK_LOG: "watching", then every tick shown with its digest

std::string refusal(const NetMessage &no) {
    if (no.reason == REFUSE_SPECTATORS)
        return where() + " already has its " + std::to_string(MAX_SPECTATORS) + " spectators";
    if (no.reason == REFUSE_VERSION) return versionMismatch(no, RALLYTON_VERSION);
    return where() + " refused this spectator";
}

// The host's news: its messages, its leaving.
void takeNews() {
    ENetEvent event;
    while (host && enet_host_service(host, &event, 0) > 0) {
        if (event.type == ENET_EVENT_TYPE_CONNECT) {
            sendMessage(peer, versionMessage(NET_SPECTATOR));
            enet_peer_timeout(peer, 0, CONNECT_MS, CONNECT_MS);
        } else if (event.type == ENET_EVENT_TYPE_DISCONNECT) {
            hostGone = true, peer = nullptr;
        } else if (event.type == ENET_EVENT_TYPE_RECEIVE) {
            NetMessage m;
            if (decodePacket(event.packet, m)) {
                if (m.type == NET_REFUSE && !watch.started) fail(refusal(m));
                watchMessage(watch, m);
            }
            enet_packet_destroy(event.packet);
        }
    }
}

void sendAcknowledgements() {
    for (const NetMessage &m : watch.outbox)
        if (peer) sendMessage(peer, m);
    watch.outbox.clear();
    if (host) enet_host_flush(host);
}

// Watching ends: the line, the network closed, the recording kept.
void closeWatch(const std::string &why) {
    if (!why.empty()) sayNet(why);
    if (host) {
        if (peer) enet_peer_disconnect_later(peer, 0), enet_host_flush(host);
        enet_host_destroy(host);
    }
    host = nullptr, peer = nullptr, on = false;
    unsigned dropped = takeDropped() + watch.dropped;
    if (dropped) sayNet(std::to_string(dropped) + " messages from the host were not well formed and were dropped");
    if (tickLog) std::fclose(tickLog), tickLog = nullptr;
    finishRecording();
    watch = Watch();
    status_note = nullptr;
}

}  // namespace

void connectWatcher() {
    if (options.join_host.empty() && !findGame(true)) {
        game_state = STATE_QUIT;
        return;
    }
    host = connectToHost(peer);
    long start = netNow();
    while (!watch.started) {
        takeNews();
        if (hostGone) fail(where() + " closed the connection");
        if (watch.started) break;
        if (peer && peer->state != ENET_PEER_STATE_CONNECTED && netNow() - start > CONNECT_MS)
            fail("nobody answers at " + where());
        gatherInput(options.controls);
        if (keyPressed(KEY_ESC) || close_button_pressed || signal_caught) {
            closeWatch("");
            game_state = STATE_QUIT;
            return;
        }
        drawWaiting({"watching " + where(), "waiting for the match to start"});
        rest(10);
    }
    on = true, escHeld = true;
    const char *log = std::getenv("RALLYTON_TICK_LOG");
    if (log && *log) tickLog = openFile(log, "wb");
    if (tickLog) std::fprintf(tickLog, "watching\n");
    beginRecording(match);
    ticks = 0;
    sayStartUpNote();
}

bool watching() { return on; }

bool runWatchTicks(int due) {
    takeNews();
    gatherInput(options.controls);
    bool esc = input.keys[KEY_ESC] != 0;  // our own: it leaves, and goes into no match
    if (esc && !escHeld) {
        closeWatch("");
        leaveMatch();
        playEvents();
        return true;
    }
    escHeld = esc;
    int n = watchTicksDue(watch, due);
    for (int k = 0; k < n; k++) {
        TickInput in = input;  // the players' inputs; the sound and music switches ours
        unpackInput(nextWatchedInput(watch), in);
        advance(in);
        playEvents();
        recordTick(in, match);
        if (tickLog)
            std::fprintf(tickLog, "%u %016llx\n", unsigned(watch.startTick + watch.played - 1),
                         static_cast<unsigned long long>(matchDigest(match)));
    }
    sendAcknowledgements();
    bool shownAll = watch.played == watch.inputs.size();
    if (watchedToTheEnd(watch) || (hostGone && shownAll)) {
        closeWatch(watch.bye == BYE_SLOW ? "this spectator fell too far behind, and the host dropped it"
                   : watch.over          ? "the match is over"
                                         : "the host is gone");
        leaveMatch();
        playEvents();
        return true;
    }
    status_note = !watch.playing && watch.played > 0 ? "waiting for the match" : nullptr;
    return n > 0;
}

void leaveWatching() {
    if (on || host) closeWatch("");
}

}  // namespace rallyton
