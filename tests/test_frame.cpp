// The game frame: what start-up does and how the loop takes its ticks and
// ends. (The match reset, single key presses and the drawing helpers show in
// every tick and frame of the scripted game in test_screens.)
#include "options.h"
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

// With --power-save a pass with no tick due rests and draws nothing; a pass
// with ticks runs them all and draws one frame, as without it.
TEST_F(GameTest, PowerSavingDrawsOnlyAfterTicks) {
    const int cases[][4] = {{0, 0, 0, 1}, {0, 3, 3, 1}, {1, 0, 0, 0}, {1, 1, 1, 1}, {1, 5, 5, 1}};
    for (auto &c : cases) {  // power_save, ticks due, ticks run, frames drawn
        resetGame();
        game_state = STATE_INTRO_DELAY, power_save = static_cast<unsigned char>(c[0]), ticks = c[1];
        clear_to_color(screen, makecol(255, 0, 255));  // a colour no frame of this state has
        processGamePass();
        EXPECT_EQ(INTRO_DELAY_TICKS - delay1, c[2]) << "case " << &c - cases;
        EXPECT_EQ(getpixel(screen, 0, 0) != makecol(255, 0, 255), c[3] == 1) << "case " << &c - cases;
    }
    power_save = 0;
}

// The enlarged picture: every pixel of the 1x frame an N x N block at the
// picture's corner, and nothing drawn outside it.
TEST_F(GameTest, AnEnlargedFrameIsTheFrameWithEveryPixelABlock) {
    game_state = STATE_PLAY;
    tick(40);  // the ball and its trail in flight
    BITMAP *window = screen;
    BITMAP *one = create_bitmap(FIELD_W, FIELD_H);
    drawFrame();
    blit(screen, one, 0, 0, 0, 0, FIELD_W, FIELD_H);
    const int cases[][3] = {{2, 0, 0}, {3, 0, 0}, {8, 0, 0}, {2, 5, 7}};  // zoom, picture x, y
    for (auto &c : cases) {
        zoom = c[0], picture_x = c[1], picture_y = c[2];
        screen = create_bitmap(FIELD_W * zoom + 2 * picture_x, FIELD_H * zoom + 2 * picture_y);
        clear_to_color(screen, makecol(0, 0, 0));
        drawFrame();
        int wrong = 0;
        for (int y = 0; y < screen->h; y++)
            for (int x = 0; x < screen->w; x++) {
                int fx = x - picture_x, fy = y - picture_y;
                bool inside = fx >= 0 && fy >= 0 && fx < FIELD_W * zoom && fy < FIELD_H * zoom;
                int want = inside ? getpixel(one, fx / zoom, fy / zoom) : makecol(0, 0, 0);
                wrong += getpixel(screen, x, y) != want;
            }
        EXPECT_EQ(wrong, 0) << "zoom " << zoom << " at " << picture_x << ", " << picture_y;
        destroy_bitmap(screen);
        screen = window;
    }
    zoom = 1, picture_x = picture_y = 0;
    destroy_bitmap(one);
}

TEST(Options, TheAutomaticZoomIsTheLargestWhoseWindowFitsWithRoomAround) {
    const int cases[][3] = {{1280, 1024, 3}, {1920, 1080, 4}, {3840, 2160, 8}, {7680, 4320, 8}, {640, 480, 1},
                            {656, 560, 2},   {655, 560, 1},   {656, 559, 1},   {100, 100, 1}};  // desktop, zoom
    for (auto &c : cases) EXPECT_EQ(autoScale(c[0], c[1]), c[2]) << c[0] << " x " << c[1];
}
