// Preloaded into the real program by the sound test: time() answers one
// fixed moment, so that the start-up draw picks the same first track on
// every run and the music's level can be held to a narrow band.
#include <ctime>

extern "C" std::time_t time(std::time_t *t) {
    const std::time_t FIXED = 1796000002;  // December 2026; the draw picks the third track
    if (t) *t = FIXED;
    return FIXED;
}
