// Checks the structure of the game's datafile before Allegro's loader sees
// it: the loader crashes on a file cut short in the middle of an object.
#pragma once

#include <cstddef>
#include <string>

namespace rallyton {

// The datafile stream as it follows the pack magic (it starts "ALL.").
// Returns an empty string when the game can load and use it, otherwise one
// short phrase naming the problem ("entry 8 should be a font").
std::string datafileStreamProblem(const unsigned char *bytes, std::size_t size);

// The same for a whole file on disk, plain or packed.
std::string datafileProblem(const char *path);

}  // namespace rallyton
