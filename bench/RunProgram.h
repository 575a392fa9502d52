#pragma once
// Running other programs to their end for the benchmarks, and timing.
#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs the program to its end with stdout and stderr thrown away; throws when it fails.
void runToEnd(const std::vector<std::string>& arguments,
              const std::vector<std::pair<std::string, std::string>>& environment = {});

// Runs the program and returns its standard output; throws when it fails.
std::string runForOutput(const std::vector<std::string>& arguments,
                         const std::vector<std::pair<std::string, std::string>>& environment = {});

}  // namespace bench
