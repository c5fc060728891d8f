// The screens: a whole scripted game whose every tick and a frame every
// fourth tick are checked against its recording, and what that game does not
// reach: game over at ten all, the playlist's cycles, a pause as a track
// starts.
#include <stb_image_write.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <set>
#include <sstream>

#include "match.h"
#include "replay.h"
#include "support.h"

using namespace test;

// Ten points on both sides go to the left, which is checked first; then,
// at game over, the computer only coasts while the left paddle still answers.
TEST_F(GameTest, TenAllGoesToTheLeftAndAtGameOverTheComputerOnlyCoasts) {
    score[0] = score[1] = 10, tick();
    EXPECT_TRUE(game_state == STATE_GAME_OVER && winner == 1);
    // the ball far above and coming: it would pull up
    ball.y = 0, ball.dir = 0, CPU.vel = 2, P1.vel = 0, key[KEY_UP] = HELD, tick();
    EXPECT_DOUBLE_EQ(CPU.vel, 1.8);
    EXPECT_DOUBLE_EQ(P1.vel, -0.36);
}

// (Return on either item clicks: the scripted game hears it.)
TEST_F(GameTest, EscapeOnTheTitleMenuLeavesWithoutAClick) {
    game_state = STATE_MENU, key[KEY_ESC] = HELD, tick();
    EXPECT_TRUE(game_state == STATE_EXIT_FADE_OUT && !playing(ASSET_SOUND_CLICK));
}

TEST_F(GameTest, ThePlaylistPlaysEachTrackOncePerCycle) {
    srand(5), game_state = STATE_SERVE, r_midi = 2, tick();
    EXPECT_EQ(r_midi, 2);  // the track drawn at start-up comes first
    std::set<int> cycle{r_midi};
    for (int played = 1; played < 30; played++) {
        midi_seek(INT_MAX), tick();  // the player runs the track to its end, and stops
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
        resetGame(), game_state = STATE_PLAY, key[KEY_P] = beat ? 0 : HELD,
                     tick();  // midi is 0: this tick starts a track
        if (beat) midi_seek(beat), key[KEY_P] = HELD, tick();
        key[KEY_P] = 0, tick();
        int held = midi_pos;
        rest(1200);  // more than two beats of any track
        EXPECT_EQ(midi_pos, held) << beat;
        key[KEY_P] = HELD, tick();
        for (int ms = 0; ms < 3000 && midi_pos == held; ms += 2) rest(2);
        EXPECT_EQ(midi_pos, held + 1) << beat;
    }
}

// ---- a whole game, scripted ------------------------------------------------

namespace {

// The current state's frame, as it reached the screen.
std::uint64_t frameHash() {
    BITMAP *bmp = (drawProcess(), screen);
    std::uint64_t h = 14695981039346656037u;
    for (int y = 0; y < FIELD_H; y++)
        for (int x = 0; x < FIELD_W; x++) {
            int c = _getpixel32(bmp, x, y);
            h = (h ^ static_cast<std::uint64_t>(getr32(c) << 16 | getg32(c) << 8 | getb32(c))) * 1099511628211u;
        }
    return h;
}

// Everything a tick leaves that a player could see or hear: the match, the
// switches, the music and what was asked of its player, the sounds with
// their volume, pan and pitch, and the frame every fourth tick.
void record(std::uint64_t &h, int n) {
    int digital = 0, music = 0;
    get_volume(&digital, &music);
    std::vector<std::int64_t> seen = {std::int64_t(matchDigest(match)), thesound, thebg, midi, r_midi, shu_num};
    seen.insert(seen.end(), {shu_list[0], shu_list[1], shu_list[2], digital, music, playing(ASSET_SOUND_HIT),
                             playing(ASSET_SOUND_CLICK), n % 4 ? 0 : std::int64_t(frameHash())});
    seen.insert(seen.end(), musicCalls.begin(), musicCalls.end());
    musicCalls.clear();
    h = digestOf(reinterpret_cast<const unsigned char *>(seen.data()), seen.size() * sizeof seen[0], h);
}

const int TITLE_TICK = 1099, PICTURE_TICK = 14000;  // the title menu at rest; a rally, the ball in flight

// This frame as --scale N shows it, written as a PNG into the build folder:
// the title menu, which the Windows build must show pixel for pixel, and
// the README's picture, which must be the one kept in docs/ (when the
// game's look changes on purpose, copy the new one over).
void picture(int n, const char *name) {
    BITMAP *window = screen;
    zoom = n, screen = create_bitmap(FIELD_W * n, FIELD_H * n), screenChanged(), drawProcess();
    std::vector<unsigned char> rgb;
    for (int i = 0; i < screen->w * screen->h; i++) {
        int c = getpixel(screen, i % screen->w, i / screen->w);
        rgb.insert(rgb.end(), {std::uint8_t(getr(c)), std::uint8_t(getg(c)), std::uint8_t(getb(c))});
    }
    stbi_write_png(name, screen->w, screen->h, 3, rgb.data(), screen->w * 3);
    destroy_bitmap(screen), screen = window, zoom = 1, screenChanged();
}

}  // namespace

