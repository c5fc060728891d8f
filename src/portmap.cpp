// The host's router asked for the port, on a thread of its own (portmap.h).
#include "portmap.h"

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform.h"

namespace rallyton {

namespace {

const int SEARCH_MS = 2000;  // how long routers have to answer the search
const char *const LEASE_S = "1800";  // a killed game's mapping lapses after half an hour
const int RENEW_MS = 15 * 60 * 1000;  // while the game runs, the lease is renewed before it lapses
const int STEP_MS = 50;  // the background job looks this often whether it should stop
const int TAKEN = 718;  // UPnP's ConflictInMappingEntry: another machine has the port
const int ONLY_PERMANENT = 725;  // a router that takes no leases: the mapping goes when we go

struct Asking {
    int port = 0;
    std::atomic<int> state{MAPPING_OFF};
    std::atomic<bool> stop{false};
    std::atomic<int> error{0};
    char external[40] = "";  // written before state says DONE or NOT_PUBLIC
};

Asking asking;
void *job = nullptr;

// Maps the port to lan; the router's answer (0: mapped).
int map(const UPNPUrls &urls, const IGDdatas &data, const char *lan, const char *port) {
    int r = UPNP_AddPortMapping(urls.controlURL, data.first.servicetype, port, port, lan, "RALLYTON", "UDP", nullptr,
                                LEASE_S);
    if (r == ONLY_PERMANENT)
        r = UPNP_AddPortMapping(urls.controlURL, data.first.servicetype, port, port, lan, "RALLYTON", "UDP", nullptr,
                                "0");
    return r;
}

void finish(Mapping state, int error = 0) {
    asking.error = error;
    asking.state = state;
}

// The background job: find the router, map, read its address, renew the
// lease until told to stop, then remove the mapping.
void ask(void *) {
    int error = 0;
    UPNPDev *devices = upnpDiscover(SEARCH_MS, nullptr, nullptr, UPNP_LOCAL_PORT_ANY, 0, 2, &error);
    UPNPUrls urls;
    IGDdatas data;
    char lan[64] = "";
    int found = devices ? UPNP_GetValidIGD(devices, &urls, &data, lan, sizeof lan) : 0;
    freeUPNPDevlist(devices);
    if (found != 1 && found != 2) {  // none, or a device that is not a router
        if (found) FreeUPNPUrls(&urls);
        return finish(MAPPING_NO_ROUTER);
    }
    char external[40] = "";
    if (UPNP_GetExternalIPAddress(urls.controlURL, data.first.servicetype, external) != 0) external[0] = 0;
    std::memcpy(asking.external, external, sizeof external);
    if (found == 2 || unreachableAddress(external)) {  // a router not connected says its address is not public
        FreeUPNPUrls(&urls);
        return finish(MAPPING_NOT_PUBLIC);
    }
    std::string port = std::to_string(asking.port);
    int r = asking.stop ? -1 : map(urls, data, lan, port.c_str());
    if (r != 0) {
        FreeUPNPUrls(&urls);
        return finish(r == TAKEN ? MAPPING_TAKEN : MAPPING_REFUSED, r);
    }
    finish(MAPPING_DONE);
    for (int waited = 0; !asking.stop; waited += STEP_MS) {
        sleepMs(STEP_MS);
        if (waited >= RENEW_MS) map(urls, data, lan, port.c_str()), waited = 0;
    }
    UPNP_DeletePortMapping(urls.controlURL, data.first.servicetype, port.c_str(), "UDP", nullptr);
    FreeUPNPUrls(&urls);
}

}  // namespace

void startPortMapping(int port) {
    if (job) return;
    asking.port = port, asking.stop = false, asking.external[0] = 0;
    asking.state = MAPPING_ASKING;
    job = startBackground(ask, nullptr);
    if (!job) return finish(MAPPING_NO_ROUTER);
    std::atexit(stopPortMapping);  // however the program ends, the mapping goes too
    atFatal(stopPortMapping);
}

Mapping portMapping(std::string &external, int &error) {
    Mapping state = Mapping(asking.state.load());
    if (state != MAPPING_ASKING) external = asking.external, error = asking.error;
    return state;
}

void stopPortMapping() {
    if (!job) return;
    asking.stop = true;
    finishBackground(job);
    job = nullptr;
    asking.state = MAPPING_OFF;
}

bool unreachableAddress(const std::string &ipv4) {
    unsigned a, b, c, d;
    char extra;
    if (std::sscanf(ipv4.c_str(), "%3u.%3u.%3u.%3u%c", &a, &b, &c, &d, &extra) != 4 || a > 255 || b > 255 || c > 255 ||
        d > 255)
        return true;
    return a == 0 || a == 10 || a == 127 || (a == 172 && b >= 16 && b < 32) || (a == 192 && b == 168) ||
           (a == 100 && b >= 64 && b < 128) || (a == 169 && b == 254);
}

std::string internetLine(Mapping state, const std::string &external, int port, int error) {
    std::string udp = "UDP port " + std::to_string(port);
    switch (state) {
    case MAPPING_DONE: return "from the internet: " + external + ":" + std::to_string(port);
    case MAPPING_NO_ROUTER:
        return "no router answered: to play across the internet, forward " + udp + " to this machine by hand";
    case MAPPING_NOT_PUBLIC:
        return "the internet cannot reach this router" + (external.empty() ? "" : " (" + external + ")") +
               ": most likely it sits behind its provider's own NAT; to play across the internet, the other player "
               "should host";
    case MAPPING_TAKEN:
        return "the router gives " + udp + " to another machine: to play across the internet, host on another port";
    case MAPPING_REFUSED:
        return "the router would not open " + udp + " (" + (strupnperror(error) ? strupnperror(error) : "error") + " " +
               std::to_string(error) + "): to play across the internet, forward it to this machine by hand";
    default: return "";
    }
}

}  // namespace rallyton
