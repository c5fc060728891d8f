// A pad for the library's Linux joystick driver, without a kernel device:
// the driver opens the FIFO named in its configuration (joystick_device_0)
// and asks it, as it asks /dev/input/js0, for its version and its numbers
// of axes and buttons. Preloaded, this answers those calls for a FIFO (2
// axes, 8 buttons) and passes every other call on; the test then writes
// the kernel's js_event records into the FIFO.
#include <dlfcn.h>
#include <linux/joystick.h>
#include <stdarg.h>
#include <sys/stat.h>

extern "C" int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void *arg = va_arg(args, void *);
    va_end(args);
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode)) {
        if (request == JSIOCGVERSION) *static_cast<int *>(arg) = JS_VERSION;
        else if (request == JSIOCGAXES) *static_cast<unsigned char *>(arg) = 2;
        else if (request == JSIOCGBUTTONS) *static_cast<unsigned char *>(arg) = 8;
        return 0;
    }
    auto real = reinterpret_cast<int (*)(int, unsigned long, ...)>(dlsym(RTLD_NEXT, "ioctl"));
    return real(fd, request, arg);
}
