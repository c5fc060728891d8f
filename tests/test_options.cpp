// The player's choices: command lines and settings files as tables (each
// row: what is given, the options that result in short, the first line
// said), and the monitor full screen goes on.
#include <cstdlib>
#include <string>
#include <vector>

#include "options.h"
#include "platform.h"
#include "support.h"

using namespace test;

namespace {

// The options in short: scale, full screen, power save, the paddles' keys
// and the pad's buttons (where not the defaults), the network.
std::string brief(const Options &o) {
    std::string s = std::to_string(o.scale) + (o.fullscreen ? " full" : " window") + (o.power_save ? " save" : "");
    const Controls defaults;
    for (int a = 0; a < PADDLE_ACTIONS; a++)
        if (o.controls.keys[a] != defaults.keys[a])
            s += " " + std::string(PADDLE_ACTION_NAMES[a]) + "=" + std::to_string(o.controls.keys[a]);
    for (int b = 0; b < PAD_ACTIONS; b++)
        if (o.controls.buttons[b] != defaults.buttons[b])
            s += " " + std::string(PAD_ACTION_NAMES[b]) + "=" + std::to_string(o.controls.buttons[b]);
    const char *roles[] = {"", " host", " join ", " watch "};
    if (o.net != NET_NONE) s += roles[o.net] + (o.net == NET_HOST ? "" : o.join_host);
    if (!o.port_mapping) s += " no-mapping";
    if (o.port != DEFAULT_PORT) s += " port " + std::to_string(o.port);
    if (o.input_delay) s += " delay " + std::to_string(o.input_delay);
    if (!o.record.empty()) s += " record " + o.record;
    if (!o.replay.empty()) s += " replay " + o.replay + (o.verify ? " verify" : "");
    return s;
}

// The command line over a settings file asking for 4x full screen: the
// status, and the first line said.
int parse(std::vector<std::string> args, Options &options, std::string &said) {
    args.insert(args.begin(), "rallyton");
    std::vector<char *> argv(args.size() + 1);  // ending in a null pointer
    for (std::size_t i = 0; i < args.size(); i++) argv[i] = &args[i][0];
    options = Options{}, options.scale = 4, options.fullscreen = true;
    testing::internal::CaptureStdout(), testing::internal::CaptureStderr();
    int status = applyCommandLine(int(args.size()), argv.data(), options);
    std::string out = testing::internal::GetCapturedStdout(), err = testing::internal::GetCapturedStderr();
    said = (out + err).substr(0, (out + err).find('\n'));
    return status;
}

const std::string USAGE =
    "Usage: rallyton [--scale N|auto] [--fullscreen|--windowed] [--power-save] [--host [PORT]|--join [HOST[:PORT]]]";

}  // namespace

