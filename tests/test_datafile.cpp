// The datafile: the structure check that guards Allegro's loader, tried on
// the built data/data.dat and on copies of it spliced, cut and bent out of
// shape; and what the built file holds.
#include <cstdint>
#include <cstring>
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

void put16(Bytes &b, int v) {
    b.push_back(static_cast<unsigned char>(v >> 8)), b.push_back(static_cast<unsigned char>(v));
}

// Bodies made field by field, each a good one unless a field is bent.
Object fontBody(int kind, int ranges, int mono, std::uint32_t begin, std::uint32_t end, int w, int h) {
    Bytes b;
    put16(b, kind), put16(b, ranges), b.push_back(static_cast<unsigned char>(mono)), put32(b, begin), put32(b, end);
    for (std::uint32_t c = begin; c <= end && c < begin + 100; c++)
        put16(b, w), put16(b, h), b.insert(b.end(), std::size_t((w + 7) / 8 * h), 0x55);
    return {{}, b};
}
Object sampleBody(int bits, int freq, std::uint32_t length, std::size_t bytes) {
    Bytes b;
    put16(b, bits), put16(b, freq), put32(b, length), b.insert(b.end(), bytes, 0x80);
    return {{}, b};
}
Object bitmapBody(int bits, int w, int h, std::size_t bytes) {
    Bytes b;
    put16(b, bits), put16(b, w), put16(b, h), b.insert(b.end(), bytes, 0x40);
    return {{}, b};
}
// One track in the first of the 32 slots, the rest empty.
Object midiBody(int divisions, const Bytes &track) {
    Bytes b;
    put16(b, divisions), put32(b, static_cast<std::uint32_t>(track.size())),
        b.insert(b.end(), track.begin(), track.end());
    for (int t = 1; t < 32; t++) put32(b, 0);
    return {{}, b};
}

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
    Object sprite = game[ASSET_BALL_LEFT];
    for (int i = 0; i < 4; i++) sprite.head[sprite.head.size() - 4 + std::size_t(i)] = "RLE "[i];
    std::vector<Object> fifteen(game.begin(), game.end() - 1), seventeen = game;
    seventeen.push_back(game[ASSET_SOUND_HIT]);
    const struct {
        std::vector<Object> objects;
        std::string problem;
    } cases[] = {{game, ""},
                 {with(ASSET_ABOUT, game[ASSET_TABLE]), ""},
                 {seventeen, ""},
                 {with(ASSET_ABOUT, sprite), "entry 10 is a sprite, which the game never uses"},
                 {fifteen, "holds 15 entries; the game needs 16"},
                 {with(ASSET_FONT_SMALL, game[ASSET_PADDLE_LEFT]), "entry 9 should be a font"},
                 {with(ASSET_PADDLE_RIGHT, game[ASSET_FONT_BIG]), "entry 3 should be a bitmap"},
                 {with(ASSET_TUNE_MELLOW, game[ASSET_SOUND_HIT]), "entry 12 should be a MIDI track"},
                 {with(ASSET_SOUND_CLICK, game[ASSET_TUNE_BRIGHT]), "entry 15 should be a sample"},
                 {table(319, 240), "entry 0 should be a 320 x 240 bitmap, not 319 x 240"},
                 {table(320, 239), "entry 0 should be a 320 x 240 bitmap, not 320 x 239"},
                 {shorter(ASSET_BALL_LEFT), "entry 7 is damaged (its pixels run past its end)"},
                 {recoded(ASSET_BALL_RIGHT, -32), "entry 6 is damaged (its pixels run past its end)"},  // 32-bit pixels
                 {recoded(ASSET_SOUND_HIT, -16), "entry 14 is damaged (its sound runs past its end)"},  // stereo
                 {shorter(ASSET_FONT_BIG), "entry 8 is damaged (its glyphs run past its end)"},
                 {shorter(ASSET_TUNE_DRIVING), "entry 13 is damaged (its tracks run past its end)"},
                 {shorter(ASSET_SOUND_CLICK), "entry 15 is damaged (its sound runs past its end)"}};
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

