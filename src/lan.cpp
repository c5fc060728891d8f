// The search for games on this network and the host's answer (lan.h).
#include "lan.h"

#include "netmsg.h"
#include "wire.h"

namespace rallyton {

namespace {

ENetSocket search = ENET_SOCKET_NULL;
std::uint8_t answering = 0;  // what the host says it does
ENetAddress everyone;  // the broadcast address, on the game's port

void sendBytes(ENetSocket socket, const ENetAddress &to, const NetMessage &m) {
    unsigned char bytes[NET_MAX_MESSAGE];
    ENetBuffer buffer;
    buffer.data = bytes;
    buffer.dataLength = encodeMessage(m, bytes);
    enet_socket_send(socket, &to, &buffer, 1);
}

// Every datagram that reaches the waiting host's socket passes here
// first: a search is answered and kept from ENet; anything else is
// ENet's own.
int ENET_CALLBACK answer(ENetHost *host, ENetEvent *) {
    NetMessage m;
    if (!decodeMessage(host->receivedData, host->receivedDataLength, m) || m.type != NET_FIND) return 0;
    NetMessage here = versionMessage(NET_HERE);
    here.reason = answering;
    sendBytes(host->socket, host->receivedAddress, here);
    return 1;
}

}  // namespace

void answerSearches(ENetHost *host, int state) {
    answering = std::uint8_t(state);
    host->intercept = state ? answer : nullptr;
}

bool openSearch(int port, std::string &why) {
    search = enet_socket_create(ENET_SOCKET_TYPE_DATAGRAM);
    if (search == ENET_SOCKET_NULL || enet_socket_set_option(search, ENET_SOCKOPT_BROADCAST, 1) != 0 ||
        enet_socket_set_option(search, ENET_SOCKOPT_NONBLOCK, 1) != 0) {
        why = "cannot open a socket that reaches this network";
        closeSearch();
        return false;
    }
    everyone.host = ENET_HOST_BROADCAST, everyone.port = enet_uint16(port);
    return true;
}

void sendSearch() {
    if (search != ENET_SOCKET_NULL) sendBytes(search, everyone, versionMessage(NET_FIND));
}

void takeAnswers(std::vector<FoundGame> &found) {
    unsigned char bytes[NET_MAX_MESSAGE + 1];  // one more: a longer datagram is not a message
    for (int most = 0; search != ENET_SOCKET_NULL && most < 64; most++) {
        ENetBuffer buffer;
        buffer.data = bytes, buffer.dataLength = sizeof bytes;
        ENetAddress from;
        int size = enet_socket_receive(search, &from, &buffer, 1);
        if (size <= 0) return;
        NetMessage m;
        if (!decodeMessage(bytes, std::size_t(size), m) || m.type != NET_HERE) continue;
        char name[32] = "";
        if (enet_address_get_host_ip(&from, name, sizeof name) != 0) continue;
        FoundGame game{name, from.port, m.protocol, m.version, m.reason == HERE_PLAYING};
        bool known = false;
        for (const FoundGame &g : found) known = known || (g.address == game.address && g.port == game.port);
        if (!known && found.size() < 16) found.push_back(game);
    }
}

void closeSearch() {
    if (search != ENET_SOCKET_NULL) enet_socket_destroy(search);
    search = ENET_SOCKET_NULL;
}

std::string foundLine(const FoundGame &game, const std::string &ours) {
    std::string line = game.address + ":" + std::to_string(game.port) + "  rallyton " + game.version;
    if (game.playing) line += ", playing";
    if (game.protocol != NET_PROTOCOL || game.version != ours) line += " (not ours)";
    return line;
}

}  // namespace rallyton
