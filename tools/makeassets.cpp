// Makes every picture, font, tune and sound of RALLYTON from code, byte for
// byte the same on every run, into the folder named on the command line.
// CMake then packs them into data/data.dat with Allegro's dat tool.
//
//   makeassets OUTDIR
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "glyphs.h"

namespace {

std::string outDir;

// A small deterministic generator, so the tunes and noises never change.
struct Random {
    std::uint32_t state;
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
    double unit() { return (next() & 0xFFFF) / 65535.0; }
};

void writeFile(const std::string &name, const std::vector<std::uint8_t> &bytes) {
    std::string path = outDir + "/" + name;
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        std::fprintf(stderr, "makeassets: cannot write %s\n", path.c_str());
        std::exit(1);
    }
    std::fclose(f);
}

void put16le(std::vector<std::uint8_t> &b, unsigned v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void put32le(std::vector<std::uint8_t> &b, std::uint32_t v) {
    put16le(b, v & 0xFFFF);
    put16le(b, v >> 16);
}
void put16be(std::vector<std::uint8_t> &b, unsigned v) {
    b.push_back((v >> 8) & 0xFF);
    b.push_back(v & 0xFF);
}
void put32be(std::vector<std::uint8_t> &b, std::uint32_t v) {
    put16be(b, v >> 16);
    put16be(b, v & 0xFFFF);
}

// ---- pictures ------------------------------------------------------------

struct Rgb {
    int r, g, b;
};
const Rgb MASK{255, 0, 255};  // Allegro skips this colour when drawing sprites

int clamp255(double v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v + 0.5); }

Rgb mix(Rgb a, Rgb b, double t) {
    return {clamp255(a.r + (b.r - a.r) * t), clamp255(a.g + (b.g - a.g) * t), clamp255(a.b + (b.b - a.b) * t)};
}
Rgb scale(Rgb a, double f) { return {clamp255(a.r * f), clamp255(a.g * f), clamp255(a.b * f)}; }

struct Canvas {
    int w, h;
    std::vector<Rgb> px;
    Canvas(int w, int h, Rgb fill) : w(w), h(h), px(static_cast<std::size_t>(w) * h, fill) {}
    Rgb &at(int x, int y) { return px[static_cast<std::size_t>(y) * w + x]; }
    void set(int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < w && y < h) at(x, y) = c;
    }
    void blend(int x, int y, Rgb c, double a) {
        if (x >= 0 && y >= 0 && x < w && y < h) at(x, y) = mix(at(x, y), c, a);
    }
    void rect(int x0, int y0, int x1, int y1, Rgb c) {  // inclusive corners
        for (int y = y0; y <= y1; y++)
            for (int x = x0; x <= x1; x++) set(x, y, c);
    }
    // A disc with a soft, anti-aliased rim.
    void disc(double cx, double cy, double r, Rgb c, double alpha = 1.0) {
        for (int y = static_cast<int>(cy - r - 1); y <= static_cast<int>(cy + r + 1); y++)
            for (int x = static_cast<int>(cx - r - 1); x <= static_cast<int>(cx + r + 1); x++) {
                double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                double cover = r + 0.5 - d;
                if (cover > 0) blend(x, y, c, alpha * (cover > 1 ? 1 : cover));
            }
    }
};

// 24-bit BMP with the plain 40-byte header, which dat reads.
std::vector<std::uint8_t> bmp24(const Canvas &c) {
    int rowBytes = (c.w * 3 + 3) & ~3;
    std::vector<std::uint8_t> b;
    b.push_back('B');
    b.push_back('M');
    put32le(b, 54 + rowBytes * c.h);
    put32le(b, 0);
    put32le(b, 54);
    put32le(b, 40);
    put32le(b, c.w);
    put32le(b, c.h);
    put16le(b, 1);
    put16le(b, 24);
    put32le(b, 0);
    put32le(b, rowBytes * c.h);
    put32le(b, 2835);
    put32le(b, 2835);
    put32le(b, 0);
    put32le(b, 0);
    for (int y = c.h - 1; y >= 0; y--) {
        for (int x = 0; x < c.w; x++) {
            const Rgb &p = c.px[static_cast<std::size_t>(y) * c.w + x];
            b.push_back(p.b);
            b.push_back(p.g);
            b.push_back(p.r);
        }
        for (int i = c.w * 3; i < rowBytes; i++) b.push_back(0);
    }
    return b;
}

