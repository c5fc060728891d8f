// The software synth's instruments checked (instruments.h).
#include "instruments.h"

#include <allegro.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "datastream.h"

namespace rallyton {

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

// The software synth's instruments, where the library will look for them:
// the file the sound settings name, or a patches.dat beside the program,
// in $ALLEGRO or in the other places the library searches. Looking for
// them is already reading them (the library opens the file to find the
// index inside), so they are checked before the sound is installed.
std::string instrumentsProblem() {
    const char *named = get_config_string("sound", "patches", nullptr);
    std::string path = named ? named : "";
    if (!path.empty() && path.back() == '/') path += "patches.dat";  // a folder: its patches.dat
    path = path.substr(0, path.find('#'));  // file.dat#object: the file
    char found[1024];
    if (find_allegro_resource(found, path.empty() ? "patches.dat" : path.c_str(), nullptr, nullptr, nullptr, "ULTRADIR",
                              "midi", sizeof found) != 0)
        return "";  // none: the library finds none either
    if (ustricmp(get_extension(found), "dat") != 0) return "";  // a folder of GUS patches is read as it is
    std::string problem = patchesProblem(found);
    return problem.empty() ? "" : std::string(found) + ": " + problem;
}

}  // namespace rallyton
