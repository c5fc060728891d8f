// One player's bat: moves up and down with inertia, bounces off the
// top and bottom of the field.
#pragma once

namespace rallyton {

const int PADDLE_HEIGHT = 60;
const int LEFT_PADDLE_X = 10;  // where each paddle stands, its left edge
const int RIGHT_PADDLE_X = 295;

class Pong {
public:
    Pong();
    explicit Pong(int id);

    void handle_input();
    void move();
    void draw();  // its picture in the frame: draw.cpp
    void setCoor(int x, int y);
    double getX();
    double getY();
    int getId();

    // Open fields: the ball reads y and vel and pushes vel on a hit.
    int height;
    unsigned char id;
    double x;
    double y;
    double vel;
};

}  // namespace rallyton
