// RALLYTON: table tennis seen from above.
#include "game.h"
#include "network.h"
#include "options.h"
#include "platform.h"

int main(int argc, char **argv) {
    rallyton::attachConsole();
    int status = rallyton::readOptions(argc, argv, rallyton::options);
    if (status >= 0) return status;  // --help, --version or a mistake: no window
    rallyton::initGame();
    rallyton::connectPlayers();  // with --host or --join
    rallyton::processGame();
    rallyton::shutdownGame();
    return rallyton::exitStatus();
}
END_OF_MAIN()
