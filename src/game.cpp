// The game frame: the shared globals, start-up, the fixed-rate loop,
// shutdown, the match reset and single key presses. (The picture sent to
// the screen and the drawing helpers: picture.cpp.)
#include "game.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "datacheck.h"
#include "input.h"
#include "instruments.h"
#include "match.h"
#include "network.h"
#include "options.h"
#include "platform.h"
#include "replay.h"
#include "screens.h"

namespace rallyton {

Match match;
int &game_state = match.game_state;
int (&score)[2] = match.score;
unsigned char &winner = match.winner;
int &between = match.between;
int &delay1 = match.delay1;
int &delay2 = match.delay2;
int &intro = match.intro;
int &intro_trans = match.intro_trans;
int &title_trans = match.title_trans;
int &paused_from = match.paused_from;
unsigned char &select = match.select;
unsigned char (&selection_1)[2] = match.selection_1;
unsigned char (&selection_2)[2] = match.selection_2;
unsigned char &p2 = match.p2;
Pong &P1 = match.P1;
Pong &CPU = match.CPU;
Ball &ball = match.ball;
Events events;

const char *status_note = nullptr;
std::string connection_note;
static std::string sound_note;  // what start-up has to say about the sound
const char *s_text_1[2] = {"start game", "exit game"};
const char *s_text_2[2] = {"1 player", "2 players"};
int sx[2] = {60, 200};
unsigned char thesound = 1;
unsigned char thebg = 1;
unsigned char midi = 0;
int r_midi = 0;
unsigned char shu_list[TRACK_COUNT] = {0, 0, 0};
int shu_num = 0;
std::atomic<int> ticks{0};
std::atomic<int> close_button_pressed{0};
volatile std::sig_atomic_t signal_caught = 0;
BITMAP *DoubleBuffer = nullptr;
BITMAP *Black = nullptr;
DATAFILE *data = nullptr;
int zoom = 1;
int picture_x = 0;
int picture_y = 0;

// The game cannot run without its window, its bitmaps and its data: say
// why in one line and leave with a failure status.
[[noreturn]] void fail(const std::string &why) { endWithFatal("rallyton: " + why); }

void ticker() {
    ticks++;
    tickArrived();
}

void close_button_handler() { close_button_pressed = TRUE; }

// The window lost the focus (the library's window thread calls this): the
// loop pauses a match at its next pass.
static std::atomic<int> focus_lost{0};
void focusLost() { focus_lost = 1; }

// The signals that end the game as the close button does: the handler only
// raises a flag, the loop ends after its pass and the game shuts down as
// usual. (Allegro's own handlers shut the library down inside the handler,
// under the drawing thread's feet.) A signal ignored when we started, as a
// script's background job has SIGINT and SIGQUIT, stays ignored.
extern "C" void quitSignalHandler(int signo) { signal_caught = signo; }

int exitStatus() { return signal_caught ? 128 + signal_caught : 0; }

// Paddles at their lines and the ball, all centred on the middle row;
// the ball also on the middle column, served to the right.
static void placeForMatchStart() {
    P1.setCoor(LEFT_PADDLE_X, (FIELD_H - PADDLE_HEIGHT) / 2);
    CPU.setCoor(RIGHT_PADDLE_X, (FIELD_H - PADDLE_HEIGHT) / 2);
    ball.setCoor((FIELD_W - BALL_SIZE) / 2, (FIELD_H - BALL_SIZE) / 2);
    ball.setVel(SERVE_SPEED, 0);
}

void setStartValues() {
    game_state = STATE_INTRO_DELAY;
    placeForMatchStart();
    between = SERVE_TICKS;
    intro = INTRO_HOLD_TICKS;
    delay1 = INTRO_DELAY_TICKS;
    delay2 = TITLE_DELAY_TICKS;
    intro_trans = 0;
    title_trans = VEIL_BLACK;
    select = 0;
    score[0] = 0;
    score[1] = 0;
}

bool createFrameBitmaps() {
    DoubleBuffer = create_bitmap(FIELD_W, FIELD_H);
    Black = create_bitmap(FIELD_W, FIELD_H);
    if (!DoubleBuffer || !Black) return false;
    clear_to_color(DoubleBuffer, makecol(0, 0, 0));
    clear_to_color(Black, makecol(0, 0, 0));
    return true;
}

// The sound card and the music. Without a synth or its instruments the game
// plays its sound effects without music. Returns what a player should be
// told, or "".
static std::string installSound() {
    quietSoundLibrary();  // the probe for a sound card must not fill the terminal
    std::string why = instrumentsProblem();
    // Refused instruments: point the synth at none, so that it stands aside.
    static const char NO_INSTRUMENTS[] = "[sound]\npatches = /rallyton-refused-the-instruments/none.dat\n";
    if (!why.empty()) override_config_data(NO_INSTRUMENTS, sizeof NO_INSTRUMENTS - 1);
    if (install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, nullptr) != 0) {
        if (why.empty()) why = allegro_error;  // as when the synth is asked for and has no instruments
        install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr);
    }
    if (!why.empty()) override_config_data(nullptr, 0);
    if (!digi_driver || digi_driver->id == DIGI_NONE) return "no sound device found; playing without sound";
    if (midi_driver && midi_driver->id != MIDI_NONE) return "";
    if (!why.empty()) return why + "; playing without music";
    return "no MIDI synthesiser and no instruments found; playing without music";
}

