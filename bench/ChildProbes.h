#pragma once
// Measurements that run in a child process of the benchmark, so that nothing measured before
// (memory held, libraries loaded) skews them: this program started again with a probe option.
#include <cstddef>
#include <optional>
#include <string>

namespace bench {

// What the memory probe saw: the resident memory the full list added over the baseline's, the
// rows the grid shows and their text as UTF-8 bytes.
struct MemoryProbe {
    std::size_t grownBytes = 0;
    std::size_t rows = 0;
    std::size_t textBytes = 0;
};

// What the peak probe saw: the most resident memory a fresh process held from log-on to the main
// window showing the list, and the rows the grid shows.
struct PeakProbe {
    std::size_t peakBytes = 0;
    std::size_t rows = 0;
};

// In the parent: the seconds from pressing 确定 to the grid painted, and the memory probes' figures.
double logOnToGridInChild(const std::string& server);
MemoryProbe memoryInChild(const std::string& baselineServer, const std::string& server);
PeakProbe peakInChild(const std::string& server);

// In the child: runs the probe the command line names, prints its figures and returns the exit
// status; none when the command line names no probe.
std::optional<int> runProbe(int argc, char** argv);

}  // namespace bench
