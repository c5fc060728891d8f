// A bad network between two games on this machine: listens on the loopback
// at one port, passes datagrams on to the loopback at another and the
// answers back, dropping some and holding others back, at random from a
// fixed seed. Only 127.0.0.1, and only for the seconds given.
//   udp-proxy LISTEN_PORT TARGET_PORT DROP_PERCENT MAX_DELAY_MS SECONDS
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Held {
    Clock::time_point due;
    int socket;
    sockaddr_in to;
    std::vector<char> bytes;
};

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<unsigned short>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: udp-proxy LISTEN_PORT TARGET_PORT DROP_PERCENT MAX_DELAY_MS SECONDS\n");
        return 2;
    }
    int drop = std::atoi(argv[3]), maxDelay = std::atoi(argv[4]);
    auto end = Clock::now() + std::chrono::seconds(std::atoi(argv[5]));
    int outside = socket(AF_INET, SOCK_DGRAM, 0), inside = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in listenAt = loopback(std::atoi(argv[1])), target = loopback(std::atoi(argv[2])), client{};
    if (bind(outside, reinterpret_cast<sockaddr *>(&listenAt), sizeof listenAt) != 0) return std::perror("bind"), 1;
    std::mt19937 random(20261207);
    std::vector<Held> held;
    long passed = 0, dropped = 0;
    bool haveClient = false;
    while (Clock::now() < end) {
        pollfd fds[2] = {{outside, POLLIN, 0}, {inside, POLLIN, 0}};
        poll(fds, 2, 1);
        for (int i = 0; i < 2; i++) {
            if (!(fds[i].revents & POLLIN)) continue;
            std::vector<char> bytes(65536);
            sockaddr_in from{};
            socklen_t fromSize = sizeof from;
            ssize_t n = recvfrom(fds[i].fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr *>(&from), &fromSize);
            if (n < 0) continue;
            bytes.resize(std::size_t(n));
            if (i == 0) client = from, haveClient = true;
            if (int(random() % 100) < drop) {
                dropped++;
                continue;
            }
            auto due = Clock::now() + std::chrono::milliseconds(maxDelay ? random() % (maxDelay + 1) : 0);
            held.push_back({due, i == 0 ? inside : outside, i == 0 ? target : client, bytes});
        }
        for (auto h = held.begin(); h != held.end();) {
            if (h->due > Clock::now() || (h->socket == outside && !haveClient)) {
                ++h;
                continue;
            }
            sendto(h->socket, h->bytes.data(), h->bytes.size(), 0, reinterpret_cast<const sockaddr *>(&h->to),
                   sizeof h->to);
            passed++;
            h = held.erase(h);
        }
    }
    std::printf("udp-proxy: %ld passed, %ld dropped\n", passed, dropped);
    return 0;
}
