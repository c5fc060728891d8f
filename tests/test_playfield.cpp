// The play field: paddles, the ball and its trail, the bounce off the
// paddles and the computer opponent, to the exact comparison.
#include <cstdlib>

#include "support.h"

using namespace test;

// ---- paddles ----------------------------------------------------------------

TEST_F(GameTest, PaddleBouncesOffBothWallsReversedAndDamped) {
    P1.setCoor(10, 2);
    P1.vel = -5;
    P1.move();
    EXPECT_EQ(P1.getY(), 0);
    EXPECT_DOUBLE_EQ(P1.vel, 4.5);

    CPU.setCoor(295, 178);
    CPU.vel = 5;
    CPU.move();
    EXPECT_EQ(CPU.getY(), 180);
    EXPECT_DOUBLE_EQ(CPU.vel, -4.5);
}

TEST_F(GameTest, PaddleExactlyAtTheWallDoesNotBounce) {
    P1.setCoor(10, 5);
    P1.vel = -5;
    P1.move();
    EXPECT_EQ(P1.getY(), 0);
    EXPECT_DOUBLE_EQ(P1.vel, -4.5);

    P1.setCoor(10, 175);
    P1.vel = 5;
    P1.move();
    EXPECT_EQ(P1.getY(), 180);
    EXPECT_DOUBLE_EQ(P1.vel, 4.5);
}

TEST_F(GameTest, HeldKeySettlesAtThreePointSixAndGlidesToAStop) {
    key[KEY_DOWN] = 1;
    for (int i = 0; i < 300; i++) {
        P1.handle_input();
        P1.setCoor(10, 90);  // keep it off the walls; its speed carries over
        P1.move();
    }
    EXPECT_NEAR(P1.vel, 3.6, 1e-9);
    key[KEY_DOWN] = 0;
    P1.handle_input();
    P1.move();
    EXPECT_NEAR(P1.vel, 3.24, 1e-9);  // a tenth less per tick with no key
}

TEST_F(GameTest, EachPaddleAnswersOnlyItsOwnKeys) {
    key[KEY_W] = key[KEY_S] = 1;
    key[KEY_UP] = 1;
    P1.handle_input();
    EXPECT_DOUBLE_EQ(P1.vel, -0.4);  // UP only; W and S are not its keys
    CPU.handle_input();
    EXPECT_DOUBLE_EQ(CPU.vel, 0);  // W and S together cancel
    releaseAllKeys();
    key[KEY_S] = 1;
    key[KEY_DOWN] = 1;
    CPU.handle_input();
    EXPECT_DOUBLE_EQ(CPU.vel, 0.4);
    Pong other(2);
    other.handle_input();
    EXPECT_DOUBLE_EQ(other.vel, 0);
}

TEST_F(GameTest, PaddleDrawsOpaqueWithItsSheenOnePixelUpAndLeft) {
    P1.setCoor(40, 50);
    P1.draw();
    BITMAP *image = bitmapEntry(ASSET_PADDLE_LEFT);
    BITMAP *sheen = bitmapEntry(ASSET_SHEEN_LEFT);
    // Bottom row: under no sheen, so exactly the image.
    EXPECT_EQ(getpixel(DoubleBuffer, 45, 109), getpixel(image, 5, 59));
    // Row -1, over black: the sheen alone at alpha 30, weight 31/256.
    Colour s = pixel(sheen, 5, 0);
    Colour top = pixel(DoubleBuffer, 44, 49);
    EXPECT_NEAR(top.r, s.r * 31 / 256, 1);
    // Inside: the image lightened by the sheen.
    Colour p = pixel(image, 5, 20), q = pixel(sheen, 6, 21), got = pixel(DoubleBuffer, 45, 70);
    EXPECT_NEAR(got.g, p.g + (q.g - p.g) * 31 / 256, 1);
    EXPECT_GT(got.g, p.g);
    // Back to solid drawing afterwards.
    putpixel(DoubleBuffer, 0, 0, makecol(9, 9, 9));
    EXPECT_TRUE(same(pixel(DoubleBuffer, 0, 0), {9, 9, 9}));

    // Truncation toward zero, and the right paddle's own images.
    clear_to_color(DoubleBuffer, makecol(0, 0, 0));
    CPU.setCoor(295, 0);
    CPU.y = 12.99;
    CPU.draw();
    EXPECT_EQ(getpixel(DoubleBuffer, 300, 71), getpixel(bitmapEntry(ASSET_PADDLE_RIGHT), 5, 59));
}

// ---- the ball ---------------------------------------------------------------

