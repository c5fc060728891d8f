// The pictures: the table, the intro splash, the paddles and their sheen,
// the ball, and the emblem that the splash and the icons share.
#include <cmath>

#include "assets.h"

namespace assets {

int clamp255(double v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v + 0.5); }

Rgb mix(Rgb a, Rgb b, double t) {
    return {clamp255(a.r + (b.r - a.r) * t), clamp255(a.g + (b.g - a.g) * t), clamp255(a.b + (b.b - a.b) * t)};
}
Rgb scale(Rgb a, double f) { return {clamp255(a.r * f), clamp255(a.g * f), clamp255(a.b * f)}; }

void Canvas::rect(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++) set(x, y, c);
}

void Canvas::disc(double cx, double cy, double r, Rgb c, double alpha) {
    for (int y = static_cast<int>(cy - r - 1); y <= static_cast<int>(cy + r + 1); y++)
        for (int x = static_cast<int>(cx - r - 1); x <= static_cast<int>(cx + r + 1); x++) {
            double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            double cover = r + 0.5 - d;
            if (cover > 0) blend(x, y, c, alpha * (cover > 1 ? 1 : cover));
        }
}

const Rgb TABLE{38, 118, 172};
const Rgb FLOOR{58, 44, 40};
const Rgb LINE{236, 240, 240};

// The table seen from above: blue playing surface, white edge lines and
// centre line, the net across the middle, the floor behind each end where
// the players stand.
Canvas background() {
    Canvas c(320, 240, TABLE);
    Random rnd{20261206};
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            bool floor = x < 20 || x >= 300;
            double grain = (rnd.unit() - 0.5) * 6;
            if (floor) {
                // Wooden boards, 24 pixels wide, with dark joints.
                int board = y / 24;
                double tone = 1.0 + 0.06 * std::sin(board * 2.3) + 0.04 * std::sin(y * 0.9 + board);
                Rgb f = scale(FLOOR, tone);
                if (y % 24 == 0) f = scale(FLOOR, 0.7);
                c.at(x, y) = {clamp255(f.r + grain), clamp255(f.g + grain), clamp255(f.b + grain)};
            } else {
                // Lighter in the middle, darker towards the long edges, so
                // dark scores read in the middle and light text at the bottom.
                double dy = std::fabs(y - 119.5) / 120.0;
                Rgb t = scale(TABLE, 1.12 - 0.30 * dy * dy);
                c.at(x, y) = {clamp255(t.r + grain), clamp255(t.g + grain), clamp255(t.b + grain)};
            }
        }
    // Shadow of the table edge on the floor.
    for (int y = 0; y < 240; y++) {
        c.blend(20 - 1, y, {0, 0, 0}, 0.45);
        c.blend(20 - 2, y, {0, 0, 0}, 0.25);
        c.blend(300, y, {0, 0, 0}, 0.45);
        c.blend(301, y, {0, 0, 0}, 0.25);
    }
    // Edge lines and the centre line.
    c.rect(20, 0, 299, 2, LINE);
    c.rect(20, 237, 299, 239, LINE);
    c.rect(20, 0, 22, 239, LINE);
    c.rect(297, 0, 299, 239, LINE);
    c.rect(20, 119, 299, 120, LINE);
    // The net: a dark band with a white top tape and a soft shadow.
    for (int y = 0; y < 240; y++) {
        c.blend(158, y, {0, 0, 0}, 0.25);
        c.set(159, y, {30, 34, 40});
        c.set(160, y, {230, 232, 235});
        c.set(161, y, {30, 34, 40});
        c.blend(162, y, {0, 0, 0}, 0.35);
        c.blend(163, y, {0, 0, 0}, 0.15);
    }
    return c;
}

// A paddle seen from above: a rounded rubber face with light from the
// top left, 10 x 60.
Canvas paddle(Rgb rubber) {
    Canvas c(10, 60, MASK);
    for (int y = 0; y < 60; y++)
        for (int x = 0; x < 10; x++) {
            // Round off the four corners.
            double cx = x < 3 ? 2.5 - x : x > 6 ? x - 6.5 : 0;
            double cy = y < 3 ? 2.5 - y : y > 56 ? y - 56.5 : 0;
            if (cx * cx + cy * cy > 10.5) continue;
            double light = 1.15 - 0.05 * x - 0.004 * y;
            Rgb p = scale(rubber, light);
            if (x == 0 || y == 0) p = mix(p, {255, 255, 255}, 0.35);
            if (x == 9 || y == 59) p = scale(p, 0.6);
            c.at(x, y) = p;
        }
    // A grip line down the middle of the face.
    for (int y = 8; y < 52; y++) c.at(5, y) = scale(c.at(5, y), 0.8);
    return c;
}

