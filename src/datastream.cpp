// Allegro's object stream read with bounds (datastream.h).
#include "datastream.h"

#include <allegro.h>
#include <allegro/lzss.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform.h"

namespace rallyton {

std::string str(long n) { return std::to_string(n); }

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

std::string readStream(const std::string &path, std::vector<unsigned char> &stream) {
    FILE *f = openFile(path, "rb");
    if (!f) return std::string("cannot be opened (") + std::strerror(errno) + ")";
    unsigned char magic[4];
    std::size_t got = std::fread(magic, 1, 4, f);
    std::fclose(f);
    if (got == 0) return "is empty";
    if (got < 4) return "is not an Allegro datafile";
    std::uint32_t m = 0;
    Reader{magic, 4}.u32(m);
    if (m != std::uint32_t(F_PACK_MAGIC) && m != std::uint32_t(F_NOPACK_MAGIC)) return "is not an Allegro datafile";

    PACKFILE *pf = pack_fopen(path.c_str(), F_READ_PACKED);
    if (!pf) return "cannot be read";
    unsigned char chunk[65536];
    long n;
    while ((n = pack_fread(chunk, sizeof chunk, pf)) > 0) stream.insert(stream.end(), chunk, chunk + n);
    pack_fclose(pf);
    return "";
}

namespace {

// A packfile over bytes in memory, for the library's LZSS reader.
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

}  // namespace

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

}  // namespace rallyton