TEST_F(GameTest, BallPassedLineBoundaries) {
    struct Case {
        double from, vx;
        int passed;
    };
    for (Case c : {Case{23, -3, 1}, Case{23.5, -3, 0}, Case{287, 3, 1}, Case{286.9, 3, 0}}) {
        ball.x = c.from;
        ball.vx = c.vx;
        ball.move();
        EXPECT_EQ(ball.passed, c.passed) << "ended at " << ball.x;
    }
}

TEST_F(GameTest, BallScoresOnlyPastTheEdges) {
    game_state = STATE_PLAY;
    ball.setCoor(3, 50);
    ball.vx = -3;  // exactly 0: still in
    ball.move();
    EXPECT_EQ(ball.x, 0);
    EXPECT_EQ(score[1], 0);
    ball.x = 307;
    ball.vx = 3;  // exactly 310: still in
    ball.move();
    EXPECT_EQ(ball.x, 310);
    EXPECT_EQ(score[0], 0);
    EXPECT_EQ(game_state, STATE_PLAY);

    ball.x = 2.99;
    ball.vx = -3;
    ball.vy = 1.5;
    ball.move();
    EXPECT_EQ(score[1], 1);
    EXPECT_EQ(score[0], 0);
    EXPECT_EQ(game_state, STATE_SERVE);
    EXPECT_EQ(ball.x, 160);
    EXPECT_EQ(ball.y, 120);
    EXPECT_EQ(ball.vx, -3);  // the serve goes to the side that lost the point
    EXPECT_EQ(ball.vy, 0);
    for (int k = 0; k < num_trail; k++) {
        ASSERT_EQ(ball.trail_x[k], 160);
        ASSERT_EQ(ball.trail_y[k], 120);
    }
    EXPECT_EQ(ball.passed, 1);  // judged before the ball was put back
    EXPECT_EQ(ball.dir, 1);

    game_state = STATE_PLAY;
    ball.x = 307.01;
    ball.vx = 3;
    ball.move();
    EXPECT_EQ(score[0], 1);
    EXPECT_EQ(ball.vx, 3);
    EXPECT_EQ(game_state, STATE_SERVE);
}

TEST_F(GameTest, BallWallsAndSpin) {
    ball.setCoor(100, 1);
    ball.vy = -3;
    ball.move();
    EXPECT_EQ(ball.y, 0);
    EXPECT_DOUBLE_EQ(ball.vy, 2.94);

    ball.setCoor(100, 3);
    ball.vy = -3;
    ball.move();  // exactly 0: no bounce
    EXPECT_EQ(ball.y, 0);
    EXPECT_DOUBLE_EQ(ball.vy, -2.94);

    ball.setCoor(100, 227);
    ball.vy = 3;
    ball.move();  // exactly 230: no bounce
    EXPECT_DOUBLE_EQ(ball.vy, 2.94);
    ball.setCoor(100, 228);
    ball.vy = 5;
    ball.move();
    EXPECT_EQ(ball.y, 230);
    EXPECT_DOUBLE_EQ(ball.vy, -4.9);
}

TEST_F(GameTest, BallDirectionFollowsVxAndHoldsAtZero) {
    ball.setCoor(100, 100);
    ball.vx = -3;
    ball.move();
    EXPECT_EQ(ball.dir, 1);
    ball.vx = 0;
    ball.move();
    EXPECT_EQ(ball.dir, 1);
    ball.vx = 0.5;
    ball.move();
    EXPECT_EQ(ball.dir, 0);
}

TEST_F(GameTest, TrailShiftsBeforeTheStep) {
    ball.setCoor(100, 50);
    ball.setVel(3, 2);
    ball.move();
    EXPECT_EQ(ball.trail_x[0], 100);
    EXPECT_EQ(ball.trail_y[0], 50);
    ball.move();
    EXPECT_EQ(ball.trail_x[0], 103);
    EXPECT_EQ(ball.trail_x[1], 100);
    EXPECT_EQ(ball.trail_x[29], 100);  // the rest still sit where setCoor put them
    for (int i = 0; i < 40; i++) ball.move();
    EXPECT_NE(ball.trail_x[29], ball.trail_x[28]);  // 30 distinct positions after 30 ticks
}

TEST_F(GameTest, TrailAlphasRiseTowardsTheBallAndSkipTheNewest) {
    ball.setCoor(150, 10);
    ball.passed = 0;
    for (int k = 0; k < num_trail; k++) {  // lay the copies apart on a grid
        ball.trail_x[k] = 15 + (k % 10) * 30;
        ball.trail_y[k] = 60 + (k / 10) * 40;
    }
    ball.draw();
    BITMAP *image = bitmapEntry(ASSET_BALL_RIGHT);
    Colour centre = pixel(image, 5, 5);
    EXPECT_TRUE(same(pixel(DoubleBuffer, 155, 15), centre));  // the ball itself, opaque
    EXPECT_TRUE(same(pixel(DoubleBuffer, 20, 65), {0, 0, 0}));  // entry 0 is not drawn
    for (int k : {1, 2, 15, 29}) {
        int alpha = 4 * (30 - k);
        Colour got = pixel(DoubleBuffer, 15 + (k % 10) * 30 + 5, 60 + (k / 10) * 40 + 5);
        EXPECT_NEAR(got.r, centre.r * (alpha + 1) / 256, 1) << "k " << k;
        EXPECT_NEAR(got.g, centre.g * (alpha + 1) / 256, 1) << "k " << k;
    }
}

