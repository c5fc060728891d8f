// The ball's flight, walls, points, bounce and the computer's paddle (ball.h).
#include "ball.h"

#include "match.h"

namespace rallyton {

namespace {

// The paddle lines: with its left edge at or left of LEFT_LINE, or its right
// edge at or right of RIGHT_LINE, the ball is behind a paddle.
const double LEFT_LINE = 20;
const double RIGHT_LINE = 300;
const double SPIN_DAMPING = 0.98;  // the vertical speed kept from one tick to the next
const double HIT_SPEEDUP = 0.04;  // added to the horizontal speed by every hit

// The hit windows, from the paddle's left edge, all bounds excluded: the
// ball's left edge within (0, 17) at the left paddle, its right edge within
// (-1, 15) at the right paddle.
const double LEFT_HIT_REACH = 17;
const double RIGHT_HIT_FRONT = -1, RIGHT_HIT_BACK = 15;

// The computer's kick windows, a little wider, so that it jerks its paddle
// in the ticks before the hit.
const double LEFT_KICK_REACH = 20;
const double RIGHT_KICK_FRONT = -5, RIGHT_KICK_BACK = 15;

const double AI_PUSH = 0.22;  // the computer's steering: about half a player's
const double AI_BAND_TOP = 20, AI_BAND_BOTTOM = 40;  // around the paddle's centre, where it does not steer
const int KICK = 3;  // the kick is KICK or KICK / 2, at random

}  // namespace

Ball::Ball() : vx(0), vy(0), size(BALL_SIZE), passed(0), x(0), y(0), trail_x(), trail_y(), dir(0) {}

void Ball::move() {
    for (int k = num_trail - 1; k >= 1; k--) {
        trail_x[k] = trail_x[k - 1];
        trail_y[k] = trail_y[k - 1];
    }
    trail_x[0] = x;
    trail_y[0] = y;

    x += vx;
    y += vy;

    // Judged on the raw step, before the walls and the goals correct it.
    passed = (x > LEFT_LINE && x < RIGHT_LINE - size) ? 0 : 1;
    if (vx > 0) dir = 0;
    if (vx < 0) dir = 1;

    if (y < 0) {
        y = 0;
        vy = -vy;
    }
    if (y > FIELD_H - size) {
        y = FIELD_H - size;
        vy = -vy;
    }
    // Out at a side: a point for the other side, and the ball waits at the
    // field's centre to be served towards the side that lost it.
    if (x < 0) {
        vy = 0;
        vx = -SERVE_SPEED;
        setCoor(FIELD_W / 2, FIELD_H / 2);
        score[1]++;
        game_state = STATE_SERVE;
    }
    if (x > FIELD_W - size) {
        vy = 0;
        vx = SERVE_SPEED;
        setCoor(FIELD_W / 2, FIELD_H / 2);
        score[0]++;
        game_state = STATE_SERVE;
    }
    vy *= SPIN_DAMPING;
}

void Ball::setCoor(int x, int y) {
    this->x = x;
    this->y = y;
    for (int k = 0; k < num_trail; k++) {
        trail_x[k] = x;
        trail_y[k] = y;
    }
}

void Ball::setVel(int vx, int vy) {
    this->vx = vx;
    this->vy = vy;
}

void Ball::collide(Pong *p) {
    if (passed) return;
    bool hit;
    if (p->getId() == 0) {
        hit = x > p->getX() && x < p->getX() + LEFT_HIT_REACH && y + size > p->getY() && y < p->getY() + PADDLE_HEIGHT;
        if (hit) {
            vy += p->vel;
            vx = -vx;
            vx += HIT_SPEEDUP;
        }
    } else {
        hit = x + size < p->getX() + RIGHT_HIT_BACK && x + size > p->getX() + RIGHT_HIT_FRONT && y + size > p->getY() &&
              y < p->getY() + PADDLE_HEIGHT;
        if (hit) {
            vy += p->vel;
            vx += HIT_SPEEDUP;
            vx = -vx;
        }
    }
    if (hit) events.add(EVENT_HIT);
}

void Ball::AI(Pong *cpu, Pong *other) {
    int side = cpu->getId();
    if (side != 0 && side != 1) return;
    if (side == 0 && dir != 1) return;
    if (side == 1 && dir != 0) return;

    double c = y + size / 2;  // the ball's centre line
    if (c < cpu->y + AI_BAND_TOP) cpu->vel -= AI_PUSH;
    else if (c > cpu->y + AI_BAND_BOTTOM) cpu->vel += AI_PUSH;

    double cx = cpu->getX();
    double cy = cpu->getY();
    bool inWindow;
    if (side == 0) inWindow = x > cx && x < cx + LEFT_KICK_REACH && y + size > cy && y < cy + PADDLE_HEIGHT;
    else
        inWindow = x + size < cx + RIGHT_KICK_BACK && x + size > cx + RIGHT_KICK_FRONT && y + size > cy &&
                   y < cy + PADDLE_HEIGHT;
    if (inWindow) {
        int r = cpuRandom() % 2 + 1;
        int impulse = KICK / r;
        // Jerk away from the other paddle, so the return is aimed away from it.
        if (other->y > FIELD_H / 2) cpu->vel -= impulse;
        else cpu->vel += impulse;
    }
}

}  // namespace rallyton
