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
    const double cases[][7] = {
        // the paddle, two keys held, y and the speed before, and after
        {0, KEY_UP, 0, 90, 0, 89.6, -0.36},    {0, KEY_DOWN, 0, 90, 0, 90.4, 0.36}, {0, KEY_W, KEY_S, 90, 0, 90, 0},
        {0, KEY_UP, KEY_DOWN, 90, 1, 91, 0.9}, {1, KEY_W, 0, 90, 0, 89.6, -0.36},   {1, KEY_S, 0, 90, 0, 90.4, 0.36},
        {1, KEY_UP, KEY_DOWN, 90, 0, 90, 0},   {2, KEY_UP, KEY_W, 90, 0, 90, 0},    {0, 0, 0, 2, -5, 0, 4.5},
        {0, 0, 0, 178, 5, 180, -4.5},          {0, 0, 0, 5, -5, 0, -4.5},           {0, 0, 0, 175, 5, 180, 4.5}};
    for (const auto &c : cases) {
        const auto &[id, key1, key2, y, vel, wantY, wantVel] = c;
        Pong p{int(id)};
        p.y = y, p.vel = vel;
        key[int(key1)] = key[int(key2)] = HELD, gatherInput(options.controls), p.handle_input(), p.move();
        key[int(key1)] = key[int(key2)] = 0;
        EXPECT_TRUE(std::abs(p.y - wantY) < 1e-9 && std::abs(p.vel - wantVel) < 1e-9)
            << "case " << &c - cases << ": y " << p.y << ", speed " << p.vel;
    }
}

// Pairs of cases: on each paddle line (passed) and just inside; exactly at
// each side edge (no point) and just past it (a point for the other side,
// the ball at the centre served towards the loser); off the top and bottom
// and exactly at them; standing still, keeping its direction.
TEST_F(GameTest, TheBallsFlightWallsPaddleLinesAndGoals) {
    const double cases[][13] = {
        // x, y, vx, vy and the way before; x, y, vx, vy, passed, the way and the points after
        {23, 100, -3, 0, 0, 20, 100, -3, 0, 1, 1, 0, 0},  // on the left line: passed
        {23.5, 100, -3, 0, 0, 20.5, 100, -3, 0, 0, 1, 0, 0}, {287, 100, 3, 0, 1, 290, 100, 3, 0, 1, 0, 0, 0},
        {286.9, 100, 3, 0, 1, 289.9, 100, 3, 0, 0, 0, 0, 0}, {3, 50, -3, 1.5, 1, 0, 51.5, -3, 1.47, 1, 1, 0, 0},
        {307, 50, 3, 0, 0, 310, 50, 3, 0, 1, 0, 0, 0},       {2.99, 50, -3, 1.5, 1, 160, 120, -3, 0, 1, 1, 0, 1},
        {307.01, 50, 3, 0, 0, 160, 120, 3, 0, 1, 0, 1, 0},   {100, 1, 3, -3, 0, 103, 0, 3, 2.94, 0, 0, 0, 0},
        {100, 3, 3, -3, 0, 103, 0, 3, -2.94, 0, 0, 0, 0},    {100, 227, 3, 3, 0, 103, 230, 3, 2.94, 0, 0, 0, 0},
        {100, 228, 3, 5, 0, 103, 230, 3, -4.9, 0, 0, 0, 0},  {100, 100, 0, 0, 1, 100, 100, 0, 0, 0, 1, 0, 0},
        {100, 100, 0, 0, 0, 100, 100, 0, 0, 0, 0, 0, 0}};
    for (const auto &c : cases) {
        resetGame(), game_state = STATE_PLAY, ball.x = c[0], ball.y = c[1], ball.vx = c[2], ball.vy = c[3];
        ball.dir = static_cast<unsigned char>(c[4]), ball.move();
        auto r = [](double v) { return std::round(v * 1e6) / 1e6; };  // to a millionth
        const bool point = c[11] + c[12] > 0;
        std::vector<double> want(c + 5, c + 13);
        want.insert(want.end(), {point ? 160.0 : 155.0, 1.0 * (point ? STATE_SERVE : STATE_PLAY)});
        EXPECT_EQ((std::vector<double>{r(ball.x), r(ball.y), r(ball.vx), r(ball.vy), 1.0 * ball.passed, 1.0 * ball.dir,
                                       1.0 * score[0], 1.0 * score[1], ball.trail_x[29], 1.0 * game_state}),
                  want)
            << "case " << &c - cases << ": x, y, vx, vy, passed, dir, scores, trail, state";
    }
}

