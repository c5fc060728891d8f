// The game frame: what start-up does and how the loop takes its ticks. (The
// match reset, single key presses and the drawing helpers show in every tick
// and frame of the scripted game in test_screens; how a signal or the close
// button ends the loop, with its status: signals.sh and e2e.sh.)
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>

#include "options.h"
#include "platform.h"
#include "screens.h"
#include "support.h"

using namespace test;

// What start-up does beyond the start values of every global, which the
// scripted game in test_screens starts from. The first track is drawn from
// the time the game starts at: a few starting times draw each of the three.
TEST(StartUp, TheRealStartUpOpensTheWindowSetsTheVolumesAndDrawsAnyTrack) {
    useStandInSamples(false);
    std::set<int> drawn;
    for (fakeTime = 1796000000; fakeTime < 1796000006; fakeTime++)  // December 2026
        shutdownGame(), allegro_exit(), initGame(), remove_int(ticker), drawn.insert(r_midi);
    fakeTime = 0, useStandInSamples(true);
    EXPECT_EQ(drawn, (std::set<int>{1, 2, 3}));
    int music = -1, digital = -1;
    get_volume(&digital, &music);
    EXPECT_TRUE(digital == 255 && music == 150) << digital << ", " << music;
    EXPECT_TRUE(SCREEN_W == 320 && SCREEN_H == 240 && game_state == STATE_INTRO_DELAY);
    EXPECT_EQ(atLoad, (std::vector<int>{1, 1, 0, 0, 1, 0, 1, 0}));  // sound and music on, nobody won, first items
}

// A pass runs every tick the timer counted, then draws one frame (a pass
// with none due only draws). With --power-save a pass with no tick due rests
// and draws nothing, and so does one whose ticks changed nothing.
TEST_F(GameTest, APassRunsEveryPendingTickThenDrawsAFrame) {
    const int cases[][4] = {{0, 0, 0, 1}, {0, 7, 7, 1}, {1, 0, 0, 0}, {1, 1, 1, 1}, {1, 5, 5, 1}};
    for (auto &c : cases) {  // power_save, ticks due, ticks run, frames drawn
        resetGame(), game_state = STATE_INTRO_DELAY, options.power_save = c[0] == 1;
        for (int t = 0; t < c[1]; t++) ticker();
        clear_to_color(screen, makecol(255, 0, 255));  // a colour no frame of this state has
        processGamePass();
        EXPECT_TRUE(INTRO_DELAY_TICKS - delay1 == c[2] && ticks == 0 &&
                    (getpixel(screen, 0, 0) != makecol(255, 0, 255)) == (c[3] == 1))
            << "case " << &c - cases << ": ran " << INTRO_DELAY_TICKS - delay1;
    }
    for (bool drawnOver : {false, true}) {  // the title at rest: no new frame unless the screen needs one
        resetGame(), game_state = STATE_MENU, options.power_save = true;
        ticker(), processGamePass(), clear_to_color(screen, makecol(255, 0, 255));
        if (drawnOver) screenChanged();
        ticker(), processGamePass();
        EXPECT_EQ(getpixel(screen, 0, 0) != makecol(255, 0, 255), drawnOver);
    }
    options.power_save = false;
}

// Up to MAX_CATCH_UP_TICKS pending ticks all run; more, after a stall, are
// dropped, and a match in a rally or a serve countdown waits in the pause
// screen, which P leaves for the state it paused. The window losing the
// focus (-1 ticks due) pauses it the same way.
TEST_F(GameTest, AStallOrTheFocusGonePausesTheMatch) {
    const int cases[][4] = {{STATE_PLAY, 50, 50, STATE_PLAY},         {STATE_PLAY, 51, 0, STATE_PAUSE},
                            {STATE_SERVE, 50, 50, STATE_SERVE},       {STATE_SERVE, 3000, 0, STATE_PAUSE},
                            {STATE_MENU, 51, 0, STATE_MENU},          {STATE_INTRO_DELAY, 90, 0, STATE_INTRO_DELAY},
                            {STATE_INTRO_DELAY, 50, 50, STATE_INTRO}, {STATE_PLAY, -1, 0, STATE_PAUSE},
                            {STATE_SERVE, -1, 0, STATE_PAUSE},        {STATE_GAME_OVER, -1, 0, STATE_GAME_OVER}};
    for (auto &c : cases) {  // the state, ticks due, ticks run, the state after
        resetGame(), game_state = c[0], between = SERVE_TICKS, delay1 = 49;
        ball.setCoor(250, 100), ball.setVel(-SERVE_SPEED, 0);  // a flight that meets nothing for 50 ticks
        if (c[1] < 0) focusLost();
        for (int t = 0; t < c[1]; t++) ticker();
        processGamePass();
        int ran = c[0] == STATE_PLAY          ? int(250 - ball.x) / SERVE_SPEED
                  : c[0] == STATE_SERVE       ? SERVE_TICKS - between
                  : c[0] == STATE_INTRO_DELAY ? (delay1 == 49 ? 0 : 50)
                                              : 0;
        EXPECT_TRUE(ran == c[2] && game_state == c[3] && ticks == 0)
            << "state " << c[0] << ", " << c[1] << " due: ran " << ran << ", state " << game_state;
        if (game_state != STATE_PAUSE) continue;
        key[KEY_P] = HELD, tick();
        EXPECT_EQ(game_state, c[0]) << "P after a stall in state " << c[0];
    }
}

