// What differs by platform, behind the plain functions of platform.h. The
// library's own macros tell the platforms apart: ALLEGRO_WINDOWS, and on
// Linux ALLEGRO_WITH_XWINDOWS and ALLEGRO_WITH_ALSADIGI.
#include "platform.h"

#ifdef _WIN32
// The sockets' headers before the library's, so that windows.h takes
// winsock2.h; its BITMAP is not the library's.
#define BITMAP WINDOWS_BITMAP
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
// clang-format on
#undef BITMAP
#endif
#include <allegro.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#ifdef ALLEGRO_WINDOWS
#include <winalleg.h>  // after allegro.h: the Windows API without clashes
#else
#include <X11/extensions/Xrandr.h>
#include <allegro/platform/aintunix.h>  // XLOCK, XUNLOCK
#include <alsa/asoundlib.h>  // snd_lib_error_set_handler
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <unistd.h>
#include <xalleg.h>  // the library's X display and window

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

extern void *allegro_icon;  // the library's X11 window icon (an XPM)
extern const char *rallyton_icon_xpm[];  // made by the asset program
#endif

namespace rallyton {

// What must not be left behind however the game ends (the router's mapping).
static void (*fatalCleanups[4])() = {};
void atFatal(void (*cleanup)()) {
    for (auto &slot : fatalCleanups)
        if (!slot || slot == cleanup) return void(slot = cleanup);
}
static void runFatalCleanups() {
    for (auto &slot : fatalCleanups)
        if (slot) slot(), slot = nullptr;
}

// The window's X11 class (instance name, class): the desktop entry's StartupWMClass.
static const char WINDOW_CLASS_NAME[] = "rallyton";
static const char WINDOW_CLASS[] = "Rallyton";

#ifdef ALLEGRO_WINDOWS
static const char SEPARATOR = '\\';
#else
static const char SEPARATOR = '/';
#endif

// The datafile's path below a folder ("data/data.dat", "data\data.dat").
static std::string datafileBelow(const std::string &folder) {
    std::string path = folder;
    if (!path.empty() && path.back() != SEPARATOR) path += SEPARATOR;
    return path + "data" + SEPARATOR + "data.dat";
}

std::vector<std::string> datafilePlaces() {
    std::vector<std::string> places{datafileBelow("")};
    char program[1024];
    get_executable_name(program, sizeof program);
    std::string folder(program, std::string(program).find_last_of(SEPARATOR) + 1);
    if (folder.size() > 1 && datafileBelow(folder) != places[0]) places.push_back(datafileBelow(folder));
#ifdef RALLYTON_DATADIR
    places.push_back(datafileBelow(RALLYTON_DATADIR));
#endif
    return places;
}

#ifdef ALLEGRO_WINDOWS

static std::wstring wide(const std::string &text) {
    int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(n > 0 ? n : 1, L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &out[0], n);
    out.resize(out.size() - 1);  // the terminating zero
    return out;
}

std::string settingsPath() {
    const wchar_t *appData = _wgetenv(L"APPDATA");
    std::string folder = ".";
    if (appData && *appData) {
        int n = WideCharToMultiByte(CP_UTF8, 0, appData, -1, nullptr, 0, nullptr, nullptr);
        folder.assign(n > 0 ? n : 1, '\0');
        if (n > 0) WideCharToMultiByte(CP_UTF8, 0, appData, -1, &folder[0], n, nullptr, nullptr);
        folder.resize(folder.size() - 1);
    }
    return folder + "\\rallyton\\rallyton.cfg";
}

FILE *openFile(const std::string &path, const char *mode) { return _wfopen(wide(path).c_str(), wide(mode).c_str()); }

// Windows knows only Ctrl+C (SIGINT), Ctrl+Break (SIGBREAK) and SIGTERM,
// and its C library has no sigaction: one signal ends the game, so the
// plain signal() serves.
static const int QUIT_SIGNALS[] = {SIGINT, SIGBREAK, SIGTERM};

static bool ignored(int signo) {
    void (*old)(int) = std::signal(signo, SIG_DFL);
    std::signal(signo, old);
    return old == SIG_IGN;
}

static void setHandler(int signo, void (*handler)(int)) { std::signal(signo, handler); }

void nameWindow() {}  // the window's class is the library's; its icon is a resource of the program
void watchDisplay() {}  // the library's window is the system's own
void setWindowIcon() {}
void quietSoundLibrary() {}

// A program of the windows subsystem has no console of its own: borrow the
// one it was started from, if any, for stdout and stderr (unless they are
// already redirected somewhere).
void attachConsole() {
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_UNKNOWN) std::freopen("CONOUT$", "w", stdout);
    if (GetFileType(GetStdHandle(STD_ERROR_HANDLE)) == FILE_TYPE_UNKNOWN) std::freopen("CONOUT$", "w", stderr);
}

