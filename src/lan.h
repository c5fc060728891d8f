// Games hosted on this network, found without typing an address: a guest
// broadcasts a search on the game's port, and a waiting host's own socket
// answers it with its protocol and version.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// ENet's host, as its header names it.
typedef struct _ENetHost ENetHost;

namespace rallyton {

struct FoundGame {
    std::string address;  // the host's IPv4 address
    int port = 0;
    std::uint16_t protocol = 0;
    std::string version;
    bool playing = false;  // its match is under way: only to watch
};

// The host answers searches, saying it waits (HERE_WAITING) or plays
// (HERE_PLAYING; 0: it answers no more).
void answerSearches(ENetHost *host, int state);

// The guest's search: opened on the port (false, and the reason in why,
// when no socket can broadcast here), asked again, its answers taken, closed.
bool openSearch(int port, std::string &why);
void sendSearch();
void takeAnswers(std::vector<FoundGame> &found);
void closeSearch();

// How a found game reads in the list: "192.168.1.5:23240  1.2", and
// marked when its version is not ours.
std::string foundLine(const FoundGame &game, const std::string &ours);

}  // namespace rallyton
