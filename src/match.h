// The match as one value (game.h's Match), field by field: its digest, its
// bytes for a replay's start with every field checked on the way in, and
// the sync test, which rolls every tick back and runs it again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "game.h"

namespace rallyton {

// The match's bytes, field by field, big-endian: the same on every platform.
std::vector<unsigned char> encodeMatch(const Match &m);
std::size_t matchBytes();  // how many encodeMatch writes

// A match from bytes that came from outside (exactly matchBytes() of them):
// false, and m untouched, unless every field is within its bounds.
bool decodeMatch(const unsigned char *bytes, std::size_t size, Match &m);

// A digest of every field: two games that agree on it agree on all that a
// tick reads.
std::uint64_t matchDigest(const Match &m);

// Bytes' digest (64-bit FNV-1a), for the match and a replay file's check.
std::uint64_t digestOf(const unsigned char *bytes, std::size_t size, std::uint64_t h = 14695981039346656037u);

// From start, runs the packed inputs one tick each; after every tick it
// restores the state of `depth` ticks before and runs those ticks again.
// Returns the first tick whose state the second run does not reproduce
// (a part of the state living outside the match), or -1. The tick is the
// game's own unless another is given.
long syncTest(const Match &start, const std::vector<std::uint16_t> &inputs, int depth,
              void (*tick)(const TickInput &) = advance);

}  // namespace rallyton
