#include "bench/Targets.h"

#include <algorithm>
#include <optional>
#include <string>

#include "bench/ToolSide.h"

namespace bench {

namespace {
// Small lists are held to a looser refresh bar than large ones, where the fixed costs of a
// refresh (layout, the first screen painted) no longer count.
constexpr double refreshLimitSmall = 1.25;
constexpr double refreshLimitLarge = 1.15;
constexpr double clearLimit = 1.5;
constexpr double serveLimit = 2;
constexpr double serveLimitAt1m = 1.5;
constexpr double peerLimitAt100k = 1.2;
constexpr double peerLimitAt1m = 0.8;
constexpr double tlsLimitAt1m = 1.3;
constexpr double startLimit = 1.1;  // against a plain window with the same widgets
constexpr double growthLimit = 11;  // for ten times the rows
constexpr double linkLimit = 1.1;
// Bytes a row of the tool's peak memory above a one-row list, at 1,000,000 rows: 97 to 98 in the
// last measured runs, so that growth shows.
constexpr double peakPerRowLimitAt1m = 110;

void addLinkTargets(std::vector<Target>& targets, const std::vector<LinkFigure>& link)
{
    for (const LinkFigure& f : link) {
        if (f.least == 0)
            continue;
        std::string name = f.name;
        std::replace(name.begin(), name.end(), ' ', '-');
        targets.push_back({"round-trips-" + name, static_cast<double>(f.roundTrips), static_cast<double>(f.least)});
        targets.push_back({"link-" + name, f.linked / linkBudget(f), linkLimit});
    }
}

void addSizeTargets(std::vector<Target>& targets, const SizeFigures& f)
{
    const std::string label = sizeLabel(f.rows);
    targets.push_back(
        {"refresh-" + label, f.refresh / f.bareRead, f.rows >= 100'000 ? refreshLimitLarge : refreshLimitSmall});
    targets.push_back({"grid-memory-" + label + " (B/row)", f.gridGrowthPerRow, 2 * f.utf8PerRow + 48});
    for (const std::string& key : clearKeys)
        targets.push_back({"clear-" + key + "-" + label, f.toolClear.at(key) / f.nativeClear.at(key), clearLimit});
    targets.push_back(
        {"serve-" + label, f.bareRead / f.sqliteProgram, f.rows == 1'000'000 ? serveLimitAt1m : serveLimit});
    if (f.rows == 100'000)
        targets.push_back({"peer-" + label, f.logOnToGrid / f.peerList, peerLimitAt100k});
    if (f.rows == 1'000'000) {
        targets.push_back({"peer-" + label, f.logOnToGrid / f.peerList, peerLimitAt1m});
        targets.push_back({"tls-" + label, f.encryptedRead / f.plainRead, tlsLimitAt1m});
        targets.push_back({"peak-memory-" + label + " (B/row)", f.peakPerRow, peakPerRowLimitAt1m});
    }
}

void addGrowthTargets(std::vector<Target>& targets, const SizeFigures& at100k, const SizeFigures& at1m)
{
    const auto grow = [&](const std::string& name, auto figure) {
        if (auto target = growthTarget("growth-" + name, figure(at100k), figure(at1m), growthLimit))
            targets.push_back(*target);
    };
    grow("refresh", [](const SizeFigures& f) { return f.refresh; });
    grow("grid-memory", [](const SizeFigures& f) { return f.gridGrowthPerRow * static_cast<double>(f.rows); });
    grow("serve", [](const SizeFigures& f) { return f.bareRead; });
    grow("scroll", [](const SizeFigures& f) { return f.scrollJump; });
    grow("demo-fill", [](const SizeFigures& f) { return f.demoFill; });
    for (const std::string& key : clearKeys)
        grow("clear-" + key, [&](const SizeFigures& f) { return f.toolClear.at(key); });
}

}  // namespace

std::vector<Target> targetsOf(const std::vector<SizeFigures>& sizes, const std::vector<LinkFigure>& link,
                              double toolStart, double plainStart)
{
    std::vector<Target> targets;
    addLinkTargets(targets, link);
    std::optional<SizeFigures> at100k, at1m;
    for (const SizeFigures& f : sizes) {
        addSizeTargets(targets, f);
        if (f.rows == 100'000)
            at100k = f;
        if (f.rows == 1'000'000)
            at1m = f;
    }
    targets.push_back({"start", toolStart / plainStart, startLimit});
    if (at100k && at1m)
        addGrowthTargets(targets, *at100k, *at1m);
    return targets;
}

}  // namespace bench
