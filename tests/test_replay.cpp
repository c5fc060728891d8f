// A match recorded through the real loop replays to its digest, in the
// window too; a damaged, cut, oversized or foreign replay file is refused in
// one line. (The sync test runs on the scripted game's inputs.)
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "match.h"
#include "options.h"
#include "replay.h"
#include "support.h"

using namespace test;

namespace {

std::string verifyLine(const std::string &path, int &status) {
    testing::internal::CaptureStderr(), status = verifyReplay(path);
    std::string said = testing::internal::GetCapturedStderr();
    return said.substr(0, said.find('\n'));
}

// The file's last eight bytes, its check, made to fit what comes before.
std::vector<unsigned char> resealed(std::vector<unsigned char> b) {
    std::uint64_t check = digestOf(b.data(), b.size() - 8);
    for (int i = 0; i < 8; i++) b[b.size() - 1 - i] = static_cast<unsigned char>(check >> (8 * i));
    return b;
}

}  // namespace

TEST_F(GameTest, ARecordedMatchReplaysToItsDigestAndADamagedFileIsRefused) {
    const std::string path = "test-match.rly";
    options.record = path, std::remove(path.c_str());
    // A match begun with what the last one left: paddles still moving, a
    // countdown half used, the computer's generator somewhere.
    game_state = STATE_PLAYERS_MENU, P1.vel = 2.5, CPU.vel = -1, between = 77, match.cpu_random = 99;
    const int length = 3000;
    for (int t = 0; t <= length; t++) {  // the left paddle steered up and down, now and then both keys held
        int k = t == 0 ? KEY_ENTER : t == length ? KEY_ESC : 0;
        if (k) key[k] = HELD;
        else key[KEY_UP] = t % 97 < 40 ? HELD : 0, key[KEY_DOWN] = t % 61 < 25 ? HELD : 0;
        ticker(), processGamePass(), key[KEY_ENTER] = key[KEY_ESC] = 0;
    }
    ASSERT_EQ(game_state, STATE_TITLE_FADE_IN);
    options.record.clear();
    std::vector<unsigned char> bytes = readFile(path);
    Recording r;
    ASSERT_EQ(decodeRecording(bytes.data(), bytes.size(), r), "");
    EXPECT_EQ(r.inputs.size(), std::size_t(length));
    EXPECT_EQ(encodeRecording(r), bytes);
    // a seed for the replay's fuzz target
    std::filesystem::create_directories("fuzz-seeds-replay"), writeFile("fuzz-seeds-replay/match.rly", bytes);
    int status = -1;
    EXPECT_EQ(verifyLine(path, status), "rallyton: " + path + ": 3000 ticks, ending on the recorded digest");
    EXPECT_EQ(status, 0);

    // Every cut is refused, and never read past its end.
    for (std::size_t cut = 0; cut < bytes.size(); cut++)
        EXPECT_NE(decodeRecording(bytes.data(), cut, r), "") << "cut at " << cut;
    // One thing wrong at a time: the line each says.
    const std::size_t start = 18, match0 = start, inputs = start + matchBytes() + 4, size = bytes.size();
    auto with = [&](std::size_t at, unsigned char value, bool reseal) {
        std::vector<unsigned char> b = bytes;
        b[at] = value;
        return reseal ? resealed(b) : b;
    };
    std::vector<unsigned char> longer = bytes, huge(MAX_REPLAY_BYTES + 1, 0), zeroRun = bytes;
    longer.insert(longer.end() - 8, 0),
        zeroRun.insert(zeroRun.begin() + long(inputs), {0, 0, 0});  // no input for no ticks
    // clang-format off
    const struct { std::vector<unsigned char> bytes; std::string said; } cases[] = {
        // clang-format on
        {with(size * 2 / 3, bytes[size * 2 / 3] ^ 1, false), "is damaged (its check digest does not match)"},
        {with(size - 1, bytes[size - 1] ^ 0x80, false), "is damaged (its check digest does not match)"},
        {with(0, 'X', true), "is not a replay"},
        {with(7, 'y', true), "is not a replay"},  // the magic's last byte
        {with(9, 2, true), "is a replay of format 2; this game reads format 1"},
        {with(9, 0, true), "is a replay of format 0; this game reads format 1"},
        {with(10, '9', true), "was recorded by rallyton 9.1; this is rallyton 1.1"},
        {with(match0 + 3, 13, true), "does not start from a sound match"},  // the state past game over
        {with(inputs - 4, 0xFF, true), "claims 4278193080 ticks, more than any replay"},
        {with(inputs, 0xFF, true), "has damaged inputs"},  // a bit no input has
        {resealed(zeroRun), "has damaged inputs"},  // a run of no ticks
        {resealed(longer), "goes on past its end"},  // a byte more before the check
        {huge, "is larger than any replay (8 MB)"},
    };
    for (const auto &c : cases) {
        writeFile(path, c.bytes);
        EXPECT_EQ(verifyLine(path, status), "rallyton: " + path + " " + c.said) << &c - cases;
        EXPECT_EQ(status, 1);
    }
    // Well formed but not what was played: UP the other way at tick 1000,
    // found at the next checkpoint, where it still agreed at the one before.
    Recording other = r;
    other.inputs[1000] ^= 64, writeFile(path, encodeRecording(other));
    const std::string told = "rallyton: " + path + ": 3000 ticks, ";
    EXPECT_EQ(verifyLine(path, status),
              told + "but it no longer agrees with its recording at tick 1099 (it still did at tick 999)");
    // Its end is checked too, where no checkpoint falls: the same match cut at
    // 2950 ticks does not end on the digest the whole one ended on.
    Recording cut = r;
    cut.inputs.resize(2950), cut.checkpoints.resize(29), writeFile(path, encodeRecording(cut));
    EXPECT_EQ(verifyLine(path, status), "rallyton: " + path +
                                            ": 2950 ticks, but it no longer agrees with its recording at tick 2949 "
                                            "(it still did at tick 2899)");
    // Played back in the window: to its digest; not to the other's; left with ESC.
    auto window = [&](const std::vector<unsigned char> &file, int escAt) {
        writeFile(path, file), options.replay = path, loadReplay(), startReplay(), testing::internal::CaptureStderr();
        for (int pass = 0; pass < 200 && replaying(); pass++)
            key[KEY_ESC] = pass == escAt ? HELD : 0, ticks = 20, processGamePass();
        options.replay.clear(), key[KEY_ESC] = 0;
        EXPECT_EQ(game_state, STATE_QUIT);
        return testing::internal::GetCapturedStderr();
    };
    EXPECT_EQ(window(bytes, -1), told + "ending on the recorded digest\n");
    EXPECT_EQ(window(encodeRecording(other), -1),
              told + "but it no longer agrees with its recording at tick 1099 (it still did at tick 999)\n");
    EXPECT_EQ(window(bytes, 50), "rallyton: " + path + ": left at tick 1000 of 3000\n");
    std::remove(path.c_str());
}

