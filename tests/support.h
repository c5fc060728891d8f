// Shared set-up for the tests: the real library under Xvfb (timer, MIDI
// player, drawing), a memory bitmap in place of the window, the built
// datafile, and the game put back to its start before every test.
#pragma once

#include <gtest/gtest.h>

#include "game.h"
#include "screens.h"

namespace test {

using namespace rallyton;

// Put every global back to its value at program start plus initGame's.
void resetGame();

// Release every key and let keyPressed see them all released.
void releaseAllKeys();

// One logic tick as the main loop runs it.
void tick();
void ticksN(int n);

// Runs ticks until game_state changes (at most `limit`); returns how many.
int ticksUntilStateChanges(int limit = 100000);

// Press a key for one tick (down for one tick, then up for one tick).
void tapKey(int k);

struct Colour {
    int r, g, b;
};
Colour pixel(BITMAP *bmp, int x, int y);
bool same(Colour a, Colour b);
// Pixels of exactly this colour inside [x0, x1) x [y0, y1).
int countColour(BITMAP *bmp, int x0, int y0, int x1, int y1, Colour c);
bool allBlack(BITMAP *bmp);
bool sameFrame(BITMAP *a, BITMAP *b);

// Whether a sample of the datafile is sounding on some voice.
bool playing(int entry);
// It sounds at full volume, panned hard left, at its own pitch.
void expectPlayedAsTheGameDoes(int entry);

// Draws the current state's frame; returns the screen it reached.
BITMAP *drawFrame();

class GameTest : public ::testing::Test {
protected:
    void SetUp() override { resetGame(); }
    void TearDown() override { releaseAllKeys(); }
};

}  // namespace test
