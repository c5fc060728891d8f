// The host's router asked to let the internet in (UPnP IGD): found, the
// game's UDP port mapped to this machine for as long as it hosts (a lease,
// renewed), and the router's address read; all in the background, so that
// the waiting screen shows at once. The mapping goes when the game stops
// hosting, however it stops; a lease covers a killed game.
#pragma once

#include <string>

namespace rallyton {

enum Mapping {
    MAPPING_OFF,  // not asked (--no-port-mapping, or not hosting)
    MAPPING_ASKING,  // the router is being looked for and asked
    MAPPING_DONE,  // open: the internet reaches us at the external address
    MAPPING_NO_ROUTER,  // no router answered
    MAPPING_NOT_PUBLIC,  // the router's own address is not on the internet
    MAPPING_TAKEN,  // the router gives the port to another machine
    MAPPING_REFUSED,  // the router would not map it, for another reason
};

// Starts asking the router to map UDP `port` to this machine.
void startPortMapping(int port);

// What is known so far; external: the router's address when it is known;
// error: its answer when it refused.
Mapping portMapping(std::string &external, int &error);

// Removes the mapping (if one was made) and waits for the background job.
// Safe to call at any time, and again.
void stopPortMapping();

// Whether an IPv4 address is one the internet cannot reach us at: private
// (10/8, 172.16/12, 192.168/16), shared by a provider's NAT (100.64/10),
// the loopback, link-local, unspecified, or not an address at all.
bool unreachableAddress(const std::string &ipv4);

// The host's sentence about the internet, for the terminal and the waiting
// screen alike: where the internet reaches us, or why it cannot and what
// to do ("" while asking, or when the router was not asked). error: the
// router's answer when it refused.
std::string internetLine(Mapping state, const std::string &external, int port, int error);

}  // namespace rallyton
