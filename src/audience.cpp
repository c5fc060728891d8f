// The host's spectators over ENet (audience.h).
#include "audience.h"

#include "spectate.h"
#include "version.h"

namespace rallyton {

namespace {

Audience audience;
ENetPeer *seats[MAX_SPECTATORS] = {};  // each spectator's peer, by its id

int seatOf(ENetPeer *peer) {
    for (int id = 0; id < MAX_SPECTATORS; id++)
        if (seats[id] == peer) return id;
    return -1;
}

void sendOutboxes() {
    for (Spectator &s : audience.spectators) {
        for (const NetMessage &m : s.outbox) sendMessage(seats[s.id], m);
        s.outbox.clear();
    }
}

}  // namespace

void spectatorArrives(ENetPeer *peer, const NetMessage &watch) {
    if (seatOf(peer) >= 0) return;
    if (!versionMismatch(watch, RALLYTON_VERSION).empty()) return refusePeer(peer, REFUSE_VERSION);
    int id = -1;
    for (int free = MAX_SPECTATORS - 1; free >= 0; free--)
        if (!seats[free]) id = free;
    if (id < 0 || !addSpectator(audience, id)) {
        sayNet("a ninth spectator was refused: " + std::to_string(MAX_SPECTATORS) + " watch already");
        return refusePeer(peer, REFUSE_SPECTATORS);
    }
    seats[id] = peer;
    enet_peer_timeout(peer, 0, CONNECT_MS, CONNECT_MS);  // gone for 5 s: gone
}

bool spectatorMessage(ENetPeer *peer, const NetMessage &m) {
    int id = seatOf(peer);
    if (id < 0) return false;
    audienceMessage(audience, id, m);
    return true;
}

bool spectatorLeaves(ENetPeer *peer) {
    int id = seatOf(peer);
    if (id < 0) return false;
    removeSpectator(audience, id);
    seats[id] = nullptr;
    return true;
}

void startSpectators(const Match &start) { startAudience(audience, start); }

void spectatorsConfirm(const TickInput &in, const Match &after) { confirmForAudience(audience, in, after); }

void serveSpectators() {
    std::vector<int> dropped = serveAudience(audience);
    for (int id : dropped) {
        sayNet("a spectator fell too far behind and was dropped");
        NetMessage bye;
        bye.type = NET_BYE, bye.reason = BYE_SLOW;
        sendMessage(seats[id], bye);
        enet_peer_disconnect_later(seats[id], 0);
        seats[id] = nullptr;
    }
    sendOutboxes();
}

void endSpectators() {
    endAudience(audience);
    sendOutboxes();
    for (ENetPeer *&seat : seats)
        if (seat) enet_peer_disconnect_later(seat, 0), seat = nullptr;
    audience.spectators.clear();
}

}  // namespace rallyton