TEST_F(GameTest, EachPaddleHitsOnlyInsideItsStrictWindow) {
    const double cases[][4] = {// the left paddle or the right one, the ball's x and y, a hit
                               {1, 10.01, 100, 1},  {1, 10, 100, 0},  {1, 26.99, 100, 1},  {1, 27, 100, 0},
                               {1, 21, 80.01, 1},   {1, 21, 80, 0},   {1, 21, 149.99, 1},  {1, 21, 150, 0},
                               {0, 284.01, 100, 1}, {0, 284, 100, 0}, {0, 299.99, 100, 1}, {0, 300, 100, 0},
                               {0, 288, 80.01, 1},  {0, 288, 80, 0},  {0, 288, 149.99, 1}, {0, 288, 150, 0}};
    for (const auto &c : cases) {
        const auto &[left, x, y, hit] = c;
        double vx = left ? -3 : 3;
        ball.x = x, ball.y = y, ball.vx = vx, ball.vy = 0, ball.passed = 0, ball.collide(left ? &P1 : &CPU);
        EXPECT_EQ(ball.vx != vx, hit == 1) << "case " << &c - cases;
        ball.vx = vx, ball.passed = 1, ball.collide(left ? &P1 : &CPU);  // behind a paddle line: never
        EXPECT_EQ(ball.vx, vx) << "case " << &c - cases;
    }
}

// Only towards the ball and only for sides 0 and 1; the dead band's ends;
// each edge of the right and left kick windows; the kick away from the
// other paddle, whose top exactly at the middle counts as above it.
TEST_F(GameTest, TheComputerTracksTheBallAndKicksInItsWindow) {
    const double cases[][7] = {
        // the computer's side, the ball's way, x, y, the other paddle's y, the tracking
        // change and the kick on top of it (-1 up, 1 down)
        {1, 1, 150, 10, 90, 0, 0},        {1, 0, 150, 10, 90, -0.22, 0}, {0, 0, 150, 10, 90, 0, 0},
        {0, 1, 150, 10, 90, -0.22, 0},    {2, 0, 150, 10, 90, 0, 0},     {1, 0, 150, 105, 90, 0, 0},
        {1, 0, 150, 104.9, 90, -0.22, 0}, {1, 0, 150, 125, 90, 0, 0},    {1, 0, 150, 125.1, 90, 0.22, 0},
        {1, 0, 280, 115, 90, 0, 0},       {1, 0, 280.01, 115, 90, 0, 1}, {1, 0, 299.99, 115, 90, 0, 1},
        {1, 0, 300, 115, 90, 0, 0},       {1, 0, 285, 80, 90, -0.22, 0}, {1, 0, 285, 80.01, 90, -0.22, 1},
        {1, 0, 285, 149.99, 90, 0.22, 1}, {1, 0, 285, 150, 90, 0.22, 0}, {1, 0, 285, 115, 120, 0, 1},
        {1, 0, 285, 115, 120.01, 0, -1},  {0, 1, 10, 115, 90, 0, 0},     {0, 1, 10.01, 115, 90, 0, 1},
        {0, 1, 29.99, 115, 90, 0, 1},     {0, 1, 30, 115, 90, 0, 0}};
    for (const auto &c : cases) {
        const auto &[id, dir, x, y, otherY, track, kick] = c;
        Pong cpu{int(id)}, other;
        cpu.setCoor(id == 0 ? 10 : 295, 90), other.y = otherY;
        ball.x = x, ball.y = y, ball.dir = static_cast<unsigned char>(dir);
        match.cpu_random = static_cast<unsigned>(&c - cases);
        int strength = cpuRandom() % 2 + 1 == 1 ? 3 : 1;
        match.cpu_random = static_cast<unsigned>(&c - cases);
        ball.AI(&cpu, &other);
        EXPECT_NEAR(cpu.vel, track + kick * strength, 1e-9) << "case " << &c - cases;
    }
}

