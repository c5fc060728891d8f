// The player's choices: command lines and settings files as tables, and
// the monitor full screen goes on.
#include <initializer_list>
#include <string>
#include <vector>

#include "options.h"
#include "platform.h"
#include "support.h"

using namespace test;

namespace {

struct Given {
    int scale;
    bool fullscreen, power_save;
};

bool operator==(const Options &o, const Given &g) {
    return o.scale == g.scale && o.fullscreen == g.fullscreen && o.power_save == g.power_save;
}

// The command line over a settings file asking for 4x full screen.
int parse(std::vector<std::string> args, Options &options, std::string &said) {
    args.insert(args.begin(), "rallyton");
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    options = Options{};
    options.scale = 4, options.fullscreen = true;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int status = applyCommandLine(int(args.size()), argv.data(), options);
    std::string out = testing::internal::GetCapturedStdout(), err = testing::internal::GetCapturedStderr();
    said = (out + err).substr(0, (out + err).find('\n'));
    return status;
}

}  // namespace

TEST(Options, CommandLinesOverTheSettingsFile) {
    const std::string usage = "";
    struct Case {
        std::vector<std::string> args;
        int status;
        Given options;
        std::string said;  // the first line printed
    } cases[] = {
        {{}, -1, {4, true, false}, ""},
        {{"--scale", "3", "--windowed"}, -1, {3, false, false}, ""},
        {{"--scale=auto", "--power-save"}, -1, {SCALE_AUTO, true, true}, ""},
        {{"--sc", "8", "--pow", "--win"}, -1, {8, false, true}, ""},  // unique prefixes
        {{"--windowed", "--full"}, -1, {4, true, false}, ""},  // the last one wins
        {{"--scale", "1"}, -1, {1, true, false}, ""},
        {{"--scale", "9"}, 2, {4, true, false}, "rallyton: --scale takes 1 to 8 or auto, not '9'"},
        {{"--scale=0"}, 2, {4, true, false}, "rallyton: --scale takes 1 to 8 or auto, not '0'"},
        {{"--scale", "22"}, 2, {4, true, false}, "rallyton: --scale takes 1 to 8 or auto, not '22'"},
        {{"--scale"}, 2, {4, true, false}, "rallyton: --scale needs a value: '1 to 8 or auto'"},
        {{"fullscreen"}, 2, {4, true, false}, "rallyton: unexpected argument 'fullscreen'"},
        {{"--", "--windowed"}, 2, {4, true, false}, "rallyton: unexpected argument '--windowed'"},
        {{"-f"}, 2, {4, true, false}, "rallyton: unknown option '-f'"},
        {{"--fullscreen=yes"}, 2, {4, true, false}, "rallyton: unknown option '--fullscreen=yes'"},
        {{"--colour"}, 2, {4, true, false}, "rallyton: unknown option '--colour'"},
        {{"--help", "--scale", "9"}, 0, {4, true, false},
         "Usage: rallyton [--scale N|auto] [--fullscreen|--windowed] [--power-save] [--host [PORT]|--join HOST[:PORT]]"},
        {{"-h"}, 0, {4, true, false},
         "Usage: rallyton [--scale N|auto] [--fullscreen|--windowed] [--power-save] [--host [PORT]|--join HOST[:PORT]]"},
        {{"--ver"}, 0, {4, true, false}, "rallyton 1.1"},
    };
    for (const Case &c : cases) {
        Options options;
        std::string said;
        int status = parse(c.args, options, said);
        std::string args;
        for (const std::string &a : c.args) args += a + " ";
        EXPECT_TRUE(status == c.status && options == c.options && said == c.said)
            << args << ": status " << status << ", scale " << options.scale << ", fullscreen " << options.fullscreen
            << ", power_save " << options.power_save << ", said: " << said;
    }
}

