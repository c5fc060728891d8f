// Start-up and shutdown: the datafile found and checked before any window,
// the window or the full screen on one monitor, the sound; and the line
// with which the game ends when it cannot go on.
#include "startup.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "datacheck.h"
#include "game.h"
#include "instruments.h"
#include "options.h"
#include "platform.h"
#include "replay.h"

namespace rallyton {

DATAFILE *data = nullptr;
static std::string sound_note;  // what start-up has to say about the sound

// The game cannot run without its window, its bitmaps and its data: say
// why in one line and leave with a failure status.
[[noreturn]] void fail(const std::string &why) { endWithFatal("rallyton: " + why); }

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

void shutdownGame() {
    destroy_bitmap(DoubleBuffer);
    destroy_bitmap(Black);
    releasePicture();
    unload_datafile(data);
    DoubleBuffer = Black = nullptr;
    data = nullptr;
}

bool chooseMonitor(const std::vector<Monitor> &all, int x, int y, Monitor &chosen) {
    for (const Monitor &m : all)
        if (x >= m.x && x < m.x + m.w && y >= m.y && y < m.y + m.h) return chosen = m, true;
    for (const Monitor &m : all)
        if (m.primary) return chosen = m, true;
    if (all.empty()) return false;
    chosen = all[0];
    return true;
}

}  // namespace rallyton
