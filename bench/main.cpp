// The benchmark harness: for each size, a taskstore with generated tasks, the tool's figures and
// their yardsticks measured side by side, one table, and one line per target at the end.
#include <QApplication>
#include <cstdio>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Relay.h"
#include "TaskStoreProcess.h"
#include "app/ModMain.h"
#include "bench/BareOdbcRead.h"
#include "bench/BenchFigures.h"
#include "bench/LogOnToGrid.h"
#include "bench/NativeStore.h"
#include "bench/PeerClient.h"
#include "bench/RunProgram.h"
#include "bench/StartTimes.h"
#include "bench/ToolSide.h"
#include "db/OdbcConnection.h"
#include "forms/main/frmMain.h"
#include "gui/Fonts.h"
#include "runtime/MsgBox.h"

using forms::frmMain;

namespace fs = std::filesystem;
using namespace bench;

namespace {

struct Options {
    std::vector<long long> sizes{10'000, 100'000, 1'000'000};
    int runs = 5;
    bool link = true;  // the figures over a slow link; --no-link leaves them out
};

// Medians of one size.
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
    std::map<std::string, double> toolClear;
    std::map<std::string, double> nativeClear;
};

const std::vector<std::string> clearKeys{"DELERROR", "DELALL"};

// The memory baseline is a window that already shows a few tasks, so that what every window pays
// once (fonts and glyphs, scroll bars) is not counted against the rows.
constexpr long long baselineRows = 100;

fs::path selfPath() { return fs::read_symlink("/proc/self/exe"); }

// The bare read of the list over the shared connection; throws unless it saw every row.
double bareReadSeconds(long long rows)
{
    const auto started = Clock::now();
    const std::size_t read = readListBare(*ModMain::Conn);
    const double seconds = secondsSince(started);
    if (read != static_cast<std::size_t>(rows))
        throw std::runtime_error("the bare read did not return every row");
    return seconds;
}

// The same after a fresh log-on to the server, the log-on not counted.
double bareReadSeconds(const std::string& server, long long rows)
{
    logOnTo(server);
    const double seconds = bareReadSeconds(rows);
    logOff();
    return seconds;
}

// The bare read over a FreeTDS connection of the benchmark's own with the given options, the
// log-on not counted.
// A FreeTDS connection of the benchmark's own to the task database on the port.
db::OdbcConnection benchConnection(int port, const std::string& options)
{
    return db::OdbcConnection("DRIVER={" FREETDS_ODBC_DRIVER "};Server=127.0.0.1;Port=" + std::to_string(port)
                                  + ";Database=VOZUZODI;UID=SA;PWD=;TDS_Version=7.4;ClientCharset=UTF-8;" + options,
                              15);
}

double bareReadSeconds(int port, const std::string& options, long long rows)
{
    db::OdbcConnection connection = benchConnection(port, options);
    const auto started = Clock::now();
    const std::size_t read = readListBare(connection, 3600);
    const double seconds = secondsSince(started);
    if (read != static_cast<std::size_t>(rows))
        throw std::runtime_error("the bare read did not return every row");
    return seconds;
}

double clearReadSeconds(int port, long long rows) { return bareReadSeconds(port, "Encryption=off;", rows); }

// A big list over a link of limited bandwidth: the bytes a row costs on the wire, and the time at
// each TDS packet size the client may ask for (the tool's session is encrypted, so these are too).
constexpr long long bandwidthRows = 100'000;
constexpr double bandwidthBits = 100e6;

struct PacketSizeFigure {
    int packetSize = 0;
    double seconds = 0;
    double bytesPerRow = 0;
};

std::vector<PacketSizeFigure> measureBandwidth(int runs)
{
    const testsupport::TemporaryFolder work{"taskclear-bench"};
    testsupport::TaskStoreProcess store({"", bandwidthRows, work.path() / "data", {}});
    std::vector<PacketSizeFigure> figures;
    for (const int size : {4096, 8192, 16384, 32767}) {
        testsupport::Relay relay(store.port(), testsupport::Relay::Link{std::chrono::microseconds(0), bandwidthBits});
        std::vector<double> seconds;
        std::uint64_t bytes = 0;
        for (int run = 0; run < runs; ++run) {
            db::OdbcConnection connection =
                benchConnection(relay.port(), "Encryption=require;PacketSize=" + std::to_string(size) + ";");
            relay.resetCounts();
            const auto started = Clock::now();
            if (readListBare(connection, 3600) != static_cast<std::size_t>(bandwidthRows))
                throw std::runtime_error("the read over the link did not return every row");
            seconds.push_back(secondsSince(started));
            bytes = relay.bytesFromServer();
        }
        figures.push_back({size, median(seconds), static_cast<double>(bytes) / static_cast<double>(bandwidthRows)});
    }
    return figures;
}

