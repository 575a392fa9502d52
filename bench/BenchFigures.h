#pragma once
// The arithmetic of the benchmark report: medians, size labels, and the target lines that close
// it. Kept apart from the measuring so that it can be tested without a server.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace bench {

// The median of the samples (the mean of the middle two for an even count); 0 when empty.
double median(std::vector<double> samples);

// "10k", "100k", "1m" for the sizes the report uses; the plain number otherwise.
std::string sizeLabel(long long rows);

// Parses "10000,100000"; throws std::invalid_argument for anything but positive whole numbers.
std::vector<long long> parseSizes(const std::string& text);

// The peak resident memory (VmHWM) in bytes from the text of /proc/<pid>/status; throws
// std::runtime_error when the line is missing or malformed.
std::size_t peakResidentBytesOf(const std::string& statusText);

// One "target" line: `target <name>: <value> (goal <= <limit>) met|not met`.
struct Target {
    std::string name;
    double value = 0;
    double limit = 0;
    bool met() const { return value <= limit; }
    std::string line() const;
};

// The growth target between two figures of the same kind, when both were measured.
std::optional<Target> growthTarget(const std::string& name, std::optional<double> at100k, std::optional<double> at1m,
                                   double limit);

}  // namespace bench
