#include "bench/BenchFigures.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <stdexcept>

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
