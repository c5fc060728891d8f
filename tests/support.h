// Shared pieces of the GoogleTest suites. The game is started for real
// (initGame, under Xvfb) with its sound going to a file and its timer
// stopped, so that each test runs ticks and frames by hand.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "game.h"
#include "screens.h"

namespace test {

using namespace rallyton;

extern std::vector<int> atLoad;  // thesound, thebg, p2, winner and the menus' flags as the program loads

const char HELD = -1;  // what the library writes into key[] for a key held down

// What the game asked of the MIDI player since the last look, seen on the
// way to the real library (the tests link with --wrap): a track's number as
// it starts, 0 as the music stops, -1 a pause, -2 a resume.
extern std::vector<int> musicCalls;
extern long fakeTime;  // what time() tells the game, when not 0

void resetGame();  // the globals as start-up leaves them, every key up
void tick(int n = 1);  // n logic ticks, as the loop runs them
std::vector<unsigned char> readFile(const std::string &path);  // the whole file, empty when missing
void writeFile(const std::string &path, const std::vector<unsigned char> &bytes);

// The game's two samples last hundredths of a second of real time; a test
// looks for them after the tick that played them, so while the tests run
// each is swapped for a silent stand-in a minute long.
void useStandInSamples(bool on);
// 0, or the datafile's sample sounding on some voice: 1, plus its volume
// times 1000, its pan times 1e6, and 1e9 when it plays at its own pitch.
long playing(int entry);

class GameTest : public ::testing::Test {
protected:
    void SetUp() override { resetGame(); }
    void TearDown() override { resetGame(); }
};

}  // namespace test
