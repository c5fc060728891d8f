// A long run: a million ticks of one-player matches, a scripted player on
// the left who looks away now and then, R at every game over, and the play
// field's invariants checked on every tick.
#include <cmath>

#include "support.h"

using namespace test;

TEST_F(GameTest, AMillionTicksOfMatchesKeepThePlayFieldSound) {
    srand(424242);
    game_state = STATE_MATCH_FADE_IN;
    int matches = 0, overFor = 0, sinceRestart = 0;
    for (long t = 0; t < 1000000; t++) {
        double target = ball.y + 5 + ((t / 300) % 2 ? 12 : -12);
        bool looking = (t / 97) % 5 != 0;
        key[KEY_UP] = looking && target < P1.y + 22 ? HELD : 0;
        key[KEY_DOWN] = looking && target > P1.y + 38 ? HELD : 0;
        overFor = game_state == STATE_GAME_OVER ? overFor + 1 : 0;
        key[KEY_R] = overFor == 50 ? HELD : 0;  // a look at the result, then the next match
        matches += key[KEY_R] != 0;
        sinceRestart = key[KEY_R] ? 0 : sinceRestart + 1;
        tick();
        bool ballInField = ball.x >= 0 && ball.x <= 310 && ball.y >= 0 && ball.y <= 230;
        ASSERT_TRUE(P1.y >= 0 && P1.y <= 180 && CPU.y >= 0 && CPU.y <= 180) << t;
        ASSERT_TRUE(ballInField && std::isfinite(ball.vx) && std::isfinite(ball.vy)) << t;
        ASSERT_TRUE(score[0] <= 10 && score[1] <= 10 && (game_state != STATE_GAME_OVER || winner)) << t;
        ASSERT_TRUE(game_state >= 0 && game_state <= 12) << t << ": " << game_state;
        ASSERT_LT(sinceRestart, 400000) << "a match that never ends";
    }
    EXPECT_GT(matches, 5);
    RecordProperty("matches", matches);
}
