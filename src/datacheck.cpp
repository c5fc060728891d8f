// The datafile checked before Allegro's loader sees it (datacheck.h).
#include "datacheck.h"

#include <allegro.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "datastream.h"
#include "entries.h"
#include "field.h"

namespace rallyton {

namespace {

constexpr int MAX_NESTING = 8;

struct Object {
    std::uint32_t type = 0;
    Reader body{nullptr, 0};
};

std::string checkObjects(Reader &r, std::uint32_t count, int depth, std::vector<Object> *top);

// ---- what the library's loader and player take on trust, by kind ----------
// Each returns "" or a short phrase naming what is wrong.

const int MAX_GLYPH = 128;  // a glyph's width and height, in pixels
const int MAX_RANGES = 256;
const long MAX_RANGE_GLYPHS = 65536;
const int MAX_BEATS = 10000;  // a track's length: keeps the player's work in one call bounded

std::string bitmapProblem(Reader r, int &w, int &h) {
    int bits;
    if (!r.i16(bits) || !r.i16(w) || !r.i16(h)) return "its header runs past its end";
    int bytes;
    switch (bits) {
    case 8: bytes = 1; break;
    case 15:
    case 16: bytes = 2; break;
    case 24:
    case 32: bytes = 3; break;
    case -32: bytes = 4; break;
    default: return "a bitmap of " + str(bits) + " bits a pixel";
    }
    if (w <= 0 || h <= 0) return "a bitmap " + str(w) + " x " + str(h) + " pixels";
    if (!r.take(std::size_t(w) * std::size_t(h) * std::size_t(bytes))) return "its pixels run past its end";
    return "";
}

// The library draws a text in one kind of range only, and only a one-colour
// font takes the colour the game gives it: every range must be one-colour.
std::string fontProblem(Reader r) {
    int kind, ranges;
    if (!r.i16(kind)) return "its header runs past its end";
    if (kind != 0) return "a font of an old kind";
    if (!r.i16(ranges)) return "its header runs past its end";
    if (ranges < 1 || ranges > MAX_RANGES) return "a font of " + str(ranges) + " ranges";
    for (int i = 0; i < ranges; i++) {
        int mono;
        std::uint32_t begin, end;
        if (!r.u8(mono) || !r.u32(begin) || !r.u32(end)) return "its ranges run past its end";
        if (mono != 1 && mono != 255) return "a font range in colour";
        if (end < begin || end > 0x10FFFF || end - begin >= MAX_RANGE_GLYPHS)
            return "a font range from " + str(long(begin)) + " to " + str(long(end));
        for (std::uint32_t c = begin; c <= end; c++) {
            int w, h;
            if (!r.i16(w) || !r.i16(h)) return "its glyphs run past its end";
            w &= 0xFFFF, h &= 0xFFFF;  // the library reads them unsigned
            if (w < 1 || h < 1 || w > MAX_GLYPH || h > MAX_GLYPH)
                return "glyph " + str(long(c)) + " is " + str(w) + " x " + str(h) + " pixels";
            if (!r.take(std::size_t((w + 7) / 8) * std::size_t(h))) return "its glyphs run past its end";
        }
    }
    return "";
}

std::string sampleProblem(Reader r) {
    int bits, freq;
    std::uint32_t length;
    if (!r.i16(bits) || !r.i16(freq) || !r.u32(length)) return "its header runs past its end";
    int channels = bits < 0 ? 2 : 1;
    bits = bits < 0 ? -bits : bits;
    if (bits != 8 && bits != 16) return "a sample of " + str(bits) + " bits";
    freq &= 0xFFFF;  // the library reads it unsigned
    if (freq == 0) return "a sample at 0 Hz";
    if (length == 0) return "an empty sample";
    if (!r.take(std::size_t(length) * std::size_t(channels) * std::size_t(bits / 8)))
        return "its sound runs past its end";
    return "";
}

// A variable-length number of the MIDI file: at most four bytes.
bool varLen(Reader &r, std::uint32_t &v) {
    v = 0;
    for (int i = 0; i < 4; i++) {
        int b;
        if (!r.u8(b)) return false;
        v = (v << 7) | std::uint32_t(b & 0x7F);
        if (!(b & 0x80)) return true;
    }
    return false;
}

// One track, event by event as the player reads it: a time, then an event,
// until the end-of-track event, which must close the track (the player's
// instrument scan reads on to the end of the data).
std::string trackProblem(Reader r, int divisions) {
    std::size_t size = r.left;
    int running = 0;  // the running status: the last channel message
    unsigned long long beats = 0;  // in divisions of a beat
    std::size_t start = 0;  // where the event under way starts
    auto at = [&] { return " at byte " + str(long(start)); };
    // The library's scan for instruments takes the track's first byte for
    // an event: only a one-byte first time leaves it in step.
    if (r.left && r.p[0] >= 0x80) return "a first time of more than one byte";
    for (;;) {
        if (r.left == 0) return "no end-of-track event";
        start = size - r.left;
        std::uint32_t delta;
        if (!varLen(r, delta)) return "a time that runs past the track's end or over four bytes" + at();
        start = size - r.left;
        beats += delta;
        if (beats > static_cast<unsigned long long>(MAX_BEATS) * std::uint32_t(divisions))
            return "a track longer than " + str(MAX_BEATS) + " beats";
        int status;
        if (!r.u8(status)) return "no end-of-track event";
        int dataBytes = 0;  // data bytes that follow
        if (status < 0x80) {
            if (!running) return "a data byte where a status is needed" + at();
            r.p--, r.left++;  // the byte is the first data byte of a running-status message
            status = running;
        }
        if (status < 0xF0) {
            running = status;
            dataBytes = (status >> 4) == 0xC || (status >> 4) == 0xD ? 1 : 2;
        } else if (status == 0xF0 || status == 0xF7) {
            std::uint32_t length;
            if (!varLen(r, length) || !r.take(length)) return "a system-exclusive event past the track's end" + at();
            continue;
        } else if (status == 0xFF) {
            int type;
            std::uint32_t length;
            if (!r.u8(type) || type >= 0x80 || !varLen(r, length) || length > r.left)
                return "a meta event past the track's end" + at();
            if (type == 0x51 && length != 3) return "a tempo event of " + str(long(length)) + " bytes" + at();
            r.take(length);
            if (type == 0x2F) return r.left == 0 ? "" : "bytes after its end-of-track event";
            continue;
        } else {
            return "an event the player does not know (" + str(status) + ")" + at();
        }
        for (int i = 0; i < dataBytes; i++) {
            int b;
            if (!r.u8(b)) return "a message past the track's end" + at();
            if (b >= 0x80) return "a data byte of 128 or more" + at();
        }
    }
}

std::string midiProblem(Reader r) {
    int divisions;
    if (!r.i16(divisions)) return "its header runs past its end";
    if (divisions <= 0) return "a division of " + str(divisions & 0xFFFF);  // 0, or SMPTE time the player cannot read
    int tracks = 0;
    for (int t = 0; t < 32; t++) {
        std::int32_t len;
        if (!r.i32(len) || len < 0) return "its tracks run past its end";
        Reader track{r.p, std::size_t(len)};
        if (!r.take(std::size_t(len))) return "its tracks run past its end";
        if (len == 0) continue;
        tracks++;
        std::string problem = trackProblem(track, divisions);
        if (!problem.empty()) return "track " + str(t) + ": " + problem;
    }
    return tracks ? "" : "a MIDI file without tracks";
}

// One object: its properties, its header, and a body that fits its type.
std::string checkObject(Reader &r, int depth, Object &out) {
    std::uint32_t type, nameSize;
    std::int32_t packedSize, size;
    if (!objectHeader(r, type, packedSize, size, nameSize)) return "runs past the end of the file";
    if (size < 0) return "is compressed (pack the datafile without per-object compression)";
    if (packedSize != size) return "has a damaged header";
    Reader body{r.p, std::size_t(size)};
    if (!r.take(std::size_t(size))) return "runs past the end of the file";

    out.type = type;
    out.body = body;
    std::string problem;
    if (type == std::uint32_t(DAT_BITMAP)) {
        int w, h;
        problem = bitmapProblem(body, w, h);
    } else if (type == std::uint32_t(DAT_FONT)) problem = fontProblem(body);
    else if (type == std::uint32_t(DAT_SAMPLE)) problem = sampleProblem(body);
    else if (type == std::uint32_t(DAT_MIDI)) problem = midiProblem(body);
    else if (type == std::uint32_t(DAT_RLE_SPRITE) || type == std::uint32_t(DAT_C_SPRITE) ||
             type == std::uint32_t(DAT_XC_SPRITE))
        return "is a sprite, which the game never uses";  // and the library's loader of which we do not vouch for
    else if (type == std::uint32_t(DAT_FILE)) {
        if (depth >= MAX_NESTING) return "nests too deeply";
        std::uint32_t count;
        if (!body.u32(count)) return "is damaged";
        return checkObjects(body, count, depth + 1, nullptr);
    }
    return problem.empty() ? "" : "is damaged (" + problem + ")";
}

std::string checkObjects(Reader &r, std::uint32_t count, int depth, std::vector<Object> *top) {
    for (std::uint32_t i = 0; i < count; i++) {
        Object object;
        std::string problem = checkObject(r, depth, object);
        if (!problem.empty()) {
            if (depth > 0) return problem;
            if (problem == "runs past the end of the file")
                return "is truncated (entry " + std::to_string(i) + " " + problem + ")";
            return "entry " + std::to_string(i) + " " + problem;
        }
        if (top) top->push_back(object);
    }
    return "";
}

const char *typeName(std::uint32_t type) {
    if (type == std::uint32_t(DAT_BITMAP)) return "a bitmap";
    if (type == std::uint32_t(DAT_FONT)) return "a font";
    if (type == std::uint32_t(DAT_MIDI)) return "a MIDI track";
    if (type == std::uint32_t(DAT_SAMPLE)) return "a sample";
    return "data";
}

// What the game reads at each entry, from the list the datafile is packed from.
const std::uint32_t ENTRY_TYPES[] = ASSET_TYPES;
static_assert(sizeof ENTRY_TYPES / sizeof ENTRY_TYPES[0] == ASSET_COUNT, "a type for every entry");

}  // namespace

std::string datafileStreamProblem(const unsigned char *bytes, std::size_t size) {
    Reader r{bytes, size};
    std::uint32_t magic, count;
    if (!r.u32(magic)) return "is truncated";
    if (magic != std::uint32_t(DAT_MAGIC)) return "is not an Allegro datafile";
    if (!r.u32(count)) return "is truncated";

    std::vector<Object> objects;
    std::string problem = checkObjects(r, count, 0, &objects);
    if (!problem.empty()) return problem;
    if (count < ASSET_COUNT)
        return "holds " + std::to_string(count) + " entries; the game needs " + std::to_string(ASSET_COUNT);

    for (int i = 0; i < ASSET_COUNT; i++) {
        if (ENTRY_TYPES[i] && objects[i].type != ENTRY_TYPES[i])
            return "entry " + std::to_string(i) + " should be " + typeName(ENTRY_TYPES[i]);
    }
    // The background is copied whole into every frame.
    int w, h;
    bitmapProblem(objects[ASSET_TABLE].body, w, h);
    if (w != FIELD_W || h != FIELD_H)
        return "entry " + std::to_string(ASSET_TABLE) + " should be a " + std::to_string(FIELD_W) + " x " +
               std::to_string(FIELD_H) + " bitmap, not " + std::to_string(w) + " x " + std::to_string(h);
    return "";
}

std::string datafileProblem(const std::string &path) {
    std::vector<unsigned char> stream;
    std::string problem = readStream(path, stream);
    return problem.empty() ? datafileStreamProblem(stream.data(), stream.size()) : problem;
}

}  // namespace rallyton
