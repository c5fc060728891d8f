// The fixed-rate loop: the timer's ticks, the passes that run them and
// draw (catching up at most MAX_CATCH_UP_TICKS), the stall and the focus,
// the close button and the quit signals.
#pragma once

#include <atomic>
#include <csignal>

namespace rallyton {

// The most ticks one pass catches up on: a hitch of half a second plays on
// as if nothing happened; a longer stop (a suspend, a debugger) drops what
// it missed and pauses a match.
const int MAX_CATCH_UP_TICKS = 50;

extern std::atomic<int> ticks;
extern std::atomic<int> close_button_pressed;
extern volatile std::sig_atomic_t signal_caught;  // the quit signal that ended the game, or 0

void processGame();
void processGamePass();  // one pass of the loop: pending ticks, one frame
void ticker();
void close_button_handler();
void focusLost();  // the window lost the focus (the library's window thread): the next pass pauses a match
extern "C" void quitSignalHandler(int signo);
int exitStatus();  // 0, or 128 + the signal that ended the game

}  // namespace rallyton