// 8-bit BMP for the font grids: index 0 clear, 1 ink, 255 the box lines.
std::vector<std::uint8_t> bmp8(int w, int h, const std::vector<std::uint8_t> &index) {
    int rowBytes = (w + 3) & ~3;
    std::vector<std::uint8_t> b;
    b.push_back('B');
    b.push_back('M');
    put32le(b, 54 + 1024 + rowBytes * h);
    put32le(b, 0);
    put32le(b, 54 + 1024);
    put32le(b, 40);
    put32le(b, w);
    put32le(b, h);
    put16le(b, 1);
    put16le(b, 8);
    put32le(b, 0);
    put32le(b, rowBytes * h);
    put32le(b, 2835);
    put32le(b, 2835);
    put32le(b, 256);
    put32le(b, 0);
    for (int i = 0; i < 256; i++) {
        int v = i == 1 ? 255 : 0;
        b.push_back(i == 255 ? 255 : v);  // blue
        b.push_back(v);  // green
        b.push_back(i == 255 ? 255 : v);  // red
        b.push_back(0);
    }
    for (int y = h - 1; y >= 0; y--) {
        for (int x = 0; x < w; x++) b.push_back(index[static_cast<std::size_t>(y) * w + x]);
        for (int i = w; i < rowBytes; i++) b.push_back(0);
    }
    return b;
}

// ---- the font ------------------------------------------------------------

// A glyph as a grid of on/off pixels, 5 x 9.
using Grid = std::vector<std::vector<bool>>;

Grid glyphGrid(int ch) {
    Grid g(9, std::vector<bool>(5, false));
    if (ch < 32 || ch > 126) return g;
    for (int r = 0; r < 9; r++)
        for (int c = 0; c < 5; c++) g[r][c] = (GLYPHS[ch - 32][r] >> (4 - c)) & 1;
    return g;
}

// Scale3x: triples a pixel grid and rounds its diagonal steps.
Grid scale3x(const Grid &in) {
    int h = static_cast<int>(in.size()), w = static_cast<int>(in[0].size());
    auto p = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && in[y][x]; };
    Grid out(h * 3, std::vector<bool>(w * 3, false));
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            bool A = p(x - 1, y - 1), B = p(x, y - 1), C = p(x + 1, y - 1);
            bool D = p(x - 1, y), E = p(x, y), F = p(x + 1, y);
            bool G = p(x - 1, y + 1), H = p(x, y + 1), I = p(x + 1, y + 1);
            bool e[9];
            e[0] = (D == B && D != H && B != F) ? D : E;
            e[1] = ((D == B && D != H && B != F && E != C) || (B == F && B != D && F != H && E != A)) ? B : E;
            e[2] = (B == F && B != D && F != H) ? F : E;
            e[3] = ((D == B && D != H && B != F && E != G) || (D == H && D != B && H != F && E != A)) ? D : E;
            e[4] = E;
            e[5] = ((B == F && B != D && F != H && E != I) || (H == F && D != H && B != F && E != C)) ? F : E;
            e[6] = (D == H && D != B && H != F) ? D : E;
            e[7] = ((D == H && D != B && H != F && E != I) || (H == F && D != H && B != F && E != G)) ? H : E;
            e[8] = (H == F && D != H && B != F) ? F : E;
            for (int k = 0; k < 9; k++) out[y * 3 + k / 3][x * 3 + k % 3] = e[k];
        }
    return out;
}

// A one-pixel bold: each pixel also inks its right-hand neighbour.
Grid bold(const Grid &in) {
    Grid out(in.size(), std::vector<bool>(in[0].size() + 1, false));
    for (std::size_t y = 0; y < in.size(); y++)
        for (std::size_t x = 0; x < in[0].size(); x++)
            if (in[y][x]) out[y][x] = out[y][x + 1] = true;
    return out;
}

Grid bigGlyph(int ch) { return scale3x(glyphGrid(ch)); }  // 15 x 27
Grid smallGlyph(int ch) { return bold(glyphGrid(ch)); }  // 6 x 9

struct FontStyle {
    int cellW, cellH, inkX, inkY;
    Grid (*glyph)(int);
};
const FontStyle BIG{20, 28, 2, 0, bigGlyph};  // the title, scores, "PAUSED"
const FontStyle SMALL{8, 11, 1, 1, smallGlyph};  // the tag, menu items, status line

