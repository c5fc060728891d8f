// The game frame: the loop's tick accounting, start-up values, the match
// reset, single key presses and the drawing helpers, as pixels.
#include "support.h"

using namespace test;

// ---- the loop -------------------------------------------------------------

TEST_F(GameTest, PendingTicksAllRunBeforeOneFrame) {
    ticks = 7;
    clear_to_color(screen, makecol(255, 0, 0));
    processGamePass();
    EXPECT_EQ(delay1, 93);
    EXPECT_EQ(ticks, 0);
    EXPECT_TRUE(allBlack(screen));  // the intro delay's frame reached the screen
}

TEST_F(GameTest, PassWithNoTickOnlyDraws) {
    game_state = STATE_MENU;
    clear_to_color(screen, makecol(0, 0, 0));
    processGamePass();
    EXPECT_EQ(delay1, 100);
    EXPECT_EQ(game_state, STATE_MENU);
    EXPECT_FALSE(allBlack(screen));  // the title menu was drawn
}

TEST_F(GameTest, ExitFadeEndingRunsTheRestOfTheBatchThenOneBlackFrame) {
    game_state = STATE_EXIT_FADE_OUT;
    title_trans = 253;
    ticks = 5;  // 253 -> 255, then the tick that quits, then three that do nothing
    clear_to_color(screen, makecol(255, 0, 0));
    processGame();  // returns: the loop ended
    EXPECT_EQ(game_state, STATE_QUIT);
    EXPECT_EQ(title_trans, 255);
    EXPECT_EQ(ticks, 0);
    EXPECT_TRUE(allBlack(screen));
}

TEST_F(GameTest, CloseButtonEndsTheLoopFromAnyStateAfterThePassFrame) {
    for (int state : {STATE_PLAY, STATE_PAUSE, STATE_INTRO, STATE_MATCH_FADE_IN, STATE_MENU, STATE_GAME_OVER}) {
        resetGame();
        game_state = state;
        ticks = 2;
        close_button_handler();
        clear_to_color(screen, makecol(255, 0, 0));
        processGame();
        EXPECT_EQ(game_state, STATE_QUIT) << state;
        EXPECT_EQ(ticks, 0) << state;  // the pass ran its ticks first
        EXPECT_NE(pixel(screen, 1, 1).r, 255) << state;  // and drew its frame
    }
}

TEST_F(GameTest, TickerCountsTicksForTheLoop) {
    ticker();
    ticker();
    ticker();
    EXPECT_EQ(ticks, 3);
    processGamePass();
    EXPECT_EQ(delay1, 97);
}

// ---- start-up values ------------------------------------------------------

TEST_F(GameTest, StartValues) {
    EXPECT_EQ(game_state, STATE_INTRO_DELAY);
    EXPECT_EQ(score[0], 0);
    EXPECT_EQ(score[1], 0);
    EXPECT_EQ(between, 200);
    EXPECT_EQ(intro, 400);
    EXPECT_EQ(delay1, 100);
    EXPECT_EQ(delay2, 200);
    EXPECT_EQ(intro_trans, 0);
    EXPECT_EQ(title_trans, 255);
    EXPECT_EQ(rallyton::select, 0);
    EXPECT_EQ(selection_1[0], 1);
    EXPECT_EQ(selection_1[1], 0);
    EXPECT_EQ(selection_2[0], 1);
    EXPECT_EQ(P1.getX(), 10);
    EXPECT_EQ(P1.getY(), 90);
    EXPECT_EQ(CPU.getX(), 295);
    EXPECT_EQ(CPU.getY(), 90);
    EXPECT_EQ(P1.getId(), 0);
    EXPECT_EQ(CPU.getId(), 1);
    EXPECT_EQ(ball.x, 155);
    EXPECT_EQ(ball.y, 115);
    EXPECT_EQ(ball.vx, 3);
    EXPECT_EQ(ball.vy, 0);
    EXPECT_STREQ(s_text_1[0], "start game");
    EXPECT_STREQ(s_text_1[1], "exit game");
    EXPECT_STREQ(s_text_2[0], "1 player");
    EXPECT_STREQ(s_text_2[1], "2 players");
    EXPECT_EQ(sx[0], 60);
    EXPECT_EQ(sx[1], 200);
}

