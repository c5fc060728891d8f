// Before a network match: which router addresses the internet cannot reach,
// and the waiting panel at its fullest, every word inside it and the panel
// a margin inside the screen.
#include <string>
#include <vector>

#include "lobby.h"
#include "portmap.h"
#include "support.h"

using namespace test;

TEST(Lobby, AddressesTheInternetCannotReachUs) {
    // clang-format off
    const std::pair<const char *, bool> cases[] = {  // each range's edges, and its neighbours
        {"10.0.0.1", true}, {"9.255.255.255", false}, {"11.0.0.0", false}, {"172.16.0.0", true},
        {"172.31.255.255", true}, {"172.15.255.255", false}, {"172.32.0.0", false}, {"192.168.0.1", true},
        {"192.169.0.1", false}, {"100.64.0.0", true}, {"100.127.255.255", true}, {"100.63.255.255", false},
        {"100.128.0.0", false}, {"127.0.0.1", true}, {"169.254.1.1", true}, {"0.0.0.0", true}, {"81.2.69.1", false},
        {"", true}, {"81.2.69", true}, {"81.2.69.256", true}, {"81.2.69.1x", true}, {"1.2.3.4.5", true}};
    // clang-format on
    for (const auto &[address, unreachable] : cases) EXPECT_EQ(unreachableAddress(address), unreachable) << address;
}

TEST_F(GameTest, TheWaitingPanelFitsItsWordsWithAMargin) {
    // A version from the network is drawn as it stands, never as a format.
    const std::string widest = "255.255.255.255:65535", found = widest + "  rallyton %s%n%s%n (not ours)";
    const std::vector<std::string> panels[] = {
        {"waiting for a player to join", internetLine(MAPPING_NOT_PUBLIC, "255.255.255.255", 65535, 0), widest, widest,
         widest, widest},
        {"waiting for a player to join", internetLine(MAPPING_REFUSED, "", 65535, 606), widest},
        {"waiting for a player to join", internetLine(MAPPING_DONE, "255.255.255.255", 65535, 0), widest},
        {"3 games on this network:", found, found, found, "left, right: choose; enter: join"}};
    for (const auto &sentences : panels) {
        drawWaiting(sentences, 1);
        int left = FIELD_W, right = -1, top = FIELD_H, bottom = -1, wordsLeft = FIELD_W, wordsRight = -1, words = 0;
        for (int y = 0; y < FIELD_H; y++)
            for (int x = 0; x < FIELD_W; x++) {
                int c = getpixel(screen, x, y);
                if (c == makecol(110, 160, 190))  // the panel's edge
                    left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
                    bottom = std::max(bottom, y);
                if (c == makecol(200, 200, 200) || c == makecol(255, 255, 255) || c == makecol(120, 120, 120))
                    wordsLeft = std::min(wordsLeft, x), wordsRight = std::max(wordsRight, x), words++;
            }
        // a margin of 12 around the panel, and the words 4 inside its edges
        EXPECT_TRUE(words > 300 && left >= 12 && right <= FIELD_W - 13 && top >= 12 && bottom <= FIELD_H - 13 &&
                    wordsLeft > left + 4 && wordsRight < right - 4)
            << sentences[1] << ": " << words << " pixels of words from x " << wordsLeft << " to " << wordsRight
            << ", the panel from " << left << ", " << top << " to " << right << ", " << bottom;
    }
}
