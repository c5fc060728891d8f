// The screens: a whole scripted game whose every tick and a frame every
// fourth tick are checked against its recording, and what that game does not
// reach: game over against the computer, the playlist's cycles, a pause as a
// track starts, the sounds' volume, pan and pitch.
#include <stb_image_write.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "support.h"

using namespace test;

TEST_F(GameTest, AtGameOverTheComputerStopsSteering) {
    game_state = STATE_GAME_OVER;
    ball.y = 0, ball.dir = 0;  // far above and coming: it would pull up
    CPU.vel = 2;
    key[KEY_UP] = HELD;
    tick();
    EXPECT_DOUBLE_EQ(CPU.vel, 1.8);  // it only coasts
    EXPECT_DOUBLE_EQ(P1.vel, -0.36);  // the left paddle still answers
}

TEST_F(GameTest, TenPointsOnBothSidesGoToTheLeftWhichIsCheckedFirst) {
    score[0] = score[1] = 10;
    tick();
    EXPECT_TRUE(game_state == STATE_GAME_OVER && winner == 1);
}

TEST_F(GameTest, TheTitleMenuStartsOrExitsWithAClickOrLeavesWithout) {
    const int cases[][4] = {{0, KEY_ENTER, STATE_PLAYERS_MENU, 1},
                            {1, KEY_ENTER, STATE_EXIT_FADE_OUT, 1},
                            {0, KEY_ESC, STATE_EXIT_FADE_OUT, 0}};  // select, key, state, click
    for (auto &c : cases) {
        resetGame();
        game_state = STATE_MENU, rallyton::select = static_cast<unsigned char>(c[0]), key[c[1]] = HELD;
        tick();
        EXPECT_TRUE(game_state == c[2] && playing(ASSET_SOUND_CLICK) == c[3]) << "case " << &c - cases;
    }
}

TEST_F(GameTest, ThePlaylistPlaysEachTrackOncePerCycle) {
    srand(5);
    game_state = STATE_SERVE;
    r_midi = 2;
    tick();
    EXPECT_EQ(r_midi, 2);  // the track drawn at start-up comes first
    std::set<int> cycle{r_midi};
    for (int played = 1; played < 30; played++) {
        stop_midi();  // the track ends
        tick();
        if (cycle.size() == 3) cycle.clear();
        EXPECT_TRUE(cycle.insert(r_midi).second) << "track " << r_midi << " twice in a cycle";
        EXPECT_EQ(shu_num, static_cast<int>(cycle.size()));
    }
}

TEST_F(GameTest, APauseInTheTickATrackStartsStillResumesIt) {
    game_state = STATE_PLAY;  // midi is 0: this tick starts a track
    key[KEY_P] = HELD;
    tick();
    key[KEY_P] = 0;
    tick();
    rest(100);
    EXPECT_EQ(midi_pos, 0);  // halted before it began
    key[KEY_P] = HELD;
    tick();
    rest(300);
    EXPECT_GT(midi_pos, 0);
}

TEST_F(GameTest, SoundsPlayAtFullVolumeHardLeftAtTheirOwnPitch) {  // 1000: the sample's own
    for (int entry : {ASSET_SOUND_HIT, ASSET_SOUND_CLICK}) {
        playSound(entry);
        int v = 0;
        while (v < 256 && voice_check(v) != sampleEntry(entry)) v++;
        ASSERT_LT(v, 256) << entry;
        EXPECT_EQ(voice_get_volume(v), 255);
        EXPECT_EQ(voice_get_pan(v), 0);
        EXPECT_EQ(voice_get_frequency(v), sampleEntry(entry)->freq);
    }
}

// ---- a whole game, scripted ------------------------------------------------

namespace {

// A player steers after the ball while the other side holds its paddle at
// the wall (against the computer, S does nothing).
const int LEFT_PLAYS = -1, RIGHT_PLAYS = -2;

struct Step {
    int key, ticks;  // a key held for the ticks (0: none), or a way of playing
};

struct Chapter {
    const char *name;
    std::vector<Step> steps;
    std::uint64_t digest;  // as recorded from the game checked by hand
};

template <typename... Values>
void mix(std::uint64_t &h, Values... values) {
    for (double v : {double(values)...}) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        h = (h ^ bits) * 1099511628211u;
    }
}

// Everything a tick leaves that a player could see or hear, and the frame
// every fourth tick.
void record(std::uint64_t &h, int n) {
    int digital = 0, music = 0;
    get_volume(&digital, &music);
    mix(h, game_state, score[0], score[1], winner, between, delay1, delay2, intro, intro_trans, title_trans);
    mix(h, rallyton::select, selection_1[1], selection_2[1], p2, thesound, thebg, midi, r_midi, shu_num, music);
    mix(h, shu_list[0], shu_list[1], shu_list[2]);
    mix(h, midi_pos >= 0, playing(ASSET_SOUND_HIT), playing(ASSET_SOUND_CLICK), ball.passed, ball.dir);
    mix(h, P1.y, P1.vel, CPU.y, CPU.vel, ball.x, ball.y, ball.vx, ball.vy, n % 4 ? 0 : frameHash(drawFrame()));
}