void printBandwidth(const std::vector<PacketSizeFigure>& figures)
{
    std::printf("\nthe list of %lld tasks over a link of %.0f Mbit/s, by TDS packet size (the tool asks for 4096)\n",
                bandwidthRows, bandwidthBits / 1e6);
    std::printf("| packet size | bytes from the server per row | time |\n|---|---|---|\n");
    for (const PacketSizeFigure& f : figures)
        std::printf("| %d | %.1f | %.3f s |\n", f.packetSize, f.bytesPerRow, f.seconds);
}

// Runs in a child process, so that nothing measured before skews the resident memory: the main
// window bound to the baseline log, then the same window refreshed from the full one.
int memoryProbe(const std::string& baselineServer, const std::string& server)
{
    logOnTo(baselineServer);
    frmMain* window = showMainWindow();
    const std::size_t before = residentBytes();
    logOff();
    logOnTo(server);
    refreshSeconds(*window);
    const std::size_t after = residentBytes();
    std::printf("%zu %zu %zu\n", after - before, gridRows(*window), gridTextBytes(*window));
    return 0;
}

SizeFigures measureSize(long long rows, int runs, const std::string& baselineServer)
{
    SizeFigures figures;
    figures.rows = rows;
    const testsupport::TemporaryFolder work{"taskclear-bench"};
    const fs::path pristine = work.path() / "pristine";
    {
        const auto filling = Clock::now();
        testsupport::TaskStoreProcess store({"", rows, pristine, {}});
        figures.demoFill = secondsSince(filling);

        logOnTo(store.serverName());
        frmMain* window = showMainWindow();
        std::vector<double> refresh, bare, program, scroll;
        for (int run = 0; run < runs; ++run) {
            bare.push_back(bareReadSeconds(rows));
            refresh.push_back(refreshSeconds(*window));
            scroll.push_back(scrollJumpSeconds(*window));
            program.push_back(sqliteProgramListSeconds(taskDatabaseFile(pristine)));
            if (gridRows(*window) != static_cast<std::size_t>(rows))
                throw std::runtime_error("the grid does not show every row");
        }
        window->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        logOff();
        figures.refresh = median(refresh);
        figures.bareRead = median(bare);
        figures.sqliteProgram = median(program);
        figures.scrollJump = median(scroll);

        // A fresh tool process for each log-on, as a new user starts it; bsqldb starts afresh anyway.
        const fs::path queryFile = writeListQueryFile(work.path());
        std::vector<double> logOn, peer;
        for (int run = 0; run < runs; ++run) {
            logOn.push_back(std::stod(runForOutput({selfPath().string(), "--log-on-probe", store.serverName()},
                                                   {{"QT_QPA_PLATFORM", "offscreen"}})));
            peer.push_back(bsqldbListSeconds(store.port(), queryFile));
        }
        figures.logOnToGrid = median(logOn);
        figures.peerList = median(peer);

        std::vector<double> growth, utf8;
        for (int run = 0; run < runs; ++run) {
            const std::string line =
                runForOutput({selfPath().string(), "--memory-probe", baselineServer, store.serverName()},
                             {{"QT_QPA_PLATFORM", "offscreen"}});
            std::size_t grown = 0, shown = 0, bytes = 0;
            if (std::sscanf(line.c_str(), "%zu %zu %zu", &grown, &shown, &bytes) != 3
                || shown != static_cast<std::size_t>(rows))
                throw std::runtime_error("the memory probe failed: " + line);
            growth.push_back(static_cast<double>(grown));
            utf8.push_back(static_cast<double>(bytes));
        }
        // Per row beyond the baseline's.
        figures.gridGrowthPerRow = median(growth) / static_cast<double>(rows - baselineRows);
        figures.utf8PerRow = median(utf8) / static_cast<double>(rows);
    }

    // What TLS costs: the tool's read, always encrypted, against the same read over a FreeTDS
    // connection of the benchmark's own that does not encrypt.
    {
        testsupport::TaskStoreProcess store({"", 0, pristine, {}});
        std::vector<double> plain, encrypted;
        for (int run = 0; run < runs; ++run) {
            plain.push_back(clearReadSeconds(store.port(), rows));
            encrypted.push_back(bareReadSeconds(store.serverName(), rows));
        }
        figures.plainRead = median(plain);
        figures.encryptedRead = median(encrypted);
    }

    const fs::path copy = work.path() / "copy";
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
    for (const std::string& key : clearKeys)
        std::printf("| clear %s vs native SQLite | %.3f s | %.3f s | %.2f |\n", key.c_str(), f.toolClear.at(key),
                    f.nativeClear.at(key), f.toolClear.at(key) / f.nativeClear.at(key));
    std::printf("| serve (bare ODBC read) vs sqlite3 program | %.3f s | %.3f s | %.2f |\n", f.bareRead, f.sqliteProgram,
                f.bareRead / f.sqliteProgram);
    std::printf("| TLS: bare read, the tool's encrypted session vs a clear one | %.3f s | %.3f s | %.2f |\n",
                f.encryptedRead, f.plainRead, f.encryptedRead / f.plainRead);
}

