// Before a network match: the waiting panel, and the games hosted on this
// network found and one chosen.
#pragma once

#include <string>
#include <vector>

namespace rallyton {

// The waiting screen: the title, and on a calm panel the sentences given,
// each wrapped to fit with a margin on each side, and how to leave. The
// line at `marked` (counted in sentences; -1: none) is highlighted.
void drawWaiting(const std::vector<std::string> &sentences, int marked = -1);

// A sentence cut at its spaces into lines no wider than `width` pixels in
// the panel's font (a word wider than that on a line of its own).
std::vector<std::string> wrapToWidth(const std::string &sentence, int width);

// --join (or --watch) with no address: looks for the games hosted on this
// network on the port, for 3 s at most (those waiting for a player, or to
// watch, those playing too), and chooses one (the only one found, or the
// one the player picks from the list). Sets options.join_host and port.
// Returns false when the player left instead (ESC, the close button, a
// signal). None found, or one of another version: one line, status 1.
bool findGame(bool toWatch);

}  // namespace rallyton
