// The match as one value: every tick rolled back and run again lands on the
// same state (the sync test), and a match recorded through the real loop
// replays to its digest, in the window too; a damaged, cut, oversized or
// foreign replay file is refused in one line.
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

// Inputs in runs: each bit of `mask` turns on or off now and then, the
// paddles' often, the match keys rarely.
std::vector<std::uint16_t> randomInputs(unsigned seed, int ticks, unsigned mask) {
    std::vector<std::uint16_t> inputs;
    std::uint16_t bits = 0;
    for (int t = 0; t < ticks; t++) {
        seed = seed * 1103515245u + 12345u;
        unsigned bit = (seed >> 16) % PACKED_INPUT_BITS, flip = (seed >> 8) % 64;
        if ((1u << bit & mask) && flip < (bit >= TICK_KEY_COUNT ? 20u : 3u)) bits ^= std::uint16_t(1u << bit);
        inputs.push_back(bits);
    }
    return inputs;
}

std::string verifyLine(const std::string &path, int &status) {
    testing::internal::CaptureStderr();
    status = verifyReplay(path);
    std::string said = testing::internal::GetCapturedStderr();
    return said.substr(0, said.find('\n'));
}

void writeFile(const std::string &path, const std::vector<unsigned char> &bytes) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// The file's last eight bytes, its check, made to fit what comes before.
std::vector<unsigned char> resealed(std::vector<unsigned char> b) {
    std::uint64_t check = digestOf(b.data(), b.size() - 8);
    for (int i = 0; i < 8; i++) b[b.size() - 1 - i] = static_cast<unsigned char>(check >> (8 * i));
    return b;
}

}  // namespace

// From the program's start through the menus into matches and out (ESC,
// R, P at random), and from a match against the computer (its random kick)
// and between two players.
TEST_F(GameTest, EveryTickRolledBackAndRunAgainLandsOnTheSameState) {
    const unsigned ALL = (1u << PACKED_INPUT_BITS) - 1, MATCH_KEYS = ALL & ~(8u | 16u | 32u);  // no ENTER, LEFT, RIGHT
    Match start = match;
    struct {
        int state, players;
        unsigned mask;
    } cases[] = {{STATE_INTRO_DELAY, 0, ALL}, {STATE_SERVE, 0, MATCH_KEYS}, {STATE_PLAY, 1, MATCH_KEYS}};
    for (auto &c : cases)
        for (unsigned seed : {1u, 2u, 3u}) {
            start.game_state = c.state, start.p2 = static_cast<unsigned char>(c.players), start.cpu_random = seed;
            EXPECT_EQ(syncTest(start, randomInputs(seed, 12000, c.mask), 1 + seed * 3), -1)
                << "from state " << c.state << ", seed " << seed;
        }
}

TEST_F(GameTest, ARecordedMatchReplaysToItsDigestAndADamagedFileIsRefused) {
    const std::string path = "test-match.rly";
    options.record = path;
    std::remove(path.c_str());
    // A match begun with what the last one left: paddles still moving, a
    // countdown half used, the computer's generator somewhere.
    game_state = STATE_PLAYERS_MENU, P1.vel = 2.5, CPU.vel = -1, between = 77, match.cpu_random = 99;
    std::vector<std::uint16_t> keys = randomInputs(7, 3000, 0x3C0u);  // both paddles
    for (std::size_t t = 0; t <= keys.size(); t++) {
        int k = t == 0 ? KEY_ENTER : t == keys.size() ? KEY_ESC : 0;
        if (k) key[k] = HELD;
        else key[KEY_UP] = keys[t] & 64 ? HELD : 0, key[KEY_DOWN] = keys[t] & 128 ? HELD : 0;
        ticker();
        processGamePass();
        key[KEY_ENTER] = key[KEY_ESC] = 0;
    }
    ASSERT_EQ(game_state, STATE_TITLE_FADE_IN);
    options.record.clear();
    std::vector<unsigned char> bytes = readFile(path);
    Recording r;
    ASSERT_EQ(decodeRecording(bytes.data(), bytes.size(), r), "");
    EXPECT_EQ(r.inputs.size(), keys.size());
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
    std::vector<unsigned char> longer = bytes, huge(MAX_REPLAY_BYTES + 1, 0);
    longer.push_back(0);
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
        {resealed(longer), "goes on past its end"},
        {huge, "is larger than any replay (8 MB)"},
    };
    for (const auto &c : cases) {
        writeFile(path, c.bytes);
        EXPECT_EQ(verifyLine(path, status), "rallyton: " + path + " " + c.said) << &c - cases;
        EXPECT_EQ(status, 1);
    }
    // Well formed but not what was played: UP the other way in the run of
    // inputs at tick 1000, found where it first differs (the first
    // checkpoint after the run starts), and where it still agreed.
    std::size_t at = inputs, from = 0;  // the run's bytes, and its first tick
    for (;;) {
        std::size_t p = at + 2, length = 0;
        do length = length << 7 | (bytes[p] & 0x7F);
        while (bytes[p++] & 0x80);
        if (from + length > 1000) break;
        from += length, at = p;
    }
    std::vector<unsigned char> other = bytes;
    other[at + 1] ^= 64;
    writeFile(path, resealed(other));
    long wrong = long(from / 100 * 100 + 99);
    EXPECT_EQ(verifyLine(path, status),
              "rallyton: " + path + ": 3000 ticks, but it no longer agrees with its recording at tick " +
                  std::to_string(wrong) + " (it still did at tick " + std::to_string(wrong - 100) + ")");

    // Played back in the window, ending on its digest.
    writeFile(path, bytes);
    options.replay = path;
    loadReplay();
    startReplay();
    testing::internal::CaptureStderr();
    for (int pass = 0; pass < 200 && replaying(); pass++) ticks = 20, processGamePass();
    std::string said = testing::internal::GetCapturedStderr();
    options.replay.clear();
    EXPECT_EQ(said, "rallyton: " + path + ": 3000 ticks, ending on the recorded digest\n");
    EXPECT_EQ(game_state, STATE_QUIT);
    std::remove(path.c_str());
}
