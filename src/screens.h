// What each game state does per tick and how it answers keys: the tick's
// logic, with no window, datafile or loop in it.
#pragma once

namespace rallyton {

void logicProcess();
void keyPresses();

// Pauses a match in a rally or a serve countdown, as P does; anything else
// is left alone.
void pauseMatch();

// Leaves a match for the title menu, the match reset.
void leaveMatch();

}  // namespace rallyton
