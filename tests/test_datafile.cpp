// The datafile: the structure check that guards Allegro's loader, and the
// built data/data.dat itself, entry by entry.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "datacheck.h"
#include "support.h"

using namespace test;
using Bytes = std::vector<unsigned char>;

namespace {

void be32(Bytes &b, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back((v >> s) & 0xFF);
}
void be16(Bytes &b, int v) {
    b.push_back((v >> 8) & 0xFF);
    b.push_back(v & 0xFF);
}

// One object as dat writes it: a NAME property, the type, both sizes, the body.
Bytes object(std::uint32_t type, const Bytes &body) {
    Bytes b;
    be32(b, DAT_ID('p', 'r', 'o', 'p'));
    be32(b, DAT_ID('N', 'A', 'M', 'E'));
    be32(b, 4);
    b.insert(b.end(), {'N', 'A', 'M', 'E'});
    be32(b, type);
    be32(b, static_cast<std::uint32_t>(body.size()));
    be32(b, static_cast<std::uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

Bytes bitmap(int w, int h) {
    Bytes b;
    be16(b, 24);
    be16(b, w);
    be16(b, h);
    b.resize(b.size() + static_cast<std::size_t>(w) * h * 3, 0x40);
    return object(DAT_BITMAP, b);
}

Bytes monoFont() {  // one mono range, ' ' to '~', 8 x 8 glyphs
    Bytes b;
    be16(b, 0);
    be16(b, 1);
    b.push_back(1);
    be32(b, 32);
    be32(b, 126);
    for (int i = 32; i <= 126; i++) {
        be16(b, 8);
        be16(b, 8);
        b.resize(b.size() + 8, 0x18);
    }
    return object(DAT_FONT, b);
}

Bytes midiTrack() {
    Bytes b;
    be16(b, 96);
    be32(b, 4);
    b.insert(b.end(), {0x00, 0xFF, 0x2F, 0x00});
    for (int t = 1; t < 32; t++) be32(b, 0);
    return object(DAT_MIDI, b);
}

Bytes sample() {
    Bytes b;
    be16(b, 16);
    be16(b, 22050);
    be32(b, 100);
    b.resize(b.size() + 200, 0);
    return object(DAT_SAMPLE, b);
}

// A stream of the game's sixteen entries, with one of them replaced.
Bytes gameStream(int replace = -1, const Bytes &with = {}, int count = 16) {
    std::vector<Bytes> entries;
    entries.push_back(bitmap(320, 240));
    for (int i = 1; i < 8; i++) entries.push_back(bitmap(10, 10));
    entries.push_back(monoFont());
    entries.push_back(monoFont());
    entries.push_back(object(DAT_ID('D', 'A', 'T', 'A'), {'h', 'i'}));
    for (int i = 11; i < 14; i++) entries.push_back(midiTrack());
    entries.push_back(sample());
    entries.push_back(sample());
    if (replace >= 0) entries[static_cast<std::size_t>(replace)] = with;
    Bytes b;
    be32(b, DAT_MAGIC);
    be32(b, static_cast<std::uint32_t>(count));
    for (int i = 0; i < count; i++)
        b.insert(b.end(), entries[static_cast<std::size_t>(i)].begin(), entries[static_cast<std::size_t>(i)].end());
    return b;
}

std::string problem(const Bytes &b) { return datafileStreamProblem(b.data(), b.size()); }

Bytes readFile(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

void writeFile(const std::string &path, const Bytes &b) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char *>(b.data()), static_cast<std::streamsize>(b.size()));
}

}  // namespace

TEST(DatafileCheck, AcceptsTheGameLayout) {
    EXPECT_EQ(problem(gameStream()), "");
    EXPECT_EQ(problem(gameStream(10, bitmap(3, 3))), "");  // entry 10 is never read: anything goes
}

TEST(DatafileCheck, NamesTheEntryOfTheWrongType) {
    EXPECT_EQ(problem(gameStream(8, bitmap(10, 10))), "entry 8 should be a font");
    EXPECT_EQ(problem(gameStream(3, monoFont())), "entry 3 should be a bitmap");
    EXPECT_EQ(problem(gameStream(12, sample())), "entry 12 should be a MIDI track");
    EXPECT_EQ(problem(gameStream(15, midiTrack())), "entry 15 should be a sample");
    EXPECT_EQ(problem(gameStream(0, bitmap(320, 200))), "entry 0 should be a 320 x 240 bitmap, not 320 x 200");
}

TEST(DatafileCheck, CountsTheEntries) {
    EXPECT_EQ(problem(gameStream(-1, {}, 15)), "holds 15 entries; the game needs 16");
    EXPECT_EQ(problem(gameStream(-1, {}, 2)), "holds 2 entries; the game needs 16");
}

TEST(DatafileCheck, EveryTruncationIsFound) {
    Bytes whole = gameStream();
    for (std::size_t n = 0; n < whole.size(); n++) {
        Bytes cut(whole.begin(), whole.begin() + static_cast<long>(n));
        ASSERT_NE(problem(cut), "") << "cut at " << n;
    }
    Bytes cut(whole.begin(), whole.end() - 1);
    EXPECT_EQ(problem(cut), "is truncated (entry 15 runs past the end of the file)");
}

TEST(DatafileCheck, ObjectBodiesMustHoldWhatTheirHeadersPromise) {
    Bytes b = bitmap(10, 10);
    Bytes lying = b;
    lying[lying.size() - 300 - 2] = 0x7F;  // width 10 -> 32522: more pixels than stored
    EXPECT_EQ(problem(gameStream(2, lying)), "entry 2 is damaged");

    Bytes packed = object(DAT_BITMAP, {});
    packed[packed.size() - 4] = 0xFF;  // a negative unpacked size: a compressed object
    EXPECT_NE(problem(gameStream(4, packed)).find("compressed"), std::string::npos);
}

TEST(DatafileCheck, RandomBytesNeverPass) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 2000; round++) {
        Bytes junk(static_cast<std::size_t>(rng() % 4096));
        for (auto &c : junk) c = static_cast<unsigned char>(rng());
        if (round % 2) {  // half of them start like a datafile
            Bytes head;
            be32(head, DAT_MAGIC);
            be32(head, 16 + rng() % 4);
            junk.insert(junk.begin(), head.begin(), head.end());
        }
        ASSERT_NE(problem(junk), "") << "round " << round;
    }
    // A stream with a flipped byte either passes or is rejected; never crashes.
    Bytes whole = gameStream();
    for (std::size_t i = 0; i < whole.size(); i += 7) {
        Bytes flipped = whole;
        flipped[i] ^= 0xA5;
        problem(flipped);
    }
}

