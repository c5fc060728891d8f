// One paddle's wants, inertia and walls (paddle.h).
#include "paddle.h"

#include "input.h"
#include "match.h"

namespace rallyton {

namespace {
const double KEY_PUSH = 0.4;  // added to the speed in each tick a key is held
const double DAMPING = 0.9;  // the speed kept from one tick to the next: it settles at 3.6 with a key held
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

void Pong::setCoor(int x, int y) {
    this->x = x;
    this->y = y;
}

double Pong::getX() { return x; }
double Pong::getY() { return y; }
int Pong::getId() { return id; }

}  // namespace rallyton