TEST_F(GameTest, BallBehindAPaddleLineIsFadedWithoutTrail) {
    ball.setCoor(292, 100);
    for (int k = 1; k < num_trail; k++) ball.trail_x[k] = 200;
    ball.passed = 1;
    ball.dir = 1;  // the left-moving image
    ball.draw();
    Colour centre = pixel(bitmapEntry(ASSET_BALL_LEFT), 5, 5);
    Colour got = pixel(DoubleBuffer, 297, 105);
    EXPECT_NEAR(got.r, centre.r * 41 / 256, 1);
    EXPECT_EQ(countColour(DoubleBuffer, 190, 90, 220, 120, {0, 0, 0}), 30 * 30);  // no trail
}

TEST_F(GameTest, BallImagesDifferByDirection) {
    BITMAP *right = bitmapEntry(ASSET_BALL_RIGHT), *left = bitmapEntry(ASSET_BALL_LEFT);
    int differ = 0;
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 10; x++) differ += getpixel(right, x, y) != getpixel(left, x, y);
    EXPECT_GT(differ, 3);
}

// ---- the bounce off the paddles ---------------------------------------------

TEST_F(GameTest, LeftPaddleHitWindowIsStrict) {
    struct Case {
        double x, y;
        bool hit;
    };
    // P1 at (10, 90): 10 < x < 27, y + 10 > 90, y < 150
    for (Case c : {Case{26.99, 100, true}, Case{27, 100, false}, Case{21, 80.01, true}, Case{21, 80, false},
                   Case{21, 149.99, true}, Case{21, 150, false}}) {
        ball.x = c.x;
        ball.y = c.y;
        ball.vx = -3;
        ball.vy = 0;
        ball.passed = 0;
        ball.collide(&P1);
        EXPECT_EQ(ball.vx != -3, c.hit) << c.x << ", " << c.y;
    }
}

TEST_F(GameTest, RightPaddleHitWindowIsStrict) {
    struct Case {
        double x, y;
        bool hit;
    };
    // CPU at (295, 90): x + 10 < 310 and x + 10 > 294
    for (Case c : {Case{284.01, 100, true}, Case{284, 100, false}, Case{299.99, 100, true}, Case{300, 100, false},
                   Case{288, 80, false}, Case{288, 150, false}}) {
        ball.x = c.x;
        ball.y = c.y;
        ball.vx = 3;
        ball.vy = 0;
        ball.passed = 0;
        ball.collide(&CPU);
        EXPECT_EQ(ball.vx != 3, c.hit) << c.x << ", " << c.y;
    }
}

TEST_F(GameTest, HitReversesSpeedsUpAndTakesThePaddleSpeed) {
    ball.x = 22;
    ball.y = 100;
    ball.vx = -3;
    ball.vy = 1;
    P1.vel = -2;
    ball.collide(&P1);
    EXPECT_DOUBLE_EQ(ball.vx, 3.04);
    EXPECT_DOUBLE_EQ(ball.vy, -1);
    // The two sides negate and add in a different order: a ball arriving
    // from behind shows it.
    ball.vx = 3;
    ball.collide(&P1);
    EXPECT_DOUBLE_EQ(ball.vx, -2.96);
    ball.x = 287;
    ball.vx = -3;
    CPU.vel = 0;
    ball.collide(&CPU);
    EXPECT_DOUBLE_EQ(ball.vx, 2.96);
    ball.vx = 3.04;
    ball.collide(&CPU);
    EXPECT_DOUBLE_EQ(ball.vx, -3.08);
}

TEST_F(GameTest, PassedBallIsNeverReflected) {
    ball.x = 22;
    ball.y = 100;
    ball.vx = -3;
    ball.passed = 1;
    ball.collide(&P1);
    EXPECT_EQ(ball.vx, -3);
}

TEST_F(GameTest, BallRattlesInTheWindowAndDriftsRight) {
    ball.setCoor(22, 100);
    ball.vx = -3;
    ball.passed = 0;
    ball.collide(&P1);
    EXPECT_DOUBLE_EQ(ball.vx, 3.04);
    ball.move();
    ball.collide(&P1);
    EXPECT_NEAR(ball.x, 25.04, 1e-9);
    EXPECT_NEAR(ball.vx, -3.0, 1e-9);
    ball.move();
    ball.collide(&P1);
    EXPECT_NEAR(ball.x, 22.04, 1e-9);  // 0.04 further right than it began
    EXPECT_NEAR(ball.vx, 3.04, 1e-9);
}

