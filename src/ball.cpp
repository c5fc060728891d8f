#include "ball.h"

#include <cstdlib>

#include "main.h"

namespace rallyton {

Ball::Ball() : vx(0), vy(0), size(10), passed(0), x(0), y(0), trail_x(), trail_y(), dir(0) {}

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
    passed = (x > 20.0 && x < 300 - size) ? 0 : 1;
    if (vx > 0) dir = 0;
    if (vx < 0) dir = 1;

    if (y < 0) {
        y = 0;
        vy = -vy;
    }
    if (y > 240 - size) {
        y = 240 - size;
        vy = -vy;
    }
    if (x < 0) {  // lost on the left: a point for the right side, serve to the left
        vy = 0;
        vx = -3.0;
        setCoor(160, 120);
        score[1]++;
        game_state = STATE_SERVE;
    }
    if (x > 320 - size) {
        vy = 0;
        vx = 3.0;
        setCoor(160, 120);
        score[0]++;
        game_state = STATE_SERVE;
    }
    vy *= 0.98;
}

static void drawTrans(BITMAP *image, int alpha, double x, double y) {
    set_trans_blender(0, 0, 0, alpha);
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    draw_trans_sprite(DoubleBuffer, image, static_cast<int>(x), static_cast<int>(y));
    solid_mode();
}

void Ball::draw() {
    BITMAP *image = bitmapEntry(6 + dir);
    if (passed == 0) {
        draw_sprite(DoubleBuffer, image, static_cast<int>(x), static_cast<int>(y));
        // Oldest first, so the newer copies lie on top; entry 0 is not drawn.
        for (int k = num_trail - 1; k >= 1; k--) drawTrans(image, 4 * (30 - k), trail_x[k], trail_y[k]);
    } else {
        drawTrans(image, 40, x, y);
    }
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
        hit = x > p->getX() && x < p->getX() + 17 && y + size > p->getY() && y < p->getY() + 60;
        if (hit) {
            vy += p->vel;
            vx = -vx;
            vx += 0.04;
        }
    } else {
        hit = x + size < p->getX() + 15 && x + size > p->getX() - 1 && y + size > p->getY() && y < p->getY() + 60;
        if (hit) {
            vy += p->vel;
            vx += 0.04;
            vx = -vx;
        }
    }
    if (hit && thesound) play_sample(sampleEntry(14), 255, 0, 1000, 0);
}

void Ball::AI(Pong *cpu, Pong *other) {
    int side = cpu->getId();
    if (side != 0 && side != 1) return;
    if (side == 0 && dir != 1) return;
    if (side == 1 && dir != 0) return;

    double c = y + 5;  // the ball's centre line
    if (c < cpu->y + 20) cpu->vel -= 0.22;
    else if (c > cpu->y + 40) cpu->vel += 0.22;

    double cx = cpu->getX();
    double cy = cpu->getY();
    bool inWindow;
    if (side == 0) inWindow = x > cx && x < cx + 20 && y + size > cy && y < cy + 60;
    else inWindow = x + size < cx + 15 && x + size > cx - 5 && y + size > cy && y < cy + 60;
    if (inWindow) {
        int r = rand() % 2 + 1;
        int impulse = 3 / r;
        // Jerk away from the other paddle, so the return is aimed away from it.
        if (other->y > 120) cpu->vel -= impulse;
        else cpu->vel += impulse;
    }
}

}  // namespace rallyton
