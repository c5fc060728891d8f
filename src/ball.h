// The ball: flies, bounces off the walls, scores at the side edges and
// leaves a fading trail. It also returns off the paddles and steers the
// computer's paddle.
#pragma once

namespace rallyton {

class Pong;

const int BALL_SIZE = 10;
const int SERVE_SPEED = 3;  // pixels per tick, straight across
const int num_trail = 30;

class Ball {
public:
    Ball();

    void move();
    void draw();  // its picture in the frame: draw.cpp
    void setCoor(int x, int y);
    void setVel(int vx, int vy);
    void collide(Pong *p);
    void AI(Pong *cpu, Pong *other);

    double vx;
    double vy;
    int size;
    unsigned char passed;  // behind a paddle line: cannot be hit, drawn faded
    double x;
    double y;
    double trail_x[num_trail];  // index 0 is the newest
    double trail_y[num_trail];
    unsigned char dir;  // 0 moving right (or never moved), 1 moving left
};

}  // namespace rallyton
