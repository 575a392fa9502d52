#include "bench/LinkFigures.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>

#include "Relay.h"
#include "TaskStoreProcess.h"
#include "TemporaryFolder.h"
#include "bench/BenchFigures.h"
#include "bench/ChildProbes.h"
#include "bench/NativeStore.h"
#include "bench/PeerClient.h"
#include "bench/ToolSide.h"
#include "forms/main/frmMain.h"

namespace fs = std::filesystem;

namespace bench {

namespace {

constexpr auto linkDelayEachWay = std::chrono::milliseconds(25);
constexpr double linkRoundTripSeconds = 0.050;
constexpr long long linkRows = 10'000;
// The round trips a clearing and its reload are held to: begin, two deletes, commit, reload, and
// one more that FreeTDS's ODBC driver sends. Its commit begins a new transaction, and switching
// autocommit back on rolls that empty one back in a round trip of its own; switching autocommit on
// without the commit would roll the clearing back. T-SQL BEGIN/COMMIT TRANSACTION batches would
// save it, but Microsoft's ODBC documentation tells applications not to mix them with the driver's
// transactions, and leaving the empty one open would change what the server holds between
// clearings; so 6 is the least over this driver.
constexpr int clearingLeastRoundTrips = 6;

std::string throughRelay(const testsupport::Relay& relay) { return "127.0.0.1," + std::to_string(relay.port()); }

// A path the user waits for: given the server's name, it sets itself up, calls `measuring` where the
// wait begins, and returns the seconds of the wait.
using UserPath = std::function<double(const std::string& server, const std::function<void()>& measuring)>;

double logOnToGridPath(const std::string& server, const std::function<void()>& measuring)
{
    measuring();  // the probe times from pressing 确定; its process start crosses no wire
    return logOnToGridInChild(server);
}

// Logs on, shows the main window, runs `waited` between `measuring` and the window's close.
double inMainWindow(const std::string& server, const std::function<void()>& measuring,
                    const std::function<double(forms::frmMain&)>& waited)
{
    logOnTo(server);
    forms::frmMain* window = showMainWindow();
    measuring();
    const double seconds = waited(*window);
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    logOff();
    return seconds;
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

// A clearing as the user waits for it after 确定: the transaction, then the reload. Each run clears
// the same tasks: the copy is laid anew before each, through the store's port.
LinkFigure measureClearing(const std::string& key, int runs, const fs::path& pristine, const fs::path& copy)
{
    std::unique_ptr<testsupport::TaskStoreProcess> store;
    const auto fresh = [&] {
        store.reset();
        copyDataFolder(pristine, copy);
        store = std::make_unique<testsupport::TaskStoreProcess>(testsupport::TaskStoreOptions{"", 0, copy, {}});
    };
    const auto clearing = [&](const std::string& server, const std::function<void()>& measuring) {
        return inMainWindow(server, measuring,
                            [&](forms::frmMain& window) { return toolClearSeconds(key) + refreshSeconds(window); });
    };
    LinkFigure figure{"clear " + key + " and reload", 0, clearingLeastRoundTrips, 0, 0};
    std::vector<double> loopback, linked;
    for (int run = 0; run < runs; ++run) {
        fresh();
        loopback.push_back(clearing(store->serverName(), [] {}));
        fresh();
        testsupport::Relay relay(store->port(), testsupport::Relay::Link{linkDelayEachWay, 0});
        linked.push_back(clearing(throughRelay(relay), [&relay] { relay.resetCounts(); }));
        figure.roundTrips = relay.roundTrips();
    }
    figure.loopback = median(loopback);
    figure.linked = median(linked);
    return figure;
}

}  // namespace

std::vector<LinkFigure> measureLink(int runs)
{
    const testsupport::TemporaryFolder work{"taskclear-bench"};
    const fs::path pristine = work.path() / "pristine";
    std::vector<LinkFigure> figures;
    {
        testsupport::TaskStoreProcess store({"", linkRows, pristine, {}});
        figures.push_back(measurePath("log-on to grid", 6, runs, store, logOnToGridPath));
        figures.push_back(measurePath("refresh", 1, runs, store, [](const std::string& server, const auto& measuring) {
            return inMainWindow(server, measuring, [](forms::frmMain& window) { return refreshSeconds(window); });
        }));
        const fs::path queryFile = writeListQueryFile(work.path());
        figures.push_back(measurePath(
            "bsqldb: log-on and list", 0, runs, store, [&](const std::string& server, const auto& measuring) {
                measuring();
                return bsqldbListSeconds(std::stoi(server.substr(server.find(',') + 1)), queryFile);
            }));
    }
    for (const std::string& key : clearKeys)
        figures.push_back(measureClearing(key, runs, pristine, work.path() / "copy"));
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

}  // namespace bench
