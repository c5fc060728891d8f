// What the players' and the spectators' network sessions share: ENet, the
// messages on their way out and in, the clock and the lines on the
// terminal.
#pragma once

// ENet's headers bring windows.h on Windows: its BITMAP is not the library's.
#define BITMAP WINDOWS_BITMAP
#include <enet/enet.h>
#undef BITMAP

#include <string>

#include "netmsg.h"

namespace rallyton {

const int CONNECT_MS = 5000;  // a host that has not answered by then is not there
const enet_uint8 RELIABLE = 0;  // the handshake, digests, goodbyes and all a spectator gets: each arrives, in order
const enet_uint8 UNRELIABLE = 1;  // a player's inputs: a lost datagram is covered by the next

void startNetwork();  // ENet, once; a failure ends the program with one line
void sayNet(const std::string &line);  // "rallyton: ..." on the terminal
std::string where();  // the host asked for: "HOST:PORT"
long netNow();  // milliseconds, ENet's clock
void sendMessage(ENetPeer *to, const NetMessage &m, bool reliable = true);
bool decodePacket(const ENetPacket *packet, NetMessage &m);  // false: not a message, and counted
unsigned takeDropped();  // how many were not, since last asked
NetMessage versionMessage(NetType type);  // ours: our protocol and version
void refusePeer(ENetPeer *peer, std::uint8_t reason);  // a REFUSE (naming our version), and the connection closed

// A guest's or a spectator's connection to the host: the client ENet host
// (one peer) and the peer, or one line and status 1.
ENetHost *connectToHost(ENetPeer *&peer);

}  // namespace rallyton
