// The game's frame bitmaps and datafile without a window, for the tests and
// the benchmarks: a memory bitmap stands in for the screen.
#pragma once

namespace rallyton {

// After allegro_init: 32-bit colour, the screen, DoubleBuffer and Black,
// and data/data.dat from the working folder. False (with a message on
// stderr naming `who`) when the datafile cannot be loaded.
bool bringUpFramesAndData(const char *who);
void tearDownFramesAndData();

}  // namespace rallyton