// What the library's loader, its text drawing and its MIDI player take on
// trust, field by field: each body is good but for the one field bent.
TEST(DatafileCheck, LooksInsideEveryEntryTheGameUses) {
    const std::vector<Object> game = gameObjects();
    const Bytes EOT = {0x00, 0xFF, 0x2F, 0x00};
    auto track = [&](Bytes events) { return events.insert(events.end(), EOT.begin(), EOT.end()), events; };
    const Bytes notes = {0x00, 0xC0, 0x50, 0x00, 0x90, 0x3C, 0x40, 0x60, 0x3C, 0x00};  // program, note, running status
    const struct {
        int entry;
        Object object;
        std::string problem;
    } cases[] = {
        {ASSET_FONT_SMALL, fontBody(0, 1, 1, 32, 126, 5, 9), ""},
        {ASSET_FONT_SMALL, fontBody(0, 1, 255, 32, 35, 1, 1), ""},
        {ASSET_FONT_SMALL, fontBody(8, 1, 1, 32, 35, 5, 9), "a font of an old kind"},
        {ASSET_FONT_SMALL, fontBody(0, 0, 1, 32, 35, 5, 9), "a font of 0 ranges"},
        {ASSET_FONT_SMALL, fontBody(0, 1, 8, 32, 35, 5, 9), "a font range in colour"},
        {ASSET_FONT_SMALL, fontBody(0, 1, 0, 32, 35, 5, 9), "a font range in colour"},
        {ASSET_FONT_SMALL, fontBody(0, 1, 1, 33, 32, 5, 9), "a font range from 33 to 32"},
        {ASSET_FONT_SMALL, fontBody(0, 1, 1, 32, 0x110000, 5, 9), "a font range from 32 to 1114112"},
        {ASSET_FONT_SMALL, fontBody(0, 1, 1, 32, 35, 0, 9), "glyph 32 is 0 x 9 pixels"},
        {ASSET_FONT_SMALL, fontBody(0, 1, 1, 32, 35, 5, 0), "glyph 32 is 5 x 0 pixels"},
        {ASSET_FONT_SMALL, fontBody(0, 1, 1, 32, 35, 129, 9), "glyph 32 is 129 x 9 pixels"},
        {ASSET_FONT_SMALL, fontBody(0, 2, 1, 32, 35, 5, 9), "its ranges run past its end"},
        {ASSET_SOUND_CLICK, sampleBody(8, 22050, 10, 10), ""},
        {ASSET_SOUND_CLICK, sampleBody(-16, 22050, 10, 40), ""},
        {ASSET_SOUND_CLICK, sampleBody(12, 22050, 10, 20), "a sample of 12 bits"},
        {ASSET_SOUND_CLICK, sampleBody(8, 0, 10, 10), "a sample at 0 Hz"},
        {ASSET_SOUND_CLICK, sampleBody(8, 22050, 0, 0), "an empty sample"},
        {ASSET_SOUND_CLICK, sampleBody(-16, 22050, 10, 39), "its sound runs past its end"},
        {ASSET_BALL_LEFT, bitmapBody(16, 2, 3, 12), ""},
        {ASSET_BALL_LEFT, bitmapBody(-24, 2, 3, 24), "a bitmap of -24 bits a pixel"},
        {ASSET_BALL_LEFT, bitmapBody(24, 0, 3, 0), "a bitmap 0 x 3 pixels"},
        {ASSET_TUNE_MELLOW, midiBody(96, track(notes)), ""},
        {ASSET_TUNE_MELLOW, midiBody(96, track({0x00, 0xF0, 0x01, 0xF7, 0x00, 0xFF, 0x51, 0x03, 1, 2, 3})), ""},
        {ASSET_TUNE_MELLOW, midiBody(0, track(notes)), "a division of 0"},
        {ASSET_TUNE_MELLOW, midiBody(-96, track(notes)), "a division of 65440"},
        {ASSET_TUNE_MELLOW, midiBody(96, {}), "a MIDI file without tracks"},
        {ASSET_TUNE_MELLOW, midiBody(96, notes), "track 0: no end-of-track event"},
        {ASSET_TUNE_MELLOW, midiBody(96, track({0x00, 0xC0, 0x80})), "track 0: a data byte of 128 or more at byte 1"},
        {ASSET_TUNE_MELLOW, midiBody(96, track({0x00, 0x3C, 0x40})),
         "track 0: a data byte where a status is needed at byte 1"},
        {ASSET_TUNE_MELLOW, midiBody(96, track({0x00, 0xF4})),
         "track 0: an event the player does not know (244) at byte 1"},
        {ASSET_TUNE_MELLOW, midiBody(96, track({0x00, 0xFF, 0x01, 0x7F})),
         "track 0: a meta event past the track's end at byte 1"},
        {ASSET_TUNE_MELLOW, midiBody(96, track({0x00, 0xF0, 0x7F})),
         "track 0: a system-exclusive event past the track's end at byte 1"},
        {ASSET_TUNE_MELLOW, midiBody(96, track({0x00, 0xFF, 0x51, 0x02, 1, 2})),
         "track 0: a tempo event of 2 bytes at byte 1"},
        {ASSET_TUNE_MELLOW, midiBody(96, track({0x81, 0x00, 0x90, 0x3C, 0x40})),
         "track 0: a first time of more than one byte"},
        {ASSET_TUNE_MELLOW, midiBody(96, Bytes(64, 0xFF)), "track 0: a first time of more than one byte"},
        {ASSET_TUNE_MELLOW, midiBody(96, track({0x00, 0x90, 0x3C, 0x40, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F})),
         "track 0: a time that runs past the track's end or over four bytes at byte 4"},
        {ASSET_TUNE_MELLOW, midiBody(1, track({0x00, 0x90, 0x3C, 0x40, 0xCE, 0x11, 0x80, 0x3C, 0x00})),
         "track 0: a track longer than 10000 beats"},
        {ASSET_TUNE_MELLOW, midiBody(1, track({0x00, 0x90, 0x3C, 0x40, 0xCE, 0x10, 0x80, 0x3C, 0x00})),
         ""},  // 10000 beats
        {ASSET_TUNE_MELLOW,
         midiBody(96,
                  [&] {
                      Bytes t = track(notes);
                      t.push_back(0);
                      return t;
                  }()),
         "track 0: bytes after its end-of-track event"},
    };
    for (const auto &c : cases) {
        std::vector<Object> objects = game;
        objects[std::size_t(c.entry)].body = c.object.body;
        std::string want =
            c.problem.empty() ? "" : "entry " + std::to_string(c.entry) + " is damaged (" + c.problem + ")";
        EXPECT_EQ(problem(stream(objects)), want) << "case " << &c - cases;
    }
}

