// The play field at every strict comparison: the paddles and their keys,
// the ball's flight, walls, paddle lines and goals, the bounce off each
// paddle, and the computer opponent's steering and kick.
#include <cmath>
#include <cstdlib>
#include <vector>

#include "input.h"
#include "options.h"
#include "support.h"

using namespace test;

// Each key alone (a wrong key hides behind another held with it), both
// keys of a pair together, a paddle off each wall (reversed and damped) and
// one exactly at each wall (inside: no bounce).
TEST_F(GameTest, PaddlesAnswerTheirOwnKeysAndBounceOffTheWalls) {
    struct Case {
        int id, key1, key2;
        double y, vel, wantY, wantVel;
    } cases[] = {
        {0, KEY_UP, 0, 90, 0, 89.6, -0.36},    {0, KEY_DOWN, 0, 90, 0, 90.4, 0.36}, {0, KEY_W, KEY_S, 90, 0, 90, 0},
        {0, KEY_UP, KEY_DOWN, 90, 1, 91, 0.9}, {1, KEY_W, 0, 90, 0, 89.6, -0.36},   {1, KEY_S, 0, 90, 0, 90.4, 0.36},
        {1, KEY_UP, KEY_DOWN, 90, 0, 90, 0},   {2, KEY_UP, KEY_W, 90, 0, 90, 0},    {0, 0, 0, 2, -5, 0, 4.5},
        {0, 0, 0, 178, 5, 180, -4.5},          {0, 0, 0, 5, -5, 0, -4.5},           {0, 0, 0, 175, 5, 180, 4.5}};
    for (const Case &c : cases) {
        Pong p(c.id);
        p.y = c.y, p.vel = c.vel;
        key[c.key1] = key[c.key2] = HELD;
        gatherInput(options.controls);
        p.handle_input();
        p.move();
        key[c.key1] = key[c.key2] = 0;
        EXPECT_NEAR(p.y, c.wantY, 1e-9) << "case " << &c - cases;
        EXPECT_NEAR(p.vel, c.wantVel, 1e-9) << "case " << &c - cases;
    }
}

// Pairs of cases: on each paddle line (passed) and just inside; exactly at
// each side edge (no point) and just past it (a point for the other side,
// the ball at the centre served towards the loser); off the top and bottom
// and exactly at them; standing still, keeping its direction.
TEST_F(GameTest, TheBallsFlightWallsPaddleLinesAndGoals) {
    struct Case {
        double x, y, vx, vy;
        int dir;
        double wantX, wantY, wantVx, wantVy;
        int passed, wantDir, left, right;
    } cases[] = {
        {23, 100, -3, 0, 0, 20, 100, -3, 0, 1, 1, 0, 0},  // on the left line: passed
        {23.5, 100, -3, 0, 0, 20.5, 100, -3, 0, 0, 1, 0, 0}, {287, 100, 3, 0, 1, 290, 100, 3, 0, 1, 0, 0, 0},
        {286.9, 100, 3, 0, 1, 289.9, 100, 3, 0, 0, 0, 0, 0}, {3, 50, -3, 1.5, 1, 0, 51.5, -3, 1.47, 1, 1, 0, 0},
        {307, 50, 3, 0, 0, 310, 50, 3, 0, 1, 0, 0, 0},       {2.99, 50, -3, 1.5, 1, 160, 120, -3, 0, 1, 1, 0, 1},
        {307.01, 50, 3, 0, 0, 160, 120, 3, 0, 1, 0, 1, 0},   {100, 1, 3, -3, 0, 103, 0, 3, 2.94, 0, 0, 0, 0},
        {100, 3, 3, -3, 0, 103, 0, 3, -2.94, 0, 0, 0, 0},    {100, 227, 3, 3, 0, 103, 230, 3, 2.94, 0, 0, 0, 0},
        {100, 228, 3, 5, 0, 103, 230, 3, -4.9, 0, 0, 0, 0},  {100, 100, 0, 0, 1, 100, 100, 0, 0, 0, 1, 0, 0},
        {100, 100, 0, 0, 0, 100, 100, 0, 0, 0, 0, 0, 0}};
    for (const Case &c : cases) {
        resetGame();
        game_state = STATE_PLAY;
        ball.x = c.x, ball.y = c.y, ball.vx = c.vx, ball.vy = c.vy, ball.dir = static_cast<unsigned char>(c.dir);
        ball.move();
        auto r = [](double v) { return std::round(v * 1e6) / 1e6; };  // to a millionth
        const int point = c.left + c.right, state = point ? STATE_SERVE : STATE_PLAY;
        EXPECT_EQ(
            (std::vector<double>{r(ball.x), r(ball.y), r(ball.vx), r(ball.vy), ball.trail_x[29], 1.0 * ball.passed,
                                 1.0 * ball.dir, 1.0 * score[0], 1.0 * score[1], 1.0 * game_state}),
            (std::vector<double>{c.wantX, c.wantY, c.wantVx, c.wantVy, point ? 160.0 : 155.0, 1.0 * c.passed,
                                 1.0 * c.wantDir, 1.0 * c.left, 1.0 * c.right, 1.0 * state}))
            << "case " << &c - cases << ": x, y, vx, vy, trail, passed, dir, scores, state";
    }
}