// The translucent layer over a paddle: a white sheen of the same shape.
Canvas paddleSheen() {
    Canvas shape = paddle({200, 200, 200});
    Canvas c(10, 60, MASK);
    for (int y = 0; y < 60; y++)
        for (int x = 0; x < 10; x++)
            if (shape.at(x, y).r != MASK.r || shape.at(x, y).g != MASK.g) c.at(x, y) = {255, 255, 255};
    return c;
}

// The ball, 10 x 10, orange with its highlight on the leading side.
Canvas ballImage(bool movingRight) {
    Canvas c(10, 10, MASK);
    const Rgb orange{255, 140, 30};
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 10; x++) {
            double d = std::hypot(x + 0.5 - 5, y + 0.5 - 5);
            if (d > 5.0) continue;
            double hx = movingRight ? 6.8 : 3.2;
            double h = std::hypot(x + 0.5 - hx, y + 0.5 - 3.4);
            Rgb p = scale(orange, 1.0 - 0.35 * (d / 5.0) * (d / 5.0));
            p = mix(p, {255, 250, 220}, h < 2.2 ? 0.8 * (1 - h / 2.2) : 0);
            c.at(x, y) = p;
        }
    return c;
}

// The emblem: two bats crossed under an orange ball on a blue disc. Drawn
// at any size (the splash and the icon).
static void emblem(Canvas &c, double cx, double cy, double r) {
    c.disc(cx, cy, r, {20, 60, 110});
    c.disc(cx, cy, r * 0.9, TABLE);
    c.rect(static_cast<int>(cx - r * 0.86), static_cast<int>(cy + r * 0.18), static_cast<int>(cx + r * 0.86),
           static_cast<int>(cy + r * 0.18 + std::fmax(1, r * 0.04)), LINE);
    // A bat: a round blade up and out, its handle pointing along (dx, dy).
    auto bat = [&](double dx, double dy, Rgb rubber) {
        double bx = cx - dx * r * 0.36, by = cy - dy * r * 0.36;
        for (int y = static_cast<int>(cy - r); y <= static_cast<int>(cy + r); y++)
            for (int x = static_cast<int>(cx - r); x <= static_cast<int>(cx + r); x++) {
                // Distance to the handle's centre line, a segment out from the blade.
                double px = x + 0.5 - bx, py = y + 0.5 - by;
                double t = std::fmax(r * 0.26, std::fmin(r * 0.92, px * dx + py * dy));
                double d = std::hypot(px - t * dx, py - t * dy);
                double cover = r * 0.08 + 0.5 - d;
                if (cover > 0) c.blend(x, y, {150, 98, 52}, cover > 1 ? 1 : cover);
            }
        c.disc(bx, by, r * 0.31, scale(rubber, 0.55));
        c.disc(bx, by, r * 0.28, rubber);
        c.disc(bx - r * 0.08, by - r * 0.1, r * 0.14, mix(rubber, {255, 255, 255}, 0.25), 0.6);
    };
    bat(0.707, 0.707, {235, 190, 50});
    bat(-0.707, 0.707, {200, 40, 45});
    c.disc(cx, cy - r * 0.66, r * 0.14, {255, 140, 30});
    c.disc(cx + r * 0.04, cy - r * 0.7, r * 0.05, {255, 240, 200}, 0.8);
}

// The splash: the emblem above the game's name, on a dark blue night.
Canvas intro() {
    Canvas c(320, 240, {0, 0, 0});
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            double d = std::hypot(x - 160.0, y - 100.0) / 220.0;
            c.at(x, y) = mix({24, 44, 78}, {4, 8, 18}, d > 1 ? 1 : d);
        }
    emblem(c, 160, 82, 52);
    // The name, with a shadow.
    drawText(c, FontSize::BIG, "RALLYTON", 160 - 80 + 2, 150 + 2, {0, 0, 0});
    drawText(c, FontSize::BIG, "RALLYTON", 160 - 80, 150, {240, 240, 240});
    drawText(c, FontSize::SMALL, "table tennis", 160 - 48, 186, {150, 180, 210});
    return c;
}

// An icon of any size: the emblem alone, drawn at that size.
Canvas icon(int size) {
    // Drawn over the rim colour, then cut out with a hard edge, so that no
    // pixel is half magenta.
    double centre = size / 2.0;
    Canvas c(size, size, {20, 60, 110});
    emblem(c, centre, centre, centre - 0.5);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++)
            if (std::hypot(x + 0.5 - centre, y + 0.5 - centre) > centre - 0.2) c.at(x, y) = MASK;
    return c;
}
}  // namespace assets
