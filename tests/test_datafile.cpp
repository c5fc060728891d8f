// The datafile: the structure check that guards Allegro's loader, tried on
// the built data/data.dat and on copies of it spliced, cut and bent out of
// shape; and what the built file holds.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "datacheck.h"
#include "support.h"

using namespace test;
using Bytes = std::vector<unsigned char>;

namespace {

Bytes readFile(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

void writeFile(const std::string &path, const Bytes &b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(b.data()), std::streamsize(b.size()));
}

std::uint32_t be32(const unsigned char *p) { return std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }
void put32(Bytes &b, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<unsigned char>(v >> shift));
}

// One object of the stream: its properties and type, then its body.
struct Object {
    Bytes head, body;
};

// The built file's stream (after the "slh." magic), object by object.
std::vector<Object> gameObjects() {
    Bytes b = readFile(DATAFILE_PATH);
    std::vector<Object> objects;
    std::size_t at = 12;
    for (std::uint32_t i = 0; i < be32(&b[8]); i++) {
        std::size_t start = at;
        while (be32(&b[at]) == DAT_ID('p', 'r', 'o', 'p')) at += 12 + be32(&b[at + 8]);
        std::size_t size = be32(&b[at + 8]);
        objects.push_back({Bytes(&b[start], &b[at + 4]), Bytes(&b[at + 12], &b[at + 12 + size])});
        at += 12 + size;
    }
    return objects;
}

Bytes stream(const std::vector<Object> &objects) {
    Bytes b;
    put32(b, DAT_MAGIC), put32(b, static_cast<std::uint32_t>(objects.size()));
    for (const Object &o : objects) {
        b.insert(b.end(), o.head.begin(), o.head.end());
        put32(b, static_cast<std::uint32_t>(o.body.size())), put32(b, static_cast<std::uint32_t>(o.body.size()));
        b.insert(b.end(), o.body.begin(), o.body.end());
    }
    return b;
}

std::string problem(const Bytes &b) { return datafileStreamProblem(b.data(), b.size()); }

}  // namespace

// The built stream as it is, with anything at the entry the game never
// reads, with one entry more; then one entry short, each kind of entry where
// another is wanted, the background a pixel too narrow or too low, each kind
// of body a byte short of its header or of what its first field says, cut,
// not a datafile, with a damaged header, and compressed object by object.
TEST(DatafileCheck, NamesWhatIsWrongWithAStream) {
    const std::vector<Object> game = gameObjects();
    ASSERT_EQ(game.size(), 16u);
    auto with = [&](int entry, const Object &o) {
        std::vector<Object> v = game;
        v[std::size_t(entry)] = o;
        return v;
    };
    auto shorter = [&](int entry) {  // the body one byte short of what its header promises
        Object o = game[std::size_t(entry)];
        o.body.pop_back();
        return with(entry, o);
    };
    auto table = [&](int w, int h) {  // the background resized, its header kept true
        Object o = game[ASSET_TABLE];
        o.body[2] = static_cast<unsigned char>(w >> 8), o.body[3] = static_cast<unsigned char>(w);
        o.body[4] = static_cast<unsigned char>(h >> 8), o.body[5] = static_cast<unsigned char>(h);
        o.body.resize(6 + std::size_t(w) * std::size_t(h) * 3);
        return with(ASSET_TABLE, o);
    };
    auto recoded = [&](int entry, int bits) {  // the body's first field says more than its bytes hold
        Object o = game[std::size_t(entry)];
        o.body[0] = static_cast<unsigned char>(bits >> 8), o.body[1] = static_cast<unsigned char>(bits);
        return with(entry, o);
    };
    std::vector<Object> fifteen(game.begin(), game.end() - 1), seventeen = game;
    seventeen.push_back(game[ASSET_SOUND_HIT]);
    const struct {
        std::vector<Object> objects;
        std::string problem;
    } cases[] = {{game, ""},
                 {with(ASSET_ABOUT, game[ASSET_TABLE]), ""},
                 {seventeen, ""},
                 {fifteen, "holds 15 entries; the game needs 16"},
                 {with(ASSET_FONT_SMALL, game[ASSET_PADDLE_LEFT]), "entry 9 should be a font"},
                 {with(ASSET_PADDLE_RIGHT, game[ASSET_FONT_BIG]), "entry 3 should be a bitmap"},
                 {with(ASSET_TUNE_MELLOW, game[ASSET_SOUND_HIT]), "entry 12 should be a MIDI track"},
                 {with(ASSET_SOUND_CLICK, game[ASSET_TUNE_BRIGHT]), "entry 15 should be a sample"},
                 {table(319, 240), "entry 0 should be a 320 x 240 bitmap, not 319 x 240"},
                 {table(320, 239), "entry 0 should be a 320 x 240 bitmap, not 320 x 239"},
                 {shorter(ASSET_BALL_LEFT), "entry 7 is damaged"},
                 {recoded(ASSET_BALL_RIGHT, -32), "entry 6 is damaged"},  // 32-bit pixels
                 {recoded(ASSET_SOUND_HIT, -16), "entry 14 is damaged"},  // stereo
                 {shorter(ASSET_FONT_BIG), "entry 8 is damaged"},
                 {shorter(ASSET_TUNE_DRIVING), "entry 13 is damaged"},
                 {shorter(ASSET_SOUND_CLICK), "entry 15 is damaged"}};
    for (const auto &c : cases) EXPECT_EQ(problem(stream(c.objects)), c.problem) << "case " << &c - cases;

    Bytes whole = stream(game), bent = whole;
    for (std::size_t cut : {std::size_t(0), std::size_t(7), std::size_t(100), whole.size() / 2, whole.size() - 1})
        EXPECT_NE(problem(Bytes(whole.begin(), whole.begin() + long(cut))).find("is truncated"), std::string::npos);
    EXPECT_EQ(problem(Bytes(whole.begin(), whole.end() - 1)), "is truncated (entry 15 runs past the end of the file)");
    bent[0] ^= 1;
    EXPECT_EQ(problem(bent), "is not an Allegro datafile");
    bent = whole;
    bent[game[0].head.size() + 11]++;  // entry 0's packed size one more than its size
    EXPECT_EQ(problem(bent), "entry 0 has a damaged header");
    bent = whole;
    for (std::size_t i = 12; i < 16; i++) bent[game[0].head.size() + i] = 0xFF;  // entry 0's size -1: compressed
    EXPECT_EQ(problem(bent), "entry 0 is compressed (pack the datafile without per-object compression)");
}

