// RALLYTON: table tennis seen from above.
#include "game.h"
#include "network.h"
#include "options.h"
#include "platform.h"
#include "replay.h"

int main(int argc, char **argv) {
    rallyton::attachConsole();
    int status = rallyton::readOptions(argc, argv, rallyton::options);
    if (status >= 0) return status;  // --help, --version or a mistake: no window
    if (rallyton::options.verify) return rallyton::verifyReplay(rallyton::options.replay);  // no window either
    rallyton::initGame();
    rallyton::connectPlayers();  // with --host or --join
    rallyton::processGame();
    rallyton::endRecording();  // with --record
    rallyton::shutdownGame();
    return rallyton::exitStatus();
}
END_OF_MAIN()
