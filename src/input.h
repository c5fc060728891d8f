// What a tick takes from the players: the keys held, with the pads'
// buttons and pushes standing in for the keys they mean, and which paddle
// wants to go up or down. Gathered once a tick from the keyboard and the
// pads; the paddles and the key handling read only this, so a game played
// over a network can fill it for a remote player.
#pragma once

#include <allegro.h>

#include <cstdint>
#include <string>
#include <vector>

namespace rallyton {

struct TickInput {
    unsigned char keys[KEY_MAX];  // held in this tick: the keys the game takes single presses of
    unsigned char up[2];  // the paddles' wants: 0 the left one, 1 the right one
    unsigned char down[2];
};

extern TickInput input;

// The keys a tick takes single presses of (1 and 2, the sound and music
// switches, are each player's own and outside the match).
const int TICK_KEYS[] = {KEY_P, KEY_R, KEY_ESC, KEY_ENTER, KEY_LEFT, KEY_RIGHT};
const int TICK_KEY_COUNT = 6;

// A tick's input in 10 bits, as replays keep it: the tick keys in the order
// above, then each paddle's up and down. unpackInput writes only those
// parts of in (1 and 2 stay as they were).
const int PACKED_INPUT_BITS = TICK_KEY_COUNT + 4;
std::uint16_t packInput(const TickInput &in);
void unpackInput(std::uint16_t bits, TickInput &in);

// The paddle actions, in the order of Controls::keys and the settings' names.
enum { LEFT_UP, LEFT_DOWN, RIGHT_UP, RIGHT_DOWN, PADDLE_ACTIONS };
// The pad's buttons that stand in for keys, in the order of Controls::buttons.
enum { PAD_CONFIRM, PAD_BACK, PAD_PAUSE, PAD_ACTIONS };

struct Controls {
    int keys[PADDLE_ACTIONS] = {KEY_UP, KEY_DOWN, KEY_W, KEY_S};
    int buttons[PAD_ACTIONS] = {0, 1, 7};  // ENTER, ESC, P: the first button, the second, Start
};

extern const char *const PADDLE_ACTION_NAMES[PADDLE_ACTIONS];  // "left_up" ...
extern const char *const PAD_ACTION_NAMES[PAD_ACTIONS];  // "pad_confirm" ...

// The controls a settings file asks for, over what controls hold: every
// action on a key or button of its own. A bad name, or a key another
// action has, costs one line in complaints and leaves that action's
// default. values: the settings' values by action (empty: not given).
void chooseControls(const std::string values[PADDLE_ACTIONS + PAD_ACTIONS], const std::string &path, Controls &controls,
                    std::vector<std::string> &complaints);

// Where the stick's push counts: half way, so that a worn stick resting
// off centre (up to a third of the way, on old pads) never moves a paddle.
const int DEAD_ZONE = 64;  // of the library's 128

void installPads();  // at start-up; with no pad, nothing happens and nothing is said
void notePadsAtRest();  // which sticks steer: those resting inside the dead zone now
void gatherInput(const Controls &controls);  // the keyboard and the pads into input, for this tick

}  // namespace rallyton
