// The network messages' decoder on any bytes, as a datagram from anyone
// may be: it takes exactly the well-formed messages, and a message it
// takes encodes back to the very bytes it came from.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "netmsg.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size) {
    rallyton::NetMessage m;
    if (!rallyton::decodeMessage(bytes, size, m)) return 0;
    unsigned char again[rallyton::NET_MAX_MESSAGE];
    std::size_t n = rallyton::encodeMessage(m, again);
    if (n != size || std::memcmp(again, bytes, n) != 0) __builtin_trap();
    return 0;
}
