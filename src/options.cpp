#include "options.h"

#include <allegro.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "game.h"

namespace rallyton {

int scale_option = 1;
unsigned char fullscreen_option = 0;
unsigned char power_save = 0;

namespace {

// What the command line set: the settings file does not override it.
bool scaleGiven = false;
bool fullscreenGiven = false;
bool powerSaveGiven = false;

// The room a window needs around its picture: its frame, the title bar and
// a desktop panel.
const int WINDOW_ROOM_W = 16;
const int WINDOW_ROOM_H = 80;

const char USAGE[] = "Usage: rallyton [--scale N|auto] [--fullscreen|--windowed] [--power-save] [--help] [--version]\n";

// "1" to "8" or "auto"; anything else is refused.
bool parseScale(const char *text, int &scale) {
    if (std::strcmp(text, "auto") == 0) {
        scale = SCALE_AUTO;
        return true;
    }
    if (std::strlen(text) != 1 || text[0] < '1' || text[0] > '0' + MAX_SCALE) return false;
    scale = text[0] - '0';
    return true;
}

bool parseSwitch(const char *text, unsigned char &on) {
    for (const char *yes : {"1", "yes", "true", "on"})
        if (std::strcmp(text, yes) == 0) return on = 1, true;
    for (const char *no : {"0", "no", "false", "off"})
        if (std::strcmp(text, no) == 0) return on = 0, true;
    return false;
}

int usageError(const char *what, const char *arg) {
    std::fprintf(stderr, "rallyton: %s '%s'\n%sTry 'rallyton --help' for more.\n", what, arg, USAGE);
    return 2;
}

void printHelp() {
    std::printf("%s", USAGE);
    std::printf(
        "Table tennis seen from above, for one player against the computer or two at one keyboard.\n"
        "\n"
        "  --scale N        a window N times as large, every pixel an N x N block (N from 1 to 8);\n"
        "                   auto: the largest N whose window fits the desktop\n"
        "  --fullscreen     the whole screen at its current resolution, the picture enlarged\n"
        "                   as far as it fits and centred on black\n"
        "  --windowed       a window, even when the settings file asks for full screen\n"
        "  --power-save     rest while no tick is due instead of drawing the same picture again\n"
        "  --help           print this help and exit\n"
        "  --version        print the version and exit\n"
        "\n"
        "Keys: in the menus LEFT / RIGHT choose, ENTER confirms, ESC goes back.\n"
        "UP / DOWN steer the left paddle; W / S the right one in a two-player match.\n"
        "In a match: P pause, R restart, ESC leave to the title, 1 sound effects on/off, 2 music on/off.\n"
        "\n"
        "Settings file: %s\n"
        "  [rallyton]\n"
        "  scale = 2           (1 to 8, or auto)\n"
        "  fullscreen = no     (yes or no)\n"
        "  power_save = yes    (yes or no)\n"
        "The command line wins over the file; the game never writes it.\n",
        settingsPath().c_str());
}

}  // namespace

int readCommandLine(int argc, char **argv) {
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            printHelp();
            return 0;
        }
        if (std::strcmp(arg, "--version") == 0) {
            std::printf("rallyton %s\n", RALLYTON_VERSION);
            return 0;
        }
        if (std::strcmp(arg, "--fullscreen") == 0) fullscreen_option = 1, fullscreenGiven = true;
        else if (std::strcmp(arg, "--windowed") == 0) fullscreen_option = 0, fullscreenGiven = true;
        else if (std::strcmp(arg, "--power-save") == 0) power_save = 1, powerSaveGiven = true;
        else if (std::strcmp(arg, "--scale") == 0 || std::strncmp(arg, "--scale=", 8) == 0) {
            const char *value = arg[7] == '=' ? arg + 8 : (i + 1 < argc ? argv[++i] : nullptr);
            if (!value) return usageError("--scale needs a value:", "1 to 8 or auto");
            if (!parseScale(value, scale_option)) return usageError("--scale takes 1 to 8 or auto, not", value);
            scaleGiven = true;
        } else return usageError("unknown option", arg);
    }
    return -1;
}

std::string settingsPath() {
#ifdef ALLEGRO_WINDOWS
    const char *appData = std::getenv("APPDATA");
    return std::string(appData ? appData : ".") + "\\rallyton\\rallyton.cfg";
#else
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/rallyton/rallyton.cfg";  // only absolute paths count
    const char *home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config/rallyton/rallyton.cfg";
#endif
}

void readSettingsFile() {
    std::string path = settingsPath();
    push_config_state();  // Allegro's own configuration (the sound devices) stays as it is
    set_config_file(path.c_str());
    auto bad = [&](const char *key, const char *value) {
        std::fprintf(stderr, "rallyton: %s: %s = %s is not a valid value; using the default\n", path.c_str(), key,
                     value);
    };
    const char *value = get_config_string("rallyton", "scale", nullptr);
    if (value && !scaleGiven) {
        int scale;
        if (parseScale(value, scale)) scale_option = scale;
        else bad("scale", value);
    }
    value = get_config_string("rallyton", "fullscreen", nullptr);
    if (value && !fullscreenGiven && !parseSwitch(value, fullscreen_option)) bad("fullscreen", value);
    value = get_config_string("rallyton", "power_save", nullptr);
    if (value && !powerSaveGiven && !parseSwitch(value, power_save)) bad("power_save", value);
    pop_config_state();
}

int autoScale(int desktopW, int desktopH) {
    int scale = MAX_SCALE;
    while (scale > 1 && (FIELD_W * scale + WINDOW_ROOM_W > desktopW || FIELD_H * scale + WINDOW_ROOM_H > desktopH))
        scale--;
    return scale;
}

}  // namespace rallyton