// What the user waits for over a link of 50 ms round trips (a VPN to a customer's server), beside
// the same on loopback; the relay counts the round trips.
constexpr auto linkDelayEachWay = std::chrono::milliseconds(25);
constexpr double linkRoundTripSeconds = 0.050;
constexpr long long linkRows = 10'000;

struct LinkFigure {
    std::string name;
    int roundTrips = 0;
    int least = 0;  // the protocol's least for the path; 0 where none is set (the peer)
    double loopback = 0;
    double linked = 0;
};

std::string throughRelay(const testsupport::Relay& relay) { return "127.0.0.1," + std::to_string(relay.port()); }

// A path the user waits for: given the server's name, it sets itself up, calls `measuring` where the
// wait begins, and returns the seconds of the wait.
using UserPath = std::function<double(const std::string& server, const std::function<void()>& measuring)>;

double logOnToGridProbe(const std::string& server, const std::function<void()>& measuring)
{
    measuring();  // the probe times from pressing 确定; its process start crosses no wire
    return std::stod(runForOutput({selfPath().string(), "--log-on-probe", server}, {{"QT_QPA_PLATFORM", "offscreen"}}));
}

// Runs the path on loopback and through the link, `runs` times each; the round trips are those
// of the last linked run, counted from where its wait began.
LinkFigure measurePath(const std::string& name, int least, int runs, const testsupport::TaskStoreProcess& store,
                       const UserPath& path)
{
    LinkFigure figure{name, 0, least, 0, 0};
    testsupport::Relay relay(store.port(), testsupport::Relay::Link{linkDelayEachWay, 0});
    std::vector<double> loopback, linked;
    for (int run = 0; run < runs; ++run) {
        loopback.push_back(path(store.serverName(), [] {}));
        linked.push_back(path(throughRelay(relay), [&relay] { relay.resetCounts(); }));
        figure.roundTrips = relay.roundTrips();
    }
    figure.loopback = median(loopback);
    figure.linked = median(linked);
    return figure;
}

