// What each game state does per tick, how it answers keys, what it draws,
// and the background music.
#pragma once

namespace rallyton {

void logicProcess();
void musicProcess();
void keyPresses();
void drawProcess();

}  // namespace rallyton
