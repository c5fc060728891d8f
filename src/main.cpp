// RALLYTON: table tennis seen from above.
#include "game.h"

int main() {
    rallyton::initGame();
    rallyton::processGame();
    rallyton::shutdownGame();
    return rallyton::exitStatus();
}
END_OF_MAIN()