TEST_F(GameTest, HitSoundOnlyWithSoundOn) {
    thesound = 0;
    ball.x = 22;
    ball.y = 100;
    ball.vx = -3;
    ball.collide(&P1);
    EXPECT_FALSE(playing(14));
    thesound = 1;
    ball.vx = -3;
    ball.collide(&P1);
    expectPlayedAsTheGameDoes(14);
}

// ---- the computer opponent ----------------------------------------------------

TEST_F(GameTest, OpponentSteersOnlyTowardsTheBall) {
    ball.setCoor(150, 10);  // far above: would pull up
    ball.dir = 1;
    CPU.setCoor(295, 90);
    ball.AI(&CPU, &P1);
    EXPECT_EQ(CPU.vel, 0);  // ball moving away from the right paddle
    ball.dir = 0;
    ball.AI(&CPU, &P1);
    EXPECT_DOUBLE_EQ(CPU.vel, -0.22);

    Pong left(0);
    left.setCoor(10, 90);
    ball.AI(&left, &CPU);  // a left paddle waits for dir 1
    EXPECT_EQ(left.vel, 0);
    ball.dir = 1;
    ball.AI(&left, &CPU);
    EXPECT_DOUBLE_EQ(left.vel, -0.22);

    Pong odd(2);
    ball.AI(&odd, &P1);
    EXPECT_EQ(odd.vel, 0);
}

TEST_F(GameTest, OpponentDeadBandEndsAreInside) {
    CPU.setCoor(295, 90);  // band 110 .. 130 for the ball's centre y + 5
    struct Case {
        double ballY, change;
    };
    for (Case c : {Case{105, 0}, Case{104.9, -0.22}, Case{125, 0}, Case{125.1, 0.22}}) {
        CPU.vel = 0;
        ball.setCoor(150, 0);
        ball.y = c.ballY;
        ball.dir = 0;
        ball.AI(&CPU, &P1);
        EXPECT_DOUBLE_EQ(CPU.vel, c.change) << c.ballY;
    }
}

TEST_F(GameTest, OpponentKickWindowAndAim) {
    CPU.setCoor(295, 90);
    ball.dir = 0;
    ball.y = 115;  // centred: no tracking change
    ball.x = 280;  // x + 10 == 290: not yet inside
    ball.AI(&CPU, &P1);
    EXPECT_EQ(CPU.vel, 0);
    ball.x = 299.99;  // already past the paddle line: still kicks
    srand(1);
    int r = rand() % 2 + 1;
    int next = rand();
    srand(1);
    P1.setCoor(10, 121);  // the human below the middle: jerk upwards
    ball.AI(&CPU, &P1);
    EXPECT_DOUBLE_EQ(CPU.vel, -(3 / r));
    EXPECT_EQ(rand(), next);  // one draw per kick

    CPU.vel = 0;
    P1.setCoor(10, 120);  // exactly the middle is not below: downwards
    ball.AI(&CPU, &P1);
    EXPECT_GT(CPU.vel, 0);
}

TEST_F(GameTest, OpponentKicksBothStrengths) {
    CPU.setCoor(295, 90);
    ball.dir = 0;
    ball.x = 285;
    ball.y = 115;
    bool seen[4] = {false, false, false, false};
    for (unsigned seed = 1; seed < 64; seed++) {
        CPU.vel = 0;
        srand(seed);
        ball.AI(&CPU, &P1);
        int v = static_cast<int>(CPU.vel);
        ASSERT_TRUE(v == 1 || v == 3) << CPU.vel;
        seen[v] = true;
    }
    EXPECT_TRUE(seen[1]);
    EXPECT_TRUE(seen[3]);
}

TEST_F(GameTest, OpponentTrackingAndKickAddUp) {
    CPU.setCoor(295, 90);
    ball.dir = 0;
    ball.x = 285;
    ball.y = 141;  // overlaps the paddle, centre 146 below the band
    srand(7);
    int r = rand() % 2 + 1;
    srand(7);
    ball.AI(&CPU, &P1);  // P1 at 90: jerk downwards
    EXPECT_DOUBLE_EQ(CPU.vel, 0.22 + 3 / r);

    Pong left(0);  // the left-hand window: cpu.x < x < cpu.x + 20
    left.setCoor(10, 90);
    ball.dir = 1;
    ball.y = 115;
    ball.x = 30;
    ball.AI(&left, &P1);
    EXPECT_EQ(left.vel, 0);
    ball.x = 29.99;
    ball.AI(&left, &P1);
    EXPECT_NE(left.vel, 0);
}
