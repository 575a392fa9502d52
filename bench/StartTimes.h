#pragma once
// A program's start to its first window painted, timed by the probe plugin (ShownProbe.cpp) and
// split where the time goes.
#include <string>
#include <vector>

namespace bench {

struct StartTimes {
    double total = 0;
    double qtStart = 0;      // loading the program and Qt's own start, up to its platform set up
    double windowBuilt = 0;  // the program's own work up to its first window exposed
    double firstPaint = 0;   // painting that window
};

// Reads the probe's line ("<plugin loaded> <exposed> <painted>", monotonic nanoseconds) against
// the moment the program was started (seconds on the same clock); throws when it is malformed.
StartTimes startTimesOf(double startedAt, const std::string& probeLine);

// Starts the program offscreen with the probe and returns how long it took.
StartTimes measureStart(const std::string& program, const std::string& probePluginDir);

// The median of each figure on its own.
StartTimes medianStart(const std::vector<StartTimes>& runs);

}  // namespace bench
