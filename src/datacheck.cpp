#include "datacheck.h"

#include <allegro.h>
#include <allegro/lzss.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "game.h"

namespace rallyton {

namespace {

constexpr int MAX_NESTING = 8;

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

std::string str(long n) { return std::to_string(n); }

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
    unsigned long long ticks = 0;
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
        ticks += delta;
        if (ticks > static_cast<unsigned long long>(MAX_BEATS) * std::uint32_t(divisions))
            return "a track longer than " + str(MAX_BEATS) + " beats";
        int status;
        if (!r.u8(status)) return "no end-of-track event";
        int data = 0;  // data bytes that follow
        if (status < 0x80) {
            if (!running) return "a data byte where a status is needed" + at();
            r.p--, r.left++;  // the byte is the first data byte of a running-status message
            status = running;
        }
        if (status < 0xF0) {
            running = status;
            data = (status >> 4) == 0xC || (status >> 4) == 0xD ? 1 : 2;
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
        for (int i = 0; i < data; i++) {
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

// An object's properties and header: its type and its two sizes, and the
// longest name among its properties. False when they run past the end.
bool objectHeader(Reader &r, std::uint32_t &type, std::int32_t &packedSize, std::int32_t &size,
                  std::uint32_t &nameSize) {
    nameSize = 0;
    for (;;) {
        if (!r.u32(type)) return false;
        if (type != std::uint32_t(DAT_PROPERTY)) break;
        std::uint32_t propType, propSize;
        if (!r.u32(propType) || !r.u32(propSize) || !r.take(propSize)) return false;
        if (propType == std::uint32_t(DAT_NAME)) nameSize = std::max(nameSize, propSize);
    }
    return r.i32(packedSize) && r.i32(size);
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
    bitmapProblem(objects[ASSET_TABLE].body, w, h);
    if (w != FIELD_W || h != FIELD_H)
        return "entry " + std::to_string(ASSET_TABLE) + " should be a " + std::to_string(FIELD_W) + " x " +
               std::to_string(FIELD_H) + " bitmap, not " + std::to_string(w) + " x " + std::to_string(h);
    return "";
}

// The datafile stream of a file on disk, plain or packed (Allegro's packfile
// layer strips the magic and unpacks a packed file); "" or the problem.
static std::string readStream(const char *path, std::vector<unsigned char> &stream) {
    FILE *f = std::fopen(path, "rb");
    if (!f) return std::string("cannot be opened (") + std::strerror(errno) + ")";
    unsigned char magic[4];
    std::size_t got = std::fread(magic, 1, 4, f);
    std::fclose(f);
    if (got == 0) return "is empty";
    if (got < 4) return "is not an Allegro datafile";
    std::uint32_t m = 0;
    Reader{magic, 4}.u32(m);
    if (m != std::uint32_t(F_PACK_MAGIC) && m != std::uint32_t(F_NOPACK_MAGIC)) return "is not an Allegro datafile";

    PACKFILE *pf = pack_fopen(path, F_READ_PACKED);
    if (!pf) return "cannot be read";
    unsigned char chunk[65536];
    long n;
    while ((n = pack_fread(chunk, sizeof chunk, pf)) > 0) stream.insert(stream.end(), chunk, chunk + n);
    pack_fclose(pf);
    return "";
}

std::string datafileProblem(const char *path) {
    std::vector<unsigned char> stream;
    std::string problem = readStream(path, stream);
    return problem.empty() ? datafileStreamProblem(stream.data(), stream.size()) : problem;
}

// ---- the software synth's instruments -------------------------------------

namespace {

const std::int32_t MAX_INSTRUMENT = 64 << 20;  // bytes, once unpacked
const std::size_t GUS_HEADER = 239;  // the patch's header, up to its first layer
const std::size_t GUS_LAYER = 96;  // a layer's header, before its sound

std::uint32_t le32(const unsigned char *p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

// A GUS patch as the synth's loader reads it: its layers' sounds inside it,
// loops inside the sounds, and no zero it divides by.
std::string instrumentProblem(Reader r) {
    const unsigned char *head = r.p;
    if (!r.take(GUS_HEADER) || std::memcmp(head, "GF1PATCH110\0ID#000002\0", 22) != 0) return "is not a GUS patch";
    int layers = head[198];
    if (layers < 1) return "has no sound";
    for (int i = 0; i < layers && i < 64; i++) {  // the loader reads 64 at most
        const unsigned char *layer = r.p;
        if (!r.take(GUS_LAYER)) return "runs past its end";
        std::uint32_t length = le32(layer + 8), loopStart = le32(layer + 12), loopEnd = le32(layer + 16);
        int freq = layer[20] | layer[21] << 8;
        std::uint32_t baseNote = le32(layer + 30);
        if (freq == 0 || baseNote == 0) return "has a sound at 0 Hz";
        int bytes = layer[55] & 1 ? 2 : 1, mode = layer[55];
        if (loopStart > loopEnd || loopEnd > length) return "has a loop outside its sound";
        if ((mode & (4 | 8 | 16)) && loopEnd / bytes <= loopStart / bytes) return "has an empty loop";
        if (!r.take(length)) return "runs past its end";
    }
    return "";
}

// The index: "N begin_multipatch" puts the drum kit at N - 1 in a table of
// 256 instruments, which holds 128 drums only from 1 to 129.
std::string indexProblem(Reader r) {
    std::string text(reinterpret_cast<const char *>(r.p), r.left), line;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        line = text.substr(start, end - start);
        start = end + 1;
        char word[32];
        long first;
        if (std::sscanf(line.c_str(), "%ld %31s", &first, word) == 2 && std::strcmp(word, "begin_multipatch") == 0 &&
            (first < 1 || first > 129))
            return "puts the drums at " + str(first);
    }
    return "";
}

// An object the instruments' maker compressed (pat2dat -c), unpacked with
// the library's own LZSS reader from a packfile over the bytes in memory.
struct MemoryFile {
    const unsigned char *p;
    std::size_t left;
};
extern "C" int memoryGetc(void *file) {
    auto *m = static_cast<MemoryFile *>(file);
    if (!m->left) return EOF;
    m->left--;
    return *m->p++;
}
extern "C" long memoryRead(void *to, long n, void *file) {
    auto *m = static_cast<MemoryFile *>(file);
    std::size_t got = std::min(std::size_t(n), m->left);
    std::memcpy(to, m->p, got);
    m->p += got, m->left -= got;
    return long(got);
}
extern "C" int memoryEof(void *file) { return static_cast<MemoryFile *>(file)->left == 0; }
extern "C" int memoryNothing(void *) { return 0; }
extern "C" int memoryNoUngetc(int, void *) { return EOF; }
extern "C" int memoryNoPutc(int, void *) { return EOF; }
extern "C" long memoryNoWrite(const void *, long, void *) { return 0; }
extern "C" int memoryNoSeek(void *, int) { return -1; }

bool unpack(Reader packed, std::size_t size, std::vector<unsigned char> &out) {
    static PACKFILE_VTABLE memory = {memoryNothing, memoryGetc,   memoryNoUngetc, memoryRead,   memoryNoPutc,
                                     memoryNoWrite, memoryNoSeek, memoryEof,      memoryNothing};
    MemoryFile file{packed.p, packed.left};
    PACKFILE *pf = pack_fopen_vtable(&memory, &file);
    LZSS_UNPACK_DATA *lzss = create_lzss_unpack_data();
    out.assign(size, 0);
    bool whole = pf && lzss && std::size_t(lzss_read(pf, lzss, int(size), out.data())) == size;
    if (lzss) free_lzss_unpack_data(lzss);
    if (pf) pack_fclose(pf);
    return whole;
}

}  // namespace

std::string patchesProblem(const char *path) {
    std::vector<unsigned char> stream;
    std::string problem = readStream(path, stream);
    if (!problem.empty()) return problem;
    Reader r{stream.data(), stream.size()};
    std::uint32_t magic, count;
    if (!r.u32(magic) || magic != std::uint32_t(DAT_MAGIC) || !r.u32(count)) return "is not an Allegro datafile";
    // The loader reads on to the end of the file, object after object.
    for (std::uint32_t i = 0; r.left > 0; i++) {
        std::uint32_t type, nameSize;
        std::int32_t packedSize, size;
        if (!objectHeader(r, type, packedSize, size, nameSize) || packedSize < 0 || std::size_t(packedSize) > r.left)
            return "is truncated (object " + str(i) + ")";
        if (nameSize > 1023) return "object " + str(i) + " has a name of " + str(long(nameSize)) + " bytes";
        Reader body{r.p, std::size_t(packedSize)};
        r.take(std::size_t(packedSize));
        std::vector<unsigned char> unpacked;
        if (size < 0) {  // compressed: -size bytes once unpacked
            if (size < -MAX_INSTRUMENT || !unpack(body, std::size_t(-std::int64_t(size)), unpacked))
                return "object " + str(i) + " is damaged";
            body = Reader{unpacked.data(), unpacked.size()};
        } else if (packedSize != size) return "object " + str(i) + " has a damaged header";
        if (type == std::uint32_t(DAT_PATCH)) problem = instrumentProblem(body);
        else if (type == std::uint32_t(DAT_DATA)) problem = indexProblem(body);
        if (!problem.empty()) return "object " + str(i) + " " + problem;
    }
    return "";
}

}  // namespace rallyton