// The software synth's instruments: a datafile of an index and GUS patches,
// made here field by field, and the real one the build makes.
TEST(DatafileCheck, LooksInsideTheInstruments) {
    auto gus = [](int layers, std::uint32_t length, std::uint32_t loopStart, std::uint32_t loopEnd, int freq,
                  std::uint32_t base, int mode) {
        Bytes b(239, 0);
        std::memcpy(b.data(), "GF1PATCH110\0ID#000002\0", 22);
        b[198] = static_cast<unsigned char>(layers);
        for (int i = 0; i < layers; i++) {
            Bytes layer(96, 0);
            auto le = [&](std::size_t at, std::uint32_t v, int n) {
                for (int k = 0; k < n; k++) layer[at + std::size_t(k)] = static_cast<unsigned char>(v >> (8 * k));
            };
            le(8, length, 4), le(12, loopStart, 4), le(16, loopEnd, 4), le(20, std::uint32_t(freq), 2), le(30, base, 4);
            layer[55] = static_cast<unsigned char>(mode);
            b.insert(b.end(), layer.begin(), layer.end());
            b.insert(b.end(), length, 0x80);
        }
        return b;
    };
    auto file = [](const Bytes &index, const Bytes &patch, std::uint32_t nameSize) {
        Bytes b;
        put32(b, F_NOPACK_MAGIC), put32(b, DAT_MAGIC), put32(b, 2);
        for (const Bytes *body : {&index, &patch}) {
            put32(b, DAT_ID('p', 'r', 'o', 'p')), put32(b, DAT_ID('N', 'A', 'M', 'E')), put32(b, nameSize);
            b.insert(b.end(), nameSize, 'a');
            put32(b, body == &index ? DAT_ID('D', 'A', 'T', 'A') : DAT_ID('P', 'A', 'T', ' '));
            put32(b, static_cast<std::uint32_t>(body->size())), put32(b, static_cast<std::uint32_t>(body->size()));
            b.insert(b.end(), body->begin(), body->end());
        }
        return b;
    };
    auto text = [](const char *t) { return Bytes(t, t + std::strlen(t)); };
    const Bytes index = text("1 piano\n129 begin_multipatch\n36 kick\nend_multipatch\n");
    const Bytes patch = gus(2, 100, 10, 90, 22050, 261626, 4 | 1);
    const struct {
        Bytes file;
        std::string problem;
    } cases[] = {
        {file(index, patch, 8), ""},
        {file(index, patch, 1023), ""},
        {file(index, patch, 1024), "object 0 has a name of 1024 bytes"},
        {file(text("130 begin_multipatch\n"), patch, 8), "object 0 puts the drums at 130"},
        {file(text("0 begin_multipatch\n"), patch, 8), "object 0 puts the drums at 0"},
        {file(index, Bytes(239, 0), 8), "object 1 is not a GUS patch"},
        {file(index, gus(0, 100, 0, 0, 22050, 261626, 0), 8), "object 1 has no sound"},
        {file(index, gus(1, 100, 10, 90, 0, 261626, 0), 8), "object 1 has a sound at 0 Hz"},
        {file(index, gus(1, 100, 10, 90, 22050, 0, 0), 8), "object 1 has a sound at 0 Hz"},
        {file(index, gus(1, 100, 10, 101, 22050, 261626, 0), 8), "object 1 has a loop outside its sound"},
        {file(index, gus(1, 100, 91, 90, 22050, 261626, 0), 8), "object 1 has a loop outside its sound"},
        {file(index, gus(1, 100, 10, 11, 22050, 261626, 4 | 1), 8), "object 1 has an empty loop"},
        {file(index, gus(1, 100, 10, 11, 22050, 261626, 4), 8), ""},
        {[&] {
             Bytes b = file(index, patch, 8);
             return b.resize(b.size() - 1), b;
         }(),
         "is truncated (object 1)"},
    };
    std::string path = ::testing::TempDir() + "patches.dat";
    for (const auto &c : cases) {
        writeFile(path, c.file);
        EXPECT_EQ(patchesProblem(path.c_str()), c.problem) << "case " << &c - cases;
    }
    EXPECT_EQ(patchesProblem("patches.dat"), "");  // the build's, its objects compressed
    Bytes built = readFile("patches.dat");
    built[43] = built[44] = 0xFF, built[45] = built[46] = 0;  // the index, compressed, says it unpacks to 64 KB
    writeFile(path, built);
    EXPECT_EQ(patchesProblem(path.c_str()), "object 0 is damaged");
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
