// RALLYTON: table tennis seen from above.
#include "game.h"

int main() {
    rallyton::initGame();
    rallyton::processGame();
    rallyton::shutdownGame();
    return 0;
}
END_OF_MAIN()
