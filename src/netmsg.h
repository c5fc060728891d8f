// The messages two games exchange over the network, big-endian, every
// field checked on the way in: each kind of one fixed size, but for the
// inputs, whose size follows their count. Whatever arrives that is not
// exactly such a message is dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rallyton {

const std::uint16_t NET_PROTOCOL = 4;  // changes whenever a message or the rules of play over the network change
const int NET_VERSION_BYTES = 8;  // the game's version, zero-padded

// The rules of play over the network that both games keep.
const int ROLLBACK_WINDOW = 30;  // ticks a game runs ahead of the other player's newest input, at most
const int MAX_INPUT_DELAY = 10;  // ticks a player may choose to hold their own input back
const int DIGEST_EVERY = 100;  // ticks: the digests of the last tick of each second are compared

// The most inputs one datagram carries: every input the other game can
// lack (its window, both delays), so that one datagram covers any loss.
const int NET_MAX_INPUTS = 2 * ROLLBACK_WINDOW + 2 * MAX_INPUT_DELAY + 1;
const std::size_t NET_INPUT_HEADER = 1 + 4 + 1 + 4 + 1;  // type, first tick, count, acknowledgement, lead
const int NET_MAX_TICKS = 50;  // confirmed ticks one message to a spectator carries
const std::size_t NET_MAX_MATCH = 1024;  // a match's bytes (match.h), with room to spare
const std::size_t NET_MAX_MESSAGE = 1 + 4 + NET_MAX_MATCH;  // the largest: a spectator's start

enum NetType : std::uint8_t {
    NET_HELLO = 1,  // guest to host: who I am
    NET_WELCOME,  // host to guest: the match starts
    NET_REFUSE,  // host to guest: no (another version, or a player already there)
    NET_INPUT,  // a player's inputs the other has not acknowledged, and what we hold of theirs (unreliable)
    NET_DIGEST,  // a digest of the match after a tick
    NET_BYE,  // leaving, and why
    NET_FIND,  // a broadcast on this network: who hosts a game here?
    NET_HERE,  // a host's answer to it: its protocol and version, and whether it waits or plays
    NET_SPECTATOR,  // spectator to host: who I am, and that I only watch
    NET_START,  // host to spectator: the confirmed match as bytes, and its tick
    NET_TICKS,  // host to spectator: confirmed ticks' inputs, in order
    NET_SEEN,  // spectator to host: it holds every tick before this one
};

enum NetReason : std::uint8_t {
    REFUSE_VERSION = 1,
    REFUSE_FULL = 2,
    REFUSE_SPECTATORS = 3,  // a spectator too many
    BYE_CLOSED = 1,  // the window closed, a signal
    BYE_DISAGREE = 2,  // the digests differ at the tick given
    BYE_OVER = 3,  // to a spectator: the match is over, its last tick before the one given
    BYE_SLOW = 4,  // to a spectator: it fell too far behind and is dropped
    HERE_WAITING = 1,  // a host waits for its other player
    HERE_PLAYING = 2,  // a host plays its match (spectators welcome)
};

// One tick's input of one player: the paddle's wants and the match keys.
enum : std::uint8_t { BIT_UP = 1, BIT_DOWN = 2, BIT_P = 4, BIT_R = 8, BIT_ESC = 16, INPUT_BITS = 31 };

// How many ticks a game may run ahead of the other player's input, as an
// INPUT tells it (its tick against the other's newest input it holds).
const int NET_MAX_LEAD = 100;

struct NetMessage {
    NetType type = NET_HELLO;
    std::uint16_t protocol = 0;  // HELLO, WELCOME, REFUSE, FIND, HERE, SPECTATOR
    std::string version;  // HELLO, WELCOME, REFUSE, HERE, SPECTATOR: printable, at most NET_VERSION_BYTES
    std::uint8_t reason = 0;  // REFUSE, BYE, HERE
    std::uint32_t tick = 0;  // INPUT, TICKS: the first one's tick; DIGEST, BYE, START, SEEN
    int count = 0;  // INPUT: how many inputs, 0 (only the acknowledgement) to NET_MAX_INPUTS; TICKS: 1 to NET_MAX_TICKS
    std::uint8_t bits[NET_MAX_INPUTS] = {};  // INPUT: each tick's, from tick on
    std::uint32_t ack = 0;  // INPUT: the sender holds the receiver's inputs for every tick before this
    int lead = 0;  // INPUT: -NET_MAX_LEAD to NET_MAX_LEAD
    std::uint64_t digest = 0;  // DIGEST
    std::uint16_t packed[NET_MAX_TICKS] = {};  // TICKS: each tick's input of both players, packed (input.h)
    std::vector<unsigned char> match;  // START: a sound match's bytes (match.h)
};

// The bytes of a message (into out, at least NET_MAX_MESSAGE); its size.
std::size_t encodeMessage(const NetMessage &message, unsigned char *out);

// A message from bytes that came from outside: false, and nothing taken,
// unless they are exactly one well-formed message.
bool decodeMessage(const unsigned char *bytes, std::size_t size, NetMessage &message);

// Whether a message from the other player comes in turn, while we are to
// run tick nextTick and hold their inputs for every tick before `expected`:
// inputs leave no gap after those we hold (they may repeat them), and go no
// further ahead than the other game can be (its window and both players'
// input delays); digests only of the last tick of a second, and of a tick
// the other game can have confirmed (it needs our input for it). Other
// kinds are always in turn.
bool inTurn(const NetMessage &m, std::uint32_t expected, std::uint32_t nextTick);

// "" when the other game's HELLO, WELCOME, REFUSE or HERE names our protocol and
// our version (ours); otherwise the line that names both.
std::string versionMismatch(const NetMessage &theirs, const std::string &ours);

}  // namespace rallyton
