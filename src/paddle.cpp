#include "paddle.h"

#include "main.h"

namespace rallyton {

Pong::Pong() : height(60), id(0), x(0), y(0), vel(0) {}

Pong::Pong(int id) : height(60), id(static_cast<unsigned char>(id)), x(0), y(0), vel(0) {}

void Pong::handle_input() {
    if (id == 0) {
        if (key[KEY_UP]) vel -= 0.4;
        if (key[KEY_DOWN]) vel += 0.4;
    } else if (id == 1) {
        if (key[KEY_W]) vel -= 0.4;
        if (key[KEY_S]) vel += 0.4;
    }
}

void Pong::move() {
    y += vel;
    if (y < 0) {
        y = 0;
        vel = -vel;
    }
    if (y > 240 - height) {
        y = 240 - height;
        vel = -vel;
    }
    vel *= 0.9;
}

void Pong::draw() {
    draw_sprite(DoubleBuffer, bitmapEntry(2 + id), static_cast<int>(x), static_cast<int>(y));
    set_trans_blender(0, 0, 0, 30);
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    draw_trans_sprite(DoubleBuffer, bitmapEntry(4 + id), static_cast<int>(x - 1), static_cast<int>(y - 1));
    solid_mode();
}

void Pong::setCoor(int x, int y) {
    this->x = x;
    this->y = y;
}

double Pong::getX() { return x; }
double Pong::getY() { return y; }
int Pong::getId() { return id; }

}  // namespace rallyton