// The grid Allegro imports: glyphs ' ' to '~', 16 to a row, each box
// framed by lines of colour 255.
std::vector<std::uint8_t> fontGrid(const FontStyle &s) {
    int cols = 16, rows = 6;
    int w = cols * (s.cellW + 1) + 1, h = rows * (s.cellH + 1) + 1;
    std::vector<std::uint8_t> index(static_cast<std::size_t>(w) * h, 255);
    for (int ch = 32; ch <= 126; ch++) {
        int i = ch - 32;
        int x0 = 1 + (i % cols) * (s.cellW + 1), y0 = 1 + (i / cols) * (s.cellH + 1);
        for (int y = 0; y < s.cellH; y++)
            for (int x = 0; x < s.cellW; x++) index[static_cast<std::size_t>(y0 + y) * w + x0 + x] = 0;
        Grid g = s.glyph(ch);
        for (std::size_t y = 0; y < g.size(); y++)
            for (std::size_t x = 0; x < g[0].size(); x++)
                if (g[y][x]) index[static_cast<std::size_t>(y0 + s.inkY + y) * w + x0 + s.inkX + x] = 1;
    }
    return bmp8(w, h, index);
}

void drawText(Canvas &c, const FontStyle &s, const std::string &text, int x, int y, Rgb colour) {
    for (char ch : text) {
        Grid g = s.glyph(static_cast<unsigned char>(ch));
        for (std::size_t gy = 0; gy < g.size(); gy++)
            for (std::size_t gx = 0; gx < g[0].size(); gx++)
                if (g[gy][gx]) c.set(x + s.inkX + static_cast<int>(gx), y + s.inkY + static_cast<int>(gy), colour);
        x += s.cellW;
    }
}

// ---- the pictures --------------------------------------------------------

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
void emblem(Canvas &c, double cx, double cy, double r) {
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
    drawText(c, BIG, "RALLYTON", 160 - 80 + 2, 150 + 2, {0, 0, 0});
    drawText(c, BIG, "RALLYTON", 160 - 80, 150, {240, 240, 240});
    drawText(c, SMALL, "table tennis", 160 - 48, 186, {150, 180, 210});
    return c;
}

// The icon, 32 x 32: the emblem alone.
Canvas icon() {
    // Drawn over the rim colour, then cut out with a hard edge, so that no
    // pixel is half magenta.
    Canvas c(32, 32, {20, 60, 110});
    emblem(c, 16, 16, 15.5);
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++)
            if (std::hypot(x + 0.5 - 16, y + 0.5 - 16) > 15.8) c.at(x, y) = MASK;
    return c;
}

std::string iconXpm(const Canvas &c) {
    // One character per colour; the icon has few enough colours to fit in
    // two characters each.
    std::vector<Rgb> palette;
    std::vector<int> index;
    for (const Rgb &p : c.px) {
        int found = -1;
        for (std::size_t i = 0; i < palette.size(); i++)
            if (palette[i].r == p.r && palette[i].g == p.g && palette[i].b == p.b) found = static_cast<int>(i);
        if (found < 0) {
            found = static_cast<int>(palette.size());
            palette.push_back(p);
        }
        index.push_back(found);
    }
    const std::string chars = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    auto code = [&](int i) { return std::string(1, chars[i / chars.size()]) + chars[i % chars.size()]; };
    std::string s = "// The window icon, made by makeassets.\nconst char *rallyton_icon_xpm[] = {\n";
    s += "\"32 32 " + std::to_string(palette.size()) + " 2\",\n";
    for (std::size_t i = 0; i < palette.size(); i++) {
        char colour[16];
        const Rgb &p = palette[i];
        if (p.r == MASK.r && p.g == MASK.g && p.b == MASK.b) std::snprintf(colour, sizeof colour, "None");
        else std::snprintf(colour, sizeof colour, "#%02X%02X%02X", p.r, p.g, p.b);
        s += "\"" + code(static_cast<int>(i)) + " c " + colour + "\",\n";
    }
    for (int y = 0; y < 32; y++) {
        s += "\"";
        for (int x = 0; x < 32; x++) s += code(index[static_cast<std::size_t>(y) * 32 + x]);
        s += y < 31 ? "\",\n" : "\"};\n";
    }
    return s;
}