// Only what changed is sent, and the screen always holds the whole frame
// enlarged, as stretch_blit would make it, wherever it stands: through the
// title's fade and menus, a fade into a match, a rally with both paddles
// moving, a pause and back, and after the screen was drawn over; what did
// not change is not sent again.
TEST_F(GameTest, OnlyWhatChangedIsSentAndTheScreenHoldsTheWholePicture) {
    BITMAP *window = screen;
    for (int n : {1, 3}) {
        resetGame(), zoom = n, picture_x = 5, picture_y = 3;
        screen = create_bitmap(FIELD_W * n + 9, FIELD_H * n + 7);
        BITMAP *want = create_bitmap(screen->w, screen->h);
        clear_to_color(screen, makecol(0, 0, 0)), clear_to_color(want, makecol(0, 0, 0)), screenChanged();
        game_state = STATE_TITLE_FADE_IN, title_trans = VEIL_BLACK;
        const int steps[][2] = {{0, 140},       {KEY_ENTER, 1}, {0, 3},       {KEY_RIGHT, 1},
                                {KEY_ENTER, 1}, {0, 460},       {KEY_UP, 60}, {KEY_S, 40},
                                {KEY_P, 1},     {0, 5},         {KEY_P, 1},   {KEY_DOWN, 30}};
        int frames = 0;
        for (auto &step : steps)  // a key held for some ticks, a frame after each
            for (int t = 0; t < step[1]; t++, frames++) {
                key[step[0]] = HELD, tick(), key[step[0]] = 0;
                if (frames == 600)  // drawn over: the margins too, the picture sent whole
                    for (BITMAP *b : {screen, want}) clear_to_color(b, makecol(255, 0, 255)), screenChanged();
                buildFrame();
                stretch_blit(DoubleBuffer, want, 0, 0, FIELD_W, FIELD_H, picture_x, picture_y, FIELD_W * n,
                             FIELD_H * n);
                blitBuffer();
                int differ = 0;
                for (int y = 0; y < screen->h; y++)
                    differ += std::memcmp(screen->line[y], want->line[y], sizeof(std::uint32_t) * screen->w) != 0;
                ASSERT_EQ(differ, 0) << "zoom " << n << ", frame " << frames << " (state " << game_state << ")";
            }
        EXPECT_EQ(game_state, STATE_PLAY);
        // Paused, the picture stands still: a mark on the screen stays, as
        // nothing is sent again, until the whole frame is asked for.
        key[KEY_P] = HELD, tick(), key[KEY_P] = 0, buildFrame(), blitBuffer();
        int mark = makecol(1, 2, 3);
        auto marked = [&] { return buildFrame(), blitBuffer(), getpixel(screen, picture_x, picture_y) == mark; };
        putpixel(screen, picture_x, picture_y, mark);
        EXPECT_TRUE(marked()) << "zoom " << n << ": an unchanged frame was sent";
        EXPECT_FALSE((screenChanged(), marked())) << "zoom " << n << ": the whole frame was not sent when asked";
        destroy_bitmap(want), destroy_bitmap(screen), screen = window;
    }
    zoom = 1, picture_x = picture_y = 0, screenChanged();
}

// Network play's corner line, at its widest, keeps to the status line's free
// corner: clear of the music's and the sound's words.
TEST_F(GameTest, TheConnectionLineKeepsToItsCorner) {
    game_state = STATE_PLAY, ball.setCoor(150, 20), buildFrame();
    BITMAP *without = create_bitmap(FIELD_W, FIELD_H);
    blit(DoubleBuffer, without, 0, 0, 0, 0, FIELD_W, FIELD_H);
    connection_note = "999 ms, guess 30", buildFrame(), connection_note.clear();
    int changed = 0, right = 0;
    for (int y = 0; y < FIELD_H; y++)
        for (int x = 0; x < FIELD_W; x++)
            if (getpixel(DoubleBuffer, x, y) != getpixel(without, x, y)) changed++, right = std::max(right, x);
    destroy_bitmap(without);
    EXPECT_TRUE(changed > 50 && right < 156)
        << changed << " pixels changed, up to x " << right << " (the music's words)";
}
