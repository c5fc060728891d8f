// The network's messages, encoded and decoded with every field checked (netmsg.h).
#include "netmsg.h"

#include <algorithm>
#include <cstring>

#include "input.h"
#include "match.h"

namespace rallyton {

namespace {

const unsigned char MAGIC[4] = {'R', 'L', 'T', 'N'};

// The size of each type's message, with its type byte (an input's with its
// count, the byte after the tick); 0: no such type.
std::size_t sizeOf(const unsigned char *bytes, std::size_t size) {
    int type = bytes[0];
    switch (type) {
    case NET_HELLO: return 1 + 4 + 2 + NET_VERSION_BYTES;
    case NET_WELCOME: return 1 + 2 + NET_VERSION_BYTES;
    case NET_REFUSE: return 1 + 1 + 2 + NET_VERSION_BYTES;
    case NET_INPUT: return size < NET_INPUT_HEADER || bytes[5] > NET_MAX_INPUTS ? 0 : NET_INPUT_HEADER + bytes[5];
    case NET_DIGEST: return 1 + 4 + 8;
    case NET_BYE: return 1 + 1 + 4;
    case NET_FIND: return 1 + 4 + 2;
    case NET_HERE: return 1 + 4 + 2 + NET_VERSION_BYTES + 1;
    case NET_SPECTATOR: return 1 + 4 + 2 + NET_VERSION_BYTES;
    case NET_START: return 1 + 4 + matchBytes();
    case NET_TICKS: return size < 6 || bytes[5] == 0 || bytes[5] > NET_MAX_TICKS ? 0 : 1 + 4 + 1 + 2 * bytes[5];
    case NET_SEEN: return 1 + 4;
    default: return 0;
    }
}

struct Writer {
    unsigned char *p;
    void u8(unsigned v) { *p++ = static_cast<unsigned char>(v); }
    void u16(unsigned v) { u8(v >> 8), u8(v); }
    void u32(std::uint32_t v) { u16(v >> 16), u16(v & 0xFFFF); }
    void u64(std::uint64_t v) { u32(std::uint32_t(v >> 32)), u32(std::uint32_t(v)); }
    void version(const std::string &v) {
        for (int i = 0; i < NET_VERSION_BYTES; i++) u8(i < int(v.size()) ? static_cast<unsigned char>(v[i]) : 0);
    }
};

struct Parser {
    const unsigned char *p;
    unsigned u8() { return *p++; }
    unsigned u16() { return (u8() << 8) | u8(); }
    std::uint32_t u32() { return (std::uint32_t(u16()) << 16) | u16(); }
    std::uint64_t u64() { return (std::uint64_t(u32()) << 32) | u32(); }
    // Printable ASCII, then only zeros; at least one character.
    bool version(std::string &v) {
        v.clear();
        bool ended = false;
        for (int i = 0; i < NET_VERSION_BYTES; i++) {
            unsigned c = u8();
            if (c == 0) ended = true;
            else if (ended || c < 0x21 || c > 0x7E) return false;
            else v += char(c);
        }
        return !v.empty();
    }
};

}  // namespace

std::size_t encodeMessage(const NetMessage &m, unsigned char *out) {
    Writer w{out};
    w.u8(m.type);
    switch (m.type) {
    case NET_HELLO: w.p = std::copy(MAGIC, MAGIC + 4, w.p), w.u16(m.protocol), w.version(m.version); break;
    case NET_WELCOME: w.u16(m.protocol), w.version(m.version); break;
    case NET_REFUSE: w.u8(m.reason), w.u16(m.protocol), w.version(m.version); break;
    case NET_INPUT:
        w.u32(m.tick), w.u8(unsigned(m.count)), w.u32(m.ack), w.u8(unsigned(m.lead + 128));
        for (int i = 0; i < m.count; i++) w.u8(m.bits[i]);
        break;
    case NET_DIGEST: w.u32(m.tick), w.u64(m.digest); break;
    case NET_BYE: w.u8(m.reason), w.u32(m.tick); break;
    case NET_FIND: w.p = std::copy(MAGIC, MAGIC + 4, w.p), w.u16(m.protocol); break;
    case NET_HERE:
        w.p = std::copy(MAGIC, MAGIC + 4, w.p), w.u16(m.protocol), w.version(m.version), w.u8(m.reason);
        break;
    case NET_SPECTATOR: w.p = std::copy(MAGIC, MAGIC + 4, w.p), w.u16(m.protocol), w.version(m.version); break;
    case NET_START: w.u32(m.tick), w.p = std::copy(m.match.begin(), m.match.end(), w.p); break;
    case NET_TICKS:
        w.u32(m.tick), w.u8(unsigned(m.count));
        for (int i = 0; i < m.count; i++) w.u16(m.packed[i]);
        break;
    case NET_SEEN: w.u32(m.tick); break;
    }
    return std::size_t(w.p - out);
}

bool decodeMessage(const unsigned char *bytes, std::size_t size, NetMessage &message) {
    if (size == 0 || size != sizeOf(bytes, size)) return false;
    NetMessage m;
    Parser r{bytes + 1};
    m.type = NetType(bytes[0]);
    switch (m.type) {
    case NET_HELLO:
    case NET_HERE:
    case NET_SPECTATOR:
        if (std::memcmp(r.p, MAGIC, 4) != 0) return false;
        r.p += 4, m.protocol = std::uint16_t(r.u16());
        if (!r.version(m.version)) return false;
        if (m.type == NET_HERE && (m.reason = std::uint8_t(r.u8())) != HERE_WAITING && m.reason != HERE_PLAYING)
            return false;
        break;
    case NET_START: {
        m.tick = r.u32();
        Match sound;
        if (!decodeMatch(r.p, matchBytes(), sound)) return false;
        m.match.assign(r.p, r.p + matchBytes());
        break;
    }
    case NET_TICKS:
        m.tick = r.u32(), m.count = int(r.u8());
        if (m.tick > 0xFFFFFFFFu - NET_MAX_TICKS) return false;
        for (int i = 0; i < m.count; i++)
            if ((m.packed[i] = std::uint16_t(r.u16())) >> PACKED_INPUT_BITS) return false;
        break;
    case NET_SEEN: m.tick = r.u32(); break;
    case NET_FIND:
        if (std::memcmp(r.p, MAGIC, 4) != 0) return false;
        r.p += 4, m.protocol = std::uint16_t(r.u16());
        break;
    case NET_WELCOME:
        m.protocol = std::uint16_t(r.u16());
        if (!r.version(m.version)) return false;
        break;
    case NET_REFUSE:
        m.reason = std::uint8_t(r.u8()), m.protocol = std::uint16_t(r.u16());
        if (m.reason < REFUSE_VERSION || m.reason > REFUSE_SPECTATORS || !r.version(m.version)) return false;
        break;
    case NET_INPUT:
        m.tick = r.u32(), m.count = int(r.u8()), m.ack = r.u32(), m.lead = int(r.u8()) - 128;
        if (m.lead < -NET_MAX_LEAD || m.lead > NET_MAX_LEAD || m.tick > 0xFFFFFFFFu - NET_MAX_INPUTS) return false;
        for (int i = 0; i < m.count; i++)
            if ((m.bits[i] = std::uint8_t(r.u8())) & ~INPUT_BITS) return false;
        break;
    case NET_DIGEST: m.tick = r.u32(), m.digest = r.u64(); break;
    case NET_BYE:
        m.reason = std::uint8_t(r.u8()), m.tick = r.u32();
        if (m.reason < BYE_CLOSED || m.reason > BYE_SLOW) return false;
        break;
    }
    message = m;
    return true;
}

bool inTurn(const NetMessage &m, std::uint32_t expected, std::uint32_t nextTick) {
    if (m.type == NET_INPUT)
        return m.tick <= expected &&
               m.tick + std::uint32_t(m.count) <= nextTick + (2 * MAX_INPUT_DELAY + ROLLBACK_WINDOW + 1);
    if (m.type == NET_DIGEST) return m.tick % DIGEST_EVERY == DIGEST_EVERY - 1 && m.tick <= nextTick + MAX_INPUT_DELAY;
    return true;
}

std::string versionMismatch(const NetMessage &theirs, const std::string &ours) {
    if (theirs.protocol == NET_PROTOCOL && theirs.version == ours) return "";
    return "the other game is rallyton " + theirs.version + " (network protocol " + std::to_string(theirs.protocol) +
           "); this one is rallyton " + ours + " (network protocol " + std::to_string(NET_PROTOCOL) + ")";
}

}  // namespace rallyton