// A Windows icon file holding the same image in 24-bit colour.
std::vector<std::uint8_t> iconIco(const Canvas &c) {
    std::vector<std::uint8_t> b;
    int xorBytes = 32 * 32 * 3, andBytes = 32 * 4;
    put16le(b, 0);
    put16le(b, 1);
    put16le(b, 1);
    b.push_back(32);
    b.push_back(32);
    b.push_back(0);
    b.push_back(0);
    put16le(b, 1);
    put16le(b, 24);
    put32le(b, 40 + xorBytes + andBytes);
    put32le(b, 22);
    put32le(b, 40);
    put32le(b, 32);
    put32le(b, 64);
    put16le(b, 1);
    put16le(b, 24);
    put32le(b, 0);
    put32le(b, xorBytes + andBytes);
    put32le(b, 0);
    put32le(b, 0);
    put32le(b, 0);
    put32le(b, 0);
    auto masked = [&](int x, int y) {
        const Rgb &p = c.px[static_cast<std::size_t>(y) * 32 + x];
        return p.r == MASK.r && p.g == MASK.g && p.b == MASK.b;
    };
    for (int y = 31; y >= 0; y--)
        for (int x = 0; x < 32; x++) {
            const Rgb &p = c.px[static_cast<std::size_t>(y) * 32 + x];
            bool m = masked(x, y);
            b.push_back(m ? 0 : p.b);
            b.push_back(m ? 0 : p.g);
            b.push_back(m ? 0 : p.r);
        }
    for (int y = 31; y >= 0; y--)
        for (int byte = 0; byte < 4; byte++) {
            int bits = 0;
            for (int k = 0; k < 8; k++)
                if (masked(byte * 8 + k, y)) bits |= 0x80 >> k;
            b.push_back(static_cast<std::uint8_t>(bits));
        }
    return b;
}

// A PNG of the icon, for the desktop entry: RGBA, with the mask colour
// made transparent, stored without compression (it is tiny).
std::uint32_t crc32(const std::vector<std::uint8_t> &b, std::size_t from) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = from; i < b.size(); i++) {
        c ^= b[i];
        for (int k = 0; k < 8; k++) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return c ^ 0xFFFFFFFFu;
}

void pngChunk(std::vector<std::uint8_t> &png, const char *type, const std::vector<std::uint8_t> &body) {
    put32be(png, static_cast<std::uint32_t>(body.size()));
    std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), body.begin(), body.end());
    put32be(png, crc32(png, start));
}

std::vector<std::uint8_t> pngImage(const Canvas &c) {
    std::vector<std::uint8_t> raw;  // each row: filter 0, then RGBA pixels
    for (int y = 0; y < c.h; y++) {
        raw.push_back(0);
        for (int x = 0; x < c.w; x++) {
            const Rgb &p = c.px[static_cast<std::size_t>(y) * c.w + x];
            bool masked = p.r == MASK.r && p.g == MASK.g && p.b == MASK.b;
            raw.insert(raw.end(),
                       {static_cast<std::uint8_t>(masked ? 0 : p.r), static_cast<std::uint8_t>(masked ? 0 : p.g),
                        static_cast<std::uint8_t>(masked ? 0 : p.b), static_cast<std::uint8_t>(masked ? 0 : 255)});
        }
    }
    std::vector<std::uint8_t> z{0x78, 0x01};  // zlib stream of stored blocks
    for (std::size_t at = 0; at < raw.size(); at += 65535) {
        std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        z.push_back(at + n == raw.size() ? 1 : 0);
        put16le(z, static_cast<unsigned>(n));
        put16le(z, static_cast<unsigned>(~n & 0xFFFF));
        z.insert(z.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + n));
    }
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    put32be(z, (b << 16) | a);

    std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    put32be(header, static_cast<std::uint32_t>(c.w));
    put32be(header, static_cast<std::uint32_t>(c.h));
    header.insert(header.end(), {8, 6, 0, 0, 0});
    pngChunk(png, "IHDR", header);
    pngChunk(png, "IDAT", z);
    pngChunk(png, "IEND", {});
    return png;
}

// ---- sounds --------------------------------------------------------------

const int RATE = 22050;

