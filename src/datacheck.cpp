#include "datacheck.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "game.h"

namespace rallyton {

namespace {

constexpr int MAX_NESTING = 8;

std::uint32_t id(char a, char b, char c, char d) {
    return (std::uint32_t(std::uint8_t(a)) << 24) | (std::uint32_t(std::uint8_t(b)) << 16) |
           (std::uint32_t(std::uint8_t(c)) << 8) | std::uint32_t(std::uint8_t(d));
}

// Big-endian reads that refuse to run past the end of their range.
struct Reader {
    const unsigned char *p;
    std::size_t left;

    bool take(std::size_t n) {
        if (n > left) return false;
        p += n;
        left -= n;
        return true;
    }
    bool u32(std::uint32_t &v) {
        if (left < 4) return false;
        v = (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
        return take(4);
    }
    bool i32(std::int32_t &v) {
        std::uint32_t u;
        if (!u32(u)) return false;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    bool i16(int &v) {
        if (left < 2) return false;
        v = static_cast<std::int16_t>((p[0] << 8) | p[1]);
        return take(2);
    }
    bool u8(int &v) {
        if (left < 1) return false;
        v = p[0];
        return take(1);
    }
};

struct Object {
    std::uint32_t type = 0;
    Reader body{nullptr, 0};
};

std::string checkObjects(Reader &r, std::uint32_t count, int depth, std::vector<Object> *top);

bool bitmapOk(Reader r, int &w, int &h) {
    int bits;
    if (!r.i16(bits) || !r.i16(w) || !r.i16(h)) return false;
    int bytes;
    switch (bits) {
    case 8: bytes = 1; break;
    case 15:
    case 16: bytes = 2; break;
    case 24:
    case 32: bytes = 3; break;
    case -32: bytes = 4; break;
    default: return false;
    }
    return w > 0 && h > 0 && r.take(std::size_t(w) * std::size_t(h) * std::size_t(bytes));
}

bool glyphsOk(Reader &r, long count, bool mono) {
    for (long i = 0; i < count; i++) {
        int w, h;
        if (!r.i16(w) || !r.i16(h) || w < 0 || h < 0) return false;
        std::size_t size = mono ? std::size_t((w + 7) / 8) * h : std::size_t(w) * h;
        if (!r.take(size)) return false;
    }
    return true;
}

bool fontOk(Reader r) {
    int kind;
    if (!r.i16(kind)) return false;
    if (kind == 8) return r.take(std::size_t(95) * 8);  // the old fixed 8 x 8 and 8 x 16 fonts
    if (kind == 16) return r.take(std::size_t(95) * 16);
    if (kind == -1) return glyphsOk(r, 95, false);
    if (kind != 0) return false;
    int ranges;
    if (!r.i16(ranges) || ranges <= 0) return false;
    for (int i = 0; i < ranges; i++) {
        int mono;
        std::uint32_t start, end;
        if (!r.u8(mono) || !r.u32(start) || !r.u32(end)) return false;
        if (end < start || end - start >= 0x110000) return false;
        if (!glyphsOk(r, long(end - start) + 1, mono == 1)) return false;
    }
    return true;
}

bool sampleOk(Reader r) {
    int bits, freq;
    std::uint32_t length;
    if (!r.i16(bits) || !r.i16(freq) || !r.u32(length)) return false;
    int channels = bits < 0 ? 2 : 1;
    bits = bits < 0 ? -bits : bits;
    if (bits != 8 && bits != 16) return false;
    return r.take(std::size_t(length) * std::size_t(channels) * std::size_t(bits / 8));
}

bool midiOk(Reader r) {
    int divisions;
    if (!r.i16(divisions)) return false;
    for (int t = 0; t < 32; t++) {
        std::int32_t len;
        if (!r.i32(len) || len < 0 || !r.take(std::size_t(len))) return false;
    }
    return true;
}

// One object: its properties, its header, and a body that fits its type.
std::string checkObject(Reader &r, int depth, Object &out) {
    const std::uint32_t PROP = id('p', 'r', 'o', 'p');
    std::uint32_t type;
    for (;;) {
        if (!r.u32(type)) return "runs past the end of the file";
        if (type != PROP) break;
        std::uint32_t propType, propSize;
        if (!r.u32(propType) || !r.u32(propSize) || !r.take(propSize)) return "runs past the end of the file";
    }
    std::int32_t packedSize, size;
    if (!r.i32(packedSize) || !r.i32(size)) return "runs past the end of the file";
    if (size < 0) return "is compressed (pack the datafile without per-object compression)";
    if (packedSize != size) return "has a damaged header";
    Reader body{r.p, std::size_t(size)};
    if (!r.take(std::size_t(size))) return "runs past the end of the file";

    out.type = type;
    out.body = body;
    bool ok = true;
    if (type == std::uint32_t(DAT_BITMAP)) {
        int w, h;
        ok = bitmapOk(body, w, h);
    } else if (type == std::uint32_t(DAT_FONT)) ok = fontOk(body);
    else if (type == std::uint32_t(DAT_SAMPLE)) ok = sampleOk(body);
    else if (type == std::uint32_t(DAT_MIDI)) ok = midiOk(body);
    else if (type == std::uint32_t(DAT_FILE)) {
        if (depth >= MAX_NESTING) return "nests too deeply";
        std::uint32_t count;
        if (!body.u32(count)) return "is damaged";
        std::string problem = checkObjects(body, count, depth + 1, nullptr);
        if (!problem.empty()) return problem;
    }
    return ok ? "" : "is damaged";
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
    return nullptr;  // anything
}

// What the game reads at each entry.
std::uint32_t expectedType(int entry) {
    switch (entry) {
    case ASSET_TABLE:
    case ASSET_INTRO:
    case ASSET_PADDLE_LEFT:
    case ASSET_PADDLE_RIGHT:
    case ASSET_SHEEN_LEFT:
    case ASSET_SHEEN_RIGHT:
    case ASSET_BALL_RIGHT:
    case ASSET_BALL_LEFT: return DAT_BITMAP;
    case ASSET_FONT_BIG:
    case ASSET_FONT_SMALL: return DAT_FONT;
    case ASSET_TUNE_BRIGHT:
    case ASSET_TUNE_MELLOW:
    case ASSET_TUNE_DRIVING: return DAT_MIDI;
    case ASSET_SOUND_HIT:
    case ASSET_SOUND_CLICK: return DAT_SAMPLE;
    default: return 0;  // ASSET_ABOUT is never read: anything goes
    }
}

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
        const char *want = typeName(expectedType(i));
        if (want && objects[i].type != expectedType(i)) return "entry " + std::to_string(i) + " should be " + want;
    }
    // The background is copied whole into every frame.
    int w, h;
    bitmapOk(objects[ASSET_TABLE].body, w, h);
    if (w != FIELD_W || h != FIELD_H)
        return "entry " + std::to_string(ASSET_TABLE) + " should be a " + std::to_string(FIELD_W) + " x " +
               std::to_string(FIELD_H) + " bitmap, not " + std::to_string(w) + " x " + std::to_string(h);
    return "";
}

std::string datafileProblem(const char *path) {
    FILE *f = std::fopen(path, "rb");
    if (!f) return std::string("cannot be opened (") + std::strerror(errno) + ")";
    unsigned char magic[4];
    std::size_t got = std::fread(magic, 1, 4, f);
    std::fclose(f);
    if (got == 0) return "is empty";
    if (got < 4) return "is not an Allegro datafile";
    std::uint32_t m = id(char(magic[0]), char(magic[1]), char(magic[2]), char(magic[3]));
    if (m != std::uint32_t(F_PACK_MAGIC) && m != std::uint32_t(F_NOPACK_MAGIC)) return "is not an Allegro datafile";

    // Allegro's packfile layer strips the magic and unpacks a packed file.
    PACKFILE *pf = pack_fopen(path, F_READ_PACKED);
    if (!pf) return "cannot be read";
    std::vector<unsigned char> stream;
    unsigned char chunk[65536];
    long n;
    while ((n = pack_fread(chunk, sizeof chunk, pf)) > 0) stream.insert(stream.end(), chunk, chunk + n);
    pack_fclose(pf);
    return datafileStreamProblem(stream.data(), stream.size());
}

}  // namespace rallyton
