// Reading Allegro's object stream with bounds: big-endian numbers that
// refuse to run past their range, an object's properties and header, a
// file's stream (plain or packed) and an object packed on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rallyton {

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

// An object's properties and header: its type and its two sizes, and the
// longest name among its properties. False when they run past the end.
bool objectHeader(Reader &r, std::uint32_t &type, std::int32_t &packedSize, std::int32_t &size,
                  std::uint32_t &nameSize);

// The datafile stream of a file on disk, plain or packed (the library's
// packfile layer strips the magic and unpacks a packed file); "" or the
// problem ("is empty", "cannot be opened (...)").
std::string readStream(const std::string &path, std::vector<unsigned char> &stream);

// An object packed on its own (LZSS), unpacked to exactly size bytes with
// the library's own reader; false when it does not unpack to that.
bool unpack(Reader packed, std::size_t size, std::vector<unsigned char> &out);

std::string str(long n);

}  // namespace rallyton
