// Writes the fuzzer's seeds from the built datafile: the game's own stream,
// and copies with one entry's contents damaged in each way a bad disk or a
// careless edit damages them (a glyph 0 pixels wide, a colour range after a
// one-colour one, a MIDI division of 0, a program change out of range, a
// meta or system-exclusive event longer than its track, a track of 0xFF
// bytes, a sample at 0 Hz, a bitmap of an unknown depth).
//   fuzz_seeds DATAFILE FOLDER
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

namespace {

std::uint32_t be32(const Bytes &b, std::size_t at) {
    return std::uint32_t(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

// Where each top-level entry's body starts, in the stream after "slh.".
std::vector<std::size_t> bodies(const Bytes &b) {
    std::vector<std::size_t> at;
    std::size_t p = 8;
    for (std::uint32_t i = 0; i < be32(b, 4) && p + 12 <= b.size(); i++) {
        while (be32(b, p) == 0x70726F70) p += 12 + be32(b, p + 8);  // "prop"
        at.push_back(p + 12);
        p += 12 + be32(b, p + 8);
    }
    return at;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3) return 2;
    std::ifstream in(argv[1], std::ios::binary);
    Bytes file(std::istreambuf_iterator<char>(in), {});
    if (file.size() < 8) return 1;
    const Bytes game(file.begin() + 4, file.end());
    std::vector<std::size_t> at = bodies(game);
    if (at.size() < 16) return 1;
    const std::size_t FONT = at[8], TUNE = at[11], SAMPLE = at[14], BITMAP = at[6];
    // Track 0 of each tune: a time, a tempo event (FF 51 03 ...), a time, the end of track.
    const struct {
        const char *name;
        std::size_t offset;
        Bytes bytes;
    } damage[] = {
        {"font-glyph-0-wide", FONT + 13, {0, 0}},
        {"font-colour-range", FONT + 4, {16}},
        {"font-second-range", FONT + 3, {2}},
        {"midi-division-0", TUNE, {0, 0}},
        {"midi-program-128", TUNE + 23, {0xD0}},
        {"midi-meta-too-long", TUNE + 9, {0x7F}},
        {"midi-sysex-too-long", TUNE + 7, {0xF0, 0x7F}},
        {"midi-track-of-ff", TUNE + 6, Bytes(11, 0xFF)},
        {"sample-0-hz", SAMPLE + 2, {0, 0}},
        {"bitmap-24-bit-rgba", BITMAP, {0xFF, 0xE8}},
    };
    std::string folder = argv[2];
    std::ofstream(folder + "/game", std::ios::binary)
        .write(reinterpret_cast<const char *>(game.data()), long(game.size()));
    for (const auto &d : damage) {
        Bytes seed = game;
        for (std::size_t i = 0; i < d.bytes.size(); i++) seed[d.offset + i] = d.bytes[i];
        std::ofstream(folder + "/" + d.name, std::ios::binary)
            .write(reinterpret_cast<const char *>(seed.data()), long(seed.size()));
    }
    return 0;
}
