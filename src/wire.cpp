// What the players' and the spectators' network sessions share (wire.h).
#include "wire.h"

#include <cstdio>
#include <cstdlib>

#include "options.h"
#include "platform.h"
#include "startup.h"
#include "version.h"

namespace rallyton {

namespace {
unsigned dropped = 0;
}

void startNetwork() {
    static bool started = false;
    if (started) return;
    if (enet_initialize() != 0) fail("cannot start the network");
    std::atexit(enet_deinitialize);
    started = true;
}

void sayNet(const std::string &line) { std::fprintf(stderr, "rallyton: %s\n", line.c_str()); }

std::string where() { return options.join_host + ":" + std::to_string(options.port); }

long netNow() { return long(enet_time_get()); }

void sendMessage(ENetPeer *to, const NetMessage &m, bool reliable) {
    unsigned char bytes[NET_MAX_MESSAGE];
    std::size_t size = encodeMessage(m, bytes);
    ENetPacket *packet = enet_packet_create(bytes, size, reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
    if (packet && enet_peer_send(to, reliable ? RELIABLE : UNRELIABLE, packet) != 0) enet_packet_destroy(packet);
}

bool decodePacket(const ENetPacket *packet, NetMessage &m) {
    if (decodeMessage(packet->data, packet->dataLength, m)) return true;
    dropped++;
    return false;
}

unsigned takeDropped() {
    unsigned n = dropped;
    dropped = 0;
    return n;
}

NetMessage versionMessage(NetType type) {
    NetMessage m;
    m.type = type, m.protocol = NET_PROTOCOL, m.version = RALLYTON_VERSION;
    return m;
}

void refusePeer(ENetPeer *peer, std::uint8_t reason) {
    NetMessage no = versionMessage(NET_REFUSE);
    no.reason = reason;
    sendMessage(peer, no);
    enet_peer_disconnect_later(peer, 0);
}

ENetHost *connectToHost(ENetPeer *&peer) {
    ENetAddress address;
    address.port = enet_uint16(options.port);
    if (enet_address_set_host(&address, options.join_host.c_str()) != 0)
        fail("cannot find the host '" + options.join_host + "'");
    ENetHost *host = enet_host_create(nullptr, 1, 2, 0, 0);
    if (!host) fail("cannot open the network: " + socketError());
    peer = enet_host_connect(host, &address, 2, 0);
    if (!peer) fail("cannot reach " + where());
    return host;
}

}  // namespace rallyton
