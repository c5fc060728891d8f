// The screens: a whole scripted game whose every tick and a frame every
// fourth tick are checked against its recording, and what that game does not
// reach: game over against the computer, the playlist's cycles, a pause as a
// track starts, the sounds' volume, pan and pitch.
#include <stb_image_write.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "support.h"

using namespace test;

// Ten points on both sides go to the left, which is checked first; then,
// at game over, the computer only coasts while the left paddle still answers.
TEST_F(GameTest, TenAllGoesToTheLeftAndAtGameOverTheComputerOnlyCoasts) {
    score[0] = score[1] = 10;
    tick();
    EXPECT_TRUE(game_state == STATE_GAME_OVER && winner == 1);
    ball.y = 0, ball.dir = 0;  // far above and coming: it would pull up
    CPU.vel = 2, P1.vel = 0, key[KEY_UP] = HELD;
    tick();
    EXPECT_DOUBLE_EQ(CPU.vel, 1.8);
    EXPECT_DOUBLE_EQ(P1.vel, -0.36);
}

// (Return on either item clicks: the scripted game hears it.)
TEST_F(GameTest, EscapeOnTheTitleMenuLeavesWithoutAClick) {
    game_state = STATE_MENU, key[KEY_ESC] = HELD;
    tick();
    EXPECT_TRUE(game_state == STATE_EXIT_FADE_OUT && !playing(ASSET_SOUND_CLICK));
}

TEST_F(GameTest, ThePlaylistPlaysEachTrackOncePerCycle) {
    srand(5);
    game_state = STATE_SERVE;
    r_midi = 2;
    tick();
    EXPECT_EQ(r_midi, 2);  // the track drawn at start-up comes first
    std::set<int> cycle{r_midi};
    for (int played = 1; played < 30; played++) {
        midi_seek(INT_MAX);  // the player runs the track to its end, and stops
        tick();
        if (cycle.size() == 3) cycle.clear();
        EXPECT_TRUE(cycle.insert(r_midi).second) << "track " << r_midi << " twice in a cycle";
        EXPECT_EQ(shu_num, static_cast<int>(cycle.size()));
    }
}

// P holds the track where it is and P again goes on from there, within a
// beat: paused in the tick it starts (before the player's first run, which
// would leave it no speed to resume at) and in its middle.
TEST_F(GameTest, APausedTrackGoesOnWhereItStopped) {
    for (int beat : {0, 40}) {
        resetGame();
        game_state = STATE_PLAY;  // midi is 0: this tick starts a track
        key[KEY_P] = beat ? 0 : HELD;
        tick();
        if (beat) midi_seek(beat), key[KEY_P] = HELD, tick();
        key[KEY_P] = 0;
        tick();
        int held = midi_pos;
        rest(100);
        EXPECT_EQ(midi_pos, held) << beat;
        key[KEY_P] = HELD;
        tick();
        for (int ms = 0; ms < 3000 && midi_pos == held; ms += 2) rest(2);
        EXPECT_EQ(midi_pos, held + 1) << beat;
    }
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
    mix(h, shu_list[0], shu_list[1], shu_list[2], digital, musicCalls.size());
    for (int call : musicCalls) mix(h, call);
    musicCalls.clear();
    mix(h, playing(ASSET_SOUND_HIT), playing(ASSET_SOUND_CLICK), ball.passed, ball.dir);
    mix(h, P1.y, P1.vel, CPU.y, CPU.vel, ball.x, ball.y, ball.vx, ball.vy, n % 4 ? 0 : frameHash(drawFrame()));
}

// Follows the ball a little above or below it, so that the paddle is still
// moving when it hits and the return has spin.
void steer(int key1, int key2, const Pong &p, int n) {
    double target = ball.y + 5 + ((n / 150) % 2 ? 14 : -14);
    key[key1] = target < p.y + 22 ? HELD : 0;
    key[key2] = target > p.y + 38 ? HELD : 0;
}

const int TITLE_TICK = 1099, PICTURE_TICK = 14000;  // the title menu at rest; a rally, the ball in flight

// This frame as --scale N shows it, written as a PNG into the build folder:
// the title menu, which the Windows build must show pixel for pixel, and
// the README's picture, which must be the one kept in docs/ (when the
// game's look changes on purpose, copy the new one over).
void picture(int n, const char *name) {
    BITMAP *window = screen;
    zoom = n, screen = create_bitmap(FIELD_W * n, FIELD_H * n);
    screenChanged();
    drawFrame();
    std::vector<unsigned char> rgb;
    for (int i = 0; i < screen->w * screen->h; i++) {
        int c = getpixel(screen, i % screen->w, i / screen->w);
        rgb.insert(rgb.end(), {std::uint8_t(getr(c)), std::uint8_t(getg(c)), std::uint8_t(getb(c))});
    }
    stbi_write_png(name, screen->w, screen->h, 3, rgb.data(), screen->w * 3);
    destroy_bitmap(screen), screen = window, zoom = 1;
    screenChanged();
}

}  // namespace

