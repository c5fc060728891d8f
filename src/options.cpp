// The settings file and the command line, read into the player's choices (options.h).
#include "options.h"

#include <getopt.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "field.h"
#include "platform.h"
#include "version.h"

namespace rallyton {

Options options;

namespace {

// The room a window needs around its picture: its frame, the title bar and
// a desktop panel.
const int WINDOW_ROOM_W = 16;
const int WINDOW_ROOM_H = 80;

const std::size_t MAX_SETTINGS_BYTES = 65536;  // a settings file is a few lines; more is not ours

const char USAGE[] =
    "Usage: rallyton [--scale N|auto] [--fullscreen|--windowed] [--power-save] [--host [PORT]|--join [HOST[:PORT]]]\n"
    "                [--watch [HOST[:PORT]]] [--no-port-mapping] [--input-delay N] [--record FILE] [--replay FILE "
    "[--verify]] [--help] [--version]\n";

std::string lower(std::string text) {
    for (char &c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A value as it may be shown on one line: control characters as '?'.
std::string printable(std::string text) {
    for (char &c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return text;
}

std::string trim(const std::string &text) {
    std::size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return "";
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// "1" to "8" or "auto"; anything else is refused.
bool parseScale(const std::string &text, int &scale) {
    if (lower(text) == "auto") return scale = SCALE_AUTO, true;
    if (text.size() != 1 || text[0] < '1' || text[0] > '0' + MAX_SCALE) return false;
    scale = text[0] - '0';
    return true;
}

// "1" to "65535", digits only.
bool parsePort(const std::string &text, int &port) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    int n = std::atoi(text.c_str());
    if (n < 1 || n > 65535) return false;
    port = n;
    return true;
}

// "0" to "10".
bool parseInputDelay(const std::string &text, int &delay) {
    if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    int n = std::atoi(text.c_str());
    if (n > MAX_INPUT_DELAY) return false;
    delay = n;
    return true;
}

// HOST or HOST:PORT (the host a name or an IPv4 address).
bool parseJoin(const std::string &text, std::string &host, int &port) {
    std::size_t colon = text.rfind(':');
    std::string name = colon == std::string::npos ? text : text.substr(0, colon);
    if (name.empty() || name.size() > 253 || name.find_first_of(": \t") != std::string::npos) return false;
    if (colon != std::string::npos && !parsePort(text.substr(colon + 1), port)) return false;
    host = name;
    return true;
}

bool parseSwitch(const std::string &text, bool &on) {
    std::string word = lower(text);
    for (const char *yes : {"1", "yes", "true", "on"})
        if (word == yes) return on = true, true;
    for (const char *no : {"0", "no", "false", "off"})
        if (word == no) return on = false, true;
    return false;
}

int usageError(const std::string &what, const std::string &arg) {
    std::fprintf(stderr, "rallyton: %s '%s'\n%sTry 'rallyton --help' for more.\n", what.c_str(), arg.c_str(), USAGE);
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
        "  --host [PORT]    wait for a player on another machine (UDP port, by default %d), then\n"
        "                   play a two-player match: you the left paddle. The router is asked\n"
        "                   to open the port to the internet (UPnP), and says where it is reached\n"
        "  --join [HOST[:PORT]]  join the game hosted there: you the right paddle; with no HOST,\n"
        "                   the games hosted on this network are found (one is joined, several listed)\n"
        "  --watch [HOST[:PORT]]  watch the match hosted there, a second behind (ESC leaves);\n"
        "                   with no HOST, the match hosted on this network\n"
        "  --no-port-mapping  with --host: do not ask the router to open the port\n"
        "  --input-delay N  network play: your paddle answers N ticks after your key (0 to 10,\n"
        "                   by default 0; the other player's moves are shown as they come)\n"
        "  --record FILE    write each match played (here or over the network) to FILE, the\n"
        "                   second and later beside it, numbered (match-2.rly ...)\n"
        "  --replay FILE    play a recorded match in the window (ESC leaves)\n"
        "  --verify         with --replay: check it without a window, as fast as it goes\n"
        "  --help           print this help and exit\n"
        "  --version        print the version and exit\n"
        "\n"
        "Keys: in the menus LEFT / RIGHT choose, ENTER confirms, ESC goes back.\n"
        "UP / DOWN steer the left paddle; W / S the right one in a two-player match.\n"
        "In a match: P pause, R restart, ESC leave to the title, 1 sound effects on/off, 2 music on/off.\n"
        "Pads: the first steers the left paddle, the second the right one (left stick or D-pad);\n"
        "the first button confirms, the second goes back, Start pauses.\n"
        "\n"
        "Settings file: %s\n"
        "  [rallyton]\n"
        "  scale = 2          # 1 to 8, or auto\n"
        "  fullscreen = no    # yes or no (also true/false, on/off, 1/0)\n"
        "  power_save = yes\n"
        "  left_up = UP       # the paddles' keys, by the library's names: left_up, left_down,\n"
        "  right_up = W       # right_up, right_down (W, UP, PGUP, 8_PAD, ...)\n"
        "  pad_pause = 7      # the pad's buttons by number: pad_confirm, pad_back, pad_pause\n"
        "  port = %d       # network play's port\n"
        "  input_delay = 0    # network play: ticks your paddle waits (0 to 10)\n"
        "  port_mapping = no  # do not ask the router to open the port when hosting\n"
        "The command line wins over the file; the game never writes it.\n",
        DEFAULT_PORT, settingsPath().c_str(), DEFAULT_PORT);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> settingsEntries(const std::string &text) {
    std::vector<std::pair<std::string, std::string>> entries;
    std::size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // a byte-order mark
    bool ours = false;  // inside [rallyton]
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        if (line[0] == '[') {
            std::size_t close = line.find(']');
            ours = close != std::string::npos && lower(trim(line.substr(1, close - 1))) == "rallyton";
            continue;
        }
        std::size_t equals = line.find('=');
        if (!ours || equals == std::string::npos) continue;
        std::string value = line.substr(equals + 1);
        for (std::size_t i = 0; i < value.size(); i++)  // a comment starts after a space, or at once
            if ((value[i] == '#' || value[i] == ';') && (i == 0 || value[i - 1] == ' ' || value[i - 1] == '\t')) {
                value.resize(i);
                break;
            }
        entries.emplace_back(lower(trim(line.substr(0, equals))), trim(value));
    }
    return entries;
}

void applySettings(const std::string &text, const std::string &path, Options &options,
                   std::vector<std::string> &complaints) {
    std::string controls[PADDLE_ACTIONS + PAD_ACTIONS];
    for (const auto &[key, value] : settingsEntries(text)) {
        bool good = true;
        for (int a = 0; a < PADDLE_ACTIONS + PAD_ACTIONS; a++)
            if (key == (a < PADDLE_ACTIONS ? PADDLE_ACTION_NAMES[a] : PAD_ACTION_NAMES[a - PADDLE_ACTIONS]))
                controls[a] = value.empty() ? "?" : printable(value);
        if (key == "scale") good = parseScale(value, options.scale);
        else if (key == "fullscreen") good = parseSwitch(value, options.fullscreen);
        else if (key == "power_save") good = parseSwitch(value, options.power_save);
        else if (key == "port") good = parsePort(value, options.port);
        else if (key == "input_delay") good = parseInputDelay(value, options.input_delay);
        else if (key == "port_mapping") good = parseSwitch(value, options.port_mapping);
        if (!good)
            complaints.push_back(path + ": " + printable(key) + " = " + printable(value) +
                                 " is not a valid value; using the default");
    }
    chooseControls(controls, path, options.controls, complaints);
}

int applyCommandLine(int argc, char **argv, Options &options) {
    enum {
        SCALE = 1000,
        FULLSCREEN,
        WINDOWED,
        POWER_SAVE,
        VERSION,
        HOST,
        JOIN,
        INPUT_DELAY,
        RECORD,
        REPLAY,
        VERIFY,
        NO_PORT_MAPPING,
        WATCH
    };
    static const option LONG_OPTIONS[] = {{"scale", required_argument, nullptr, SCALE},
                                          {"fullscreen", no_argument, nullptr, FULLSCREEN},
                                          {"windowed", no_argument, nullptr, WINDOWED},
                                          {"power-save", no_argument, nullptr, POWER_SAVE},
                                          {"help", no_argument, nullptr, 'h'},
                                          {"version", no_argument, nullptr, VERSION},
                                          {"host", optional_argument, nullptr, HOST},
                                          {"join", optional_argument, nullptr, JOIN},
                                          {"no-port-mapping", no_argument, nullptr, NO_PORT_MAPPING},
                                          {"watch", optional_argument, nullptr, WATCH},
                                          {"input-delay", required_argument, nullptr, INPUT_DELAY},
                                          {"record", required_argument, nullptr, RECORD},
                                          {"replay", required_argument, nullptr, REPLAY},
                                          {"verify", no_argument, nullptr, VERIFY},
                                          {nullptr, 0, nullptr, 0}};
    opterr = 0;  // our own messages
    optind = 0;  // a fresh scan (glibc and mingw-w64 alike)
    for (;;) {
        int index = -1;
        int c = getopt_long(argc, argv, "+:h", LONG_OPTIONS, &index);
        if (c == -1) break;
        switch (c) {
        case 'h': printHelp(); return 0;
        case VERSION: std::printf("rallyton %s\n", RALLYTON_VERSION); return 0;
        case FULLSCREEN: options.fullscreen = true; break;
        case WINDOWED: options.fullscreen = false; break;
        case POWER_SAVE: options.power_save = true; break;
        case SCALE:
            if (!parseScale(optarg, options.scale)) return usageError("--scale takes 1 to 8 or auto, not", optarg);
            break;
        case HOST:  // --host, --host=PORT or --host PORT
            if (!optarg && optind < argc && argv[optind][0] != '-') optarg = argv[optind++];
            if (optarg && !parsePort(optarg, options.port))
                return usageError("--host takes a port from 1 to 65535, not", optarg);
            options.net = NET_HOST;
            break;
        case JOIN:  // --join (or --watch) alone finds the games on this network
        case WATCH:
            if (!optarg && optind < argc && argv[optind][0] != '-') optarg = argv[optind++];
            if (optarg && !parseJoin(optarg, options.join_host, options.port))
                return usageError(std::string(c == JOIN ? "--join" : "--watch") + " takes HOST or HOST:PORT, not",
                                  optarg);
            if (!optarg) options.join_host.clear();
            options.net = c == JOIN ? NET_JOIN : NET_WATCH;
            break;
        case NO_PORT_MAPPING: options.port_mapping = false; break;
        case INPUT_DELAY:
            if (!parseInputDelay(optarg, options.input_delay))
                return usageError("--input-delay takes 0 to 10, not", optarg);
            break;
        case RECORD: options.record = optarg; break;
        case REPLAY: options.replay = optarg; break;
        case VERIFY: options.verify = true; break;
        case ':':  // an option's value missing: optopt tells which
            if (optopt == INPUT_DELAY) return usageError("--input-delay needs a value:", "0 to 10");
            if (optopt == RECORD || optopt == REPLAY) return usageError("--record and --replay need a value:", "FILE");
            return usageError("--scale needs a value:", "1 to 8 or auto");
        default: {  // '?': unknown, ambiguous, or a value where none is taken
            std::string arg = argv[optind - 1];
            if (optopt && arg.compare(0, 2, "--") != 0) arg = std::string("-") + char(optopt);
            return usageError("unknown option", arg);
        }
        }
    }
    if (optind < argc) return usageError("unexpected argument", argv[optind]);
    if (options.verify && options.replay.empty()) return usageError("--verify goes with", "--replay FILE");
    if (!options.replay.empty() && (options.net != NET_NONE || !options.record.empty()))
        return usageError("--replay plays a recording alone, not with",
                          options.net != NET_NONE ? "--host/--join/--watch" : "--record");
    return -1;
}

int readOptions(int argc, char **argv, Options &options) {
    std::string path = settingsPath();
    if (FILE *f = openFile(path, "rb")) {
        std::string text(MAX_SETTINGS_BYTES + 1, '\0');
        text.resize(std::fread(&text[0], 1, text.size(), f));
        std::fclose(f);
        std::vector<std::string> complaints;
        if (text.size() > MAX_SETTINGS_BYTES) complaints.push_back(path + ": larger than 64 KB; using the defaults");
        else applySettings(text, path, options, complaints);
        for (const std::string &line : complaints) std::fprintf(stderr, "rallyton: %s\n", line.c_str());
    }
    return applyCommandLine(argc, argv, options);
}

int fullScreenZoom(int screenW, int screenH) { return std::min(screenW / FIELD_W, screenH / FIELD_H); }

int windowZoom(int scale, int fits, int areaW, int areaH, std::string &said) {
    int zoom = scale == SCALE_AUTO ? fits : scale;
    if (zoom <= fits || (FIELD_W * zoom <= areaW && FIELD_H * zoom <= areaH)) return zoom;
    auto size = [](int w, int h) { return std::to_string(w) + " x " + std::to_string(h); };
    said = "a " + size(FIELD_W * zoom, FIELD_H * zoom) + " window does not fit the " + size(areaW, areaH) +
           " desktop; playing in the " + size(FIELD_W * fits, FIELD_H * fits) + " one";
    return fits;
}

int autoScale(int desktopW, int desktopH) {
    int scale = MAX_SCALE;
    while (scale > 1 && (FIELD_W * scale + WINDOW_ROOM_W > desktopW || FIELD_H * scale + WINDOW_ROOM_H > desktopH))
        scale--;
    return scale;
}

}  // namespace rallyton
