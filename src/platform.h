// Everything that differs between Linux (X11, ALSA) and Windows: where the
// data and the settings live, the quit signals, the window's class and
// icon, the sound library's chatter, messages to the player, the monitors.
// Nothing outside platform.cpp asks which platform it runs on.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace rallyton {

// Where the datafile may be, in the order the game looks: the working
// directory, the program's own folder, the folder it is installed to.
// Needs allegro_init (the program's own path comes from the library).
std::vector<std::string> datafilePlaces();

// The settings file: $XDG_CONFIG_HOME/rallyton/rallyton.cfg (by default
// ~/.config/...), on Windows %APPDATA%\rallyton\rallyton.cfg. UTF-8.
std::string settingsPath();

// Opens a file named in UTF-8, as fopen does.
FILE *openFile(const std::string &path, const char *mode);

// The signals that end the game as the close button does. Those ignored
// when the game started stay ignored.
void noteIgnoredSignals();
void catchQuitSignals(void (*handler)(int));

// The window's class (before allegro_init) and its icon (before the window
// opens); the library's defaults where the platform has no such thing.
void nameWindow();
void setWindowIcon();

// After allegro_init: should the connection to the display be lost, the
// game ends at once with one line and status 1 (the library's own
// clean-up would wait for ever on the lock of the thread that found it);
// and the library's input thread stops asking the display for a round trip
// when nothing happens.
void watchDisplay();

// Keeps the sound library's own messages off the terminal.
void quietSoundLibrary();

// Where --help, --version and the game's lines go: a program of the
// windows subsystem attaches to the console it was started from.
void attachConsole();

// A fatal problem: the line on stderr and, where a terminal is not to be
// counted on, the library's message box too; then the program ends with a
// failure status.
[[noreturn]] void endWithFatal(const std::string &line);

// Runs before the program ends on a fatal line or a lost display, whichever
// way it ends there (atexit does not run on every platform): what must not
// be left behind.
void atFatal(void (*cleanup)());

// A monitor's place on the desktop.
struct Monitor {
    int x, y, w, h;
    bool primary;
};

// The monitors the window system knows of (empty when it cannot tell).
// After allegro_init.
std::vector<Monitor> monitors();


// Where the game's window stands (its top-left corner on the desktop).
void windowPosition(int &x, int &y);

// This machine's IPv4 addresses that a player on another machine could
// join: one for each network interface that is up, not the loopback; at
// most `most` of them.
std::vector<std::string> localAddresses(std::size_t most);

// The timer's call at each tick (from the library's timer thread), and the
// loop's rest until then, at most mostMs: a resting game wakes when there
// is a tick to run, not every millisecond.
void tickArrived();
void waitForTick(int mostMs);

// A job run beside the game (the router's questions take seconds): a
// handle for finishBackground, or nullptr when no thread could start.
void *startBackground(void (*job)(void *), void *argument);
void finishBackground(void *handle);  // waits until the job has returned
void sleepMs(int ms);

// What went wrong with the last network call, in the same words on every
// platform ("the port is already in use").
std::string socketError();

}  // namespace rallyton
