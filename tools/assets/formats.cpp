// The file formats the asset program writes. Libraries do the work where
// Debian has one: stb_image_write for the BMP pictures and the PNG icons,
// Allegro itself for the 8-bit font grids (stb writes no palettes), and
// libsndfile for the WAVs. Written here by hand: the MIDI files, the Windows
// icon and the window icon as C source.
#include <allegro.h>
#include <sndfile.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "assets.h"

namespace assets {

namespace {

std::string outDir;

std::string pathOf(const std::string &name) { return outDir + "/" + name; }

[[noreturn]] void cannotWrite(const std::string &name) {
    std::fprintf(stderr, "makeassets: cannot write %s\n", pathOf(name).c_str());
    std::exit(1);
}

void writeBytes(const std::string &name, const std::vector<std::uint8_t> &bytes) {
    FILE *f = std::fopen(pathOf(name).c_str(), "wb");
    bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok) cannotWrite(name);
}

// The canvas as bytes, row by row: RGB, or RGBA with the mask transparent.
std::vector<std::uint8_t> pixelBytes(const Canvas &c, bool alpha) {
    std::vector<std::uint8_t> bytes;
    for (const Rgb &p : c.px) {
        bool clear = alpha && p == MASK;
        bytes.push_back(static_cast<std::uint8_t>(clear ? 0 : p.r));
        bytes.push_back(static_cast<std::uint8_t>(clear ? 0 : p.g));
        bytes.push_back(static_cast<std::uint8_t>(clear ? 0 : p.b));
        if (alpha) bytes.push_back(clear ? 0 : 255);
    }
    return bytes;
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

std::vector<std::uint8_t> varLen(std::uint32_t v) {
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(v & 0x7F)};
    while (v >>= 7) out.insert(out.begin(), static_cast<std::uint8_t>((v & 0x7F) | 0x80));
    return out;
}

void trackChunk(std::vector<std::uint8_t> &file, const std::vector<std::uint8_t> &events) {
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    put32be(file, static_cast<std::uint32_t>(events.size()));
    file.insert(file.end(), events.begin(), events.end());
}

// One part's notes as a track's events, note-offs before note-ons at the
// same moment.
std::vector<std::uint8_t> partEvents(const Part &part, int bpm) {
    // No note rings longer than 0.45 s: the music switch and the pause only
    // stop notes from starting, so the music falls silent within half a second.
    const int longest = static_cast<int>(0.45 * bpm / 60.0 * PPQ);
    struct Event {
        int time, order, status, a, b;
    };
    std::vector<Event> events;
    for (const Note &n : part.notes) {
        events.push_back({n.start + std::min(n.length, longest), 0, 0x80 | part.channel, n.key, 0});
        events.push_back({n.start, 1, 0x90 | part.channel, n.key, n.velocity});
    }
    std::stable_sort(events.begin(), events.end(), [](const Event &x, const Event &y) {
        return x.time != y.time ? x.time < y.time : x.order < y.order;
    });
    std::vector<std::uint8_t> e;
    if (part.program >= 0)
        e.insert(e.end(),
                 {0x00, static_cast<std::uint8_t>(0xC0 | part.channel), static_cast<std::uint8_t>(part.program)});
    e.insert(e.end(), {0x00, static_cast<std::uint8_t>(0xB0 | part.channel), 7, CHANNEL_VOLUME});
    // The notes start a tick after the instrument and the volume: the
    // library's player applies a volume at the end of the call that reads
    // it, so a note in the same call would sound at full volume.
    int now = -1;
    for (const Event &ev : events) {
        auto d = varLen(static_cast<std::uint32_t>(ev.time - now));
        e.insert(e.end(), d.begin(), d.end());
        e.insert(e.end(), {static_cast<std::uint8_t>(ev.status), static_cast<std::uint8_t>(ev.a),
                           static_cast<std::uint8_t>(ev.b)});
        now = ev.time;
    }
    e.insert(e.end(), {0x00, 0xFF, 0x2F, 0x00});
    return e;
}

}  // namespace

void setOutputFolder(const std::string &folder) { outDir = folder; }

void writeBmp(const std::string &name, const Canvas &c) {
    std::vector<std::uint8_t> rgb = pixelBytes(c, false);
    if (!stbi_write_bmp(pathOf(name).c_str(), c.w, c.h, 3, rgb.data())) cannotWrite(name);
}

void writePng(const std::string &name, const Canvas &c) {
    std::vector<std::uint8_t> rgba = pixelBytes(c, true);
    if (!stbi_write_png(pathOf(name).c_str(), c.w, c.h, 4, rgba.data(), c.w * 4)) cannotWrite(name);
}

void writeFontBmp(const std::string &name, const FontGrid &grid) {
    // Allegro without a system driver: memory bitmaps and its BMP writer.
    static bool allegroUp = install_allegro(SYSTEM_NONE, &errno, atexit) == 0;
    if (!allegroUp) cannotWrite(name);
    BITMAP *bmp = create_bitmap_ex(8, grid.w, grid.h);
    if (!bmp) cannotWrite(name);
    for (int y = 0; y < grid.h; y++)
        for (int x = 0; x < grid.w; x++) bmp->line[y][x] = grid.index[static_cast<std::size_t>(y) * grid.w + x];
    PALETTE palette = {};
    palette[1] = {63, 63, 63, 0};  // ink: white
    palette[255] = {63, 0, 63, 0};  // box lines: magenta
    int failed = save_bmp(pathOf(name).c_str(), bmp, palette);
    destroy_bitmap(bmp);
    if (failed) cannotWrite(name);
}