// The game as it was checked by hand: its inputs in tests/scripted-game.rly
// (a replay, whose own checkpoints must hold too) with the sound and music
// switches pressed at the ticks below, and what it did in
// tests/scripted-game.trace: every change of state or score, and the
// running digest every 500 ticks. In turn: the intro and the title at
// rest; the menus, each item and ESC back; a one-player match, its serve
// countdown and a rally with spin (the player steering after the ball),
// both switches; a pause, R in it, the switches; a restart the computer
// wins; two players, the right one winning; a restart the left one wins;
// back to the title and out. The trace's first line that is not the
// recording's says when and where the game went another way. Then each
// state of play must come back from its bytes, and the sync test runs on
// the game's inputs.
TEST_F(GameTest, AWholeScriptedGameMatchesItsRecording) {
    std::vector<unsigned char> bytes = readFile(SOURCE_DIR "/tests/scripted-game.rly");
    Recording game;
    ASSERT_EQ(decodeRecording(bytes.data(), bytes.size(), game), "");
    EXPECT_EQ(firstDisagreement(game), -1);
    const int KEYS[] = {KEY_P, KEY_R, KEY_ESC, KEY_ENTER, KEY_LEFT, KEY_RIGHT, KEY_UP, KEY_DOWN, KEY_W, KEY_S};
    const int switches[][2] = {{2270, KEY_1}, {2271, KEY_2}, {2604, KEY_1}, {2605, KEY_2}};
    srand(7), match.cpu_random = 7;  // the game as start-up leaves it, as it was recorded
    ASSERT_EQ(encodeMatch(match), encodeMatch(game.start)) << "the game no longer starts as it was recorded";
    std::uint64_t h = 14695981039346656037u;
    std::ostringstream trace;
    trace << std::setfill('0');
    int seen = -1, lost = -1;
    for (int n = 0; n < int(game.inputs.size()); n++) {
        for (int b = 0; b < PACKED_INPUT_BITS; b++) key[KEYS[b]] = game.inputs[n] >> b & 1 ? HELD : 0;  // packInput's
        key[KEY_1] = key[KEY_2] = 0;
        for (auto &s : switches) key[s[1]] |= s[0] == n ? HELD : 0;
        for (int entry : {ASSET_SOUND_HIT, ASSET_SOUND_CLICK}) stop_sample(sampleEntry(entry));
        tick();
        record(h, n);
        std::vector<unsigned char> state = encodeMatch(match);
        Match back;
        if (lost < 0 && game_state != STATE_QUIT &&
            (!decodeMatch(state.data(), state.size(), back) || matchDigest(back) != matchDigest(match)))
            lost = n;
        if (seen != (game_state << 16 | score[0] << 8 | score[1]))
            seen = game_state << 16 | score[0] << 8 | score[1],
            trace << "tick " << n << ": state " << game_state << ", score " << score[0] << "-" << score[1] << "\n";
        if (n % 500 == 0) trace << "tick " << n << ": digest " << std::hex << std::setw(16) << h << std::dec << "\n";
        if (n == TITLE_TICK) picture(1, "title-1x.png");
        if (n == PICTURE_TICK) picture(2, "rally-2x.png");
    }
    bytes = readFile(SOURCE_DIR "/tests/scripted-game.trace");
    std::istringstream now(trace.str()), then(std::string(bytes.begin(), bytes.end()));
    std::string a, b;
    while (a == b && !(now.eof() && then.eof())) std::getline(now, a), std::getline(then, b);
    std::ofstream("scripted-game.trace") << trace.str();
    EXPECT_EQ(a, b) << "the game goes another way than tests/scripted-game.trace first here (this run's trace is "
                       "scripted-game.trace in the build folder)";
    EXPECT_EQ(game_state, STATE_QUIT);
    // The same game with every tick rolled back 8 deep and run again: it
    // lands on the same state each time, or some state lives outside the match.
    EXPECT_EQ(syncTest(game.start, game.inputs, 8), -1);
    EXPECT_EQ(lost, -1) << "the match at this tick does not come back from its bytes";
    // A tick that keeps a count of its own, outside the match, is found out
    // at the tick its thousandth call runs: 2, 3, 4, then 5 calls a tick at
    // depth 4 make it the first run of tick 201.
    static int calls;
    calls = 0;
    auto counting = [](const TickInput &in) { advance(in), match.ball.x += ++calls == 1000; };
    EXPECT_EQ(syncTest(game.start, game.inputs, 4, counting), 201);
    EXPECT_TRUE(readFile("rally-2x.png") == readFile(SOURCE_DIR "/docs/rally-2x.png"))
        << "docs/rally-2x.png is not the game's picture: copy the new one from the build folder";
}
