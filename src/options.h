// The player's choices: the settings file first, then the command line over
// it. With neither, the game runs as it always has: a 320 x 240 window, a
// frame after every pass of the loop.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "input.h"
#include "netmsg.h"  // MAX_INPUT_DELAY

namespace rallyton {

const int SCALE_AUTO = 0;  // the largest zoom whose window fits the desktop
const int MAX_SCALE = 8;
const int DEFAULT_PORT = 23240;  // network play's UDP port: 320 x 240

enum NetRole { NET_NONE, NET_HOST, NET_JOIN, NET_WATCH };

struct Options {
    int scale = 1;  // 1 to MAX_SCALE, or SCALE_AUTO
    bool fullscreen = false;
    bool power_save = false;  // rest instead of drawing again when no tick is due
    Controls controls;  // the paddles' keys and the pad's buttons
    NetRole net = NET_NONE;  // --host, --join: a two-player match with another machine
    std::string
        join_host;  // --join's (or --watch's) host: a name or an IPv4 address; "": find the games on this network
    int port = DEFAULT_PORT;  // the host's port: 1 to 65535
    bool port_mapping = true;  // the host asks its router to open the port (UPnP)
    int input_delay = 0;  // network play: our input runs this many ticks after its key (0 to MAX_INPUT_DELAY)
    std::string record;  // --record FILE: every match played, as replays (the second and later numbered)
    std::string replay;  // --replay FILE: a replay, played in the window
    bool verify = false;  // --verify: the replay checked without a window
};

extern Options options;  // what this run was asked for

// The settings file and then the command line, into options. Returns -1
// when the game should start; otherwise the status to exit with: 0 after
// --help or --version (printed on stdout), 2 after an unknown option or a
// bad value (the usage on stderr). A bad value in the file costs one line
// on stderr, and its default stands.
int readOptions(int argc, char **argv, Options &options);

// The command line alone, over what options hold: the same statuses.
int applyCommandLine(int argc, char **argv, Options &options);

// The keys and values of the settings file's [rallyton] section, as people
// write them: a UTF-8 byte-order mark, CRLF line ends, spaces around keys
// and values, whole-line comments (# or ;) and trailing ones (a # or ; after
// a space) are all taken. Keys are given in lower case.
std::vector<std::pair<std::string, std::string>> settingsEntries(const std::string &text);

// The settings file's entries, over what options hold. Each bad value
// costs one line in complaints, naming the file (path), the key and the value.
void applySettings(const std::string &text, const std::string &path, Options &options,
                   std::vector<std::string> &complaints);

// The largest whole zoom, up to MAX_SCALE, whose window fits a desktop of
// that size with room for its frame, the title bar and a panel; at least 1.
int autoScale(int desktopW, int desktopH);

// Full screen's zoom on a monitor of that size: the largest whole one that
// fits, with no room kept (0: the game does not fit).
int fullScreenZoom(int screenW, int screenH);

// The window's zoom for a scale (SCALE_AUTO: the largest that fits) on an
// area where `fits` is the largest that fits: the scale, unless it is
// larger and its window does not fit the area; then `fits`, with the line
// that says so in `said`.
int windowZoom(int scale, int fits, int areaW, int areaH, std::string &said);

}  // namespace rallyton