std::vector<LinkFigure> measureLink(int runs)
{
    const testsupport::TemporaryFolder work{"taskclear-bench"};
    const fs::path pristine = work.path() / "pristine";
    std::vector<LinkFigure> figures;
    {
        testsupport::TaskStoreProcess store({"", linkRows, pristine, {}});
        figures.push_back(measurePath("log-on to grid", 6, runs, store, logOnToGridProbe));
        figures.push_back(measurePath("refresh", 1, runs, store, [](const std::string& server, const auto& measuring) {
            logOnTo(server);
            frmMain* window = showMainWindow();
            measuring();
            const double seconds = refreshSeconds(*window);
            window->close();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            logOff();
            return seconds;
        }));
        const fs::path queryFile = writeListQueryFile(work.path());
        figures.push_back(measurePath(
            "bsqldb: log-on and list", 0, runs, store, [&](const std::string& server, const auto& measuring) {
                measuring();
                return bsqldbListSeconds(std::stoi(server.substr(server.find(',') + 1)), queryFile);
            }));
    }
    // A clearing as the user waits for it after 确定: the transaction, then the reload.
    const fs::path copy = work.path() / "copy";
    for (const std::string& key : clearKeys) {
        std::unique_ptr<testsupport::TaskStoreProcess> store;
        const auto fresh = [&] {
            store.reset();
            copyDataFolder(pristine, copy);
            store = std::make_unique<testsupport::TaskStoreProcess>(testsupport::TaskStoreOptions{"", 0, copy, {}});
        };
        fresh();
        const auto clearing = [&](const std::string& server, const std::function<void()>& measuring) {
            logOnTo(server);
            frmMain* window = showMainWindow();
            measuring();
            const double seconds = toolClearSeconds(key) + refreshSeconds(*window);
            window->close();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            logOff();
            return seconds;
        };
        // Each run clears the same tasks: the copy is laid anew before each, through the store's port.
        LinkFigure figure{"clear " + key + " and reload", 0, 5, 0, 0};
        std::vector<double> loopback, linked;
        for (int run = 0; run < runs; ++run) {
            fresh();
            loopback.push_back(clearing(store->serverName(), [] {}));
            fresh();
            testsupport::Relay relay(store->port(), testsupport::Relay::Link{linkDelayEachWay, 0});
            linked.push_back(clearing(throughRelay(relay), [&relay] { relay.resetCounts(); }));
            figure.roundTrips = relay.roundTrips();
        }
        store.reset();
        figure.loopback = median(loopback);
        figure.linked = median(linked);
        figures.push_back(figure);
    }
    return figures;
}

double linkBudget(const LinkFigure& f) { return f.roundTrips * linkRoundTripSeconds + f.loopback; }

void printLink(const std::vector<LinkFigure>& figures)
{
    std::printf("\nover a link of %.0f ms round trips, %lld tasks\n", linkRoundTripSeconds * 1000, linkRows);
    std::printf("| path | round trips (least) | loopback | over the link | ratio to trips x 50 ms + loopback |\n"
                "|---|---|---|---|---|\n");
    for (const LinkFigure& f : figures)
        std::printf("| %s | %d (%s) | %.3f s | %.3f s | %.2f |\n", f.name.c_str(), f.roundTrips,
                    f.least ? std::to_string(f.least).c_str() : "-", f.loopback, f.linked, f.linked / linkBudget(f));
}

// The bars. Small lists are held to a looser refresh bar than large ones, where the fixed costs of a
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

