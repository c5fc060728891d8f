// The game frame: what start-up does and how the loop takes its ticks and
// ends. (The match reset, single key presses and the drawing helpers show in
// every tick and frame of the scripted game in test_screens.)
#include <set>

#include "options.h"
#include "support.h"

using namespace test;

// What start-up does beyond the start values of every global, which the
// scripted game in test_screens starts from. The first track is drawn from
// the time the game starts at: a few starting times draw each of the three.
TEST(StartUp, TheRealStartUpOpensTheWindowSetsTheVolumesAndDrawsAnyTrack) {
    useStandInSamples(false);
    std::set<int> drawn;
    for (fakeTime = 1796000000; fakeTime < 1796000006; fakeTime++) {  // December 2026
        shutdownGame();
        allegro_exit();
        initGame();
        remove_int(ticker);
        drawn.insert(r_midi);
    }
    fakeTime = 0;
    useStandInSamples(true);
    EXPECT_EQ(drawn, (std::set<int>{1, 2, 3}));
    int music = -1, digital = -1;
    get_volume(&digital, &music);
    EXPECT_TRUE(digital == 255 && music == 150) << digital << ", " << music;
    EXPECT_TRUE(SCREEN_W == 320 && SCREEN_H == 240 && game_state == STATE_INTRO_DELAY);
    EXPECT_EQ(atLoad, (std::vector<int>{1, 1, 0, 0, 1, 0, 1, 0}));  // sound and music on, nobody won, first items
}

// The close button (0), or a signal raised for real through the handlers
// start-up installed.
TEST_F(GameTest, TheCloseButtonOrASignalEndsTheLoopAfterItsPass) {
    for (int sig : {0, SIGHUP, SIGINT, SIGQUIT, SIGTERM})
        for (int state : {STATE_PLAY, STATE_PAUSE, STATE_MENU, STATE_INTRO}) {
            resetGame();
            game_state = state;
            ticks = 2;
            if (sig) raise(sig);
            else close_button_handler();
            processGamePass();
            // ... after the pass has run its ticks
            EXPECT_TRUE(game_state == STATE_QUIT && ticks == 0 && exitStatus() == (sig ? 128 + sig : 0))
                << "signal " << sig << ", state " << state << ": state " << game_state << ", status " << exitStatus();
        }
}

// A pass runs every tick the timer counted, then draws one frame (a pass
// with none due only draws). With --power-save a pass with no tick due rests
// and draws nothing.
TEST_F(GameTest, APassRunsEveryPendingTickThenDrawsAFrame) {
    const int cases[][4] = {{0, 0, 0, 1}, {0, 7, 7, 1}, {1, 0, 0, 0}, {1, 1, 1, 1}, {1, 5, 5, 1}};
    for (auto &c : cases) {  // power_save, ticks due, ticks run, frames drawn
        resetGame();
        game_state = STATE_INTRO_DELAY, power_save = static_cast<unsigned char>(c[0]);
        for (int t = 0; t < c[1]; t++) ticker();
        clear_to_color(screen, makecol(255, 0, 255));  // a colour no frame of this state has
        processGamePass();
        EXPECT_TRUE(INTRO_DELAY_TICKS - delay1 == c[2] && ticks == 0) << "case " << &c - cases;
        EXPECT_EQ(getpixel(screen, 0, 0) != makecol(255, 0, 255), c[3] == 1) << "case " << &c - cases;
    }
    power_save = 0;
}

TEST(Options, TheAutomaticZoomIsTheLargestWhoseWindowFitsWithRoomAround) {
    const int cases[][3] = {{1280, 1024, 3}, {1920, 1080, 4}, {3840, 2160, 8}, {7680, 4320, 8}, {640, 480, 1},
                            {656, 560, 2},   {655, 560, 1},   {656, 559, 1},   {100, 100, 1}};  // desktop, zoom
    for (auto &c : cases) EXPECT_EQ(autoScale(c[0], c[1]), c[2]) << c[0] << " x " << c[1];
}
