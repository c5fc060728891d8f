#include "paddle.h"

#include "game.h"
#include "input.h"

namespace rallyton {

namespace {
const double KEY_PUSH = 0.4;  // added to the speed in each tick a key is held
const double DAMPING = 0.9;  // the speed kept from one tick to the next: it settles at 3.6 with a key held
const int SHEEN_ALPHA = 30;
}  // namespace

Pong::Pong() : height(PADDLE_HEIGHT), id(0), x(0), y(0), vel(0) {}

Pong::Pong(int id) : height(PADDLE_HEIGHT), id(static_cast<unsigned char>(id)), x(0), y(0), vel(0) {}

// The paddle's keys (UP / DOWN for the left one, W / S for the right one,
// unless the settings choose others) or its pad, as this tick gathered them.
void Pong::handle_input() {
    if (id > 1) return;
    if (input.up[id]) vel -= KEY_PUSH;
    if (input.down[id]) vel += KEY_PUSH;
}

void Pong::move() {
    y += vel;
    if (y < 0) {
        y = 0;
        vel = -vel;
    }
    if (y > FIELD_H - height) {
        y = FIELD_H - height;
        vel = -vel;
    }
    vel *= DAMPING;
}

// The paddle, then its sheen translucent over it, one pixel up and left.
void Pong::draw() {
    draw_sprite(DoubleBuffer, bitmapEntry(ASSET_PADDLE_LEFT + id), static_cast<int>(x), static_cast<int>(y));
    fadeIn(bitmapEntry(ASSET_SHEEN_LEFT + id), SHEEN_ALPHA, static_cast<int>(x - 1), static_cast<int>(y - 1));
}

void Pong::setCoor(int x, int y) {
    this->x = x;
    this->y = y;
}

double Pong::getX() { return x; }
double Pong::getY() { return y; }
int Pong::getId() { return id; }

}  // namespace rallyton
