// A stranger on the network, for the tests: connects to a host on this
// machine and says HELLO as a game of the version given would, then prints
// the first message it gets back (or "nothing").
//   net-peer PORT VERSION
#include <enet/enet.h>

#include <cstdio>
#include <cstdlib>

#include "netmsg.h"

using namespace rallyton;

int main(int argc, char **argv) {
    if (argc != 3 || enet_initialize() != 0) return 2;
    ENetAddress address;
    enet_address_set_host(&address, "127.0.0.1");
    address.port = enet_uint16(std::atoi(argv[1]));
    ENetHost *host = enet_host_create(nullptr, 1, 1, 0, 0);
    ENetPeer *peer = enet_host_connect(host, &address, 1, 0);
    ENetEvent event;
    const char *said = "nothing";
    char line[64];
    for (int ms = 0; ms < 5000 && enet_host_service(host, &event, 10) >= 0; ms += 10) {
        if (event.type == ENET_EVENT_TYPE_CONNECT) {
            NetMessage hello;
            hello.type = NET_HELLO, hello.protocol = NET_PROTOCOL, hello.version = argv[2];
            unsigned char bytes[NET_MAX_MESSAGE];
            enet_peer_send(peer, 0, enet_packet_create(bytes, encodeMessage(hello, bytes), ENET_PACKET_FLAG_RELIABLE));
        } else if (event.type == ENET_EVENT_TYPE_RECEIVE) {
            NetMessage m;
            bool good = decodeMessage(event.packet->data, event.packet->dataLength, m);
            std::snprintf(line, sizeof line, "%s %d %d %s", good ? "message" : "bad", m.type, m.reason,
                          m.version.c_str());
            said = line;
            enet_packet_destroy(event.packet);
            break;
        }
    }
    std::printf("%s\n", said);
    enet_host_destroy(host);
    enet_deinitialize();
    return 0;
}