TEST(Options, SettingsFilesAsPeopleWriteThem) {
    struct Case {
        std::string text;
        Given options;
        std::string complaint;  // the one line, "" for none
    } cases[] = {
        {"[rallyton]\nscale = 2          # 1 to 8, or auto\nfullscreen = yes ; or no\n", {2, true, false}, ""},
        {"\xEF\xBB\xBF[rallyton]\r\nscale = 3\r\npower_save = on\r\n", {3, false, true}, ""},
        {"  [ Rallyton ]  \n  Scale=AUTO\t# the largest\n", {SCALE_AUTO, false, false}, ""},
        {"[rallyton]\n# scale = 3\n; scale = 4\nscale\n", {1, false, false}, ""},
        {"scale = 3\n[sound]\nscale = 4\n[rallyton]\n[other]\nfullscreen = yes\n", {1, false, false}, ""},
        {"[rallyton]\nscale = 4;5\n", {1, false, false}, "cfg: scale = 4;5 is not a valid value; using the default"},
        {"[rallyton]\nscale = 9", {1, false, false}, "cfg: scale = 9 is not a valid value; using the default"},
        {"[rallyton]\nscale=#3\n", {1, false, false}, "cfg: scale =  is not a valid value; using the default"},
        {"[rallyton]\nfullscreen = maybe\nscale = 2\n", {2, false, false},
         "cfg: fullscreen = maybe is not a valid value; using the default"},
        {"[rallyton]\npower_save = 1\x1b[2J\n", {1, false, false},
         "cfg: power_save = 1?[2J is not a valid value; using the default"},
        {"\xEF\xBB[rallyton]\nscale = 2\n", {1, false, false}, ""},  // half a byte-order mark: not our section
        {"[rallyton]\nfullscreen = TRUE\nfullscreen = off\nwhatever = 3\n", {1, false, false}, ""},
    };
    for (const Case &c : cases) {
        Options options;
        std::vector<std::string> complaints;
        applySettings(c.text, "cfg", options, complaints);
        std::string complaint = complaints.empty() ? "" : complaints[0];
        EXPECT_TRUE(options == c.options && complaint == c.complaint && complaints.size() <= 1)
            << c.text << ": scale " << options.scale << ", fullscreen " << options.fullscreen << ", power_save "
            << options.power_save << ", " << complaint;
    }
}

// Two 1920 x 1080 monitors side by side, the right one primary, and a
// third above them.
TEST(Options, FullScreenGoesOnTheWindowsMonitorOrThePrimaryOne) {
    const std::vector<Monitor> desk = {{0, 0, 1920, 1080, false}, {1920, 0, 1920, 1080, true}, {0, -1024, 1280, 1024, false}};
    const int cases[][3] = {{0, 0, 0},      {1919, 1079, 0}, {1920, 0, 1}, {3839, 500, 1}, {3840, 0, 1},
                            {100, -1, 2},   {1279, -1024, 2}, {1280, -1, 1}, {-1, 0, 1},   {0, 1080, 1}};
    for (auto &c : cases) {  // the window's corner, the monitor chosen
        Monitor m{};
        ASSERT_TRUE(chooseMonitor(desk, c[0], c[1], m));
        EXPECT_TRUE(m.x == desk[c[2]].x && m.y == desk[c[2]].y) << c[0] << ", " << c[1] << ": " << m.x << ", " << m.y;
    }
    Monitor m{};
    EXPECT_TRUE(chooseMonitor({desk[0], desk[2]}, 5000, 5000, m) && m.x == 0 && m.y == 0);  // no primary: the first
    EXPECT_FALSE(chooseMonitor({}, 0, 0, m));
}

TEST(Options, TheAutomaticZoomIsTheLargestWhoseWindowFitsWithRoomAround) {
    const int cases[][3] = {{1280, 1024, 3}, {1920, 1080, 4}, {3840, 2160, 8}, {7680, 4320, 8}, {640, 480, 1},
                            {656, 560, 2},   {655, 560, 1},   {656, 559, 1},   {100, 100, 1}};  // desktop, zoom
    for (auto &c : cases) EXPECT_EQ(autoScale(c[0], c[1]), c[2]) << c[0] << " x " << c[1];
}

// Keys of one's own and the pad's buttons: a bad name or a key two actions
// would share costs one line, and that action keeps its default.
TEST(Options, ControlsFromTheSettingsFile) {
    struct Case {
        std::string text;
        std::vector<int> keys, buttons;
        std::string complaint;
    } cases[] = {
        {"", {KEY_UP, KEY_DOWN, KEY_W, KEY_S}, {0, 1, 7}, ""},
        {"left_up = I\nleft_down = k\nright_up = pgup\nright_down = 8_PAD\npad_pause = 9",
         {KEY_I, KEY_K, KEY_PGUP, KEY_8_PAD}, {0, 1, 9}, ""},
        {"left_up = W\nright_up = UP", {KEY_W, KEY_DOWN, KEY_UP, KEY_S}, {0, 1, 7}, ""},  // swapped: fine
        {"left_up = S", {KEY_UP, KEY_DOWN, KEY_W, KEY_S}, {0, 1, 7},
         "cfg: left_up = S is another action's key; using the default"},
        {"right_down = P", {KEY_UP, KEY_DOWN, KEY_W, KEY_S}, {0, 1, 7},
         "cfg: right_down = P is another action's key; using the default"},
        {"left_down = KEY_Q", {KEY_UP, KEY_DOWN, KEY_W, KEY_S}, {0, 1, 7},
         "cfg: left_down = KEY_Q is not a key's name; using the default"},
        {"right_up =", {KEY_UP, KEY_DOWN, KEY_W, KEY_S}, {0, 1, 7},
         "cfg: right_up = ? is not a key's name; using the default"},
        {"pad_confirm = 32", {KEY_UP, KEY_DOWN, KEY_W, KEY_S}, {0, 1, 7},
         "cfg: pad_confirm = 32 is not a button from 0 to 31; using the default"},
        {"pad_back = 31\npad_confirm = 07", {KEY_UP, KEY_DOWN, KEY_W, KEY_S}, {0, 31, 7},
         "cfg: pad_confirm = 07 is another action's button; using the default"},
        {"pad_back = -1", {KEY_UP, KEY_DOWN, KEY_W, KEY_S}, {0, 1, 7},
         "cfg: pad_back = -1 is not a button from 0 to 31; using the default"},
    };
    for (const Case &c : cases) {
        Options options;
        std::vector<std::string> complaints;
        applySettings("[rallyton]\n" + c.text, "cfg", options, complaints);
        const Controls &got = options.controls;
        std::vector<int> keys(got.keys, got.keys + 4), buttons(got.buttons, got.buttons + 3);
        std::string complaint = complaints.empty() ? "" : complaints[0];
        EXPECT_TRUE(keys == c.keys && buttons == c.buttons && complaint == c.complaint && complaints.size() <= 1)
            << c.text << ": " << complaint;
    }
}