TEST(Options, CommandLinesOverTheSettingsFile) {
    const std::string ALONE = "rallyton: --replay plays a recording alone, not with ";
    // clang-format off
    const struct { std::vector<std::string> args; int status; std::string options, said; } cases[] = {
        // clang-format on
        {{}, -1, "4 full", ""},
        {{"--scale", "3", "--windowed"}, -1, "3 window", ""},
        {{"--scale=auto", "--power-save"}, -1, "0 full save", ""},
        {{"--sc", "8", "--pow", "--win"}, -1, "8 window save", ""},  // unique prefixes
        {{"--windowed", "--full"}, -1, "4 full", ""},  // the last one wins
        {{"--scale", "1"}, -1, "1 full", ""},
        {{"--host"}, -1, "4 full host", ""},
        {{"--host", "5000", "--scale", "2"}, -1, "2 full host port 5000", ""},
        {{"--host=65535"}, -1, "4 full host port 65535", ""},
        {{"--host", "--windowed"}, -1, "4 window host", ""},
        {{"--join", "pc.local"}, -1, "4 full join pc.local", ""},
        {{"--join=10.0.0.2:1"}, -1, "4 full join 10.0.0.2 port 1", ""},
        {{"--scale", "9"}, 2, "4 full", "rallyton: --scale takes 1 to 8 or auto, not '9'"},
        {{"--scale=0"}, 2, "4 full", "rallyton: --scale takes 1 to 8 or auto, not '0'"},
        {{"--scale", "22"}, 2, "4 full", "rallyton: --scale takes 1 to 8 or auto, not '22'"},
        {{"--scale"}, 2, "4 full", "rallyton: --scale needs a value: '1 to 8 or auto'"},
        {{"--host=0"}, 2, "4 full", "rallyton: --host takes a port from 1 to 65535, not '0'"},
        {{"--host", "65536"}, 2, "4 full", "rallyton: --host takes a port from 1 to 65535, not '65536'"},
        {{"--join", "pc:"}, 2, "4 full", "rallyton: --join takes HOST or HOST:PORT, not 'pc:'"},
        {{"--join", ":80"}, 2, "4 full", "rallyton: --join takes HOST or HOST:PORT, not ':80'"},
        {{"--join", "pc:8x"}, 2, "4 full", "rallyton: --join takes HOST or HOST:PORT, not 'pc:8x'"},
        {{"--join", "pc", "--join", "--no-port"}, -1, "4 full join  no-mapping", ""},  // alone: found here
        {{"fullscreen"}, 2, "4 full", "rallyton: unexpected argument 'fullscreen'"},
        {{"--", "--windowed"}, 2, "4 full", "rallyton: unexpected argument '--windowed'"},
        {{"-f"}, 2, "4 full", "rallyton: unknown option '-f'"},
        {{"--fullscreen=yes"}, 2, "4 full", "rallyton: unknown option '--fullscreen=yes'"},
        {{"--colour"}, 2, "4 full", "rallyton: unknown option '--colour'"},
        {{"--help", "--scale", "9"}, 0, "4 full", USAGE},
        {{"--vers"}, 0, "4 full", "rallyton 1.1"},
        {{"--scale", "2", "fullscreen", "--windowed"}, 2, "2 full", "rallyton: unexpected argument 'fullscreen'"},
        {{"--input-delay", "10", "--record", "m.rly"}, -1, "4 full delay 10 record m.rly", ""},
        {{"--input-delay=0"}, -1, "4 full", ""},
        {{"--input-delay", "11"}, 2, "4 full", "rallyton: --input-delay takes 0 to 10, not '11'"},
        {{"--input-delay", "-1"}, 2, "4 full", "rallyton: --input-delay takes 0 to 10, not '-1'"},
        {{"--replay", "m.rly", "--verify"}, -1, "4 full replay m.rly verify", ""},
        {{"--verify"}, 2, "4 full", "rallyton: --verify goes with '--replay FILE'"},
        {{"--replay", "m", "--join", "pc"}, 2, "4 full join pc replay m", ALONE + "'--host/--join/--watch'"},
        {{"--watch", "pc:9", "--record", "w"}, -1, "4 full watch pc port 9 record w", ""},
        {{"--watch=:9"}, 2, "4 full", "rallyton: --watch takes HOST or HOST:PORT, not ':9'"},
        {{"--record", "n", "--replay", "m"}, 2, "4 full record n replay m", ALONE + "'--record'"},
    };
    for (const auto &c : cases) {
        Options options;
        std::string said, args;
        int status = parse(c.args, options, said);
        for (const std::string &a : c.args) args += a + " ";
        EXPECT_TRUE(status == c.status && brief(options) == c.options && said == c.said)
            << args << ": status " << status << ", " << brief(options) << ", said: " << said;
    }
}

