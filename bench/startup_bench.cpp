// Time from process start to the first paint of the main window, and the
// resident memory at that moment, for the program and for a bare Qt window
// with one label, in alternating runs; prints medians and ratios.
//
// Measured from outside: this is an X client that puts a damage object on each
// new top-level window and takes the first damage to the program's own window
// (by _NET_WM_PID) as its first paint, reading VmRSS from /proc/<pid>/status
// at that moment. It starts its own Xvfb unless $DISPLAY is set.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

struct Sample {
    double millis = 0;
    long kib = 0;
};

double Now()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

long ResidentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

pid_t Spawn(const std::vector<std::string> &args, bool quiet)
{
    std::vector<char *> argv;
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? 0 : pid;
}

// Starts Xvfb on a free display; returns its pid and sets DISPLAY.
pid_t StartServer()
{
    int fds[2];
    if (pipe(fds) != 0)
        return 0;
    const pid_t server = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                "1280x720x24", "-nolisten", "tcp"},
                               true);
    close(fds[1]);
    char number[16] = {};
    pollfd ready{fds[0], POLLIN, 0};
    const bool started =
        server && poll(&ready, 1, 10000) == 1 && read(fds[0], number, sizeof number - 1) > 0;
    close(fds[0]);
    if (!started)
        return 0;
    std::string display = ":";
    display += std::to_string(std::atoi(number));
    setenv("DISPLAY", display.c_str(), 1);
    return server;
}

class Probe {
  public:
    bool Open()
    {
        display = XOpenDisplay(nullptr);
        int error = 0;
        if (!display || !XDamageQueryExtension(display, &damageEvent, &error))
            return false;
        pidAtom = XInternAtom(display, "_NET_WM_PID", False);
        XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
        XSync(display, False);
        return true;
    }

    enum Outcome { Painted, Unsure, Failed };

    // Runs the program once. Failed when it exits or paints nothing within 10 s.
    Outcome Run(const std::string &program, Sample &sample)
    {
        const double start = Now();
        const pid_t pid = Spawn({program}, true);
        if (!pid)
            return Failed;
        Outcome outcome = Failed;
        for (const double deadline = start + 10000; outcome == Failed && Now() < deadline;) {
            if (!XPending(display)) {
                pollfd wait{ConnectionNumber(display), POLLIN, 0};
                poll(&wait, 1, 50);
                if (waitpid(pid, nullptr, WNOHANG) == pid)
                    return Failed;
                continue;
            }
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == CreateNotify) {
                // Watched from its creation, while still unmapped: a damage
                // object made once the window shows would report the whole
                // window at once, like a paint, and could come after the paint.
                const Window window = event.xcreatewindow.window;
                XDamageCreate(display, window, XDamageReportRawRectangles);
                XWindowAttributes attributes;
                if (XGetWindowAttributes(display, window, &attributes) &&
                    attributes.map_state != IsUnmapped)
                    outcome = Unsure;
            } else if (event.type == damageEvent + XDamageNotify) {
                const double painted = Now() - start;
                const long kib = ResidentKiB(pid);
                // Only the program's own top level (a window manager's frame is not).
                if (OwnedBy(reinterpret_cast<XDamageNotifyEvent &>(event).drawable, pid)) {
                    sample = {painted, kib};
                    outcome = Painted;
                }
            }
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        XSync(display, True); // drop what the closed windows left queued
        return outcome;
    }

    Display *display = nullptr;

  private:
    bool OwnedBy(Window window, pid_t pid)
    {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char *data = nullptr;
        bool owned = false;
        if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                               &count, &after, &data) == Success &&
            data) {
            owned = count == 1 && format == 32 &&
                    static_cast<pid_t>(*reinterpret_cast<unsigned long *>(data)) == pid;
            XFree(data);
        }
        return owned;
    }

    int damageEvent = 0;
    Atom pidAtom = 0;
};

template <class T> T Median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int XErrorIgnored(Display *, XErrorEvent *)
{
    return 0; // a window that closed while being looked at
}

int main(int argc, char **argv)
{
    const int runs = std::max(argc > 1 ? std::atoi(argv[1]) : 21, 1);
    // Further arguments replace the two programs compared; ratios are the first's to each.
    std::vector<std::string> programs = {PROGRAM_PATH, LABEL_PATH};
    if (argc > 3)
        programs.assign(argv + 2, argv + argc);
    pid_t server = 0;
    if (!std::getenv("DISPLAY") && !(server = StartServer())) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    XSetErrorHandler(XErrorIgnored);
    Probe probe;
    if (!probe.Open()) {
        std::fprintf(stderr, "no X display with the DAMAGE extension\n");
        if (server)
            kill(server, SIGTERM);
        return 1;
    }
    const std::size_t count = programs.size();
    std::vector<std::vector<double>> millis(count);
    std::vector<std::vector<long>> kib(count);
    bool ok = true;
    int repeated = 0;
    // One unmeasured round first, so every program starts with its files cached.
    for (int i = -1; i < runs && ok; ++i)
        for (std::size_t p = 0; p < count && ok; ++p) {
            Sample sample;
            Probe::Outcome outcome = probe.Run(programs[p], sample);
            while (outcome == Probe::Unsure && repeated < runs) {
                ++repeated;
                outcome = probe.Run(programs[p], sample);
            }
            ok = outcome == Probe::Painted;
            if (!ok)
                std::fprintf(stderr, "%s: %s\n", programs[p].c_str(),
                             outcome == Probe::Unsure
                                 ? "its window kept showing before it was watched"
                                 : "no painted window");
            else if (i >= 0) {
                millis[p].push_back(sample.millis);
                kib[p].push_back(sample.kib);
            }
        }
    XCloseDisplay(probe.display);
    if (server) {
        kill(server, SIGTERM);
        waitpid(server, nullptr, 0);
    }
    if (!ok)
        return 1;
    std::printf("%d runs each, alternating (%d repeated: window mapped before it was watched);\n"
                "medians, and the first program's ratio to each\n",
                runs, repeated);
    std::printf("%-24s %14s %10s %11s %10s\n", "", "first paint ms", "RSS KiB", "time ratio",
                "RSS ratio");
    const double ms0 = Median(millis[0]);
    const long kib0 = Median(kib[0]);
    for (std::size_t p = 0; p < count; ++p) {
        const double ms = Median(millis[p]);
        const long rss = Median(kib[p]);
        const std::string name = programs[p].substr(programs[p].rfind('/') + 1);
        std::printf("%-24s %14.1f %10ld", name.c_str(), ms, rss);
        if (p > 0)
            std::printf(" %11.2f %10.2f", ms0 / ms,
                        static_cast<double>(kib0) / static_cast<double>(rss));
        std::printf("\n");
    }
    std::printf("target: ratios <= 1.3 (aim 1.15)\n");
    return 0;
}
