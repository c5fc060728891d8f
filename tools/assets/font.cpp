// Our own pixel font, in two styles made from one 5 x 9 design: big
// (scale3x, for the title, the scores and "PAUSED") and small (a one-pixel
// bold, for the tag, the menu items and the status line).
#include "assets.h"
#include "glyphs.h"

namespace assets {

namespace {

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

const FontStyle &style(FontSize size) { return size == FontSize::BIG ? BIG : SMALL; }

}  // namespace

FontGrid fontGrid(FontSize size) {
    const FontStyle &s = style(size);
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
    return {w, h, index};
}

void drawText(Canvas &c, FontSize size, const std::string &text, int x, int y, Rgb colour) {
    const FontStyle &s = style(size);
    for (char ch : text) {
        Grid g = s.glyph(static_cast<unsigned char>(ch));
        for (std::size_t gy = 0; gy < g.size(); gy++)
            for (std::size_t gx = 0; gx < g[0].size(); gx++)
                if (g[gy][gx]) c.set(x + s.inkX + static_cast<int>(gx), y + s.inkY + static_cast<int>(gy), colour);
        x += s.cellW;
    }
}

}  // namespace assets
