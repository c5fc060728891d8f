// The datafile: the check that guards Allegro's loader, drawing and MIDI
// player, tried on the built data/data.dat and on copies of it spliced, cut
// and bent out of shape, field by field; the same for the instruments; and
// what no frame shows of the built tunes and sounds.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "datacheck.h"
#include "instruments.h"
#include "support.h"

using namespace test;
using Bytes = std::vector<unsigned char>;

namespace {

std::uint32_t be32(const unsigned char *p) { return std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }
void put32(Bytes &b, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<unsigned char>(v >> shift));
}

// One object of the stream: its properties and type, then its body.
// clang-format off
struct Object { Bytes head, body; };
// clang-format on

// The built file's stream (after the "slh." magic), object by object.
std::vector<Object> gameObjects() {
    Bytes b = readFile("data/data.dat");
    std::vector<Object> objects;
    std::size_t at = 12;
    for (std::uint32_t i = 0; i < be32(&b[8]); i++) {
        std::size_t start = at;
        while (be32(&b[at]) == DAT_PROPERTY) at += 12 + be32(&b[at + 8]);
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

// Bytes written as hex digits, spaces for reading; "EOT" ends a MIDI track.
Bytes hex(std::string text) {
    for (std::size_t at; (at = text.find("EOT")) != std::string::npos;) text.replace(at, 3, "00FF2F00");
    Bytes b;
    for (std::size_t i = 0; i < text.size(); i++)
        if (text[i] != ' ') b.push_back(static_cast<unsigned char>(std::stoi(text.substr(i++, 2), nullptr, 16)));
    return b;
}
// A MIDI body: its division, then one track in the first of its 32 slots.
Bytes tune(const char *division, const char *track) {
    Bytes t = hex(track), b = hex(division);
    put32(b, static_cast<std::uint32_t>(t.size())), b.insert(b.end(), t.begin(), t.end());
    for (int i = 1; i < 32; i++) put32(b, 0);
    return b;
}

}  // namespace

// The built stream as it is, with anything at the entry the game never
// reads, with one entry more; then a sprite, one entry short, each kind of
// entry where another is wanted, the background a pixel too narrow or too
// low, each kind of body a byte short of its header or of what its first
// field says, the stream cut, its magic or an entry's sizes bent. Then what
// the library's loader, its text drawing and its MIDI player take on trust,
// field by field, each body good but for one field. Every stream is also
// written to fuzz-seeds/, the fuzzer's seeds.
TEST(DatafileCheck, NamesWhatIsWrongWithAStream) {
    const std::vector<Object> game = gameObjects();
    ASSERT_EQ(game.size(), 16u);
    const Bytes whole = stream(game);
    const std::size_t size0 = 8 + game[0].head.size();  // where entry 0's two sizes are
    auto with = [&](std::size_t entry, const Object &o) {
        std::vector<Object> v = game;
        return v[entry] = o, stream(v);
    };
    auto body = [&](std::size_t entry, const Bytes &b) { return with(entry, {game[entry].head, b}); };
    // the body one byte short of what its header promises; bytes written over others at AT; the body's first field
    auto shorter = [&](std::size_t e) { return body(e, Bytes(game[e].body.begin(), game[e].body.end() - 1)); };
    auto over = [](Bytes b, std::size_t at, const char *bytes) {
        Bytes f = hex(bytes);
        return std::copy(f.begin(), f.end(), b.begin() + long(at)), b;
    };
    auto recoded = [&](std::size_t entry, const char *field) { return body(entry, over(game[entry].body, 0, field)); };
    Object sprite = game[ASSET_BALL_LEFT];
    std::copy_n("RLE ", 4, sprite.head.end() - 4);
    std::vector<Object> fifteen(game.begin(), game.end() - 1), seventeen = game;
    seventeen.push_back(game[ASSET_SOUND_HIT]);
    const std::string F = "0000 0001 01 00000020 00000020 ", G = " 000000000000000000";  // a font of one glyph
    const int FONT = ASSET_FONT_SMALL, TUNE = ASSET_TUNE_MELLOW, SOUND = ASSET_SOUND_CLICK, BMP = ASSET_BALL_LEFT;
    const std::string E7 = "entry 7 is damaged (", E9 = "entry 9 is damaged (", E12 = "entry 12 is damaged (",
                      E15 = "entry 15 is damaged (", T0 = E12 + "track 0: ";
    // clang-format off
    const struct { Bytes stream; std::string problem; } cases[] = {
        {whole, ""}, {with(ASSET_ABOUT, game[ASSET_TABLE]), ""}, {stream(seventeen), ""},
        {with(ASSET_ABOUT, sprite), "entry 10 is a sprite, which the game never uses"},
        {stream(fifteen), "holds 15 entries; the game needs 16"},
        {with(ASSET_FONT_SMALL, game[ASSET_PADDLE_LEFT]), "entry 9 should be a font"},
        {with(ASSET_PADDLE_RIGHT, game[ASSET_FONT_BIG]), "entry 3 should be a bitmap"},
        {with(ASSET_TUNE_MELLOW, game[ASSET_SOUND_HIT]), "entry 12 should be a MIDI track"},
        {with(ASSET_SOUND_CLICK, game[ASSET_TUNE_BRIGHT]), "entry 15 should be a sample"},
        {recoded(ASSET_TABLE, "0018 013F 00F0"), "entry 0 should be a 320 x 240 bitmap, not 319 x 240"},
        {recoded(ASSET_TABLE, "0018 0140 00EF"), "entry 0 should be a 320 x 240 bitmap, not 320 x 239"},
        {shorter(ASSET_BALL_LEFT), "entry 7 is damaged (its pixels run past its end)"},
        {recoded(ASSET_BALL_RIGHT, "FFE0"), "entry 6 is damaged (its pixels run past its end)"},  // 32-bit pixels
        {recoded(ASSET_SOUND_HIT, "FFF0"), "entry 14 is damaged (its sound runs past its end)"},  // stereo
        {shorter(ASSET_FONT_BIG), "entry 8 is damaged (its glyphs run past its end)"},
        {shorter(ASSET_TUNE_DRIVING), "entry 13 is damaged (its tracks run past its end)"},
        {Bytes(whole.begin(), whole.begin() + 7), "is truncated"}, {over(whole, 0, "00"), "is not an Allegro datafile"},
        {Bytes(&whole[0], &whole[whole.size() / 2]), "is truncated (entry 1 runs past the end of the file)"},
        {over(whole, size0, "00038407"), "entry 0 has a damaged header"},  // its packed size one more than its size
        {over(whole, size0 + 4, "FFFFFFFF"),
         "entry 0 is compressed (pack the datafile without per-object compression)"},
        {body(FONT, hex(F + "0005 0009" + G)), ""}, {body(FONT, hex("0000 0000")), E9 + "a font of 0 ranges)"},
        {body(FONT, hex("0000 0001 FF 00000020 00000021 0001 0001 00 0001 0001 00")), ""},
        {body(FONT, hex("0008" + F.substr(4) + "0005 0009" + G)), E9 + "a font of an old kind)"},
        {body(FONT, hex("0000 0001 00 00000020 00000020 0001 0001 00")), E9 + "a font range in colour)"},
        {body(FONT, hex("0000 0002 01 00000020 00000020 0001 0001 00 10 00000021 00000021 0001 0001 00")),
         E9 + "a font range in colour)"},  // the library would draw the first range as colour
        {body(FONT, hex("0000 0001 01 00000021 00000020")), E9 + "a font range from 33 to 32)"},
        {body(FONT, hex("0000 0001 01 00000000 00010000")), E9 + "a font range from 0 to 65536)"},
        {body(FONT, hex(F + "0000 0009" + G)), E9 + "glyph 32 is 0 x 9 pixels)"},
        {body(FONT, hex(F + "0005 0000" + G)), E9 + "glyph 32 is 5 x 0 pixels)"},
        {body(FONT, hex(F + "0081 0009" + G)), E9 + "glyph 32 is 129 x 9 pixels)"},
        {body(FONT, hex("0000 0002 01 00000020 00000020 0001 0001 00")), E9 + "its ranges run past its end)"},
        {body(SOUND, hex("0008 5622 00000001 80")), ""}, {body(SOUND, hex("FFF0 5622 00000001 0080 0080")), ""},
        {body(SOUND, hex("000C 5622 00000001 0080")), E15 + "a sample of 12 bits)"},
        {body(SOUND, hex("0008 0000 00000001 80")), E15 + "a sample at 0 Hz)"},
        {body(SOUND, hex("0008 5622 00000000")), E15 + "an empty sample)"},
        {body(SOUND, hex("FFF0 5622 00000001 0080 00")), E15 + "its sound runs past its end)"},
        {body(BMP, hex("0010 0001 0001 0000")), ""}, {body(BMP, hex("0018 0000 0001")), E7 + "a bitmap 0 x 1 pixels)"},
        {body(BMP, hex("FFE8 0001 0001 00000000")), E7 + "a bitmap of -24 bits a pixel)"},
        {body(TUNE, tune("0060", "00 C0 50 00 90 3C 40 60 3C 00 00 D0 40 EOT")), ""},  // running status after a note
        {body(TUNE, tune("0060", "00 F0 01 F7 00 FF 51 03 07A120 EOT")), ""},
        {body(TUNE, tune("0000", "EOT")), E12 + "a division of 0)"},
        {body(TUNE, tune("FFA0", "EOT")), E12 + "a division of 65440)"},  // SMPTE time
        {body(TUNE, tune("0060", "")), E12 + "a MIDI file without tracks)"},
        {body(TUNE, tune("0060", "00 90 3C 40")), T0 + "no end-of-track event)"},
        {body(TUNE, tune("0060", "00 C0 80 EOT")), T0 + "a data byte of 128 or more at byte 1)"},
        {body(TUNE, tune("0060", "00 3C 40 EOT")), T0 + "a data byte where a status is needed at byte 1)"},
        {body(TUNE, tune("0060", "00 F4 EOT")), T0 + "an event the player does not know (244) at byte 1)"},
        {body(TUNE, tune("0060", "00 FF 01 7F EOT")), T0 + "a meta event past the track's end at byte 1)"},
        {body(TUNE, tune("0060", "00 F0 7F EOT")), T0 + "a system-exclusive event past the track's end at byte 1)"},
        {body(TUNE, tune("0060", "00 FF 51 02 0102 EOT")), T0 + "a tempo event of 2 bytes at byte 1)"},
        {body(TUNE, tune("0060", "00 FF 7F 00 00 C0 7F EOT")), ""},  // the highest meta type, the highest data byte
        {body(TUNE, tune("0060", "00 FF 80 00 EOT")), T0 + "a meta event past the track's end at byte 1)"},
        {body(TUNE, tune("0060", "00 FF 01 02 4142")), T0 + "no end-of-track event)"},  // a meta event to the very end
        {body(TUNE, tune("0060", "00 90 3C 40 FFFFFF7F 80 3C 00 EOT")), T0 + "a track longer than 10000 beats)"},
        {body(TUNE, tune("0060", "8000 90 3C 40 EOT")), T0 + "a first time of more than one byte)"},
        {body(TUNE, tune("0060", "00 90 3C 40 FFFFFFFF7F EOT")),
         T0 + "a time that runs past the track's end or over four bytes at byte 4)"},
        {body(TUNE, tune("0001", "00 90 3C 40 CE11 80 3C 00 EOT")), T0 + "a track longer than 10000 beats)"},
        {body(TUNE, tune("0001", "00 90 3C 40 CE10 80 3C 00 EOT")), ""},  // 10000 beats
        {body(TUNE, tune("0060", "00 90 3C 40 EOT 00")), T0 + "bytes after its end-of-track event)"},
    };
    // clang-format on
    std::filesystem::create_directories("fuzz-seeds");
    for (const auto &c : cases) {
        EXPECT_EQ(datafileStreamProblem(c.stream.data(), c.stream.size()), c.problem) << "case " << &c - cases;
        writeFile("fuzz-seeds/" + std::to_string(&c - cases), c.stream);
    }
}

// The software synth's instruments: a datafile of an index and GUS patches,
// made here field by field. (The build's own, whose objects are compressed,
// and one damaged: start-up.sh.)
TEST(DatafileCheck, LooksInsideTheInstruments) {
    auto gus = [](int layers, std::uint32_t length, std::uint32_t loopStart, std::uint32_t loopEnd, std::uint32_t freq,
                  std::uint32_t base, int mode) {
        Bytes b(239, 0);
        std::memcpy(b.data(), "GF1PATCH110\0ID#000002\0", 22), b[198] = Bytes::value_type(layers);
        for (int i = 0; i < layers; i++) {
            Bytes layer(96 + length, 0x80);  // its header, then its sound
            std::fill_n(layer.begin(), 96, 0), layer[55] = Bytes::value_type(mode);
            std::uint32_t fields[][2] = {{8, length}, {12, loopStart}, {16, loopEnd}, {20, freq}, {30, base}};
            for (auto &f : fields)
                for (int k = 0; k < 4; k++) layer[f[0] + std::uint32_t(k)] = Bytes::value_type(f[1] >> (8 * k));
            b.insert(b.end(), layer.begin(), layer.end());
        }
        return b;
    };
    auto file = [](const Bytes &index, const Bytes &patch, std::uint32_t nameSize = 8) {  // the index named
        Object named{{}, index}, instrument{{}, patch};
        for (std::uint32_t v : {std::uint32_t(DAT_PROPERTY), std::uint32_t(DAT_NAME), nameSize}) put32(named.head, v);
        named.head.resize(named.head.size() + nameSize, 'a'), put32(named.head, DAT_DATA);
        Bytes b, s = (put32(instrument.head, DAT_PATCH), stream({named, instrument}));
        return put32(b, F_NOPACK_MAGIC), b.insert(b.end(), s.begin(), s.end()), b;
    };
    auto text = [](const char *t) { return Bytes(t, t + std::strlen(t)); };
    const Bytes index = text("1 piano\n129 begin_multipatch\n36 kick\nend_multipatch\n");
    const Bytes patch = gus(2, 100, 10, 90, 22050, 261626, 4 | 1), cut = file(index, patch);
    // clang-format off
    const struct { Bytes file; std::string problem; } cases[] = {
        // clang-format on
        {file(index, patch), ""},
        {file(index, patch, 1023), ""},
        {file(index, patch, 1024), "object 0 has a name of 1024 bytes"},
        {file(text("130 begin_multipatch\n"), patch), "object 0 puts the drums at 130"},
        {file(text("0 begin_multipatch\n"), patch), "object 0 puts the drums at 0"},
        {file(index, Bytes(239, 0)), "object 1 is not a GUS patch"},
        {file(index, gus(0, 100, 0, 0, 22050, 261626, 0)), "object 1 has no sound"},
        {file(index, gus(1, 100, 10, 90, 0, 261626, 0)), "object 1 has a sound at 0 Hz"},
        {file(index, gus(1, 100, 10, 90, 22050, 0, 0)), "object 1 has a sound at 0 Hz"},
        {file(index, gus(1, 100, 10, 101, 22050, 261626, 0)), "object 1 has a loop outside its sound"},
        {file(index, gus(1, 100, 91, 90, 22050, 261626, 0)), "object 1 has a loop outside its sound"},
        {file(index, gus(1, 100, 10, 11, 22050, 261626, 4 | 1)), "object 1 has an empty loop"},
        {file(index, gus(1, 100, 10, 11, 22050, 261626, 4)), ""},
        {Bytes(cut.begin(), cut.end() - 1), "is truncated (object 1)"},
    };
    std::string path = ::testing::TempDir() + "patches.dat";
    for (const auto &c : cases)
        EXPECT_EQ((writeFile(path, c.file), patchesProblem(path.c_str())), c.problem) << "case " << &c - cases;
}

// What no frame of the scripted game shows: each tune lasts about a minute
// and a half, and both sounds are 16-bit mono with headroom.
TEST(Assets, TheTunesLastAndTheSoundsLeaveHeadroom) {
    DATAFILE *d = load_datafile("data/data.dat");
    ASSERT_NE(d, nullptr);
    for (int e : {ASSET_TUNE_BRIGHT, ASSET_TUNE_MELLOW, ASSET_TUNE_DRIVING})
        EXPECT_NEAR(get_midi_length(static_cast<MIDI *>(d[e].dat)), 90, 30) << e;
    for (int e : {ASSET_SOUND_HIT, ASSET_SOUND_CLICK}) {
        SAMPLE *s = static_cast<SAMPLE *>(d[e].dat);
        int peak = 0;
        for (unsigned long k = 0; k < s->len; k++)
            peak = std::max(peak, std::abs(static_cast<const unsigned short *>(s->data)[k] - 0x8000));
        EXPECT_TRUE(s->bits == 16 && !s->stereo && peak > 8000 && peak < 14000) << e << ": " << peak;
    }
    unload_datafile(d);
}
