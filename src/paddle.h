// One player's bat: moves up and down with inertia, bounces off the
// top and bottom of the field.
#pragma once

namespace rallyton {

class Pong {
public:
    Pong();
    explicit Pong(int id);

    void handle_input();
    void move();
    void draw();
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
