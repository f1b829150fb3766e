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
    const char *const programs[] = {"startup_app", "startup_bare", "startup_text"};
    std::vector<double> millis[3];
    std::vector<long> kib[3];
    for (int i = 0; i < runs; ++i)
        for (int p = 0; p < 3; ++p) {
            Sample sample;
            if (!RunOnce(dir + programs[p], sample)) {
                std::fprintf(stderr, "%s did not report its first paint\n", programs[p]);
                return 1;
            }
            millis[p].push_back(sample.millis);
            kib[p].push_back(sample.kib);
        }
    double ms[3];
    long rss[3];
    for (int p = 0; p < 3; ++p) {
        ms[p] = Median(millis[p]);
        rss[p] = Median(kib[p]);
    }
    std::printf("runs each               %d (alternating)\n", runs);
    std::printf("%-22s %9s %10s %12s %12s\n", "", "paint ms", "RSS KiB", "time ratio", "RSS ratio");
    std::printf("%-22s %9.1f %10ld %12s %12s\n", "program", ms[0], rss[0], "", "");
    std::printf("%-22s %9.1f %10ld %12.2f %12.2f   (target <= 1.3)\n", "bare window", ms[1], rss[1],
                ms[0] / ms[1], static_cast<double>(rss[0]) / static_cast<double>(rss[1]));
    std::printf("%-22s %9.1f %10ld %12.2f %12.2f\n", "bare window with text", ms[2], rss[2],
                ms[0] / ms[2], static_cast<double>(rss[0]) / static_cast<double>(rss[2]));
    return 0;
}