TEST_F(GameTest, EachPaddleHitsOnlyInsideItsStrictWindow) {
    struct Case {
        bool left;
        double x, y;
        bool hit;
    } cases[] = {
        {true, 10.01, 100, true},   {true, 10, 100, false},   {true, 26.99, 100, true},   {true, 27, 100, false},
        {true, 21, 80.01, true},    {true, 21, 80, false},    {true, 21, 149.99, true},   {true, 21, 150, false},
        {false, 284.01, 100, true}, {false, 284, 100, false}, {false, 299.99, 100, true}, {false, 300, 100, false},
        {false, 288, 80.01, true},  {false, 288, 80, false},  {false, 288, 149.99, true}, {false, 288, 150, false}};
    for (const Case &c : cases) {
        double vx = c.left ? -3 : 3;
        ball.x = c.x, ball.y = c.y, ball.vx = vx, ball.vy = 0, ball.passed = 0;
        ball.collide(c.left ? &P1 : &CPU);
        EXPECT_EQ(ball.vx != vx, c.hit) << "case " << &c - cases;
        ball.vx = vx, ball.passed = 1;  // behind a paddle line: never
        ball.collide(c.left ? &P1 : &CPU);
        EXPECT_EQ(ball.vx, vx) << "case " << &c - cases;
    }
}

// Only towards the ball and only for sides 0 and 1; the dead band's ends;
// each edge of the right and left kick windows; the kick away from the
// other paddle, whose top exactly at the middle counts as above it.
TEST_F(GameTest, TheComputerTracksTheBallAndKicksInItsWindow) {
    struct Case {
        int id, dir;
        double x, y, otherY;
        double track;  // the tracking change
        int kick;  // on top of it: -1 up, 1 down, 0 none
    } cases[] = {{1, 1, 150, 10, 90, 0, 0},        {1, 0, 150, 10, 90, -0.22, 0}, {0, 0, 150, 10, 90, 0, 0},
                 {0, 1, 150, 10, 90, -0.22, 0},    {2, 0, 150, 10, 90, 0, 0},     {1, 0, 150, 105, 90, 0, 0},
                 {1, 0, 150, 104.9, 90, -0.22, 0}, {1, 0, 150, 125, 90, 0, 0},    {1, 0, 150, 125.1, 90, 0.22, 0},
                 {1, 0, 280, 115, 90, 0, 0},       {1, 0, 280.01, 115, 90, 0, 1}, {1, 0, 299.99, 115, 90, 0, 1},
                 {1, 0, 300, 115, 90, 0, 0},       {1, 0, 285, 80, 90, -0.22, 0}, {1, 0, 285, 80.01, 90, -0.22, 1},
                 {1, 0, 285, 149.99, 90, 0.22, 1}, {1, 0, 285, 150, 90, 0.22, 0}, {1, 0, 285, 115, 120, 0, 1},
                 {1, 0, 285, 115, 120.01, 0, -1},  {0, 1, 10, 115, 90, 0, 0},     {0, 1, 10.01, 115, 90, 0, 1},
                 {0, 1, 29.99, 115, 90, 0, 1},     {0, 1, 30, 115, 90, 0, 0}};
    for (const Case &c : cases) {
        Pong cpu(c.id), other;
        cpu.setCoor(c.id == 0 ? 10 : 295, 90);
        other.y = c.otherY;
        ball.x = c.x, ball.y = c.y, ball.dir = static_cast<unsigned char>(c.dir);
        match.cpu_random = static_cast<unsigned>(&c - cases);
        int strength = cpuRandom() % 2 + 1 == 1 ? 3 : 1;
        match.cpu_random = static_cast<unsigned>(&c - cases);
        ball.AI(&cpu, &other);
        EXPECT_NEAR(cpu.vel, c.track + c.kick * strength, 1e-9) << "case " << &c - cases;
    }
}

