// The match and its tick: the state numbers, the match as one value
// (`Match`: everything a tick reads and writes that two games must agree
// on, the shared globals references into it), one tick from its input
// (`advance`) and what it asks to be heard (`events`); the match reset,
// single key presses and the computer's random numbers; and the match
// field by field: its digest, its bytes with every field checked on the
// way in, and the sync test, which rolls every tick back and runs it again.
// Nothing here knows of the window, the datafile or the loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ball.h"
#include "field.h"
#include "input.h"
#include "paddle.h"

namespace rallyton {

enum : int {
    STATE_MENU = 0,
    STATE_PLAY = 1,
    STATE_INTRO = 2,
    STATE_SERVE = 3,
    STATE_PAUSE = 4,
    STATE_INTRO_DELAY = 5,
    STATE_TITLE_DELAY = 6,
    STATE_TITLE_FADE_IN = 7,
    STATE_MATCH_FADE_OUT = 8,
    STATE_MATCH_FADE_IN = 9,
    STATE_EXIT_FADE_OUT = 10,
    STATE_PLAYERS_MENU = 11,
    STATE_GAME_OVER = 12,
    STATE_QUIT = 255,
};

const int TICK_MS = 10;  // the logic runs 100 ticks a second

// The timed screens, in logic ticks (100 a second).
const int INTRO_DELAY_TICKS = 100;  // black before the intro
const int INTRO_HOLD_TICKS = 400;  // the intro image at full strength
const int TITLE_DELAY_TICKS = 200;  // black after the intro
const int SERVE_TICKS = 200;  // the countdown before each serve

const int WIN_SCORE = 10;  // the first side to this many points wins
const int VEIL_BLACK = 255;  // the veil level that hides the frame: where every fade starts or ends

// Everything a tick reads and writes that two games playing one match must
// agree on, as one value: saved and restored by assignment (rollback, and
// replays, which start from one). The globals' names below refer into it.
// What stays outside is each player's own: the sound and music switches,
// the music playlist, the window.
struct Match {
    int game_state = 0;
    int score[2] = {0, 0};
    unsigned char winner = 0;
    int between = 0;
    int delay1 = 0;
    int delay2 = 0;
    int intro = 0;
    int intro_trans = 0;
    int title_trans = VEIL_BLACK;
    int paused_from = STATE_PLAY;  // the state P resumes: the rally, or a serve countdown paused when the game stalled
    unsigned char select = 0;
    unsigned char selection_1[2] = {1, 0};
    unsigned char selection_2[2] = {1, 0};
    unsigned char p2 = 0;
    Pong P1;
    Pong CPU{1};
    Ball ball;
    std::uint32_t cpu_random = 1;  // the computer's own random numbers: the same on every platform
    unsigned char MyKeyArray[KEY_MAX] = {};  // keyPressed's memory of the keys the tick reads
};
extern Match match;

extern int &game_state;
extern int (&score)[2];
extern unsigned char &winner;
extern int &between;
extern int &delay1;
extern int &delay2;
extern int &intro;
extern int &intro_trans;
extern int &title_trans;
extern int &paused_from;
extern unsigned char &select;  // lives in our namespace: POSIX owns ::select
extern unsigned char (&selection_1)[2];
extern unsigned char (&selection_2)[2];
extern unsigned char &p2;
extern Pong &P1;
extern Pong &CPU;
extern Ball &ball;

// What a tick asks to be heard, in order: played by its caller once the
// tick has run (playEvents), dropped for a tick run again.
enum Event : unsigned char {
    EVENT_HIT,  // a paddle hit the ball (heard with the sound on)
    EVENT_CLICK,  // a menu's choice
    EVENT_MUSIC_STEP,  // the playlist's step of a match tick
    EVENT_MUSIC_STOP,
    EVENT_MUSIC_PAUSE,
    EVENT_MUSIC_RESUME,
    EVENT_SHUFFLE_RESET,  // the match reset empties the playlist's cycle
    EVENT_SWITCH_KEYS,  // where a match reads 1 and 2, each player's own switches
};
struct Events {
    static const int MOST = 16;  // more than a tick can ask for
    int count = 0;
    Event list[MOST];
    void add(Event e) {
        if (count < MOST) list[count++] = e;
    }
};
extern Events events;

// One tick of the game from the input given (the logic, then the keys): it
// changes only the match, and leaves what is to be heard in events.
void advance(const TickInput &in);

// The computer's next random number, 0 to 32767, from the match's own
// generator (so that a replay plays the same on every platform).
int cpuRandom();

// One tick of the game from the input given (the logic, then the keys): it
// changes only the match, and leaves what is to be heard in events.
void advance(const TickInput &in);

// The computer's next random number, 0 to 32767, from the match's own
// generator (so that a replay plays the same on every platform).
int cpuRandom();

void setStartValues();  // the match's values when the game starts
void restart();  // the match reset
bool keyPressed(int k);  // k pressed in this tick, once a press (its memory in the match)

// The match's bytes, field by field, big-endian: the same on every platform.
std::vector<unsigned char> encodeMatch(const Match &m);
std::size_t matchBytes();  // how many encodeMatch writes

// A match from bytes that came from outside (exactly matchBytes() of them):
// false, and m untouched, unless every field is within its bounds.
bool decodeMatch(const unsigned char *bytes, std::size_t size, Match &m);

// A digest of every field: two games that agree on it agree on all that a
// tick reads.
std::uint64_t matchDigest(const Match &m);

// Bytes' digest (64-bit FNV-1a), for the match and a replay file's check.
std::uint64_t digestOf(const unsigned char *bytes, std::size_t size, std::uint64_t h = 14695981039346656037u);

// From start, runs the packed inputs one tick each; after every tick it
// restores the state of `depth` ticks before and runs those ticks again.
// Returns the first tick whose state the second run does not reproduce
// (a part of the state living outside the match), or -1. The tick is the
// game's own unless another is given.
long syncTest(const Match &start, const std::vector<std::uint16_t> &inputs, int depth,
              void (*tick)(const TickInput &) = advance);

}  // namespace rallyton