// The area the picture goes on: the monitor that holds the window (or the
// primary one) where the window system lists its monitors, otherwise the
// whole desktop. False when its size is unknown.
static bool screenArea(Monitor &area) {
    int x, y;
    windowPosition(x, y);
    if (chooseMonitor(monitors(), x, y, area)) return true;
    area = {0, 0, 0, 0, true};
    return get_desktop_resolution(&area.w, &area.h) == 0;
}

// With --fullscreen, the whole screen at the desktop's own resolution with
// the picture enlarged as far as it fits its monitor and centred there on
// black; where the screen cannot be taken, the largest window that fits.
// Otherwise the window, N times as large with --scale (the largest that
// fits with auto, or when N is too large for the desktop).
static void openScreen() {
    Monitor area;
    bool known = screenArea(area);
    int scale = options.scale;
    if (options.fullscreen) {
        int fit = fullScreenZoom(area.w, area.h);
        int desktopW = 0, desktopH = 0;
        get_desktop_resolution(&desktopW, &desktopH);
        std::string why = !known    ? "the desktop's size is unknown"
                          : fit < 1 ? "the screen of " + std::to_string(area.w) + " x " + std::to_string(area.h) +
                                          " is smaller than the game's " + std::to_string(FIELD_W) + " x " +
                                          std::to_string(FIELD_H)
                                    : "";
        if (why.empty() && set_gfx_mode(GFX_AUTODETECT_FULLSCREEN, desktopW, desktopH, 0, 0) == 0) {
            zoom = fit;
            picture_x = area.x + (area.w - FIELD_W * zoom) / 2;
            picture_y = area.y + (area.h - FIELD_H * zoom) / 2;
            clear_to_color(screen, makecol(0, 0, 0));
            return;
        }
        if (why.empty()) why = allegro_error;
        std::fprintf(stderr, "rallyton: cannot take the whole screen (%s); playing in the largest window that fits\n",
                     why.c_str());
        scale = SCALE_AUTO;
    }
    std::string tooLarge;
    zoom = windowZoom(scale, known ? autoScale(area.w, area.h) : 1, area.w, area.h, tooLarge);
    if (!tooLarge.empty()) std::fprintf(stderr, "rallyton: %s\n", tooLarge.c_str());
    if (zoom > 1 && set_gfx_mode(GFX_AUTODETECT_WINDOWED, FIELD_W * zoom, FIELD_H * zoom, 0, 0) == 0) return;
    if (zoom > 1)
        std::fprintf(stderr, "rallyton: cannot open the %d x %d window (%s); playing in the %d x %d one\n",
                     FIELD_W * zoom, FIELD_H * zoom, allegro_error, FIELD_W, FIELD_H);
    zoom = 1;
    if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, FIELD_W, FIELD_H, 0, 0) != 0)
        fail("cannot open the " + std::to_string(FIELD_W) + " x " + std::to_string(FIELD_H) +
             " window: " + allegro_error);
}

// The first place of the datafile that exists, checked: Allegro's loader
// crashes on a damaged file. Fails naming every place it looked.
static std::string checkedDatafile() {
    std::vector<std::string> places = datafilePlaces();
    std::string looked;
    for (const std::string &place : places) {
        std::string problem = datafileProblem(place);
        if (problem == "cannot be opened (No such file or directory)") {
            looked += (looked.empty() ? "" : ", ") + place;
            continue;
        }
        if (!problem.empty()) fail(place + ": " + problem);
        return place;
    }
    fail("cannot find its datafile; looked for " + looked);
}

