// Sends a window the message its close button sends (WM_DELETE_WINDOW), as
// a window manager would: there is none under a bare Xvfb.
//   send-close WINDOW_ID
#include <X11/Xlib.h>

#include <cstdlib>

int main(int argc, char **argv) {
    Display *display = XOpenDisplay(nullptr);
    if (argc != 2 || !display) return 2;
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::strtoul(argv[1], nullptr, 0);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XCloseDisplay(display);  // sends what is queued
    return 0;
}