std::vector<Target> targetsOf(const std::vector<SizeFigures>& all, const std::vector<LinkFigure>& link,
                              double toolStart, double plainStart)
{
    std::vector<Target> targets;
    for (const LinkFigure& f : link) {
        if (f.least == 0)
            continue;
        std::string name = f.name;
        std::replace(name.begin(), name.end(), ' ', '-');
        targets.push_back({"round-trips-" + name, static_cast<double>(f.roundTrips), static_cast<double>(f.least)});
        targets.push_back({"link-" + name, f.linked / linkBudget(f), linkLimit});
    }
    std::optional<SizeFigures> at100k, at1m;
    for (const SizeFigures& f : all) {
        const std::string label = sizeLabel(f.rows);
        targets.push_back(
            {"refresh-" + label, f.refresh / f.bareRead, f.rows >= 100'000 ? refreshLimitLarge : refreshLimitSmall});
        targets.push_back({"grid-memory-" + label + " (B/row)", f.gridGrowthPerRow, 2 * f.utf8PerRow + 48});
        for (const std::string& key : clearKeys)
            targets.push_back({"clear-" + key + "-" + label, f.toolClear.at(key) / f.nativeClear.at(key), clearLimit});
        targets.push_back(
            {"serve-" + label, f.bareRead / f.sqliteProgram, f.rows == 1'000'000 ? serveLimitAt1m : serveLimit});
        if (f.rows == 100'000) {
            at100k = f;
            targets.push_back({"peer-" + label, f.logOnToGrid / f.peerList, peerLimitAt100k});
        }
        if (f.rows == 1'000'000) {
            at1m = f;
            targets.push_back({"peer-" + label, f.logOnToGrid / f.peerList, peerLimitAt1m});
            targets.push_back({"tls-" + label, f.encryptedRead / f.plainRead, tlsLimitAt1m});
        }
    }
    targets.push_back({"start", toolStart / plainStart, startLimit});
    if (at100k && at1m) {
        const auto grow = [&](const std::string& name, auto figure) {
            if (auto target = growthTarget("growth-" + name, figure(*at100k), figure(*at1m), growthLimit))
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
    return targets;
}

Options parseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--no-link") {
            options.link = false;
            continue;
        }
        if (i + 1 >= argc)
            throw std::invalid_argument(option + " needs a value");
        if (option == "--sizes")
            options.sizes = parseSizes(argv[++i]);
        else if (option == "--runs")
            options.runs = std::max(1, std::stoi(argv[++i]));
        else
            throw std::invalid_argument("unknown option " + option + " (use --sizes N,N..., --runs N and --no-link)");
    }
    return options;
}

}  // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    gui::installFontSubstitutions();
    runtime::setMsgBoxPresenter([](const std::string& text, int, const std::string&) {
        std::cerr << "bench: unexpected message box: " << text << "\n";
        return runtime::MsgBoxResult::Cancel;
    });
    try {
        if (argc == 4 && std::string(argv[1]) == "--memory-probe")
            return memoryProbe(argv[2], argv[3]);
        if (argc == 3 && std::string(argv[1]) == "--log-on-probe") {
            std::printf("%.6f\n", logOnToGridSeconds(argv[2]));
            return 0;
        }
        const Options options = parseOptions(argc, argv);

        std::vector<StartTimes> toolStarts, plainStarts, emptyStarts;
        for (int run = 0; run < options.runs; ++run) {
            toolStarts.push_back(measureStart(TASKCLEAR_BIN, BENCH_PLUGIN_DIR));
            plainStarts.push_back(measureStart(BENCH_PLAIN_LOGIN_WINDOW_BIN, BENCH_PLUGIN_DIR));
            emptyStarts.push_back(measureStart(BENCH_EMPTY_WINDOW_BIN, BENCH_PLUGIN_DIR));
        }
        const StartTimes tool = medianStart(toolStarts);
        const StartTimes plain = medianStart(plainStarts);
        const StartTimes empty = medianStart(emptyStarts);
        std::printf("medians of %d runs\n\nstart to the first window shown: login window %.3f s, the same widgets in a"
                    " plain Qt window %.3f s (ratio %.2f), an empty Qt window %.3f s (ratio %.2f)\n",
                    options.runs, tool.total, plain.total, tool.total / plain.total, empty.total,
                    tool.total / empty.total);
        std::printf("  where it goes (login / plain / empty): loading and Qt's start %.4f / %.4f / %.4f s, the window"
                    " built %.4f / %.4f / %.4f s, its first paint %.4f / %.4f / %.4f s\n",
                    tool.qtStart, plain.qtStart, empty.qtStart, tool.windowBuilt, plain.windowBuilt, empty.windowBuilt,
                    tool.firstPaint, plain.firstPaint, empty.firstPaint);
        std::fflush(stdout);

        testsupport::TaskStoreProcess baselineStore({"", baselineRows, {}, {}});
        std::vector<SizeFigures> all;
        for (long long rows : options.sizes) {
            if (rows <= baselineRows)
                throw std::invalid_argument("sizes must be larger than " + std::to_string(baselineRows));
            all.push_back(measureSize(rows, options.runs, baselineStore.serverName()));
            printSize(all.back());
            std::fflush(stdout);
        }
        std::printf("\n");
        const std::vector<LinkFigure> link = options.link ? measureLink(options.runs) : std::vector<LinkFigure>{};
        if (options.link) {
            printLink(link);
            printBandwidth(measureBandwidth(options.runs));
        }
        std::printf("\n");
        for (const Target& target : targetsOf(all, link, tool.total, plain.total))
            std::printf("%s\n", target.line().c_str());
    } catch (const std::exception& error) {
        std::cerr << "bench: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