TEST(DatafileCheck, Files) {
    char dir[] = "/tmp/rallyton-dataXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string base = dir;
    EXPECT_EQ(datafileProblem((base + "/none.dat").c_str()), "cannot be opened (No such file or directory)");
    writeFile(base + "/empty.dat", {});
    EXPECT_EQ(datafileProblem((base + "/empty.dat").c_str()), "is empty");
    writeFile(base + "/text.dat", {'h', 'e', 'l', 'l', 'o', '\n'});
    EXPECT_EQ(datafileProblem((base + "/text.dat").c_str()), "is not an Allegro datafile");

    Bytes real = readFile(DATAFILE_PATH);
    ASSERT_GT(real.size(), 1000u);
    EXPECT_EQ(datafileProblem(DATAFILE_PATH), "");
    // The real file cut anywhere, on a stride through the whole of it.
    for (std::size_t n = 4; n < real.size(); n += 1777) {
        writeFile(base + "/cut.dat", Bytes(real.begin(), real.begin() + static_cast<long>(n)));
        ASSERT_NE(datafileProblem((base + "/cut.dat").c_str()), "") << n;
    }

    // A packed copy passes; cut short it fails (and nothing crashes).
    std::string packed = base + "/packed.dat";
    writeFile(packed, real);
    std::string command = std::string(DAT_TOOL) + " -c2 -n0 -s1 " + packed + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    Bytes packedBytes = readFile(packed);
    ASSERT_EQ(packedBytes[3], '!');  // "slh!": packed
    EXPECT_EQ(datafileProblem(packed.c_str()), "");
    for (std::size_t n : {std::size_t(6), packedBytes.size() / 3, packedBytes.size() - 10}) {
        writeFile(packed, Bytes(packedBytes.begin(), packedBytes.begin() + static_cast<long>(n)));
        EXPECT_NE(datafileProblem(packed.c_str()), "") << n;
    }
    std::filesystem::remove_all(base);
}