// Settings files as people write them; keys of one's own and the pad's
// buttons, where a bad name or a key two actions would share costs one
// line and that action keeps its default.
TEST(Options, SettingsFilesAsPeopleWriteThem) {
    const std::string bad = " is not a valid value; using the default", D = "; using the default";
    // clang-format off
    const struct { std::string text, options, complaint; } cases[] = {  // the complaint: the first line, "" for none
        // clang-format on
        {"[rallyton]\nscale = 2          # 1 to 8, or auto\nfullscreen = yes ; or no\n", "2 full", ""},
        {"\xEF\xBB\xBF[rallyton]\r\nscale = 3\r\npower_save = on\r\n", "3 window save", ""},
        {"  [ Rallyton ]  \n  Scale=AUTO\t# the largest\n", "0 window", ""},
        {"[rallyton]\n# scale = 3\n; scale = 4\nscale\n", "1 window", ""},
        {"scale = 3\n[sound]\nscale = 4\n[rallyton]\n[other]\nfullscreen = yes\n", "1 window", ""},
        {"\xEF\xBB[rallyton]\nscale = 2\n", "1 window", ""},  // half a byte-order mark: not our section
        {"[rallyton]\nfullscreen = TRUE\nfullscreen = off\nwhatever = 3\nport = 4000", "1 window port 4000", ""},
        {"[rallyton]\nscale = 4;5\n", "1 window", "cfg: scale = 4;5" + bad},
        {"[rallyton]\nscale = 9", "1 window", "cfg: scale = 9" + bad},
        {"[rallyton]\nscale=#3\n", "1 window", "cfg: scale = " + bad},
        {"[rallyton]\nfullscreen = maybe\nscale = 2\n", "2 window", "cfg: fullscreen = maybe" + bad},
        {"[rallyton]\npower_save = 1\x1b[2J\n", "1 window", "cfg: power_save = 1?[2J" + bad},
        {"[rallyton]\nport = 65536\n", "1 window", "cfg: port = 65536" + bad},
        {"[rallyton]\ninput_delay = 10\nport_mapping = no\n", "1 window no-mapping delay 10", ""},
        {"[rallyton]\ninput_delay = 11\n", "1 window", "cfg: input_delay = 11" + bad},
        {"[rallyton]\nleft_up = I\nleft_down = k\nright_up = pgup\nright_down = 8_PAD\npad_pause = 9",
         "1 window left_up=9 left_down=11 right_up=80 right_down=45 pad_pause=9", ""},
        {"[rallyton]\nleft_up = W\nright_up = UP", "1 window left_up=23 right_up=84", ""},  // swapped: fine
        {"[rallyton]\nleft_up = S", "1 window", "cfg: left_up = S is another action's key" + D},
        {"[rallyton]\nright_down = P", "1 window", "cfg: right_down = P is another action's key" + D},
        {"[rallyton]\nleft_down = KEY_Q", "1 window", "cfg: left_down = KEY_Q is not a key's name" + D},
        {"[rallyton]\nright_up =", "1 window", "cfg: right_up = ? is not a key's name" + D},
        {"[rallyton]\npad_confirm = 32", "1 window", "cfg: pad_confirm = 32 is not a button from 0 to 31" + D},
        {"[rallyton]\npad_back = 31\npad_confirm = 07", "1 window pad_back=31",
         "cfg: pad_confirm = 07 is another action's button" + D},
        {"[rallyton]\npad_back = -1", "1 window", "cfg: pad_back = -1 is not a button from 0 to 31" + D},
    };
    for (const auto &c : cases) {
        Options options;
        std::vector<std::string> complaints;
        applySettings(c.text, "cfg", options, complaints);
        std::string complaint = complaints.empty() ? "" : complaints[0];
        EXPECT_TRUE(brief(options) == c.options && complaint == c.complaint && complaints.size() <= 1)
            << c.text << ": " << brief(options) << ", " << complaint;
    }
}

