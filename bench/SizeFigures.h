#pragma once
// The figures of one list size: the tool's refresh, log-on, memory and clearings, each measured
// beside its yardstick (a bare ODBC read, bsqldb, the sqlite3 program, native SQLite).
#include <map>
#include <string>

namespace bench {

// Medians of the runs.
struct SizeFigures {
    long long rows = 0;
    double demoFill = 0;
    double refresh = 0;
    double bareRead = 0;
    double sqliteProgram = 0;
    double scrollJump = 0;
    double logOnToGrid = 0;
    double peerList = 0;
    double plainRead = 0;
    double encryptedRead = 0;
    double gridGrowthPerRow = 0;
    double utf8PerRow = 0;
    double peakBytes = 0;
    double peakPerRow = 0;  // above a one-row list's peak
    std::map<std::string, double> toolClear;
    std::map<std::string, double> nativeClear;
};

// The memory baseline is a window that already shows a few tasks, so that what every window pays
// once (fonts and glyphs, scroll bars) is not counted against the rows.
constexpr long long baselineRows = 100;

// The tool's peak resident memory from log-on to its list shown, in a fresh process each run;
// throws when the grid does not show `rows` tasks.
double peakBytesInChildren(const std::string& server, long long rows, int runs);

// Serves `rows` generated tasks and measures; the memory probe compares against the baseline server,
// the peak against the peak with a one-row list.
SizeFigures measureSize(long long rows, int runs, const std::string& baselineServer, double oneRowPeakBytes);
void printSize(const SizeFigures& figures);

}  // namespace bench
