// The picture: what blitBuffer keeps of the frames it sent and sends of a
// new one (only the tiles that changed, enlarged), and the drawing helpers
// every screen uses (the two text functions, fadeIn).
#include "picture.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "assets.h"
#include "field.h"

namespace rallyton {

BITMAP *DoubleBuffer = nullptr;
BITMAP *Black = nullptr;
int zoom = 1;
int picture_x = 0;
int picture_y = 0;

bool createFrameBitmaps() {
    DoubleBuffer = create_bitmap(FIELD_W, FIELD_H);
    Black = create_bitmap(FIELD_W, FIELD_H);
    if (!DoubleBuffer || !Black) return false;
    clear_to_color(DoubleBuffer, makecol(0, 0, 0));
    clear_to_color(Black, makecol(0, 0, 0));
    return true;
}

static const int TILE = 8;  // the tiles compared, in the field's pixels: 40 x 30 of them
static BITMAP *Shown = nullptr;  // the frame on the screen, at 1x
static BITMAP *Strip = nullptr;  // one row of tiles, enlarged
static std::atomic<int> sendWhole{1};  // the screen does not hold the last frame: send the next one whole

void releasePicture() {
    if (Shown) destroy_bitmap(Shown);
    if (Strip) destroy_bitmap(Strip);
    Shown = Strip = nullptr;
}

void enlarge(BITMAP *from, int x, int y, int w, int h, BITMAP *to, int toX, int toY, int n) {
    std::size_t rowBytes = sizeof(std::uint32_t) * std::size_t(w * n);
    for (int row = 0; row < h; row++) {
        const std::uint32_t *in = reinterpret_cast<const std::uint32_t *>(from->line[y + row]) + x;
        std::uint32_t *wide = reinterpret_cast<std::uint32_t *>(to->line[toY + row * n]) + toX;
        for (int i = 0; i < w; i++)
            for (int k = 0; k < n; k++) *wide++ = in[i];
        for (int k = 1; k < n; k++)
            std::memcpy(reinterpret_cast<std::uint32_t *>(to->line[toY + row * n + k]) + toX,
                        reinterpret_cast<std::uint32_t *>(to->line[toY + row * n]) + toX, rowBytes);
    }
}

// Only what changed is enlarged and sent: the frame last sent is kept at
// 1x, and compared with the new one tile by tile; each run of changed tiles
// side by side is enlarged into a strip and sent with one blit, which the
// library's X driver puts on the window in one request. (Its stretch_blit
// goes to the screen a row at a time, each row the window's whole width.)
// The window system's own redraws (an uncovered window) come from the
// library's copy of the screen, which always holds the whole picture.
namespace {
// Which tiles of tile row ty differ from the frame shown, compared a row of
// pixels at a time (the memory in order).
void changedTiles(int ty, bool changed[]) {
    std::size_t bytes = sizeof(std::uint32_t) * TILE;
    for (int y = ty * TILE; y < (ty + 1) * TILE; y++) {
        const std::uint32_t *now = reinterpret_cast<const std::uint32_t *>(DoubleBuffer->line[y]);
        const std::uint32_t *then = reinterpret_cast<const std::uint32_t *>(Shown->line[y]);
        for (int tx = 0; tx < FIELD_W / TILE; tx++)
            changed[tx] = changed[tx] || std::memcmp(now + tx * TILE, then + tx * TILE, bytes) != 0;
    }
}

// Tiles tx0 .. tx1 - 1 of tile row ty, to the screen and into Shown.
void sendTiles(int tx0, int tx1, int ty) {
    int x = tx0 * TILE, y = ty * TILE, w = (tx1 - tx0) * TILE;
    if (zoom == 1) {
        blit(DoubleBuffer, screen, x, y, picture_x + x, picture_y + y, w, TILE);
    } else {
        enlarge(DoubleBuffer, x, y, w, TILE, Strip, x * zoom, 0, zoom);
        blit(Strip, screen, x * zoom, 0, picture_x + x * zoom, picture_y + y * zoom, w * zoom, TILE * zoom);
    }
    blit(DoubleBuffer, Shown, x, y, x, y, w, TILE);
}
}  // namespace

static_assert(FIELD_W % TILE == 0 && FIELD_H % TILE == 0, "the field is whole tiles");

void screenChanged() { sendWhole = 1; }

bool nextFrameWhole() { return sendWhole != 0; }

// RALLYTON_SEND_WHOLE=1 sends every frame whole, for the bench to compare.
static const bool alwaysWhole = [] {
    const char *whole = std::getenv("RALLYTON_SEND_WHOLE");
    return whole && *whole == '1';
}();

void blitBuffer() {
    if (!Shown) Shown = create_bitmap(FIELD_W, FIELD_H), sendWhole = 1;
    if (zoom > 1 && (!Strip || Strip->w != FIELD_W * zoom)) {
        if (Strip) destroy_bitmap(Strip);
        Strip = create_bitmap(FIELD_W * zoom, TILE * zoom);
    }
    bool whole = sendWhole.exchange(0) != 0 || alwaysWhole;
    acquire_screen();  // one lock of the screen for all the blits of the frame
    for (int ty = 0; ty < FIELD_H / TILE; ty++) {
        bool changed[FIELD_W / TILE + 1] = {};  // one more, never changed, ends the last run
        for (int tx = 0; tx < FIELD_W / TILE; tx++) changed[tx] = whole;
        if (!whole) changedTiles(ty, changed);
        for (int tx = 0, from = -1; tx <= FIELD_W / TILE; tx++) {
            if (changed[tx] && from < 0) from = tx;
            if (!changed[tx] && from >= 0) sendTiles(from, tx, ty), from = -1;
        }
    }
    release_screen();
    clear_to_color(DoubleBuffer, makecol(0, 0, 0));
}

static void writeText(FONT *font, const char *format, int number, int x, int y, int colour) {
    char text[64];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    std::snprintf(text, sizeof text, format, number);  // our formats: "%d" or a plain text
#pragma GCC diagnostic pop
    textout_ex(DoubleBuffer, font, text, x, y, colour, -1);
}

void writeTextFromInt(const char *format, int number, int x, int y, int colour) {
    writeText(fontEntry(ASSET_FONT_BIG), format, number, x, y, colour);
}

void writeTextFromInt2(const char *format, int number, int x, int y, int colour) {
    writeText(fontEntry(ASSET_FONT_SMALL), format, number, x, y, colour);
}

void writeLine(const std::string &text, int x, int y, int colour) {
    textout_ex(DoubleBuffer, fontEntry(ASSET_FONT_SMALL), text.c_str(), x, y, colour, -1);
}

// Every translucent drawing goes through here: the veil, the intro image,
// the ball's trail and the paddles' sheen.
void fadeIn(BITMAP *bitmap, int level, int x, int y) {
    // The blender takes 0..255; -1 (a finished fade) must leave the frame
    // alone and 256 (the intro at full strength) must be opaque.
    if (level < 0) level = 0;
    if (level > 255) level = 255;
    set_trans_blender(0, 0, 0, level);
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    draw_trans_sprite(DoubleBuffer, bitmap, x, y);
    solid_mode();
}

}  // namespace rallyton