void endWithFatal(const std::string &line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    allegro_message("%s\n", line.c_str());  // a message box: a shortcut has no terminal
    // Not exit(): the library's clean-up there can deadlock with its window
    // thread, which the closed box has just asked to repaint the window
    // (seen under Wine). Windows takes the window and the display mode back
    // with the process; only our files need flushing.
    std::fflush(nullptr);
    runFatalCleanups();
    _exit(EXIT_FAILURE);
}

std::vector<Monitor> monitors() { return {}; }  // the desktop is the library's whole screen

void windowPosition(int &x, int &y) { x = y = 0; }

std::vector<std::string> localAddresses(std::size_t most) {
    std::vector<std::string> found;
    ULONG size = 16384;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int tries = 0; tries < 3 && result == ERROR_BUFFER_OVERFLOW; tries++) {
        buffer.resize(size);
        result =
            GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                                 nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES *>(buffer.data()), &size);
    }
    if (result != NO_ERROR) return found;
    for (auto *a = reinterpret_cast<IP_ADAPTER_ADDRESSES *>(buffer.data()); a; a = a->Next) {
        if (a->OperStatus != IfOperStatusUp || a->IfType == IF_TYPE_SOFTWARE_LOOPBACK) continue;
        for (auto *u = a->FirstUnicastAddress; u && found.size() < most; u = u->Next) {
            const auto *in = reinterpret_cast<const sockaddr_in *>(u->Address.lpSockaddr);
            if (in->sin_family != AF_INET) continue;
            const unsigned char *b = reinterpret_cast<const unsigned char *>(&in->sin_addr);
            if (b[0] == 127) continue;
            found.push_back(std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
                            std::to_string(b[3]));
        }
    }
    return found;
}

static HANDLE tickEvent = CreateEvent(nullptr, FALSE, FALSE, nullptr);  // set by a tick, reset by the wait

void tickArrived() { SetEvent(tickEvent); }

void waitForTick(int mostMs) { WaitForSingleObject(tickEvent, DWORD(mostMs)); }

struct Background {
    void (*job)(void *);
    void *argument;
    HANDLE thread;
};

static DWORD WINAPI runBackground(LPVOID b) {
    static_cast<Background *>(b)->job(static_cast<Background *>(b)->argument);
    return 0;
}

void *startBackground(void (*job)(void *), void *argument) {
    auto *b = new Background{job, argument, nullptr};
    b->thread = CreateThread(nullptr, 0, runBackground, b, 0, nullptr);
    if (!b->thread) delete b, b = nullptr;
    return b;
}

void finishBackground(void *handle) {
    auto *b = static_cast<Background *>(handle);
    WaitForSingleObject(b->thread, INFINITE);
    CloseHandle(b->thread);
    delete b;
}

void sleepMs(int ms) { Sleep(DWORD(ms)); }

static int lastSocketError() { return WSAGetLastError(); }
static const int IN_USE = WSAEADDRINUSE, DENIED = WSAEACCES, NOT_HERE = WSAEADDRNOTAVAIL, NO_NETWORK = WSAENETUNREACH,
                 NO_HOST = WSAEHOSTUNREACH;

#else

std::string settingsPath() {
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/rallyton/rallyton.cfg";  // only absolute paths count
    const char *home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config/rallyton/rallyton.cfg";
}

FILE *openFile(const std::string &path, const char *mode) { return std::fopen(path.c_str(), mode); }

static const int QUIT_SIGNALS[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};

static bool ignored(int signo) {
    struct sigaction old = {};
    sigaction(signo, nullptr, &old);
    return old.sa_handler == SIG_IGN;
}

static void setHandler(int signo, void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signo, &action, nullptr);
}

// A window class of our own, so that a desktop matches the window to its
// menu entry (StartupWMClass); the title stays the library's default.
void nameWindow() { xwin_set_window_name(WINDOW_CLASS_NAME, WINDOW_CLASS); }

void setWindowIcon() { allegro_icon = rallyton_icon_xpm; }

static int displayLost(Display *) {
    static const char LINE[] = "rallyton: lost the connection to the display\n";
    ssize_t written = write(STDERR_FILENO, LINE, sizeof LINE - 1);
    (void)written;
    runFatalCleanups();
    _exit(EXIT_FAILURE);  // not exit(): its clean-up would wait on the library's lock
}

// The library's input thread runs its handler a hundred times a second, and
// that handler begins with a round trip to the X server (XSync) even when
// nothing happened. Ours sends what was drawn and reads what came without
// one, and hands over to the library's handler only when something came.
// (It runs with the library's X lock held.)
static void handleInput() {
    if (!_xwin.display) return;
    XFlush(_xwin.display);
    if (XEventsQueued(_xwin.display, QueuedAfterReading) > 0) _xwin_private_handle_input();
}

