// Watching a match from another machine (--watch): the spectator's side.
// It takes the host's confirmed match and its ticks since and plays them a
// steady second behind the players, with the match's sound and music;
// its own keys change nothing of the match (ESC leaves, 1 and 2 are its
// own). At the match's end, or when the host goes, one line, and back to
// the title.
#pragma once

namespace rallyton {

// With --watch, after initGame: waits for the match's start (ESC there,
// the close button or a signal end the program; a refusal, or nobody
// answering, ends it with one line and status 1).
void connectWatcher();

bool watching();  // a match is being watched: the loop hands its ticks to runWatchTicks
bool runWatchTicks(int due);  // returns whether a new frame is worth drawing
void leaveWatching();  // the game closes

}  // namespace rallyton