// 16-bit mono PCM WAV, peak-normalised to `peak` of full scale.
std::vector<std::uint8_t> wav(std::vector<double> samples, double peak) {
    double top = 0;
    for (double s : samples) top = std::fmax(top, std::fabs(s));
    std::vector<std::uint8_t> b;
    std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put32le(b, 36 + dataBytes);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32le(b, 16);
    put16le(b, 1);
    put16le(b, 1);
    put32le(b, RATE);
    put32le(b, RATE * 2);
    put16le(b, 2);
    put16le(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put32le(b, dataBytes);
    for (double s : samples) {
        long v = std::lround(s / top * peak * 32767.0);
        put16le(b, static_cast<unsigned>(static_cast<std::uint16_t>(static_cast<std::int16_t>(v))));
    }
    return b;
}

// The paddle hit: a hollow wooden knock with a bright snap on top.
std::vector<double> hitSound() {
    Random rnd{1234};
    std::vector<double> s(RATE * 12 / 100);
    double lp = 0;
    for (std::size_t i = 0; i < s.size(); i++) {
        double t = static_cast<double>(i) / RATE;
        double body = std::sin(2 * M_PI * 410 * t) * std::exp(-t / 0.030);
        double shell = 0.6 * std::sin(2 * M_PI * 1130 * t) * std::exp(-t / 0.012);
        lp += 0.35 * ((rnd.unit() * 2 - 1) - lp);
        double snap = 0.8 * lp * std::exp(-t / 0.003);
        double attack = t < 0.0008 ? t / 0.0008 : 1;
        s[i] = attack * (body + shell + snap);
    }
    return s;
}

// The menu click: a short, light tick.
std::vector<double> clickSound() {
    Random rnd{4321};
    std::vector<double> s(RATE * 3 / 100);
    for (std::size_t i = 0; i < s.size(); i++) {
        double t = static_cast<double>(i) / RATE;
        double tone = std::sin(2 * M_PI * 2350 * t) * std::exp(-t / 0.005);
        double noise = 0.3 * (rnd.unit() * 2 - 1) * std::exp(-t / 0.0015);
        double attack = t < 0.0004 ? t / 0.0004 : 1;
        s[i] = attack * (tone + noise);
    }
    return s;
}

// ---- music ---------------------------------------------------------------

const int PPQ = 96;  // ticks per quarter note

struct Note {
    int start, length, key, velocity;
};

struct Part {
    int channel, program;  // program -1: the drum channel
    std::vector<Note> notes;
};

std::vector<std::uint8_t> varLen(std::uint32_t v) {
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(v & 0x7F)};
    while (v >>= 7) out.insert(out.begin(), static_cast<std::uint8_t>((v & 0x7F) | 0x80));
    return out;
}

std::vector<std::uint8_t> trackChunk(const std::vector<std::uint8_t> &events) {
    std::vector<std::uint8_t> b{'M', 'T', 'r', 'k'};
    put32be(b, static_cast<std::uint32_t>(events.size()));
    b.insert(b.end(), events.begin(), events.end());
    return b;
}

// A Standard MIDI File of format 1: a tempo track, then one track a part.
std::vector<std::uint8_t> midiFile(int bpm, const std::vector<Part> &parts) {
    std::vector<std::uint8_t> b{'M', 'T', 'h', 'd'};
    put32be(b, 6);
    put16be(b, 1);
    put16be(b, static_cast<unsigned>(parts.size() + 1));
    put16be(b, PPQ);

    std::vector<std::uint8_t> tempo{0x00, 0xFF, 0x51, 0x03};
    std::uint32_t usPerBeat = 60000000u / static_cast<std::uint32_t>(bpm);
    tempo.push_back((usPerBeat >> 16) & 0xFF);
    tempo.push_back((usPerBeat >> 8) & 0xFF);
    tempo.push_back(usPerBeat & 0xFF);
    tempo.insert(tempo.end(), {0x00, 0xFF, 0x2F, 0x00});
    auto t = trackChunk(tempo);
    b.insert(b.end(), t.begin(), t.end());

    // No note rings longer than 0.45 s: the music switch and the pause only
    // stop notes from starting, so the music falls silent within half a second.
    const int longest = static_cast<int>(0.45 * bpm / 60.0 * PPQ);
    for (const Part &part : parts) {
        struct Event {
            int time, order, status, a, b;
        };
        std::vector<Event> events;
        for (const Note &n : part.notes) {
            events.push_back({n.start + std::min(n.length, longest), 0, 0x80 | part.channel, n.key, 0});  // offs first
            events.push_back({n.start, 1, 0x90 | part.channel, n.key, n.velocity});
        }
        std::stable_sort(events.begin(), events.end(), [](const Event &x, const Event &y) {
            return x.time != y.time ? x.time < y.time : x.order < y.order;
        });
        std::vector<std::uint8_t> e;
        if (part.program >= 0)
            e.insert(e.end(),
                     {0x00, static_cast<std::uint8_t>(0xC0 | part.channel), static_cast<std::uint8_t>(part.program)});
        e.insert(e.end(), {0x00, static_cast<std::uint8_t>(0xB0 | part.channel), 7, 110});
        int now = 0;
        for (const Event &ev : events) {
            auto d = varLen(static_cast<std::uint32_t>(ev.time - now));
            e.insert(e.end(), d.begin(), d.end());
            e.push_back(static_cast<std::uint8_t>(ev.status));
            e.push_back(static_cast<std::uint8_t>(ev.a));
            e.push_back(static_cast<std::uint8_t>(ev.b));
            now = ev.time;
        }
        e.insert(e.end(), {0x00, 0xFF, 0x2F, 0x00});
        auto chunk = trackChunk(e);
        b.insert(b.end(), chunk.begin(), chunk.end());
    }
    return b;
}

