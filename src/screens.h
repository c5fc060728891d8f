// What each game state does per tick, how it answers keys, what it draws,
// and the background music.
#pragma once

namespace rallyton {

void logicProcess();
void musicProcess();
void keyPresses();
void drawProcess();  // buildFrame, then blitBuffer
void buildFrame();  // the current state's frame, in DoubleBuffer

// Plays what the last tick (or pauseMatch, leaveMatch, restart) asked to be
// heard, in order, and empties events.
void playEvents();

// Pauses a match in a rally or a serve countdown, as P does; anything else
// is left alone.
void pauseMatch();

// Leaves a match for the title menu, the match reset.
void leaveMatch();

}  // namespace rallyton
