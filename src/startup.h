// Start-up and shutdown: the datafile found and checked before any window,
// the window or the full screen, the sound; and the one line with which the
// game ends when it cannot go on.
#pragma once

#include <string>
#include <vector>

#include "platform.h"  // Monitor

namespace rallyton {

// Start-up cannot go on: one line (and on Windows a message box), status 1.
[[noreturn]] void fail(const std::string &why);

void initGame();
void sayStartUpNote();  // what start-up found out about the sound, once all is up (or nothing)
void shutdownGame();

// The monitor that holds the point (the window's top-left corner), else the
// primary one, else the first; false when there are none.
bool chooseMonitor(const std::vector<Monitor> &all, int x, int y, Monitor &chosen);

}  // namespace rallyton
