// The network's messages: each kind comes back as it went, anything else
// is refused whole, and the input delay follows the round trip.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "match.h"
#include "netmsg.h"
#include "platform.h"

using namespace rallyton;

namespace {

std::vector<unsigned char> bytesOf(const NetMessage &m) {
    unsigned char b[NET_MAX_MESSAGE];
    return std::vector<unsigned char>(b, b + encodeMessage(m, b));
}

NetMessage make(NetType type, std::uint32_t tick = 0, std::uint8_t reason = 0) {
    NetMessage m;
    m.type = type, m.protocol = NET_PROTOCOL, m.version = "1.1", m.tick = tick, m.reason = reason;
    m.lead = -7, m.count = 3, m.ack = 12, m.digest = 0x0123456789ABCDEFull;
    m.bits[0] = BIT_UP | BIT_ESC, m.bits[2] = INPUT_BITS;
    m.packed[0] = 1, m.packed[2] = (1 << PACKED_INPUT_BITS) - 1, m.match = encodeMatch(Match());
    if (type == NET_HERE) m.reason = HERE_PLAYING;
    return m;
}

}  // namespace

TEST(NetMessages, EachKindComesBackAsItWent) {
    NetMessage full = make(NET_INPUT), ackOnly = full;  // the most inputs a datagram carries, and none
    full.count = NET_MAX_INPUTS, full.bits[NET_MAX_INPUTS - 1] = BIT_DOWN, ackOnly.count = 0;
    NetMessage ticks = make(NET_TICKS, 0xFFFFFFFF - NET_MAX_TICKS);  // a spectator's most ticks, at the last tick
    ticks.count = NET_MAX_TICKS, ticks.packed[NET_MAX_TICKS - 1] = 7;
    // clang-format off
    const std::pair<NetMessage, std::size_t> all[] = {  // each kind, and its size
        {make(NET_HELLO), 15}, {make(NET_WELCOME), 11}, {make(NET_REFUSE, 0, REFUSE_FULL), 12},
        {make(NET_INPUT, 0xFFFFFFFF - NET_MAX_INPUTS), 14}, {full, NET_INPUT_HEADER + NET_MAX_INPUTS}, {ackOnly, 11},
        {make(NET_DIGEST, 99), 13}, {make(NET_BYE, 7, BYE_DISAGREE), 6}, {make(NET_FIND), 7}, {make(NET_HERE), 16},
        {make(NET_SPECTATOR), 15}, {make(NET_START, 9), 5 + matchBytes()}, {make(NET_TICKS), 12}, {ticks, 106},
        {make(NET_SEEN, 4), 5}};
    // clang-format on
    for (const auto &[m, size] : all) {
        std::vector<unsigned char> b = bytesOf(m);
        NetMessage back;
        ASSERT_TRUE(decodeMessage(b.data(), b.size(), back)) << int(m.type);
        EXPECT_EQ(b.size(), size) << int(m.type);
        EXPECT_EQ(bytesOf(back), b) << int(m.type);
        for (std::size_t cut = 0; cut < b.size(); cut++)  // cut short, or one byte too many: refused
            EXPECT_FALSE(decodeMessage(b.data(), cut, back)) << int(m.type) << " cut at " << cut;
        EXPECT_FALSE((b.push_back(0), decodeMessage(b.data(), b.size(), back))) << int(m.type) << " with a byte more";
    }
    std::vector<unsigned char> tooMany = bytesOf(full);  // one input more than a datagram carries
    tooMany[5]++, tooMany.push_back(0);
    EXPECT_FALSE(decodeMessage(tooMany.data(), tooMany.size(), full));
}

