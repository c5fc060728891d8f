// The frame each pass draws: the current state's picture (the table, the
// paddles and the ball, the scores, the menus, the veils), the line over it
// and the network's corner line, then sent to the screen.
#pragma once

#include <string>

namespace rallyton {

extern const char *status_note;  // a line over the frame ("waiting for the other player"), or null
extern std::string connection_note;  // network play's quiet line in the corner (the round trip, the guessing), or ""

void drawProcess();  // buildFrame, then blitBuffer
void buildFrame();  // the current state's frame, in DoubleBuffer

}  // namespace rallyton
