// A match recorded through the real loop replays to its digest, in the
// window too; a damaged, cut, oversized or foreign replay file is refused in
// one line. (The sync test runs on the scripted game's inputs.)
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
    testing::internal::CaptureStderr();
    status = verifyReplay(path);
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
    std::filesystem::create_directories("fuzz-seeds-replay");
    writeFile("fuzz-seeds-replay/match.rly", bytes);  // a seed for the replay's fuzz target
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
    const struct {
        std::vector<unsigned char> bytes;
        std::string said;
    } cases[] = {
        {with(size * 2 / 3, bytes[size * 2 / 3] ^ 1, false), "is damaged (its check digest does not match)"},
        {with(size - 1, bytes[size - 1] ^ 0x80, false), "is damaged (its check digest does not match)"},
        {with(0, 'X', true), "is not a replay"},
        {with(9, 2, true), "is a replay of format 2; this game reads format 1"},
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
    // Played back in the window, ending on its digest.
    writeFile(path, bytes), options.replay = path, loadReplay(), startReplay();
    testing::internal::CaptureStderr();
    for (int pass = 0; pass < 200 && replaying(); pass++) ticks = 20, processGamePass();
    options.replay.clear();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), told + "ending on the recorded digest\n");
    EXPECT_EQ(game_state, STATE_QUIT);
    std::remove(path.c_str());
}