TEST(DatafileCheck, ReadsFilesPlainOrPacked) {
    std::string dir = ::testing::TempDir();
    writeFile(dir + "empty.dat", {});
    writeFile(dir + "packed.dat", readFile(DATAFILE_PATH));
    ASSERT_EQ(std::system((std::string(DAT_TOOL) + " -c2 -n0 -s1 " + dir + "packed.dat >/dev/null").c_str()), 0);
    Bytes packed = readFile(dir + "packed.dat");
    writeFile(dir + "cut.dat", Bytes(packed.begin(), packed.end() - 10));
    const std::string cases[][2] = {{"none.dat", "cannot be opened (No such file or directory)"},
                                    {"empty.dat", "is empty"},
                                    {"packed.dat", ""},
                                    {"cut.dat", "is truncated"}};
    for (auto &c : cases) EXPECT_EQ(datafileProblem((dir + c[0]).c_str()).substr(0, c[1].size()), c[1]) << c[0];
}

TEST(Assets, TheBuiltDatafileFitsTheGame) {
    DATAFILE *d = load_datafile(DATAFILE_PATH);
    ASSERT_NE(d, nullptr);
    auto bmp = [&](int e) { return static_cast<BITMAP *>(d[e].dat); };
    for (int e : {ASSET_PADDLE_LEFT, ASSET_PADDLE_RIGHT, ASSET_BALL_RIGHT, ASSET_BALL_LEFT})
        EXPECT_EQ(bmp(e)->h, e < ASSET_BALL_RIGHT ? 60 : 10) << e;  // the sizes the play logic uses
    EXPECT_EQ(getpixel(bmp(ASSET_BALL_LEFT), 0, 0), makecol(255, 0, 255)) << "round, through the mask";
    FONT *big = static_cast<FONT *>(d[ASSET_FONT_BIG].dat), *small = static_cast<FONT *>(d[ASSET_FONT_SMALL].dat);
    EXPECT_TRUE(is_mono_font(big) && is_mono_font(small));  // so that they take the colour they are given
    EXPECT_LT(75 + text_length(big, "RALLYTON"), 240);  // clear of "v1.1"
    EXPECT_LT(160 + text_length(small, "music:off"), 240);  // clear of "sound:off"
    for (int e : {ASSET_TUNE_BRIGHT, ASSET_TUNE_MELLOW, ASSET_TUNE_DRIVING})
        EXPECT_NEAR(get_midi_length(static_cast<MIDI *>(d[e].dat)), 90, 30) << e;
    for (int e : {ASSET_SOUND_HIT, ASSET_SOUND_CLICK}) {
        SAMPLE *s = static_cast<SAMPLE *>(d[e].dat);
        int peak = 0;
        for (unsigned long k = 0; k < s->len; k++)
            peak = std::max(peak, std::abs(static_cast<const unsigned short *>(s->data)[k] - 0x8000));
        EXPECT_TRUE(s->bits == 16 && !s->stereo && peak > 8000 && peak < 14000) << e << ": " << peak;  // headroom
    }
    unload_datafile(d);
}
