// The built datafile: every entry of the right type and shape, fonts that
// take a colour and fit the game's fixed positions, tunes of the right
// length, sounds that are neither clipped nor silent. Also renders a few
// screens to PNG files under the build folder, for people to look at.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "support.h"

using namespace test;

TEST(Assets, SixteenEntriesOfTheRightTypes) {
    int count = 0;
    while (data[count].type != DAT_END) count++;
    EXPECT_EQ(count, 16);
    for (int i = 0; i < 8; i++) EXPECT_EQ(data[i].type, DAT_BITMAP) << i;
    EXPECT_EQ(data[8].type, DAT_FONT);
    EXPECT_EQ(data[9].type, DAT_FONT);
    for (int i = 11; i < 14; i++) EXPECT_EQ(data[i].type, DAT_MIDI) << i;
    EXPECT_EQ(data[14].type, DAT_SAMPLE);
    EXPECT_EQ(data[15].type, DAT_SAMPLE);
}

TEST(Assets, PictureSizes) {
    for (int i : {0, 1}) {
        EXPECT_EQ(bitmapEntry(i)->w, 320) << i;
        EXPECT_EQ(bitmapEntry(i)->h, 240) << i;
    }
    for (int i = 2; i < 6; i++) {
        EXPECT_EQ(bitmapEntry(i)->h, 60) << i;
        EXPECT_EQ(bitmapEntry(i)->w, 10) << i;  // left paddle 10..20, right 295..305: the hit faces
    }
    int mask = makecol(255, 0, 255);
    for (int i : {6, 7}) {
        BITMAP *b = bitmapEntry(i);
        EXPECT_EQ(b->w, 10);
        EXPECT_EQ(b->h, 10);
        EXPECT_EQ(getpixel(b, 0, 0), mask) << "round through the mask";
        EXPECT_EQ(getpixel(b, 9, 9), mask);
        EXPECT_NE(getpixel(b, 5, 5), mask);
    }
}

TEST(Assets, FontsTakeTheirColourAndFitTheirPlaces) {
    FONT *big = fontEntry(ASSET_FONT_BIG), *small = fontEntry(ASSET_FONT_SMALL);
    EXPECT_TRUE(is_mono_font(big));
    EXPECT_TRUE(is_mono_font(small));
    EXPECT_LT(75 + text_length(big, "RALLYTON"), 240);  // clear of "v1.1"
    EXPECT_NEAR(74 + text_length(big, "cpu wins"), 245, 12);
    EXPECT_GE(text_height(big), 20);
    EXPECT_LE(text_length(small, "sound:off"), 80);
    EXPECT_LT(160 + text_length(small, "music:off"), 240);
    EXPECT_NEAR(text_length(small, "x"), 8, 1);
    // Every printable character has a glyph with ink.
    BITMAP *b = create_bitmap(64, 64);
    for (FONT *f : {big, small})
        for (int ch = 33; ch <= 126; ch++) {
            clear_to_color(b, makecol(0, 0, 0));
            char text[2] = {static_cast<char>(ch), 0};
            textout_ex(b, f, text, 0, 0, makecol(255, 255, 255), -1);
            ASSERT_GT(countColour(b, 0, 0, 64, 64, {255, 255, 255}), 0) << "'" << text << "'";
        }
    destroy_bitmap(b);
}

TEST(Assets, TunesLastOneToTwoMinutes) {
    for (int i = 11; i < 14; i++) {
        int seconds = get_midi_length(static_cast<MIDI *>(data[i].dat));
        EXPECT_GE(seconds, 60) << i;
        EXPECT_LE(seconds, 120) << i;
    }
}

TEST(Assets, SoundsAreMonoSixteenBitNeitherClippedNorSilent) {
    for (int i : {14, 15}) {
        SAMPLE *s = sampleEntry(i);
        EXPECT_EQ(s->bits, 16);
        EXPECT_EQ(s->stereo, 0);
        const unsigned short *p = static_cast<const unsigned short *>(s->data);
        int peak = 0;
        for (unsigned long k = 0; k < s->len; k++) peak = std::max(peak, std::abs(int(p[k]) - 0x8000));
        EXPECT_LT(peak, 32767) << i;
        EXPECT_GT(peak, 8000) << i;
    }
    EXPECT_LT(sampleEntry(ASSET_SOUND_CLICK)->len, sampleEntry(ASSET_SOUND_HIT)->len);  // the click is the shorter
}

namespace {
void savePng(const std::string &name) {
    mkdir("screens", 0755);
    std::string bmp = "screens/" + name + ".bmp";
    ASSERT_EQ(save_bitmap(bmp.c_str(), screen, nullptr), 0);
    const char *convert = access("/usr/bin/convert", X_OK) == 0 ? "/usr/bin/convert" : "convert";
    std::string command = std::string(convert) + " " + bmp + " screens/" + name + ".png && rm " + bmp;
    EXPECT_EQ(std::system(command.c_str()), 0);
}
}  // namespace

TEST_F(GameTest, RendersScreensToPng) {
    game_state = STATE_MENU;
    drawFrame();
    savePng("title-menu");

    srand(3);
    game_state = STATE_PLAY;
    ball.setCoor(155, 115);
    ball.setVel(3, 0);
    ball.vy = -1.6;
    for (int i = 0; i < 45; i++) tick();
    drawFrame();
    savePng("rally");

    game_state = STATE_PAUSE;
    drawFrame();
    savePng("pause");

    game_state = STATE_INTRO;
    intro_trans = 256;
    drawFrame();
    savePng("intro");
}