// The left paddle on keys of one's own: I and K steer it, UP no longer does.
TEST_F(GameTest, KeysOfOnesOwnSteerThePaddle) {
    options.controls.keys[LEFT_UP] = KEY_I, options.controls.keys[LEFT_DOWN] = KEY_K;
    const int cases[][2] = {{KEY_I, -1}, {KEY_K, 1}, {KEY_UP, 0}, {KEY_DOWN, 0}};
    for (auto &c : cases) {  // the key held, the way the paddle goes
        resetGame();
        game_state = STATE_SERVE;
        key[c[0]] = HELD;
        tick();
        key[c[0]] = 0;
        EXPECT_EQ(P1.y < 90 ? -1 : P1.y > 90 ? 1 : 0, c[1]) << "key " << c[0];
    }
    options.controls = Controls{};
}

// Network play's options: --host with or without its port, --join with a
// host and maybe a port, and the settings file's port.
TEST(Options, HostingAndJoining) {
    struct Case {
        std::vector<std::string> args;
        int status, net, port;
        std::string host, said;
    } cases[] = {
        {{"--host"}, -1, NET_HOST, DEFAULT_PORT, "", ""},
        {{"--host", "5000", "--scale", "2"}, -1, NET_HOST, 5000, "", ""},
        {{"--host=65535"}, -1, NET_HOST, 65535, "", ""},
        {{"--host", "--windowed"}, -1, NET_HOST, DEFAULT_PORT, "", ""},
        {{"--join", "pc.local"}, -1, NET_JOIN, DEFAULT_PORT, "pc.local", ""},
        {{"--join=10.0.0.2:1"}, -1, NET_JOIN, 1, "10.0.0.2", ""},
        {{"--host=0"}, 2, NET_NONE, DEFAULT_PORT, "", "rallyton: --host takes a port from 1 to 65535, not '0'"},
        {{"--host", "65536"}, 2, NET_NONE, DEFAULT_PORT, "", "rallyton: --host takes a port from 1 to 65535, not '65536'"},
        {{"--join", "pc:"}, 2, NET_NONE, DEFAULT_PORT, "", "rallyton: --join takes HOST or HOST:PORT, not 'pc:'"},
        {{"--join", ":80"}, 2, NET_NONE, DEFAULT_PORT, "", "rallyton: --join takes HOST or HOST:PORT, not ':80'"},
        {{"--join", "pc:8x"}, 2, NET_NONE, DEFAULT_PORT, "", "rallyton: --join takes HOST or HOST:PORT, not 'pc:8x'"},
        {{"--join"}, 2, NET_NONE, DEFAULT_PORT, "", "rallyton: --join needs a value: 'HOST or HOST:PORT'"},
    };
    for (const Case &c : cases) {
        Options options;
        std::string said;
        int status = parse(c.args, options, said);
        EXPECT_TRUE(status == c.status && options.net == c.net && options.port == c.port &&
                    options.join_host == c.host && said == c.said)
            << c.args[0] << ": status " << status << ", net " << options.net << ", port " << options.port << ", "
            << options.join_host << ", said: " << said;
    }
    Options options;
    std::vector<std::string> complaints;
    applySettings("[rallyton]\nport = 4000\n", "cfg", options, complaints);
    EXPECT_TRUE(options.port == 4000 && complaints.empty());
    applySettings("[rallyton]\nport = 70000\n", "cfg", options, complaints);
    EXPECT_TRUE(options.port == 4000 && complaints.size() == 1);
}