// ---- the match reset ------------------------------------------------------

TEST_F(GameTest, RestartPutsTheMatchBackAndLeavesTheRestAlone) {
    score[0] = 7;
    score[1] = 10;
    winner = 2;
    shu_list[0] = shu_list[2] = 1;
    shu_num = 2;
    title_trans = -1;
    rallyton::select = 1;
    selection_1[0] = 0;
    selection_1[1] = 1;
    selection_2[0] = 0;
    selection_2[1] = 1;
    P1.setCoor(10, 3);
    P1.vel = -2.5;
    CPU.setCoor(295, 170);
    ball.setCoor(40, 200);
    ball.setVel(-3, 2);
    ball.dir = 1;
    ball.passed = 1;
    between = 57;
    p2 = 1;
    thesound = 0;
    thebg = 0;
    midi = 1;
    r_midi = 3;
    game_state = STATE_SERVE;

    restart();

    EXPECT_EQ(score[0], 0);
    EXPECT_EQ(score[1], 0);
    EXPECT_EQ(winner, 0);
    EXPECT_EQ(shu_list[0] + shu_list[1] + shu_list[2], 0);
    EXPECT_EQ(shu_num, 0);
    EXPECT_EQ(title_trans, 255);
    EXPECT_EQ(rallyton::select, 0);
    EXPECT_EQ(selection_1[0], 1);
    EXPECT_EQ(selection_1[1], 0);
    EXPECT_EQ(selection_2[0], 1);
    EXPECT_EQ(selection_2[1], 0);
    EXPECT_EQ(P1.getY(), 90);
    EXPECT_EQ(CPU.getY(), 90);
    EXPECT_EQ(ball.x, 155);
    EXPECT_EQ(ball.y, 115);
    EXPECT_EQ(ball.trail_x[29], 155);
    EXPECT_EQ(ball.trail_y[0], 115);
    EXPECT_EQ(ball.vx, 3);
    EXPECT_EQ(ball.vy, 0);
    // Not match values: they stay.
    EXPECT_EQ(P1.vel, -2.5);
    EXPECT_EQ(ball.dir, 1);
    EXPECT_EQ(ball.passed, 1);
    EXPECT_EQ(between, 57);
    EXPECT_EQ(p2, 1);
    EXPECT_EQ(thesound, 0);
    EXPECT_EQ(thebg, 0);
    EXPECT_EQ(midi, 1);
    EXPECT_EQ(r_midi, 3);
    EXPECT_EQ(game_state, STATE_SERVE);
}

// ---- single key presses ---------------------------------------------------

TEST_F(GameTest, KeyPressedReportsEachPressOnce) {
    key[KEY_P] = 1;
    EXPECT_TRUE(keyPressed(KEY_P));
    EXPECT_FALSE(keyPressed(KEY_P));  // same tick, second call
    EXPECT_FALSE(keyPressed(KEY_P));  // still held
    key[KEY_P] = 0;
    EXPECT_FALSE(keyPressed(KEY_P));  // seen released: re-armed
    key[KEY_P] = 1;
    EXPECT_TRUE(keyPressed(KEY_P));
}

TEST_F(GameTest, KeyPressedOnlyNoticesAReleaseWhenAskedAboutThatKey) {
    key[KEY_R] = 1;
    EXPECT_TRUE(keyPressed(KEY_R));
    key[KEY_R] = 0;
    EXPECT_FALSE(keyPressed(KEY_ESC));  // another key's call does not re-arm R
    key[KEY_R] = 1;
    EXPECT_FALSE(keyPressed(KEY_R));  // the release fell between two calls: no new press
}

TEST_F(GameTest, KeyHeldBeforeItIsTestedCountsAtTheFirstTest) {
    key[KEY_ENTER] = 1;  // pressed while nothing tests it
    EXPECT_TRUE(keyPressed(KEY_ENTER));
}

// ---- drawing helpers ------------------------------------------------------

TEST_F(GameTest, BlitBufferCopiesTheFrameAndLeavesTheBufferBlack) {
    clear_to_color(DoubleBuffer, makecol(10, 200, 30));
    putpixel(DoubleBuffer, 319, 239, makecol(250, 1, 2));
    blitBuffer();
    EXPECT_TRUE(same(pixel(screen, 0, 0), {10, 200, 30}));
    EXPECT_TRUE(same(pixel(screen, 319, 239), {250, 1, 2}));
    EXPECT_TRUE(allBlack(DoubleBuffer));
}