// Every match of a session is kept, the second beside the first; a session
// with none says so, and a file that cannot be written is named with why.
TEST_F(GameTest, EveryMatchIsKeptAndWhatCannotBeIsSaid) {
    auto session = [](const std::string &path, int matches) {
        options.record = path, testing::internal::CaptureStderr();
        for (int m = 0; m < matches; m++) {
            game_state = STATE_PLAYERS_MENU;
            for (int t = 0; t <= 400 + m; t++) {  // through the fades, ESC in the serve countdown
                key[KEY_ENTER] = t == 1 ? HELD : 0, key[KEY_ESC] = t == 400 + m ? HELD : 0;
                ticker(), processGamePass();
            }
        }
        endRecording();
        options.record.clear(), key[KEY_ESC] = 0;
        return testing::internal::GetCapturedStderr();
    };
    EXPECT_EQ(session("kept.rly", 2),
              "rallyton: the match is recorded in kept.rly (399 ticks)\n"
              "rallyton: the match is recorded in kept-2.rly (400 ticks)\n");
    int status = -1;
    EXPECT_EQ(verifyLine("kept-2.rly", status), "rallyton: kept-2.rly: 400 ticks, ending on the recorded digest");
    EXPECT_EQ(session("none.rly", 0), "rallyton: no match was played; nothing is recorded in none.rly\n");
    EXPECT_EQ(session("no-such-folder/m", 1),
              "rallyton: cannot write the replay no-such-folder/m: No such file or directory\n");
    std::remove("kept.rly"), std::remove("kept-2.rly");
}

// A replay's inputs are runs, and every length class comes back and is
// written again byte for byte: one byte (up to 127 ticks), two (from 128),
// three (from 16384), four (from 2^21, a long pause), filling the longest
// replay there is. One tick more is refused, and so is a run longer than
// the ticks left.
TEST_F(GameTest, RunsOfEveryLengthComeBackByteForByte) {
    Recording r;
    r.start = match;
    std::uint16_t bits = 0;
    for (std::uint32_t run : {1u, 127u, 128u, 16383u, 16384u, (1u << 21) - 1, 1u << 21})
        r.inputs.insert(r.inputs.end(), run, bits++);
    r.inputs.resize(MAX_REPLAY_TICKS, bits);
    r.checkpoints.assign(MAX_REPLAY_TICKS / CHECKPOINT_EVERY, 7);
    std::vector<unsigned char> bytes = encodeRecording(r);
    Recording back;
    ASSERT_EQ(decodeRecording(bytes.data(), bytes.size(), back), "");
    EXPECT_TRUE(back.inputs == r.inputs);
    EXPECT_EQ(encodeRecording(back), bytes);
    r.inputs.push_back(0);
    bytes = encodeRecording(r);
    EXPECT_EQ(decodeRecording(bytes.data(), bytes.size(), back), "claims 4320001 ticks, more than any replay");
    r.inputs.assign(5, 0), r.checkpoints.clear(), bytes = encodeRecording(r);
    bytes[18 + matchBytes() + 4 + 2] = 6;  // the one run: six ticks of five
    EXPECT_EQ(decodeRecording(bytes.data(), bytes.size(), back), "has damaged inputs");
}

// A replay's start holds only what a match can: P resumes a rally or a
// serve countdown, never the intro; the menus have two choices; the fades'
// levels move by two; positions and speeds are numbers, and not far off.
TEST_F(GameTest, AMatchFromBytesHoldsOnlyValuesAMatchCanHave) {
    // clang-format off
    const struct { void (*bend)(Match &); bool good; } cases[] = {
        {[](Match &m) { m.paused_from = STATE_INTRO; }, false}, {[](Match &m) { m.paused_from = STATE_SERVE; }, true},
        {[](Match &m) { m.select = 2; }, false}, {[](Match &m) { m.ball.x = std::nan(""); }, false},
        {[](Match &m) { m.intro_trans = 3; }, false}, {[](Match &m) { m.intro_trans = 256; }, true},
        {[](Match &m) { m.title_trans = 254; }, false}, {[](Match &m) { m.title_trans = -1; }, true},
        {[](Match &m) { m.ball.vy = -1e6; }, true}, {[](Match &m) { m.ball.vy = -1.000001e6; }, false}};
    // clang-format on
    for (const auto &c : cases) {
        Match m = match, back = match;
        c.bend(m);
        std::vector<unsigned char> b = encodeMatch(m);
        EXPECT_EQ(decodeMatch(b.data(), b.size(), back), c.good) << &c - cases;
    }
}