// A chord is a root note and a quality; its tones are a triad above it.
struct Chord {
    int root;  // MIDI note of the root, in the bass's octave
    bool minor;
    std::vector<int> tones() const { return {root, root + (minor ? 3 : 4), root + 7}; }
};

struct Style {
    int bpm;
    int seed;
    std::vector<int> scale;  // pitch classes the melody may use
    std::vector<Chord> verse, bridge;  // eight bars each
    std::string form;  // sections: I intro, A verse, B bridge, O outro
    int lead, comp, bass;  // General MIDI programs freepats has
    int leadOctave;  // added to chord roots for the melody
    const char *kick, *snare, *hat;  // sixteen steps a bar: x loud, o soft, . rest
    int kickKey, snareKey, hatKey, crashKey;
    int compStyle;  // 0 off-beat stabs, 1 held chords, 2 quarter pulse
    int bassStyle;  // 0 root-fifth eighths, 1 walking quarters, 2 driving eighths
};

const int BAR = PPQ * 4;
const int STEP = PPQ / 4;  // a sixteenth

// The melody of one section: two-bar phrases whose rhythm repeats and
// whose notes lean on the chord of each bar.
std::vector<Note> melody(const Style &st, const std::vector<Chord> &chords, int startBar, Random &rnd) {
    static const int rhythms[][8] = {
        // lengths in eighths, 0 ends the list; each sums to 8 (one bar)
        {2, 1, 1, 2, 2, 0}, {1, 1, 1, 1, 2, 2, 0}, {3, 1, 2, 2, 0},
        {2, 2, 1, 1, 2, 0}, {1, 2, 1, 2, 2, 0},    {4, 2, 2, 0},
    };
    const int nRhythms = sizeof rhythms / sizeof rhythms[0];
    const int motif[2] = {rnd.below(nRhythms), rnd.below(nRhythms)};
    std::vector<Note> notes;
    int last = chords[0].root + st.leadOctave + 7;
    auto inScale = [&](int n) {
        for (int pc : st.scale)
            if ((n % 12 + 12) % 12 == pc) return true;
        return false;
    };
    for (std::size_t bar = 0; bar < chords.size(); bar++) {
        const int *rhythm = rhythms[motif[bar % 2]];
        if (bar % 4 == 3) rhythm = rhythms[5];  // every phrase breathes at its end
        int t = 0;
        for (int k = 0; rhythm[k]; k++) {
            int len = rhythm[k] * PPQ / 2;
            int pitch;
            if (t % PPQ == 0) {  // on the beat: the nearest chord tone
                std::vector<int> tones = chords[bar].tones();
                int best = last, dist = 99;
                for (int tone : tones)
                    for (int oct = -12; oct <= 24; oct += 12) {
                        int cand = tone + st.leadOctave + oct;
                        int d = std::abs(cand - last) + rnd.below(4);
                        if (d < dist && cand >= 60 && cand <= 86) {
                            dist = d;
                            best = cand;
                        }
                    }
                pitch = best;
            } else {  // between beats: a step along the scale
                int dirn = rnd.below(2) ? 1 : -1;
                if (last > 80) dirn = -1;
                if (last < 64) dirn = 1;
                pitch = last + dirn;
                while (!inScale(pitch)) pitch += dirn;
            }
            bool rest = k > 0 && rnd.below(9) == 0;
            if (!rest)
                notes.push_back({(startBar + static_cast<int>(bar)) * BAR + t, len - 8, pitch, 92 + rnd.below(20)});
            last = pitch;
            t += len;
        }
    }
    return notes;
}