// Two pads through the library's joystick state, its driver standing in
// (answering polls): a stick counts from the dead zone's edge on; the
// second pad steers the right paddle only in a two-player match; a stick
// that rested at one end when the pads were found (a trigger) never
// counts; the buttons stand in for ENTER, ESC and P, or the settings' own.
TEST_F(GameTest, PadsCountFromTheDeadZonesEdgeAndEachSteersItsOwnPaddle) {
    static JOYSTICK_DRIVER pads = {1,       "",      "",      "",     nullptr, nullptr, +[] { return 0; },
                                   nullptr, nullptr, nullptr, nullptr};
    JOYSTICK_DRIVER *none = joystick_driver;
    joystick_driver = &pads, num_joysticks = 2;
    auto rest = [] {
        for (int p = 0; p < 2; p++) joy[p] = JOYSTICK_INFO{}, joy[p].num_sticks = 2, joy[p].num_buttons = 8;
        for (int p = 0; p < 2; p++)
            for (int s = 0; s < 2; s++) joy[p].stick[s].num_axis = 2;
        joy[1].stick[1].axis[0].pos = -128;  // a trigger, at one end
    };
    rest();
    notePadsAtRest();
    const int P = 1, ESC = 4, ENTER = 8, LEFT = 16, RIGHT = 32, UP0 = 64, DOWN0 = 128, UP1 = 256,
              DOWN1 = 512;  // packInput's
    const int cases[][7] = {// pad, stick, axis, its push, a button down, players, what the tick takes
                            {0, 0, 1, -DEAD_ZONE, -1, 0, UP0},
                            {0, 0, 1, 1 - DEAD_ZONE, -1, 0, 0},
                            {0, 0, 1, DEAD_ZONE, -1, 0, DOWN0},
                            {0, 0, 1, DEAD_ZONE - 1, -1, 0, 0},
                            {0, 1, 0, -DEAD_ZONE, -1, 0, LEFT},
                            {0, 0, 0, DEAD_ZONE, -1, 0, RIGHT},
                            {1, 0, 1, -DEAD_ZONE, -1, 1, UP1},
                            {1, 0, 1, DEAD_ZONE, -1, 1, DOWN1},
                            {1, 0, 1, -DEAD_ZONE, -1, 0, 0},
                            {1, 0, 0, DEAD_ZONE, -1, 0, RIGHT},
                            {1, 1, 0, 127, -1, 1, 0},
                            {1, 1, 1, -127, -1, 1, 0},
                            {0, 0, 0, 0, 0, 0, ENTER},
                            {1, 0, 0, 0, 1, 0, ESC},
                            {0, 0, 0, 0, 7, 0, P},
                            {0, 0, 0, 0, 3, 0, 0}};
    for (auto &c : cases) {
        rest();
        joy[c[0]].stick[c[1]].axis[c[2]].pos = c[3];
        if (c[4] >= 0) joy[c[0]].button[c[4]].b = 1;
        p2 = static_cast<unsigned char>(c[5]);
        gatherInput(options.controls);
        EXPECT_EQ(packInput(input), c[6]) << "case " << &c - cases;
    }
    options.controls.buttons[PAD_PAUSE] = 3;  // Start on another button
    rest(), joy[0].button[3].b = 1;
    gatherInput(options.controls);
    EXPECT_TRUE(input.keys[KEY_P]);
    options.controls = Controls{}, joystick_driver = none, num_joysticks = 0;
}
