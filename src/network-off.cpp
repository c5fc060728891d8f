// Network play for a build without ENet (a Linux machine without libenet-dev): the
// options are understood, and say so.
#include "network.h"
#include "options.h"
#include "startup.h"

namespace rallyton {

void connectPlayers() {
    if (options.net != NET_NONE) fail("this build has no network play (it was built without ENet)");
}

bool networkMatch() { return false; }

bool runNetworkTicks(int, bool) { return false; }

void leaveNetwork() {}

}  // namespace rallyton