// Follows the ball a little above or below it, so that the paddle is still
// moving when it hits and the return has spin.
void steer(int key1, int key2, const Pong &p, int n) {
    double target = ball.y + 5 + ((n / 150) % 2 ? 14 : -14);
    key[key1] = target < p.y + 22 ? HELD : 0;
    key[key2] = target > p.y + 38 ? HELD : 0;
}

const int PICTURE_TICK = 14000;  // a rally of the last match, the ball in flight

// The README's picture: this frame as --scale 2 shows it, kept as a PNG in
// docs/. When the game's look changes on purpose, the new picture is
// written into the build folder, to be copied over.
void checkPicture(const char *name) {
    BITMAP *window = screen;
    zoom = 2;
    screen = create_bitmap(FIELD_W * zoom, FIELD_H * zoom);
    drawFrame();
    std::vector<unsigned char> rgb;
    for (int y = 0; y < screen->h; y++)
        for (int x = 0; x < screen->w; x++) {
            int c = getpixel(screen, x, y);
            rgb.insert(rgb.end(), {static_cast<unsigned char>(getr(c)), static_cast<unsigned char>(getg(c)),
                                   static_cast<unsigned char>(getb(c))});
        }
    std::string made;
    stbi_write_png_to_func([](void *to, void *bytes,
                              int size) { static_cast<std::string *>(to)->append(static_cast<char *>(bytes), size); },
                           &made, screen->w, screen->h, 3, rgb.data(), screen->w * 3);
    std::ifstream kept(std::string(SOURCE_DIR "/docs/") + name, std::ios::binary);
    if (made != std::string(std::istreambuf_iterator<char>(kept), {})) {
        std::ofstream(name, std::ios::binary) << made;
        ADD_FAILURE() << "docs/" << name << " is not the game's picture: copy the new one from the build folder";
    }
    destroy_bitmap(screen);
    screen = window;
    zoom = 1;
}

}  // namespace

TEST_F(GameTest, AWholeScriptedGameMatchesItsRecording) {
    // clang-format off
    const Chapter chapters[] = {
        {"opening", {{0, 1100}}, 0x8751c4e58dcb7272},
        {"menus", {{KEY_RIGHT, 5}, {0, 2}, {KEY_LEFT, 1}, {0, 2}, {KEY_LEFT, 1}, {0, 2}, {KEY_RIGHT, 1}, {0, 2},
                   {KEY_ENTER, 1}, {0, 2}, {KEY_RIGHT, 1}, {0, 2}, {KEY_ESC, 1}, {0, 2}, {KEY_ENTER, 1}, {0, 2},
                   {KEY_ENTER, 1}, {0, 300}}, 0x3dde24a73c56ca7f},
        {"serve and rally", {{KEY_P, 1}, {KEY_UP, 40}, {0, 200}, {LEFT_PLAYS, 600}, {KEY_1, 1}, {KEY_2, 1},
                             {LEFT_PLAYS, 300}}, 0x7a9e7c5eb0d1c16b},
        {"pause", {{KEY_P, 1}, {0, 30}, {KEY_R, 1}, {KEY_1, 1}, {KEY_2, 1}, {KEY_P, 1}, {LEFT_PLAYS, 200}},
                   0x9c54abb040696f46},
        {"restart, the computer wins", {{KEY_R, 1}, {KEY_DOWN, 300}, {0, 5200}}, 0x56688e3b92266990},
        {"two players, the right wins", {{KEY_ESC, 1}, {0, 200}, {KEY_ENTER, 1}, {0, 2}, {KEY_RIGHT, 1},
                                         {KEY_ENTER, 1}, {0, 300}, {KEY_R, 1}, {0, 280}, {KEY_W, 20}, {KEY_S, 20},
                                         {RIGHT_PLAYS, 4000}},
                                         0xdc33e47f41f49eef},
        {"restart, the left wins", {{KEY_R, 1}, {LEFT_PLAYS, 4000}}, 0x7968ecfd7d504e2c},
        {"leave, exit", {{KEY_ESC, 1}, {0, 200}, {KEY_RIGHT, 1}, {KEY_ENTER, 1}, {0, 200}}, 0x3581b168dc77d6a9}
    };
    // clang-format on
    srand(7);
    int n = 0;
    for (const Chapter &chapter : chapters) {
        std::uint64_t h = 14695981039346656037u;
        for (const Step &step : chapter.steps)
            for (int t = 0; t < step.ticks; t++, n++) {
                if (step.key > 0) key[step.key] = HELD;
                if (step.key == LEFT_PLAYS) steer(KEY_UP, KEY_DOWN, P1, n), key[KEY_S] = HELD;
                if (step.key == RIGHT_PLAYS) steer(KEY_W, KEY_S, CPU, n), key[KEY_UP] = HELD;
                stop_sample(sampleEntry(ASSET_SOUND_HIT));
                stop_sample(sampleEntry(ASSET_SOUND_CLICK));
                tick();
                for (int k : {int(KEY_UP), int(KEY_DOWN), int(KEY_W), int(KEY_S), step.key}) key[k > 0 ? k : 0] = 0;
                record(h, n);
                if (n == PICTURE_TICK) checkPicture("rally-2x.png");
            }
        EXPECT_EQ(h, chapter.digest) << chapter.name << ": now 0x" << std::hex << h;
    }
    EXPECT_EQ(game_state, STATE_QUIT);
}
