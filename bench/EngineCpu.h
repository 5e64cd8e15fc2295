// The CPU share of the real program while it runs a game headless: for the
// benchmarks that measure what waiting or playing costs a whole process.
#pragma once

#include <chrono>
#include <filesystem>

namespace velmora::bench {

// Starts the engine on `game` with the dummy drivers, lets it run for
// `settle`, and returns the user plus system CPU it used over the next
// `measure` as a percentage of one core; the process is then killed.
double engineCpuPercent(const std::filesystem::path& game, std::chrono::milliseconds settle,
                        std::chrono::milliseconds measure);

} // namespace velmora::bench
