#include "bench/BenchFigures.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <stdexcept>
#include <string_view>

namespace bench {

double median(std::vector<double> samples)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

std::string sizeLabel(long long rows)
{
    if (rows >= 1'000'000 && rows % 1'000'000 == 0)
        return std::to_string(rows / 1'000'000) + "m";
    if (rows >= 1'000 && rows % 1'000 == 0)
        return std::to_string(rows / 1'000) + "k";
    return std::to_string(rows);
}

std::vector<long long> parseSizes(const std::string& text)
{
    std::vector<long long> sizes;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        long long value = 0;
        const char* first = text.data() + at;
        const char* last = text.data() + comma;
        const auto [end, error] = std::from_chars(first, last, value);
        if (first == last || error != std::errc() || end != last || value <= 0)
            throw std::invalid_argument("sizes are positive whole numbers separated by commas, not '" + text + "'");
        sizes.push_back(value);
        at = comma + 1;
    }
    return sizes;
}

std::size_t peakResidentBytesOf(const std::string& statusText)
{
    const std::string key = "\nVmHWM:";
    const std::size_t at = statusText.find(key);
    if (at == std::string::npos)
        throw std::runtime_error("the process status has no VmHWM line");
    const char* first = statusText.data() + at + key.size();
    const char* last = statusText.data() + statusText.size();
    while (first != last && (*first == ' ' || *first == '\t'))
        ++first;
    std::size_t kib = 0;
    const auto [end, error] = std::from_chars(first, last, kib);
    if (error != std::errc() || std::string_view(end, static_cast<std::size_t>(last - end)).rfind(" kB", 0) != 0)
        throw std::runtime_error("the process status's VmHWM line is malformed");
    return kib * 1024;
}

std::string Target::line() const
{
    char text[256];
    std::snprintf(text, sizeof text, "target %s: %.2f (goal <= %.2f) %s", name.c_str(), value, limit,
                  met() ? "met" : "not met");
    return text;
}

std::optional<Target> growthTarget(const std::string& name, std::optional<double> at100k, std::optional<double> at1m,
                                   double limit)
{
    if (!at100k || !at1m || *at100k <= 0)
        return std::nullopt;
    return Target{name, *at1m / *at100k, limit};
}

}  // namespace bench
