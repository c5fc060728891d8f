// The waiting panel, and finding a game on this network (lobby.h).
#include "lobby.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "assets.h"
#include "input.h"
#include "lan.h"
#include "loop.h"
#include "match.h"
#include "netmsg.h"
#include "options.h"
#include "picture.h"
#include "startup.h"
#include "version.h"

namespace rallyton {

namespace {

const int SEARCH_EVERY_MS = 500;  // a lost broadcast is sent again
const int SEARCH_MS = 3000;  // with no answer by then, no game is hosted here
const int MORE_ANSWERS_MS = 1000;  // after the first answer, the others have this long
const int PANEL_MARGIN = 12;  // between the panel and the screen's edges
const int PANEL_PADDING = 10;  // between the panel's edge and its words
const int PANEL_TOP = 98;  // under the title, where there is room
const int LINE_GAP = 4;

long msSince(std::chrono::steady_clock::time_point start) {
    return long(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}

bool leaving() {
    gatherInput(options.controls);
    return keyPressed(KEY_ESC) || close_button_pressed || signal_caught;
}

// The list of games found, chosen as in the menus: LEFT / RIGHT (and the
// paddles' keys, up and down) move, ENTER joins. The chosen one's place,
// or -1 when the player left.
int chooseGame(const std::vector<FoundGame> &found) {
    std::vector<std::string> sentences{std::to_string(found.size()) + " games on this network:"};
    for (const FoundGame &game : found) sentences.push_back(foundLine(game, RALLYTON_VERSION));
    sentences.push_back("left, right: choose; enter: join");
    int chosen = 0, count = int(found.size());
    bool wasUp = true, wasDown = true;  // a paddle key held from before moves nothing
    while (!leaving()) {
        bool up = input.up[0] || input.up[1], down = input.down[0] || input.down[1];
        if (keyPressed(KEY_LEFT) || (up && !wasUp)) chosen = (chosen + count - 1) % count;
        if (keyPressed(KEY_RIGHT) || (down && !wasDown)) chosen = (chosen + 1) % count;
        wasUp = up, wasDown = down;
        if (keyPressed(KEY_ENTER)) return chosen;
        drawWaiting(sentences, chosen + 1);
        rest(10);
    }
    return -1;
}

}  // namespace

std::vector<std::string> wrapToWidth(const std::string &sentence, int width) {
    FONT *small = fontEntry(ASSET_FONT_SMALL);
    std::vector<std::string> lines{""};
    std::size_t at = 0;
    while (at < sentence.size()) {
        std::size_t space = sentence.find(' ', at);
        std::string word = sentence.substr(at, space == std::string::npos ? std::string::npos : space - at);
        at = space == std::string::npos ? sentence.size() : space + 1;
        std::string longer = lines.back().empty() ? word : lines.back() + " " + word;
        if (lines.back().empty() || text_length(small, longer.c_str()) <= width) lines.back() = longer;
        else lines.push_back(word);
    }
    return lines;
}

void drawWaiting(const std::vector<std::string> &sentences, int marked) {
    FONT *small = fontEntry(ASSET_FONT_SMALL);
    const int widest = FIELD_W - 2 * (PANEL_MARGIN + PANEL_PADDING), lineHeight = text_height(small) + LINE_GAP;
    struct Line {
        std::string text;
        bool marked;
    };
    std::vector<Line> lines;
    int wide = text_length(small, "esc: quit");
    for (std::size_t s = 0; s < sentences.size(); s++)
        for (const std::string &line : wrapToWidth(sentences[s], widest)) {
            lines.push_back({line, int(s) == marked});
            wide = std::max(wide, text_length(small, line.c_str()));
        }
    int height = 2 * PANEL_PADDING + lineHeight * int(lines.size() + 1) + LINE_GAP;
    int top = std::max(PANEL_MARGIN, std::min(PANEL_TOP, FIELD_H - 1 - PANEL_MARGIN - height));
    int left = std::max(PANEL_MARGIN, (FIELD_W - wide) / 2 - PANEL_PADDING), right = FIELD_W - 1 - left;
    blit(bitmapEntry(ASSET_TABLE), DoubleBuffer, 0, 0, 0, 0, FIELD_W, FIELD_H);
    if (top >= PANEL_TOP)
        writeTextFromInt("RALLYTON", 0, 75, 66, makecol(220, 220, 220));  // where the panel leaves room
    rectfill(DoubleBuffer, left, top, right, top + height, makecol(18, 52, 78));
    rect(DoubleBuffer, left, top, right, top + height, makecol(110, 160, 190));
    int y = top + PANEL_PADDING;
    for (const Line &line : lines) {
        int x = (FIELD_W - text_length(small, line.text.c_str())) / 2;
        if (line.marked) rectfill(DoubleBuffer, left + 3, y - 2, right - 3, y + lineHeight - 3, makecol(40, 96, 130));
        writeLine(line.text, x, y,
                  line.marked ? makecol(255, 255, 255) : makecol(200, 200, 200));  // words from the network: no format
        y += lineHeight;
    }
    y += LINE_GAP;
    writeLine("esc: quit", (FIELD_W - text_length(small, "esc: quit")) / 2, y, makecol(120, 120, 120));
    blitBuffer();
}

bool findGame(bool toWatch) {
    std::string why, port = std::to_string(options.port);
    if (!openSearch(options.port, why)) fail(why);
    std::vector<FoundGame> found;
    auto start = std::chrono::steady_clock::now();
    long sentAt = -SEARCH_EVERY_MS, firstAt = -1;
    for (;;) {
        long t = msSince(start);
        if (t - sentAt >= SEARCH_EVERY_MS) sendSearch(), sentAt = t;
        takeAnswers(found);
        if (!toWatch)  // a match under way has its players
            found.erase(std::remove_if(found.begin(), found.end(), [](auto &g) { return g.playing; }), found.end());
        if (!found.empty() && firstAt < 0) firstAt = t;
        if (firstAt >= 0 && t - firstAt >= MORE_ANSWERS_MS) break;
        if (found.empty() && t >= SEARCH_MS)
            closeSearch(), fail(std::string(toWatch ? "no match" : "no game") +
                                " is hosted on this network: none answered on UDP port " + port + " within 3 s");
        if (leaving()) return closeSearch(), false;
        drawWaiting({"looking for games on this network"});
        rest(10);
    }
    closeSearch();
    std::string list;
    for (const FoundGame &game : found) list += (list.empty() ? "" : ", ") + foundLine(game, RALLYTON_VERSION);
    std::fprintf(stderr, "rallyton: found on this network: %s\n", list.c_str());
    int chosen = found.size() == 1 ? 0 : chooseGame(found);
    if (chosen < 0) return false;
    const FoundGame &game = found[std::size_t(chosen)];
    NetMessage theirs;
    theirs.protocol = game.protocol, theirs.version = game.version;
    std::string mismatch = versionMismatch(theirs, RALLYTON_VERSION);
    if (!mismatch.empty()) fail(game.address + ":" + std::to_string(game.port) + ": " + mismatch);
    options.join_host = game.address, options.port = game.port;
    return true;
}

}  // namespace rallyton
