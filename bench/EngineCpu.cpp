#include "EngineCpu.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace velmora::bench {

namespace {

constexpr const char* FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

// User plus system CPU time of a process in clock ticks.
long cpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    // Fields after the command name, which is in parentheses.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14) ticks = std::stol(field); // user time
        if (i == 15) return ticks + std::stol(field);
    }
    return ticks;
}

} // namespace

double engineCpuPercent(const std::filesystem::path& game, std::chrono::milliseconds settle,
                        std::chrono::milliseconds measure) {
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (!std::freopen("/dev/null", "w", stdout)) _exit(126);
        execl(VELMORA_BINARY, VELMORA_BINARY, "-r", game.c_str(), "-f", FONT, nullptr);
        _exit(127);
    }
    if (pid < 0) return -1;
    std::this_thread::sleep_for(settle);
    const long before = cpuTicks(pid);
    std::this_thread::sleep_for(measure);
    const long after = cpuTicks(pid);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    const double seconds = std::chrono::duration<double>(measure).count();
    return 100.0 * static_cast<double>(after - before) /
           (seconds * static_cast<double>(sysconf(_SC_CLK_TCK)));
}

} // namespace velmora::bench
