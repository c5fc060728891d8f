// The software synth's instruments (patches.dat): what its loader reads on
// trust, from the index to every instrument's sounds. The library crashes
// on them damaged, so they are checked before the sound is installed.
#pragma once

#include <string>

namespace rallyton {

// "" when the synth can read them, otherwise one short phrase naming the
// problem ("object 3 has an empty loop").
std::string patchesProblem(const char *path);

// The instruments the library will find (after allegro_init): "" when
// there are none or they are sound, otherwise "PATH: problem".
std::string instrumentsProblem();

}  // namespace rallyton