void watchDisplay() {
    XSetIOErrorHandler(displayLost);
    XLOCK();
    _xwin_input_handler = handleInput;
    XUNLOCK();
}

// The ALSA library's own messages (no card, no sequencer): we say it once.
extern "C" void quietAlsa(const char *, int, const char *, int, const char *, ...) {}

void quietSoundLibrary() { snd_lib_error_set_handler(quietAlsa); }

void attachConsole() {}

void endWithFatal(const std::string &line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    runFatalCleanups();
    std::exit(EXIT_FAILURE);
}

// RandR's list of monitors: the desktop of two side by side is one X screen.
std::vector<Monitor> monitors() {
    std::vector<Monitor> all;
    if (!_xwin.display) return all;
    XLOCK();
    int eventBase, errorBase, major = 0, minor = 0, count = 0;
    if (XRRQueryExtension(_xwin.display, &eventBase, &errorBase) && XRRQueryVersion(_xwin.display, &major, &minor) &&
        (major > 1 || (major == 1 && minor >= 5))) {
        XRRMonitorInfo *list = XRRGetMonitors(_xwin.display, RootWindow(_xwin.display, _xwin.screen), True, &count);
        for (int i = 0; list && i < count; i++)
            if (list[i].width > 0 && list[i].height > 0)
                all.push_back({list[i].x, list[i].y, list[i].width, list[i].height, list[i].primary != 0});
        if (list) XRRFreeMonitors(list);
    }
    XUNLOCK();
    return all;
}

void windowPosition(int &x, int &y) {
    x = y = 0;
    if (!_xwin.display || !_xwin.window) return;
    XLOCK();
    Window child;
    XTranslateCoordinates(_xwin.display, _xwin.window, RootWindow(_xwin.display, _xwin.screen), 0, 0, &x, &y, &child);
    XUNLOCK();
}

std::vector<std::string> localAddresses(std::size_t most) {
    std::vector<std::string> found;
    ifaddrs *all = nullptr;
    if (getifaddrs(&all) != 0) return found;
    for (ifaddrs *i = all; i && found.size() < most; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
        if (!(i->ifa_flags & IFF_UP) || (i->ifa_flags & IFF_LOOPBACK)) continue;
        char text[INET_ADDRSTRLEN];
        if (inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in *>(i->ifa_addr)->sin_addr, text, sizeof text))
            found.push_back(text);
    }
    freeifaddrs(all);
    return found;
}

static std::mutex tickMutex;
static std::condition_variable tickCondition;
static bool ticked = false;

void tickArrived() {
    {
        std::lock_guard<std::mutex> lock(tickMutex);
        ticked = true;
    }
    tickCondition.notify_one();
}

void waitForTick(int mostMs) {
    std::unique_lock<std::mutex> lock(tickMutex);
    tickCondition.wait_for(lock, std::chrono::milliseconds(mostMs), [] { return ticked; });
    ticked = false;
}

void *startBackground(void (*job)(void *), void *argument) {
    try {
        return new std::thread(job, argument);
    } catch (const std::system_error &) {
        return nullptr;
    }
}

void finishBackground(void *handle) {
    auto *thread = static_cast<std::thread *>(handle);
    thread->join();
    delete thread;
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

static int lastSocketError() { return errno; }
static const int IN_USE = EADDRINUSE, DENIED = EACCES, NOT_HERE = EADDRNOTAVAIL, NO_NETWORK = ENETUNREACH,
                 NO_HOST = EHOSTUNREACH;

#endif

std::string socketError() {
    int code = lastSocketError();
    const struct {
        int code;
        const char *words;
    } KNOWN[] = {{IN_USE, "the port is already in use"},
                 {DENIED, "not allowed here"},
                 {NOT_HERE, "no such address on this machine"},
                 {NO_NETWORK, "the network cannot be reached"},
                 {NO_HOST, "the other machine cannot be reached"}};
    for (const auto &k : KNOWN)
        if (k.code == code) return k.words;
    return "socket error " + std::to_string(code);
}

static const std::size_t QUIT_SIGNAL_COUNT = sizeof QUIT_SIGNALS / sizeof QUIT_SIGNALS[0];
static bool ignoredAtStart[QUIT_SIGNAL_COUNT];

void noteIgnoredSignals() {
    for (std::size_t i = 0; i < QUIT_SIGNAL_COUNT; i++) ignoredAtStart[i] = ignored(QUIT_SIGNALS[i]);
}

void catchQuitSignals(void (*handler)(int)) {
    for (std::size_t i = 0; i < QUIT_SIGNAL_COUNT; i++)
        setHandler(QUIT_SIGNALS[i], ignoredAtStart[i] ? SIG_IGN : handler);
}

}  // namespace rallyton