void initGame() {
    nameWindow();  // before allegro_init, which creates the window
    noteIgnoredSignals();
    if (allegro_init() != 0)
        fail(std::string("cannot open a display (is DISPLAY set?)") + (*allegro_error ? ": " : "") + allegro_error);
    catchQuitSignals(quitSignalHandler);
    watchDisplay();
    std::string datafile = checkedDatafile();  // before any window opens
    loadReplay();  // the same for a replay to play
    install_timer();
    install_mouse();
    install_keyboard();
    installPads();
    show_mouse(nullptr);
    unsigned seed = static_cast<unsigned>(time(nullptr));
    srand(seed);  // the music's draw
    std::string soundNote = installSound();
    install_int_ex(ticker, BPS_TO_TIMER(1000 / TICK_MS));
    set_color_depth(32);
    setWindowIcon();
    openScreen();
    screenChanged();
    if (!createFrameBitmaps()) fail("cannot create the off-screen bitmaps");
    data = load_datafile(datafile.c_str());
    if (!data) fail(datafile + ": cannot be loaded");

    setStartValues();
    match.cpu_random = seed;
    startReplay();
    set_close_button_callback(close_button_handler);
    set_display_switch_callback(SWITCH_OUT, focusLost);
    set_display_switch_callback(SWITCH_IN, screenChanged);  // back in the window: the whole picture again
    r_midi = rand() % TRACK_COUNT + 1;
    set_volume(255, MUSIC_VOLUME);
    sound_note = soundNote;
    if (options.net == NET_NONE) sayStartUpNote();  // a networked game says it once the match is on
}

void sayStartUpNote() {
    if (!sound_note.empty()) std::fprintf(stderr, "rallyton: %s\n", sound_note.c_str());
    sound_note.clear();
}

void advance(const TickInput &in) {
    input = in;
    logicProcess();
    keyPresses();
}

int cpuRandom() {
    match.cpu_random = match.cpu_random * 214013u + 2531011u;  // a plain linear congruential step
    return static_cast<int>(match.cpu_random >> 16 & 0x7FFF);
}

// With --power-save a frame is drawn only when what it shows may have
// changed: the match, the player's switches, the line over it, or the
// screen itself.
static bool pictureMayHaveChanged() {
    static std::uint64_t drawn = 0;
    const std::uint64_t parts[] = {matchDigest(match), thesound, thebg, reinterpret_cast<std::uintptr_t>(status_note)};
    std::uint64_t now = digestOf(reinterpret_cast<const unsigned char *>(parts), sizeof parts);
    bool changed = now != drawn || nextFrameWhole();
    drawn = now;
    return changed;
}

void processGamePass() {
    int n = ticks.exchange(0);  // a tick arriving now is neither lost nor run twice
    bool away = focus_lost.exchange(0) != 0;
    if (networkMatch()) {
        // The ticks that are due, our input at once and the other player's
        // as it comes (rolled back and run again when it was not as guessed).
        bool fresh = runNetworkTicks(n, away);
        if (!options.power_save || fresh) drawProcess();
        else waitForTick(TICK_MS);
        if (close_button_pressed || signal_caught) leaveNetwork(), game_state = STATE_QUIT;
        return;
    }
    if (replaying()) {
        runReplayTicks(n);
        if (!options.power_save || n > 0) drawProcess();
        else waitForTick(TICK_MS);
        if (close_button_pressed || signal_caught) game_state = STATE_QUIT;
        return;
    }
    if (away) pauseMatch(), playEvents();  // the player's hands are elsewhere
    if (n > MAX_CATCH_UP_TICKS) {
        // The game was stopped (a suspend, a debugger, a stalled display):
        // it goes on from where it stopped, and a match waits for its player.
        n = 0;
        pauseMatch(), playEvents();
    }
    if (options.power_save && n == 0) {
        waitForTick(TICK_MS);  // the picture cannot have changed: give the processor back
    } else {
        while (n > 0) {
            gatherInput(options.controls);
            int before = game_state;
            advance(input);
            playEvents();
            recordLocalTick(before);
            n--;
        }
        if (!options.power_save || pictureMayHaveChanged()) drawProcess();
    }
    if (close_button_pressed || signal_caught) game_state = STATE_QUIT;
}

void processGame() {
    while (game_state != STATE_QUIT) processGamePass();
}

void shutdownGame() {
    destroy_bitmap(DoubleBuffer);
    destroy_bitmap(Black);
    releasePicture();
    unload_datafile(data);
    DoubleBuffer = Black = nullptr;
    data = nullptr;
}

void restart() {
    placeForMatchStart();
    score[0] = 0;
    score[1] = 0;
    winner = 0;
    events.add(EVENT_SHUFFLE_RESET);
    title_trans = VEIL_BLACK;
    selection_1[0] = 1;
    selection_1[1] = 0;
    selection_2[0] = 1;
    selection_2[1] = 0;
    select = 0;
}

bool keyPressed(int k) {
    if (input.keys[k]) {
        if (match.MyKeyArray[k]) return false;
        match.MyKeyArray[k] = 1;
        return true;
    }
    match.MyKeyArray[k] = 0;
    return false;
}

void playSound(int entry) { play_sample(sampleEntry(entry), 255, 0, 1000, 0); }

}  // namespace rallyton
