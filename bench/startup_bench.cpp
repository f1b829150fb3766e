// Time from process start to the first paint of the main window, and the
// resident memory then, for the program and for a bare Qt window, in
// alternating runs; prints medians and ratios.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

struct Sample {
    double millis;
    long kib;
};

bool RunOnce(const std::string &program, Sample &sample)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    char *argv[] = {const_cast<char *>(program.c_str()), nullptr};
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t pid;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0)
        return false;
    char buffer[128] = {};
    FILE *out = fdopen(pipeFds[0], "r");
    long long paintedNs = 0;
    long kib = 0;
    const bool read = std::fscanf(out, "%lld %ld", &paintedNs, &kib) == 2;
    std::fclose(out);
    (void)buffer;
    int status = 0;
    waitpid(pid, &status, 0);
    sample.millis =
        static_cast<double>(paintedNs - (start.tv_sec * 1000000000LL + start.tv_nsec)) / 1e6;
    sample.kib = kib;
    return read;
}

template <class T> T Median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    const std::string dir = std::string(argv[0]).substr(0, std::string(argv[0]).rfind('/') + 1);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 21;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::vector<double> appMs, bareMs;
    std::vector<long> appKiB, bareKiB;
    for (int i = 0; i < runs; ++i) {
        Sample app, bare;
        if (!RunOnce(dir + "startup_app", app) || !RunOnce(dir + "startup_bare", bare)) {
            std::fprintf(stderr, "a probe did not report its first paint\n");
            return 1;
        }
        appMs.push_back(app.millis);
        bareMs.push_back(bare.millis);
        appKiB.push_back(app.kib);
        bareKiB.push_back(bare.kib);
    }
    const double a = Median(appMs), b = Median(bareMs);
    const long ak = Median(appKiB), bk = Median(bareKiB);
    std::printf("runs each          %d (alternating)\n", runs);
    std::printf(
        "first paint        program %.1f ms, bare window %.1f ms, ratio %.2f (target <= 1.3)\n", a,
        b, a / b);
    std::printf(
        "resident memory    program %ld KiB, bare window %ld KiB, ratio %.2f (target <= 1.3)\n", ak,
        bk, static_cast<double>(ak) / static_cast<double>(bk));
    return 0;
}