// Two pads through the library's joystick state, its driver standing in
// (answering polls): a stick counts from the dead zone's edge on; the
// second pad steers the right paddle only in a two-player match; a stick
// that rested at one end when the pads were found (a trigger) never
// counts; the buttons stand in for ENTER, ESC and P, or the settings' own;
// and the left paddle on keys of one's own, I and K.
TEST_F(GameTest, PadsCountFromTheDeadZonesEdgeAndEachSteersItsOwnPaddle) {
    static JOYSTICK_DRIVER pads = {1,       "",      "",      "",     nullptr, nullptr, +[] { return 0; },
                                   nullptr, nullptr, nullptr, nullptr};
    JOYSTICK_DRIVER *none = joystick_driver;
    joystick_driver = &pads, num_joysticks = 2;
    auto rest = [] {
        JOYSTICK_INFO pad{};
        pad.num_sticks = 2, pad.num_buttons = 8, pad.stick[0].num_axis = pad.stick[1].num_axis = 2;
        joy[0] = joy[1] = pad, joy[1].stick[1].axis[0].pos = -128;  // the second pad's trigger, at one end
    };
    rest(), notePadsAtRest();
    // packInput's bits; the dead zone's edge, half of the library's 128: a push counts from there
    const int P = 1, ESC = 4, ENTER = 8, LEFT = 16, RIGHT = 32, UP0 = 64, DOWN0 = 128, UP1 = 256, DOWN1 = 512,
              EDGE = 64;
    const int cases[][7] = {// pad, stick, axis, its push, a button down, players, what the tick takes
                            {0, 0, 1, -EDGE, -1, 0, UP0},  {0, 0, 1, 1 - EDGE, -1, 0, 0}, {0, 0, 1, EDGE, -1, 0, DOWN0},
                            {0, 0, 1, EDGE - 1, -1, 0, 0}, {0, 1, 0, -EDGE, -1, 0, LEFT}, {0, 0, 0, EDGE, -1, 0, RIGHT},
                            {1, 0, 1, -EDGE, -1, 1, UP1},  {1, 0, 1, EDGE, -1, 1, DOWN1}, {1, 0, 1, -EDGE, -1, 0, 0},
                            {1, 0, 0, EDGE, -1, 0, RIGHT}, {1, 1, 0, 127, -1, 1, 0},      {1, 1, 1, -127, -1, 1, 0},
                            {0, 0, 0, 0, 0, 0, ENTER},     {1, 0, 0, 0, 1, 0, ESC},       {0, 0, 0, 0, 7, 0, P},
                            {0, 0, 0, 0, 3, 0, 0}};
    for (auto &c : cases) {
        rest();
        joy[c[0]].stick[c[1]].axis[c[2]].pos = c[3];
        if (c[4] >= 0) joy[c[0]].button[c[4]].b = 1;
        p2 = static_cast<unsigned char>(c[5]), gatherInput(options.controls);
        EXPECT_EQ(packInput(input), c[6]) << "case " << &c - cases;
    }
    options.controls.buttons[PAD_PAUSE] = 3;  // Start on another button
    rest(), joy[0].button[3].b = 1, gatherInput(options.controls);
    EXPECT_TRUE(input.keys[KEY_P]);
    rest(), options.controls.keys[LEFT_UP] = KEY_I, options.controls.keys[LEFT_DOWN] = KEY_K;  // keys of one's own
    for (int k : {KEY_I, KEY_K, KEY_UP, KEY_DOWN}) {  // UP and DOWN no longer steer
        key[k] = HELD, gatherInput(options.controls), key[k] = 0;
        EXPECT_EQ(packInput(input), k == KEY_I ? UP0 : k == KEY_K ? DOWN0 : 0) << "key " << k;
    }
    options.controls = Controls{}, joystick_driver = none, num_joysticks = 0;
}
