// The game frame: what start-up does and how the loop takes its ticks and
// ends. (The match reset, single key presses and the drawing helpers show in
// every tick and frame of the scripted game in test_screens.)
#include "support.h"

using namespace test;

// What start-up does beyond the start values of every global, which the
// scripted game in test_screens starts from.
TEST(StartUp, TheRealStartUpOpensTheWindowAndSetsTheVolumes) {
    useStandInSamples(false);
    shutdownGame();
    allegro_exit();
    initGame();
    remove_int(ticker);
    useStandInSamples(true);
    int music = -1, digital = -1;
    get_volume(&digital, &music);
    EXPECT_TRUE(digital == 255 && music == 150) << digital << ", " << music;
    EXPECT_TRUE(SCREEN_W == 320 && SCREEN_H == 240 && game_state == STATE_INTRO_DELAY);
    EXPECT_TRUE(r_midi >= 1 && r_midi <= 3) << r_midi;
    EXPECT_EQ(atLoad, (std::vector<int>{1, 1, 0, 0, 1, 0, 1, 0}));  // sound and music on, nobody won, first items
    BITMAP *black = create_bitmap(320, 240);
    clear_to_color(black, makecol(0, 0, 0));
    EXPECT_TRUE(frameHash(DoubleBuffer) == frameHash(black) && frameHash(Black) == frameHash(black));
    destroy_bitmap(black);
}

TEST_F(GameTest, APassRunsEveryPendingTickThenDrawsOneFrame) {
    ticks = 7;
    processGamePass();
    EXPECT_EQ(delay1, 93);
    EXPECT_EQ(ticks, 0);
    game_state = STATE_MENU;
    processGamePass();  // no tick due: it only draws
    EXPECT_EQ(game_state, STATE_MENU);
    EXPECT_EQ(getpixel(screen, 80, 95), makecol(220, 220, 220));  // the title's first stroke
    ticker();
    ticker();
    EXPECT_EQ(ticks, 2);
}

TEST_F(GameTest, TheCloseButtonOrASignalEndsTheLoopAfterItsPass) {
    for (bool closed : {true, false})
        for (int state : {STATE_PLAY, STATE_PAUSE, STATE_MENU, STATE_INTRO}) {
            resetGame();
            game_state = state;
            ticks = 2;
            if (closed) close_button_handler();
            else signal_caught = SIGTERM;
            processGamePass();
            EXPECT_EQ(game_state, STATE_QUIT) << state;
            EXPECT_EQ(ticks, 0) << state;  // the pass ran its ticks first
            EXPECT_EQ(exitStatus(), closed ? 0 : 143) << state;
        }
}
