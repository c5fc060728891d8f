// A long run: a million ticks of one-player matches, the computer on the
// right and a simple scripted player on the left, with the invariants of
// the play field checked on every tick.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "support.h"

using namespace test;

namespace {

bool isState(int s) { return (s >= 0 && s <= 12) || s == STATE_QUIT; }

// Where the ball may be: inside the field, or at a serve point.
bool ballPlaceOk() {
    bool inField = ball.x >= 0 && ball.x <= 310 && ball.y >= 0 && ball.y <= 230;
    bool servePoint = (ball.x == 160 && ball.y == 120) || (ball.x == 155 && ball.y == 115);
    return inField || servePoint;
}

bool finite() {
    double values[] = {ball.x, ball.y, ball.vx, ball.vy, P1.y, P1.vel, CPU.y, CPU.vel};
    for (double v : values)
        if (!std::isfinite(v)) return false;
    for (int k = 0; k < num_trail; k++)
        if (!std::isfinite(ball.trail_x[k]) || !std::isfinite(ball.trail_y[k])) return false;
    return true;
}

}  // namespace

TEST_F(GameTest, MillionTicksOfMatches) {
    srand(424242);
    game_state = STATE_MATCH_FADE_IN;
    int matches = 0, ticksInMatch = 0, longestMatch = 0;
    int restartIn = -1;
    for (long t = 0; t < 1000000; t++) {
        // The left player: follows the ball with a lag and a blind spot.
        double target = ball.y + 5 + ((t / 300) % 2 ? 12 : -12);
        bool looking = (t / 97) % 5 != 0;
        key[KEY_UP] = looking && target < P1.getY() + 22;
        key[KEY_DOWN] = looking && target > P1.getY() + 38;
        // At game over, R starts the next match after a short look.
        if (game_state == STATE_GAME_OVER && restartIn < 0) {
            ASSERT_TRUE(score[0] == 10 || score[1] == 10);
            longestMatch = std::max(longestMatch, ticksInMatch);
            matches++;
            ticksInMatch = 0;
            restartIn = 50;
        }
        key[KEY_R] = restartIn == 0;
        if (restartIn >= 0) restartIn--;

        tick();
        ticksInMatch++;

        ASSERT_GE(P1.getY(), 0) << t;
        ASSERT_LE(P1.getY(), 180) << t;
        ASSERT_GE(CPU.getY(), 0) << t;
        ASSERT_LE(CPU.getY(), 180) << t;
        ASSERT_TRUE(ballPlaceOk()) << t << ": " << ball.x << ", " << ball.y;
        ASSERT_TRUE(finite()) << t;
        ASSERT_LE(score[0], 10) << t;
        ASSERT_LE(score[1], 10) << t;
        ASSERT_TRUE(isState(game_state)) << t << ": " << game_state;
        ASSERT_NE(game_state, STATE_QUIT) << t;
        ASSERT_LT(ticksInMatch, 400000) << "a match that never ends";
    }
    EXPECT_GT(matches, 5);
    RecordProperty("matches", matches);
    RecordProperty("longest_match_ticks", longestMatch);
    std::printf("%d matches, the longest %d ticks\n", matches, longestMatch);
}
