// The settings file's reader on any bytes: whatever a file holds, it takes
// the section's keys and values or complains in one line each, and never
// reads outside the text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size) {
    std::string text(reinterpret_cast<const char *>(bytes), size);
    rallyton::Options options;
    std::vector<std::string> complaints;
    rallyton::applySettings(text, "fuzz.cfg", options, complaints);
    if (options.scale < 0 || options.scale > rallyton::MAX_SCALE) __builtin_trap();  // only values it vouched for
    for (const std::string &line : complaints)
        for (char c : line)
            if (static_cast<unsigned char>(c) < 0x20) __builtin_trap();  // one printable line each
    return 0;
}
