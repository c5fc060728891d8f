// RALLYTON: table tennis seen from above.
#include "game.h"
#include "options.h"

int main(int argc, char **argv) {
    int status = rallyton::readCommandLine(argc, argv);
    if (status >= 0) return status;  // --help, --version or a mistake: no window
    rallyton::initGame();
    rallyton::processGame();
    rallyton::shutdownGame();
    return rallyton::exitStatus();
}
END_OF_MAIN()
