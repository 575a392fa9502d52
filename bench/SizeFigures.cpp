#include "bench/SizeFigures.h"

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "TaskStoreProcess.h"
#include "TemporaryFolder.h"
#include "bench/BenchConnection.h"
#include "bench/BenchFigures.h"
#include "bench/ChildProbes.h"
#include "bench/NativeStore.h"
#include "bench/PeerClient.h"
#include "bench/RunProgram.h"
#include "bench/ToolSide.h"
#include "forms/main/frmMain.h"

namespace fs = std::filesystem;

namespace bench {

namespace {

// The list in the tool's window beside the bare read and the sqlite3 program, on the pristine data.
void measureList(SizeFigures& figures, int runs, const testsupport::TaskStoreProcess& store, const fs::path& data)
{
    logOnTo(store.serverName());
    forms::frmMain* window = showMainWindow();
    std::vector<double> refresh, bare, program, scroll;
    for (int run = 0; run < runs; ++run) {
        bare.push_back(bareReadSeconds(figures.rows));
        refresh.push_back(refreshSeconds(*window));
        scroll.push_back(scrollJumpSeconds(*window));
        program.push_back(sqliteProgramListSeconds(taskDatabaseFile(data)));
        if (gridRows(*window) != static_cast<std::size_t>(figures.rows))
            throw std::runtime_error("the grid does not show every row");
    }
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    logOff();
    figures.refresh = median(refresh);
    figures.bareRead = median(bare);
    figures.sqliteProgram = median(program);
    figures.scrollJump = median(scroll);
}

// A fresh tool process for each log-on, as a new user starts it; bsqldb starts afresh anyway.
void measureLogOn(SizeFigures& figures, int runs, const testsupport::TaskStoreProcess& store, const fs::path& work)
{
    const fs::path queryFile = writeListQueryFile(work);
    std::vector<double> logOn, peer;
    for (int run = 0; run < runs; ++run) {
        logOn.push_back(logOnToGridInChild(store.serverName()));
        peer.push_back(bsqldbListSeconds(store.port(), queryFile));
    }
    figures.logOnToGrid = median(logOn);
    figures.peerList = median(peer);
}

void measureMemory(SizeFigures& figures, int runs, const testsupport::TaskStoreProcess& store,
                   const std::string& baselineServer)
{
    std::vector<double> growth, utf8;
    for (int run = 0; run < runs; ++run) {
        const MemoryProbe probe = memoryInChild(baselineServer, store.serverName());
        if (probe.rows != static_cast<std::size_t>(figures.rows))
            throw std::runtime_error("the memory probe's grid does not show every row");
        growth.push_back(static_cast<double>(probe.grownBytes));
        utf8.push_back(static_cast<double>(probe.textBytes));
    }
    // Per row beyond the baseline's.
    figures.gridGrowthPerRow = median(growth) / static_cast<double>(figures.rows - baselineRows);
    figures.utf8PerRow = median(utf8) / static_cast<double>(figures.rows);
}

void measurePeak(SizeFigures& figures, int runs, const testsupport::TaskStoreProcess& store, double oneRowPeakBytes)
{
    figures.peakBytes = peakBytesInChildren(store.serverName(), figures.rows, runs);
    figures.peakPerRow = (figures.peakBytes - oneRowPeakBytes) / static_cast<double>(figures.rows - 1);
}

// What TLS costs: the tool's read, always encrypted, against the same read over a FreeTDS
// connection of the benchmark's own that does not encrypt.
void measureTls(SizeFigures& figures, int runs, const fs::path& data)
{
    testsupport::TaskStoreProcess store({"", 0, data, {}});
    std::vector<double> plain, encrypted;
    for (int run = 0; run < runs; ++run) {
        plain.push_back(clearReadSeconds(store.port(), figures.rows));
        encrypted.push_back(bareReadSeconds(store.serverName(), figures.rows));
    }
    figures.plainRead = median(plain);
    figures.encryptedRead = median(encrypted);
}

// Each clearing on a fresh copy of the pristine data, by the tool and natively.
void measureClearings(SizeFigures& figures, int runs, const fs::path& pristine, const fs::path& copy)
{
    for (const std::string& key : clearKeys) {
        std::vector<double> tool, native;
        for (int run = 0; run < runs; ++run) {
            copyDataFolder(pristine, copy);
            {
                testsupport::TaskStoreProcess store({"", 0, copy, {}});
                logOnTo(store.serverName());
                tool.push_back(toolClearSeconds(key));
                logOff();
            }
            copyDataFolder(pristine, copy);
            native.push_back(nativeClearSeconds(taskDatabaseFile(copy), key));
        }
        figures.toolClear[key] = median(tool);
        figures.nativeClear[key] = median(native);
    }
}

}  // namespace

double peakBytesInChildren(const std::string& server, long long rows, int runs)
{
    std::vector<double> peaks;
    for (int run = 0; run < runs; ++run) {
        const PeakProbe probe = peakInChild(server);
        if (probe.rows != static_cast<std::size_t>(rows))
            throw std::runtime_error("the peak memory probe's grid does not show every row");
        peaks.push_back(static_cast<double>(probe.peakBytes));
    }
    return median(peaks);
}

SizeFigures measureSize(long long rows, int runs, const std::string& baselineServer, double oneRowPeakBytes)
{
    SizeFigures figures;
    figures.rows = rows;
    const testsupport::TemporaryFolder work{"taskclear-bench"};
    const fs::path pristine = work.path() / "pristine";
    {
        const auto filling = Clock::now();
        testsupport::TaskStoreProcess store({"", rows, pristine, {}});
        figures.demoFill = secondsSince(filling);
        measureList(figures, runs, store, pristine);
        measureLogOn(figures, runs, store, work.path());
        measureMemory(figures, runs, store, baselineServer);
        measurePeak(figures, runs, store, oneRowPeakBytes);
    }
    measureTls(figures, runs, pristine);
    measureClearings(figures, runs, pristine, work.path() / "copy");
    return figures;
}

void printSize(const SizeFigures& f)
{
    const double n = static_cast<double>(f.rows);
    const double memoryLimit = 2 * f.utf8PerRow + 48;
    std::printf("\n%lld rows (demo data generated and served in %.2f s)\n", f.rows, f.demoFill);
    std::printf("| figure | tool | yardstick | ratio |\n|---|---|---|---|\n");
    std::printf("| refresh vs bare ODBC read | %.3f s (%.0f rows/s) | %.3f s (%.0f rows/s) | %.2f |\n", f.refresh,
                n / f.refresh, f.bareRead, n / f.bareRead, f.refresh / f.bareRead);
    std::printf("| scroll: jump and repaint | %.2f ms | | |\n", f.scrollJump * 1000);
    std::printf("| log-on to grid vs bsqldb on its own connection | %.3f s | %.3f s | %.2f |\n", f.logOnToGrid,
                f.peerList, f.logOnToGrid / f.peerList);
    std::printf("| grid memory vs 2 x UTF-8 + 48 B | %.1f B/row | %.1f B/row (UTF-8 %.1f B/row) | %.2f |\n",
                f.gridGrowthPerRow, memoryLimit, f.utf8PerRow, f.gridGrowthPerRow / memoryLimit);
    std::printf("| peak memory above a one-row list | %.1f B/row (peak %.1f MB) | | |\n", f.peakPerRow,
                f.peakBytes / 1e6);
    for (const std::string& key : clearKeys)
        std::printf("| clear %s vs native SQLite | %.3f s | %.3f s | %.2f |\n", key.c_str(), f.toolClear.at(key),
                    f.nativeClear.at(key), f.toolClear.at(key) / f.nativeClear.at(key));
    std::printf("| serve (bare ODBC read) vs sqlite3 program | %.3f s | %.3f s | %.2f |\n", f.bareRead, f.sqliteProgram,
                f.bareRead / f.sqliteProgram);
    std::printf("| TLS: bare read, the tool's encrypted session vs a clear one | %.3f s | %.3f s | %.2f |\n",
                f.encryptedRead, f.plainRead, f.encryptedRead / f.plainRead);
}

}  // namespace bench