// Two 1920 x 1080 monitors side by side, the right one primary, and a
// third above them.
TEST(Options, FullScreenGoesOnTheWindowsMonitorOrThePrimaryOne) {
    const std::vector<Monitor> desk = {
        {0, 0, 1920, 1080, false}, {1920, 0, 1920, 1080, true}, {0, -1024, 1280, 1024, false}};
    const int cases[][3] = {{0, 0, 0},    {1919, 1079, 0},  {1920, 0, 1},  {3839, 500, 1}, {3840, 0, 1},
                            {100, -1, 2}, {1279, -1024, 2}, {1280, -1, 1}, {-1, 0, 1},     {0, 1080, 1}};
    for (auto &c : cases) {  // the window's corner, the monitor chosen
        Monitor m{};
        ASSERT_TRUE(chooseMonitor(desk, c[0], c[1], m));
        EXPECT_TRUE(m.x == desk[c[2]].x && m.y == desk[c[2]].y) << c[0] << ", " << c[1] << ": " << m.x << ", " << m.y;
    }
    Monitor m{};
    EXPECT_TRUE(chooseMonitor({desk[0], desk[2]}, 5000, 5000, m) && m.x == 0 && m.y == 0);  // no primary: the first
    EXPECT_FALSE(chooseMonitor({}, 0, 0, m));
}

// A window's zoom keeps room for its frame and a panel, up to 8; full
// screen's takes the whole monitor, however large; a zoom asked for that
// is too large falls back to the largest that fits, in one line.
TEST(Options, TheZoomIsTheLargestThatFits) {
    const int cases[][4] = {{1280, 1024, 3, 4}, {1920, 1080, 4, 4}, {3840, 2160, 8, 9}, {7680, 4320, 8, 18},
                            {640, 480, 1, 2},   {656, 560, 2, 2},   {655, 560, 1, 2},   {656, 559, 1, 2},
                            {100, 100, 1, 0},   {319, 240, 1, 0},   {320, 239, 1, 0},   {320, 240, 1, 1}};
    for (auto &c : cases)  // the screen, the window's zoom, full screen's
        EXPECT_TRUE(autoScale(c[0], c[1]) == c[2] && fullScreenZoom(c[0], c[1]) == c[3]) << c[0] << " x " << c[1];
    // --scale N: N, unless it is larger than the largest that fits and its
    // window does not fit the area (0 x 0: the desktop's size unknown).
    const int asked[][5] = {
        {SCALE_AUTO, 3, 1280, 1024, 3}, {3, 3, 1280, 1024, 3}, {8, 3, 1280, 1024, 3}, {4, 3, 1280, 960, 4},
        {4, 3, 1279, 960, 3},           {4, 3, 1280, 959, 3},  {2, 1, 0, 0, 1},       {1, 1, 0, 0, 1}};
    std::string said;
    for (auto &c : asked) {  // the scale, the largest that fits, the area, the zoom
        said.clear();
        EXPECT_EQ(windowZoom(c[0], c[1], c[2], c[3], said), c[4]) << c[0] << " on " << c[2] << " x " << c[3];
        EXPECT_EQ(said.empty(), c[0] == SCALE_AUTO || c[4] == c[0]) << said;
    }
    windowZoom(8, 3, 1280, 1024, said);
    EXPECT_EQ(said, "a 2560 x 1920 window does not fit the 1280 x 1024 desktop; playing in the 960 x 720 one");
}

// The settings file lives where XDG_CONFIG_HOME says, when that is an
// absolute path; else below HOME.
TEST(Options, TheSettingsFileIsWhereTheDesktopKeepsThem) {
    const std::string home = std::string(std::getenv("HOME")) + "/.config/rallyton/rallyton.cfg";
    for (std::string xdg : {"/etc/xdg", "config", ""}) {
        setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
        EXPECT_EQ(settingsPath(), xdg[0] == '/' ? xdg + "/rallyton/rallyton.cfg" : home) << xdg;
    }
    EXPECT_EQ((unsetenv("XDG_CONFIG_HOME"), settingsPath()), home);
}
