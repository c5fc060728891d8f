// Replays: a match is its start and its inputs. --record FILE writes every
// match played (one player, two at one keyboard, or either end of a
// network match), the second and later beside FILE, numbered; --replay FILE plays it back in the window; with --verify
// it is run without a window as fast as it goes and checked against the
// digests it was recorded with.
//
// The file, big-endian: "RLTNRPLY", the format (2 bytes), the game's
// version (8 bytes, zero-padded), the match at its start (match.h), the
// tick count (4 bytes), the inputs as runs (2 bytes of packed input, then
// how many ticks it holds, 1 to 4 bytes, 7 bits each, the last without its
// top bit), the digest after every hundredth tick and after the last (8
// bytes each), and a digest of everything before it (8 bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "match.h"

namespace rallyton {

const std::uint16_t REPLAY_FORMAT = 1;
const int CHECKPOINT_EVERY = 100;  // ticks between the digests a replay keeps
const std::size_t MAX_REPLAY_BYTES = 8 << 20;  // a few hours of play take far less
const std::uint32_t MAX_REPLAY_TICKS = 100u * 3600 * 12;  // twelve hours

struct Recording {
    Match start;
    std::vector<std::uint16_t> inputs;  // each tick's, packed (input.h)
    std::vector<std::uint64_t> checkpoints;  // the digest after ticks 99, 199, ...
    std::uint64_t last = 0;  // the digest after the last tick
};

std::vector<unsigned char> encodeRecording(const Recording &r);

// A recording from bytes that came from outside: "" and r filled, or what
// is wrong with them, in a few words.
std::string decodeRecording(const unsigned char *bytes, std::size_t size, Recording &r);

// Plays the recording from its start: the first tick whose digest is not
// the recorded one, or -1 when all agree (events are dropped).
long firstDisagreement(const Recording &r);

// --replay FILE --verify: one line, and 0 when the replay ends on its
// recorded digest, 1 when it does not or the file is refused.
int verifyReplay(const std::string &path);

// --replay FILE: the file read and checked before any window opens (a
// refused file ends the program with one line), then played from its start.
void loadReplay();
void startReplay();
bool replaying();
void runReplayTicks(int due);  // the due ticks from the recording; ESC leaves

// --record FILE: after each tick of the local game (the state it started
// in); a network match calls the three below itself.
void recordLocalTick(int stateBefore);
void beginRecording(const Match &start);
void recordTick(const TickInput &in, const Match &after);
void finishRecording();  // writes the match under way, if any: the first in FILE, the next beside it, numbered
void endRecording();  // at the end of the program: that, or the line that no match was played

}  // namespace rallyton
