// Checks the game's datafile before Allegro's loader sees it, and what the
// library's loader, font drawing and MIDI player take on trust in each entry:
// they crash, or hang, on a file cut short or on a field out of range.
#pragma once

#include <cstddef>
#include <string>

namespace rallyton {

// The datafile stream as it follows the pack magic (it starts "ALL.").
// Returns an empty string when the game can load and use it, otherwise one
// short phrase naming the problem ("entry 8 should be a font").
std::string datafileStreamProblem(const unsigned char *bytes, std::size_t size);

// The same for a whole file on disk, plain or packed.
std::string datafileProblem(const std::string &path);

}  // namespace rallyton