std::vector<Note> drumBar(const Style &st, int bar, bool fill, bool crash) {
    std::vector<Note> notes;
    auto pattern = [&](const char *p, int keyNote) {
        for (int i = 0; i < 16; i++)
            if (p[i] == 'x' || p[i] == 'o')
                notes.push_back({bar * BAR + i * STEP, STEP, keyNote, p[i] == 'x' ? 112 : 72});
    };
    pattern(st.kick, st.kickKey);
    pattern(fill ? "....x.x.xxxxx.xx" : st.snare, st.snareKey);
    pattern(st.hat, st.hatKey);
    if (crash) notes.push_back({bar * BAR, PPQ, st.crashKey, 110});
    return notes;
}

std::vector<Note> bassBar(const Style &st, const Chord &c, int bar) {
    std::vector<Note> notes;
    int r = c.root - 12;
    int start = bar * BAR;
    if (st.bassStyle == 0) {
        const int seq[8] = {0, 0, 7, 0, 12, 0, 7, 0};
        for (int i = 0; i < 8; i++) notes.push_back({start + i * PPQ / 2, PPQ / 2 - 6, r + seq[i], 100});
    } else if (st.bassStyle == 1) {
        const int seq[4] = {0, c.minor ? 3 : 4, 7, 5};
        for (int i = 0; i < 4; i++) notes.push_back({start + i * PPQ, PPQ - 8, r + seq[i], 96});
    } else {
        for (int i = 0; i < 8; i++)
            notes.push_back({start + i * PPQ / 2, PPQ / 2 - 10, r + (i == 6 ? 7 : 0), i % 2 ? 88 : 110});
    }
    return notes;
}

std::vector<Note> compBar(const Style &st, const Chord &c, int bar) {
    std::vector<Note> notes;
    int start = bar * BAR;
    for (int tone : c.tones()) {
        int n = tone + 12;
        if (st.compStyle == 0) {
            for (int i = 0; i < 4; i++) notes.push_back({start + i * PPQ + PPQ / 2, PPQ / 3, n, 70});
        } else if (st.compStyle == 1) {
            notes.push_back({start, BAR - 12, n, 62});
        } else {
            for (int i = 0; i < 4; i++) notes.push_back({start + i * PPQ, PPQ / 2, n, i == 0 ? 78 : 64});
        }
    }
    return notes;
}

std::vector<std::uint8_t> song(const Style &st) {
    Random rnd{static_cast<std::uint32_t>(st.seed)};
    Part lead{0, st.lead, {}}, comp{1, st.comp, {}}, bass{2, st.bass, {}}, drums{9, -1, {}};
    std::vector<Note> verseTune, bridgeTune;
    int bar = 0;
    auto add = [](std::vector<Note> &to, const std::vector<Note> &from, int shift) {
        for (Note n : from) {
            n.start += shift;
            to.push_back(n);
        }
    };
    for (char section : st.form) {
        const std::vector<Chord> &chords = section == 'B' ? st.bridge : st.verse;
        int bars = section == 'I' || section == 'O' ? 4 : 8;
        if (section == 'A' || section == 'B') {
            std::vector<Note> &tune = section == 'A' ? verseTune : bridgeTune;
            if (tune.empty()) tune = melody(st, chords, 0, rnd);  // a section's tune comes back unchanged
            add(lead.notes, tune, bar * BAR);
        }
        for (int b = 0; b < bars; b++) {
            const Chord &c = chords[static_cast<std::size_t>(b)];
            bool last = section == 'O' && b == bars - 1;
            if (last) {  // the final chord rings out
                for (int tone : chords[0].tones()) comp.notes.push_back({(bar + b) * BAR, BAR * 2, tone + 12, 80});
                bass.notes.push_back({(bar + b) * BAR, BAR * 2, chords[0].root - 12, 100});
                lead.notes.push_back({(bar + b) * BAR, BAR * 2, chords[0].root + st.leadOctave + 12, 96});
                drums.notes.push_back({(bar + b) * BAR, PPQ, st.crashKey, 120});
                drums.notes.push_back({(bar + b) * BAR, PPQ, st.kickKey, 120});
                continue;
            }
            add(comp.notes, compBar(st, c, bar + b), 0);
            add(bass.notes, bassBar(st, c, bar + b), 0);
            add(drums.notes, drumBar(st, bar + b, b == bars - 1 && section != 'O', b == 0 && section != 'I'), 0);
        }
        bar += bars;
    }
    return midiFile(st.bpm, {lead, comp, bass, drums});
}

