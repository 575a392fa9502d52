#include "bench/ChildProbes.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "bench/LogOnToGrid.h"
#include "bench/RunProgram.h"
#include "bench/ToolSide.h"

namespace bench {

namespace {

const char* const logOnOption = "--log-on-probe";
const char* const memoryOption = "--memory-probe";
const char* const peakOption = "--peak-probe";

std::string selfPath() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

std::string probeOutput(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), selfPath());
    return runForOutput(arguments, {{"QT_QPA_PLATFORM", "offscreen"}});
}

// The main window bound to the baseline list, then the same window refreshed from the full one.
int printMemoryProbe(const std::string& baselineServer, const std::string& server)
{
    logOnTo(baselineServer);
    forms::frmMain* window = showMainWindow();
    const std::size_t before = residentBytes();
    logOff();
    logOnTo(server);
    refreshSeconds(*window);
    const std::size_t after = residentBytes();
    std::printf("%zu %zu %zu\n", after - before, gridRows(*window), gridTextBytes(*window));
    return 0;
}

// The tool's way to its list: log-on, then the main window, which loads and paints it.
int printPeakProbe(const std::string& server)
{
    logOnTo(server);
    forms::frmMain* window = showMainWindow();
    std::printf("%zu %zu\n", peakResidentBytes(), gridRows(*window));
    return 0;
}

}  // namespace

double logOnToGridInChild(const std::string& server) { return std::stod(probeOutput({logOnOption, server})); }

MemoryProbe memoryInChild(const std::string& baselineServer, const std::string& server)
{
    const std::string line = probeOutput({memoryOption, baselineServer, server});
    MemoryProbe probe;
    if (std::sscanf(line.c_str(), "%zu %zu %zu", &probe.grownBytes, &probe.rows, &probe.textBytes) != 3)
        throw std::runtime_error("the memory probe failed: " + line);
    return probe;
}

PeakProbe peakInChild(const std::string& server)
{
    const std::string line = probeOutput({peakOption, server});
    PeakProbe probe;
    if (std::sscanf(line.c_str(), "%zu %zu", &probe.peakBytes, &probe.rows) != 2)
        throw std::runtime_error("the peak memory probe failed: " + line);
    return probe;
}

std::optional<int> runProbe(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == memoryOption)
        return printMemoryProbe(argv[2], argv[3]);
    if (argc == 3 && std::string(argv[1]) == peakOption)
        return printPeakProbe(argv[2]);
    if (argc == 3 && std::string(argv[1]) == logOnOption) {
        std::printf("%.6f\n", logOnToGridSeconds(argv[2]));
        return 0;
    }
    return std::nullopt;
}

}  // namespace bench