void writeWav(const std::string &name, const std::vector<double> &samples, double peak) {
    double top = 0;
    for (double s : samples) top = std::fmax(top, std::fabs(s));
    std::vector<short> pcm;
    for (double s : samples) pcm.push_back(static_cast<short>(std::lround(s / top * peak * 32767.0)));
    SF_INFO info = {};
    info.samplerate = SAMPLE_RATE;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sf_open(pathOf(name).c_str(), SFM_WRITE, &info);
    if (!f) cannotWrite(name);
    sf_count_t written = sf_write_short(f, pcm.data(), static_cast<sf_count_t>(pcm.size()));
    if (sf_close(f) != 0 || written != static_cast<sf_count_t>(pcm.size())) cannotWrite(name);
}

// A tempo track, then one track a part.
void writeMidi(const std::string &name, const Tune &tune) {
    std::vector<std::uint8_t> b{'M', 'T', 'h', 'd'};
    put32be(b, 6);
    put16be(b, 1);
    put16be(b, static_cast<unsigned>(tune.parts.size() + 1));
    put16be(b, PPQ);
    std::uint32_t usPerBeat = 60000000u / static_cast<std::uint32_t>(tune.bpm);
    trackChunk(b, {0x00, 0xFF, 0x51, 0x03, static_cast<std::uint8_t>((usPerBeat >> 16) & 0xFF),
                   static_cast<std::uint8_t>((usPerBeat >> 8) & 0xFF), static_cast<std::uint8_t>(usPerBeat & 0xFF),
                   0x00, 0xFF, 0x2F, 0x00});
    for (const Part &part : tune.parts) trackChunk(b, partEvents(part, tune.bpm));
    writeBytes(name, b);
}

void writeText(const std::string &name, const std::string &text) {
    writeBytes(name, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// An XPM array the game compiles in for its X11 window icon; two
// characters a colour.
void writeXpmSource(const std::string &name, const Canvas &c) {
    std::vector<Rgb> palette;
    std::vector<int> index;
    for (const Rgb &p : c.px) {
        auto at = std::find(palette.begin(), palette.end(), p);
        if (at == palette.end()) at = palette.insert(palette.end(), p);
        index.push_back(static_cast<int>(at - palette.begin()));
    }
    const std::string chars = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    auto code = [&](int i) { return std::string(1, chars[i / chars.size()]) + chars[i % chars.size()]; };
    std::string s = "// The window icon, made by makeassets.\nconst char *rallyton_icon_xpm[] = {\n";
    s += "\"" + std::to_string(c.w) + " " + std::to_string(c.h) + " " + std::to_string(palette.size()) + " 2\",\n";
    for (std::size_t i = 0; i < palette.size(); i++) {
        char colour[16];
        const Rgb &p = palette[i];
        if (p == MASK) std::snprintf(colour, sizeof colour, "None");
        else std::snprintf(colour, sizeof colour, "#%02X%02X%02X", p.r, p.g, p.b);
        s += "\"" + code(static_cast<int>(i)) + " c " + colour + "\",\n";
    }
    for (int y = 0; y < c.h; y++) {
        s += "\"";
        for (int x = 0; x < c.w; x++) s += code(index[static_cast<std::size_t>(y) * c.w + x]);
        s += y < c.h - 1 ? "\",\n" : "\"};\n";
    }
    writeText(name, s);
}

// One 24-bit image with its transparency mask, as the Windows resource
// compiler takes it.
void writeIco(const std::string &name, const Canvas &c) {
    std::vector<std::uint8_t> b;
    int maskRow = (c.w + 31) / 32 * 4;
    std::uint32_t xorBytes = static_cast<std::uint32_t>(c.w * c.h * 3),
                  andBytes = static_cast<std::uint32_t>(maskRow * c.h);
    put16le(b, 0);
    put16le(b, 1);
    put16le(b, 1);
    b.insert(b.end(), {static_cast<std::uint8_t>(c.w), static_cast<std::uint8_t>(c.h), 0, 0});
    put16le(b, 1);
    put16le(b, 24);
    put32le(b, 40 + xorBytes + andBytes);
    put32le(b, 22);
    for (std::uint32_t v : {40u, std::uint32_t(c.w), std::uint32_t(c.h * 2)}) put32le(b, v);
    put16le(b, 1);
    put16le(b, 24);
    for (std::uint32_t v : {0u, xorBytes + andBytes, 0u, 0u, 0u, 0u}) put32le(b, v);
    for (int y = c.h - 1; y >= 0; y--)
        for (int x = 0; x < c.w; x++) {
            const Rgb &p = c.at(x, y);
            bool m = p == MASK;
            b.insert(b.end(), {static_cast<std::uint8_t>(m ? 0 : p.b), static_cast<std::uint8_t>(m ? 0 : p.g),
                               static_cast<std::uint8_t>(m ? 0 : p.r)});
        }
    for (int y = c.h - 1; y >= 0; y--)
        for (int byte = 0; byte < maskRow; byte++) {
            int bits = 0;
            for (int k = 0; k < 8; k++) {
                int x = byte * 8 + k;
                if (x < c.w && c.at(x, y) == MASK) bits |= 0x80 >> k;
            }
            b.push_back(static_cast<std::uint8_t>(bits));
        }
    writeBytes(name, b);
}

}  // namespace assets
