// Shared state of the game: the state numbers, every global the screens
// share, and the frame functions (start-up, loop, shutdown, the match reset,
// single key presses, the drawing helpers). Defined in game.cpp.
#pragma once

#include <allegro.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <string>

#include "ball.h"
#include "entries.h"  // ASSET_*: the datafile's entry names, written by dat at build time
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

// The most ticks one pass catches up on: a hitch of half a second plays on
// as if nothing happened; a longer stop (a suspend, a debugger) drops what
// it missed and pauses a match.
const int MAX_CATCH_UP_TICKS = 50;

const int WIN_SCORE = 10;  // the first side to this many points wins
const int VEIL_BLACK = 255;  // the veil level that hides the frame: where every fade starts or ends
const int TRACK_COUNT = 3;  // music tracks, played in shuffled cycles
const int MUSIC_VOLUME = 150;  // MIDI volume with the music on

// Everything a tick reads and writes that two games playing one match must
// agree on, as one value: saved and restored by assignment (rollback, and
// replays, which start from one). The design's names below refer into it.
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
extern const char *status_note;  // a line over the frame ("waiting for the other player"), or null
extern std::string connection_note;  // network play's quiet line in the corner (the round trip, the guessing), or ""
extern unsigned char &select;  // lives in our namespace: POSIX owns ::select
extern unsigned char (&selection_1)[2];
extern const char *s_text_1[2];
extern unsigned char (&selection_2)[2];
extern const char *s_text_2[2];
extern int sx[2];
extern unsigned char &p2;
extern unsigned char thesound;
extern unsigned char thebg;
extern unsigned char midi;
extern int r_midi;
extern unsigned char shu_list[TRACK_COUNT];
extern int shu_num;
extern std::atomic<int> ticks;
extern std::atomic<int> close_button_pressed;
extern volatile std::sig_atomic_t signal_caught;  // the quit signal that ended the game, or 0
extern BITMAP *DoubleBuffer;
extern BITMAP *Black;
extern DATAFILE *data;
extern int zoom;  // each pixel of DoubleBuffer becomes a zoom x zoom block on the screen
extern int picture_x;  // where the picture's top-left corner lies on the screen (full screen centres it)
extern int picture_y;

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

// Start-up cannot go on: one line (and on Windows a message box), status 1.
[[noreturn]] void fail(const std::string &why);

void initGame();
void sayStartUpNote();  // what start-up found out about the sound, once all is up (or nothing)
void processGame();
void processGamePass();  // one pass of the loop: pending ticks, one frame
void shutdownGame();
void ticker();
void close_button_handler();
void focusLost();  // the window lost the focus (the library's window thread): the next pass pauses a match
int exitStatus();  // 0, or 128 + the signal that ended the game

void setStartValues();  // the start values initGame gives the globals
bool createFrameBitmaps();  // DoubleBuffer and Black, both black; false when memory runs out
void restart();
bool keyPressed(int k);

void playSound(int entry);  // a sample of the datafile at full volume, panned hard left, at its own pitch

void blitBuffer();
void screenChanged();  // the screen was drawn on, or is another: the next frame goes whole
bool nextFrameWhole();  // the screen does not hold the last frame (the next goes whole)
void releasePicture();  // at shutdown: what blitBuffer kept

// An integer n x n enlargement of a w x h area of a 32-bit bitmap into
// another, at (toX, toY): each row widened once, then copied n - 1 times.
void enlarge(BITMAP *from, int x, int y, int w, int h, BITMAP *to, int toX, int toY, int n);
void writeTextFromInt(const char *format, int number, int x, int y, int colour);
void writeTextFromInt2(const char *format, int number, int x, int y, int colour);
void writeLine(const std::string &text, int x, int y, int colour);  // small, as it stands: no format, any length
void fadeIn(BITMAP *bitmap, int level, int x, int y);

// The objects the game takes from its datafile, by entry (ASSET_*).
inline BITMAP *bitmapEntry(int i) { return static_cast<BITMAP *>(data[i].dat); }
inline FONT *fontEntry(int i) { return static_cast<FONT *>(data[i].dat); }
inline SAMPLE *sampleEntry(int i) { return static_cast<SAMPLE *>(data[i].dat); }
inline MIDI *trackEntry(int n) { return static_cast<MIDI *>(data[ASSET_TUNE_BRIGHT + n - 1].dat); }  // track 1..3

}  // namespace rallyton
