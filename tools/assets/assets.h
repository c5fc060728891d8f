// The asset program: every picture, font, tune and sound of RALLYTON made
// from code, byte for byte the same on every run. One file per medium
// (pictures, font, sounds, music), one for the file formats, a thin main.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assets {

// A small deterministic generator, so the pictures, tunes and noises
// never change from one build to the next.
struct Random {
    std::uint32_t state;
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
    double unit() { return (next() & 0xFFFF) / 65535.0; }
};

// ---- pictures (pictures.cpp) ------------------------------------------------

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
};
const Rgb MASK{255, 0, 255};  // Allegro skips this colour when drawing sprites

int clamp255(double v);
Rgb mix(Rgb a, Rgb b, double t);
Rgb scale(Rgb a, double f);

struct Canvas {
    int w, h;
    std::vector<Rgb> px;
    Canvas(int w, int h, Rgb fill) : w(w), h(h), px(static_cast<std::size_t>(w) * h, fill) {}
    Rgb &at(int x, int y) { return px[static_cast<std::size_t>(y) * w + x]; }
    const Rgb &at(int x, int y) const { return px[static_cast<std::size_t>(y) * w + x]; }
    void set(int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < w && y < h) at(x, y) = c;
    }
    void blend(int x, int y, Rgb c, double a) {
        if (x >= 0 && y >= 0 && x < w && y < h) at(x, y) = mix(at(x, y), c, a);
    }
    void rect(int x0, int y0, int x1, int y1, Rgb c);  // inclusive corners
    void disc(double cx, double cy, double r, Rgb c, double alpha = 1.0);  // soft, anti-aliased rim
};

Canvas background();
Canvas intro();
Canvas paddle(Rgb rubber);
Canvas paddleSheen();
Canvas ballImage(bool movingRight);
Canvas icon(int size);

// ---- the font (font.cpp) ------------------------------------------------------

enum class FontSize { BIG, SMALL };

// The grid Allegro imports as a font: glyphs ' ' to '~', 16 to a row,
// each box framed by lines of index 255; index 0 is clear, 1 is ink.
struct FontGrid {
    int w, h;
    std::vector<std::uint8_t> index;
};
FontGrid fontGrid(FontSize size);
void drawText(Canvas &c, FontSize size, const std::string &text, int x, int y, Rgb colour);

// ---- sounds (sounds.cpp) -------------------------------------------------------

const int SAMPLE_RATE = 22050;
std::vector<double> hitSound();
std::vector<double> clickSound();

// The mix leaves headroom: the game plays its samples at full volume, panned
// hard left, on top of the music, so the tunes' channel volume and the
// samples' peaks are set low enough that the loudest passage and a hit
// together stay below full scale. Both carry the same factor, so the
// balance between music and sounds is kept.
const int CHANNEL_VOLUME = 50;  // MIDI channel volume (controller 7) of every part
const double HIT_PEAK = 0.39;  // of full scale
const double CLICK_PEAK = 0.275;

// ---- music (music.cpp) ---------------------------------------------------------

const int PPQ = 96;  // ticks per quarter note

struct Note {
    int start, length, key, velocity;
};

struct Part {
    int channel, program;  // program -1: the drum channel
    std::vector<Note> notes;
};

struct Tune {
    int bpm;
    std::vector<Part> parts;
};

enum class Mood { BRIGHT, MELLOW, DRIVING };
Tune tune(Mood mood);

// ---- file formats (formats.cpp) ------------------------------------------------

// Each writes OUTDIR/NAME and stops the program with a message on failure.
void setOutputFolder(const std::string &folder);
void writeBmp(const std::string &name, const Canvas &c);  // 24-bit, the mask colour kept
void writeFontBmp(const std::string &name, const FontGrid &grid);  // 8-bit, palette indices kept
void writePng(const std::string &name, const Canvas &c);  // RGBA, the mask colour transparent
void writeWav(const std::string &name, const std::vector<double> &samples, double peak);  // 16-bit mono
void writeMidi(const std::string &name, const Tune &tune);  // Standard MIDI File, format 1
void writeText(const std::string &name, const std::string &text);
void writeXpmSource(const std::string &name, const Canvas &c);  // the window icon as C source
void writeIco(const std::string &name, const Canvas &c);  // 24-bit Windows icon, for the .rc

}  // namespace assets