TEST_F(GameTest, TextIsTransparentBetweenGlyphs) {
    clear_to_color(DoubleBuffer, makecol(0, 0, 200));
    writeTextFromInt("%d", 8, 100, 100, makecol(255, 255, 0));
    int ink = countColour(DoubleBuffer, 100, 100, 140, 140, {255, 255, 0});
    int blue = countColour(DoubleBuffer, 100, 100, 140, 140, {0, 0, 200});
    EXPECT_GT(ink, 20);
    EXPECT_GT(blue, 20);
    EXPECT_EQ(ink + blue, 40 * 40);  // nothing else: no background box
    EXPECT_EQ(countColour(DoubleBuffer, 0, 0, 320, 100, {255, 255, 0}), 0);  // (x, y) is the top-left corner
}

TEST_F(GameTest, TextFormatsTheNumberOrShowsAFixedText) {
    writeTextFromInt("%d", -3, 0, 0, makecol(255, 255, 255));
    BITMAP *expected = create_bitmap(320, 240);
    clear_to_color(expected, makecol(0, 0, 0));
    textout_ex(expected, fontEntry(ASSET_FONT_BIG), "-3", 0, 0, makecol(255, 255, 255), -1);
    EXPECT_EQ(countColour(DoubleBuffer, 0, 0, 320, 240, {255, 255, 255}),
              countColour(expected, 0, 0, 320, 240, {255, 255, 255}));

    clear_to_color(DoubleBuffer, makecol(0, 0, 0));
    clear_to_color(expected, makecol(0, 0, 0));
    writeTextFromInt2("PAUSED", 42, 5, 5, makecol(255, 255, 255));  // no conversion: the number does not show
    textout_ex(expected, fontEntry(ASSET_FONT_SMALL), "PAUSED", 5, 5, makecol(255, 255, 255), -1);
    for (int y = 0; y < 40; y++)
        for (int x = 0; x < 120; x++) ASSERT_EQ(getpixel(DoubleBuffer, x, y), getpixel(expected, x, y));
    destroy_bitmap(expected);
}

TEST_F(GameTest, VeilLevels) {
    struct Case {
        int level, expected;  // the channel value of 200 after the black veil
    };
    // weight (n + 1) / 256 for the veil, the rest for the frame; -1 and 0 leave it,
    // 255 and 256 are opaque.
    for (Case c : {Case{-1, 200}, Case{0, 200}, Case{180, 200 * 75 / 256}, Case{255, 0}, Case{256, 0}}) {
        clear_to_color(DoubleBuffer, makecol(200, 200, 200));
        fadeIn(Black, c.level, 0, 0);
        Colour p = pixel(DoubleBuffer, 160, 120);
        EXPECT_NEAR(p.r, c.expected, 1) << "level " << c.level;
        EXPECT_TRUE(same(p, pixel(DoubleBuffer, 0, 0))) << "level " << c.level;
        EXPECT_TRUE(same(p, pixel(DoubleBuffer, 319, 239))) << "level " << c.level;
    }
}

TEST_F(GameTest, FadeInOpaqueAtFullStrengthAndSolidModeAfterwards) {
    BITMAP *white = create_bitmap(20, 20);
    clear_to_color(white, makecol(255, 255, 255));
    fadeIn(white, 256, 10, 10);
    EXPECT_TRUE(same(pixel(DoubleBuffer, 15, 15), {255, 255, 255}));
    EXPECT_TRUE(same(pixel(DoubleBuffer, 9, 9), {0, 0, 0}));
    EXPECT_TRUE(same(pixel(DoubleBuffer, 30, 30), {0, 0, 0}));  // unscaled, at (x, y)
    // Solid again: a plain rectfill is not blended.
    rectfill(DoubleBuffer, 100, 100, 110, 110, makecol(0, 0, 255));
    EXPECT_TRUE(same(pixel(DoubleBuffer, 105, 105), {0, 0, 255}));
    destroy_bitmap(white);
}
