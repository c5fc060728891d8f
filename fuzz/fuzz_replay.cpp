// A replay file's reader on any bytes, their check digest made to fit so
// that the fuzzer reaches the rest: it accepts them or says why in a few
// words, and what it accepts plays through. Then the same bytes as a
// match's inputs for the sync test: every tick rolled back and run again
// must land on the same state.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "match.h"
#include "replay.h"

using namespace rallyton;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::vector<unsigned char> bytes(data, data + size);
    if (size >= 8) {
        std::uint64_t check = digestOf(bytes.data(), size - 8);
        for (int i = 0; i < 8; i++) bytes[size - 1 - i] = static_cast<unsigned char>(check >> (8 * i));
    }
    Recording r;
    std::string problem = decodeRecording(bytes.data(), bytes.size(), r);
    if (problem.empty() && r.inputs.size() <= 100000) firstDisagreement(r);
    for (char c : problem)
        if (static_cast<unsigned char>(c) < 0x20) __builtin_trap();  // a few printable words

    // The sync test: a start chosen by the first byte, then runs of inputs
    // (two bytes of keys, one of length).
    if (size < 1) return 0;
    const int STARTS[] = {STATE_MENU, STATE_PLAYERS_MENU, STATE_SERVE, STATE_PLAY};
    Match start;
    setStartValues();
    start = match;
    start.game_state = STARTS[data[0] % 4], start.p2 = data[0] >> 2 & 1, start.cpu_random = data[0];
    std::vector<std::uint16_t> inputs;
    for (std::size_t i = 1; i + 2 < size && inputs.size() < 600; i += 3)
        inputs.insert(inputs.end(), data[i + 2] % 16 + 1,
                      std::uint16_t((data[i] << 8 | data[i + 1]) & ((1 << PACKED_INPUT_BITS) - 1)));
    if (syncTest(start, inputs, 1 + data[0] % 4) != -1) __builtin_trap();  // state outside the match
    return 0;
}