// One field bent at a time: each is checked. A hello's magic, its version
// missing, a space in it, a byte in it that is not printable, a character
// after its end, a printable one at its end (fine); a welcome without a
// version; no such reason; a bit no input has, and the highest; a lead
// just past the most either way, and the most; a bye's reason; type 0, and
// a type that does not exist; a search's magic, an answer's, an answer
// without a version, or neither waiting nor playing; a spectator's magic;
// the highest reasons and one past them; a spectator's ticks: none, an
// input with a bit too many, the highest bits; a match that is not sound,
// a first tick whose last would pass the counter's end.
TEST(NetMessages, AFieldOutOfRangeRefusesTheWholeMessage) {
    // clang-format off
    struct Case { NetMessage message; std::size_t at; unsigned char value; bool good; } cases[] = {
        {make(NET_HELLO), 1, 'X', false}, {make(NET_HELLO), 7, 0, false}, {make(NET_HELLO), 8, ' ', false},
        {make(NET_HELLO), 9, 0x7F, false}, {make(NET_HELLO), 11, 'x', false}, {make(NET_HELLO), 10, '~', true},
        {make(NET_WELCOME), 3, 0, false}, {make(NET_REFUSE), 1, 0, false},
        {make(NET_INPUT), 13, INPUT_BITS + 1, false}, {make(NET_INPUT), 12, INPUT_BITS, true},
        {make(NET_INPUT), 10, 128 - NET_MAX_LEAD - 1, false}, {make(NET_INPUT), 10, 128 + NET_MAX_LEAD + 1, false},
        {make(NET_INPUT), 10, 128 - NET_MAX_LEAD, true}, {make(NET_INPUT), 10, 128 + NET_MAX_LEAD, true},
        {make(NET_INPUT), 5, 2, false}, {make(NET_INPUT), 5, 4, false},  // a count the size does not have
        {make(NET_INPUT, 0xFFFFFFFF - NET_MAX_INPUTS), 4, 0xFF - NET_MAX_INPUTS + 1, false},  // past the last tick
        {make(NET_INPUT, 0xFFFFFFFF - NET_MAX_INPUTS), 4, 0xFF - NET_MAX_INPUTS - 1, true},
        {make(NET_BYE, 0, BYE_CLOSED), 1, 0, false}, {make(NET_BYE, 0, BYE_CLOSED), 0, 0, false},
        {make(NET_DIGEST), 0, 9, false}, {make(NET_FIND), 4, 'n', false}, {make(NET_HERE), 1, 'r', false},
        {make(NET_HERE), 7, 0, false}, {make(NET_HERE), 15, 0, false}, {make(NET_HERE), 15, HERE_WAITING, true},
        {make(NET_HERE), 15, 3, false}, {make(NET_SPECTATOR), 3, 'x', false}, {make(NET_REFUSE), 1, REFUSE_SPECTATORS, true},
        {make(NET_REFUSE), 1, 4, false}, {make(NET_BYE), 1, BYE_SLOW, true}, {make(NET_BYE), 1, 5, false},
        {make(NET_TICKS), 5, 0, false}, {make(NET_TICKS), 6, 1 << (PACKED_INPUT_BITS - 8), false},
        {make(NET_TICKS), 11, 0xFF, true}, {make(NET_START), 5, 0x7F, false},  // a match with no such state
        {make(NET_TICKS, 0xFFFFFFFF - NET_MAX_TICKS), 4, 0xFF - NET_MAX_TICKS + 1, false}};
    // clang-format on
    for (const Case &c : cases) {
        std::vector<unsigned char> b = bytesOf(c.message);
        b[c.at] = c.value;
        NetMessage back;
        EXPECT_EQ(decodeMessage(b.data(), b.size(), back), c.good) << "case " << &c - cases;
    }
}

// Inputs (three here) with no gap after those we hold, repeats welcome,
// the newest at most both delays and a window ahead of our next tick;
// digests only of a second's last tick, one the other game can have
// confirmed.
TEST(NetMessages, MessagesInTurnAndOutOfIt) {
    // clang-format off
    const long cases[][5] = {  // type, tick, expected, next, in turn
        {NET_INPUT, 5, 5, 0, 1}, {NET_INPUT, 4, 5, 0, 1}, {NET_INPUT, 6, 5, 0, 0}, {NET_INPUT, 48, 48, 0, 1},
        {NET_INPUT, 49, 49, 0, 0}, {NET_INPUT, 3, 3, 90, 1}, {NET_DIGEST, 99, 0, 89, 1}, {NET_DIGEST, 99, 0, 88, 0},
        {NET_DIGEST, 199, 0, 100, 0}, {NET_DIGEST, 100, 0, 200, 0}, {NET_DIGEST, 98, 0, 200, 0}, {NET_BYE, 7, 0, 0, 1}};
    // clang-format on
    for (auto &c : cases)
        EXPECT_EQ(inTurn(make(NetType(c[0]), std::uint32_t(c[1])), std::uint32_t(c[2]), std::uint32_t(c[3])), c[4] == 1)
            << "case " << &c - cases;
}

TEST(NetMessages, AnotherVersionOrProtocolIsNamedBesideOurs) {
    NetMessage theirs = make(NET_HELLO), older = theirs;
    older.protocol = NET_PROTOCOL - 1;
    const std::string other = "the other game is rallyton 1.1 (network protocol ", ours = "); this one is rallyton ";
    EXPECT_EQ(versionMismatch(theirs, "1.1"), "");
    EXPECT_EQ(versionMismatch(theirs, "1.2"), other + "4" + ours + "1.2 (network protocol 4)");
    EXPECT_EQ(versionMismatch(older, "1.1"), other + "3" + ours + "1.1 (network protocol 4)");
}

// Socket errors read the same on every platform. (The host's own
// addresses, without the loopback's: the router's test bed.)
TEST(NetPlatform, SocketErrorsReadTheSameEverywhere) {
    // clang-format off
    const std::pair<int, const char *> errors[] = {{EADDRINUSE, "the port is already in use"},
        {EACCES, "not allowed here"}, {EHOSTUNREACH, "the other machine cannot be reached"}, {EPERM, "socket error 1"}};
    // clang-format on
    auto said = [](int code) { return errno = code, socketError(); };
    for (const auto &[code, words] : errors) EXPECT_EQ(said(code), words);
    EXPECT_EQ(localAddresses(0).size(), 0u);
}