// Three moods. C D E F G A B are 60 62 64 65 67 69 71 an octave up.
std::vector<Style> styles() {
    const int C = 48, D = 50, E = 52, F = 53, G = 55, A = 57, B = 59, Bb = 58;
    Style bright{132,
                 7,
                 {0, 2, 4, 5, 7, 9, 11},
                 {{C, false}, {G, false}, {A, true}, {F, false}, {C, false}, {G, false}, {F, false}, {G, false}},
                 {{A, true}, {F, false}, {C, false}, {G, false}, {A, true}, {F, false}, {G, false}, {G, false}},
                 "IAABABAO",
                 80,
                 4,
                 38,
                 24,
                 "x.....x.x.......",
                 "....x.......x...",
                 "x.x.x.x.x.x.x.xo",
                 36,
                 38,
                 42,
                 49,
                 0,
                 0};
    Style mellow{96,
                 11,
                 {2, 4, 5, 7, 9, 11, 0},
                 {{D, true}, {G, false}, {A, true}, {E, true}, {D, true}, {G, false}, {C, false}, {A, false}},
                 {{F, false}, {C, false}, {G, false}, {D, true}, {Bb, false}, {F, false}, {G, false}, {A, false}},
                 "IAABAO",
                 66,
                 5,
                 33,
                 12,
                 "x.......x..o....",
                 "....o.......o..o",
                 "x..ox..ox..ox..o",
                 35,
                 37,
                 51,
                 55,
                 1,
                 1};
    Style driving{150,
                  23,
                  {4, 6, 7, 9, 11, 0, 2},
                  {{E, true}, {C, false}, {D, false}, {B, true}, {E, true}, {C, false}, {D, false}, {D, false}},
                  {{C, false}, {D, false}, {E, true}, {E, true}, {A, true}, {C, false}, {B, false}, {B, false}},
                  "IAABABAO",
                  29,
                  45,
                  34,
                  24,
                  "x.x...x.x.x...x.",
                  "....x.......x...",
                  "xoxoxoxoxoxoxoxo",
                  36,
                  40,
                  42,
                  57,
                  2,
                  2};
    return {bright, mellow, driving};
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeassets OUTDIR\n");
        return 2;
    }
    outDir = argv[1];

    writeFile("00_table.bmp", bmp24(background()));
    writeFile("01_intro.bmp", bmp24(intro()));
    writeFile("02_paddle_left.bmp", bmp24(paddle({205, 45, 50})));
    writeFile("03_paddle_right.bmp", bmp24(paddle({240, 195, 55})));
    writeFile("04_sheen_left.bmp", bmp24(paddleSheen()));
    writeFile("05_sheen_right.bmp", bmp24(paddleSheen()));
    writeFile("06_ball_right.bmp", bmp24(ballImage(true)));
    writeFile("07_ball_left.bmp", bmp24(ballImage(false)));
    writeFile("08_font_big.bmp", fontGrid(BIG));
    writeFile("09_font_small.bmp", fontGrid(SMALL));
    const std::string about = "RALLYTON v1.1: table tennis seen from above.\n";
    writeFile("10_about.txt", std::vector<std::uint8_t>(about.begin(), about.end()));
    std::vector<Style> moods = styles();
    writeFile("11_bright.mid", song(moods[0]));
    writeFile("12_mellow.mid", song(moods[1]));
    writeFile("13_driving.mid", song(moods[2]));
    writeFile("14_hit.wav", wav(hitSound(), 0.85));
    writeFile("15_click.wav", wav(clickSound(), 0.6));

    Canvas ic = icon();
    std::string xpm = iconXpm(ic);
    writeFile("icon_xpm.cpp", std::vector<std::uint8_t>(xpm.begin(), xpm.end()));
    writeFile("rallyton.ico", iconIco(ic));
    writeFile("icon.bmp", bmp24(ic));
    writeFile("icon.png", pngImage(ic));
    return 0;
}