TEST_F(GameTest, AWholeScriptedGameMatchesItsRecording) {
    // clang-format off
    const Chapter chapters[] = {
        {"opening", {{0, 1100}}, 0x5ba17645c06244a8},
        {"menus", {{KEY_RIGHT, 5}, {0, 2}, {KEY_LEFT, 1}, {0, 2}, {KEY_LEFT, 1}, {0, 2}, {KEY_RIGHT, 1}, {0, 2},
                   {KEY_ENTER, 1}, {0, 2}, {KEY_RIGHT, 1}, {0, 2}, {KEY_ESC, 1}, {0, 2}, {KEY_ENTER, 1}, {0, 2},
                   {KEY_ENTER, 1}, {0, 300}}, 0x262e7e485e2c93f7},
        {"serve and rally", {{KEY_P, 1}, {KEY_UP, 40}, {0, 200}, {LEFT_PLAYS, 600}, {KEY_1, 1}, {KEY_2, 1},
                             {LEFT_PLAYS, 300}}, 0x8b03840224e9e08c},
        {"pause", {{KEY_P, 1}, {0, 30}, {KEY_R, 1}, {KEY_1, 1}, {KEY_2, 1}, {KEY_P, 1}, {LEFT_PLAYS, 200}},
                   0x2fe30c1a08af1559},
        {"restart, the computer wins", {{KEY_R, 1}, {KEY_DOWN, 300}, {0, 5200}}, 0xebaadb23caa36112},
        {"two players, the right wins", {{KEY_ESC, 1}, {0, 200}, {KEY_ENTER, 1}, {0, 2}, {KEY_RIGHT, 1},
                                         {KEY_ENTER, 1}, {0, 300}, {KEY_R, 1}, {0, 280}, {KEY_W, 20}, {KEY_S, 20},
                                         {RIGHT_PLAYS, 4000}},
                                         0xf8a4c456ce8731aa},
        {"restart, the left wins", {{KEY_R, 1}, {LEFT_PLAYS, 4000}}, 0x3a32cc47172f32fa},
        {"leave, exit", {{KEY_ESC, 1}, {0, 200}, {KEY_RIGHT, 1}, {KEY_ENTER, 1}, {0, 200}}, 0xa4320ffc4e3eb40b}
    };
    // clang-format on
    srand(7), match.cpu_random = 7;
    int n = 0;
    // A readable trace beside the digests: every change of state or score,
    // and each chapter's digest every 500 ticks. Its first line that is not
    // the recording's says when and where the game went another way.
    std::string trace;
    int seen[3] = {-1, -1, -1};
    for (const Chapter &chapter : chapters) {
        std::uint64_t h = 14695981039346656037u;
        trace += std::string("chapter ") + chapter.name + "\n";
        for (const Step &step : chapter.steps)
            for (int t = 0; t < step.ticks; t++, n++) {
                if (step.key > 0) key[step.key] = HELD;
                if (step.key == LEFT_PLAYS) steer(KEY_UP, KEY_DOWN, P1, n), key[KEY_S] = HELD;
                if (step.key == RIGHT_PLAYS) steer(KEY_W, KEY_S, CPU, n), key[KEY_UP] = HELD;
                for (int entry : {ASSET_SOUND_HIT, ASSET_SOUND_CLICK}) stop_sample(sampleEntry(entry));
                tick();
                for (int k : {int(KEY_UP), int(KEY_DOWN), int(KEY_W), int(KEY_S), step.key}) key[k > 0 ? k : 0] = 0;
                record(h, n);
                char line[96];
                if (seen[0] != game_state || seen[1] != score[0] || seen[2] != score[1]) {
                    seen[0] = game_state, seen[1] = score[0], seen[2] = score[1];
                    std::snprintf(line, sizeof line, "tick %d: state %d, score %d-%d\n", n, game_state, score[0],
                                  score[1]);
                    trace += line;
                }
                if (n % 500 == 0)
                    std::snprintf(line, sizeof line, "tick %d: digest %016llx\n", n,
                                  static_cast<unsigned long long>(h)),
                        trace += line;
                if (n == TITLE_TICK) picture(1, "title-1x.png");
                if (n == PICTURE_TICK) picture(2, "rally-2x.png");
            }
        EXPECT_EQ(h, chapter.digest) << chapter.name << ": the digest is not the recording's (see the trace)";
    }
    std::vector<unsigned char> bytes = readFile(SOURCE_DIR "/tests/scripted-game.trace");
    std::string recorded(bytes.begin(), bytes.end());
    std::size_t at = 0;  // the first line that differs
    while (at < trace.size() && at < recorded.size() && trace[at] == recorded[at]) at++;
    at = trace.rfind('\n', at == 0 ? 0 : at - 1);
    at = at == std::string::npos ? 0 : at + 1;
    auto lineAt = [](const std::string &text, std::size_t from) {
        return from >= text.size() ? std::string("(the end)") : text.substr(from, text.find('\n', from) - from);
    };
    std::FILE *f = std::fopen("scripted-game.trace", "w");
    if (f) std::fputs(trace.c_str(), f), std::fclose(f);
    EXPECT_TRUE(trace == recorded) << "the game goes another way than tests/scripted-game.trace first at\n  now:      "
                                   << lineAt(trace, at) << "\n  recorded: " << lineAt(recorded, at)
                                   << "\n(this run's trace is scripted-game.trace in the build folder)";
    EXPECT_EQ(game_state, STATE_QUIT);
    EXPECT_TRUE(readFile("rally-2x.png") == readFile(SOURCE_DIR "/docs/rally-2x.png"))
        << "docs/rally-2x.png is not the game's picture: copy the new one from the build folder";
}
