// The benchmark harness: for each size, a taskstore with generated tasks, the tool's figures and
// their yardsticks measured side by side, one table, and one line per target at the end.
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "TaskStoreProcess.h"
#include "bench/Bandwidth.h"
#include "bench/BenchFigures.h"
#include "bench/ChildProbes.h"
#include "bench/LinkFigures.h"
#include "bench/SizeFigures.h"
#include "bench/StartTimes.h"
#include "bench/Targets.h"
#include "gui/Fonts.h"
#include "runtime/MsgBox.h"

using namespace bench;

namespace {

struct Options {
    std::vector<long long> sizes{10'000, 100'000, 1'000'000};
    int runs = 5;
    bool link = true;  // the figures over a slow link; --no-link leaves them out
};

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

struct StartTotals {
    double tool = 0;
    double plain = 0;  // a plain window with the same widgets
};

// The tool's start to its first window, beside a plain window with the same widgets and an empty one.
StartTotals measureStarts(int runs)
{
    std::vector<StartTimes> toolStarts, plainStarts, emptyStarts;
    for (int run = 0; run < runs; ++run) {
        toolStarts.push_back(measureStart(TASKCLEAR_BIN, BENCH_PLUGIN_DIR));
        plainStarts.push_back(measureStart(BENCH_PLAIN_LOGIN_WINDOW_BIN, BENCH_PLUGIN_DIR));
        emptyStarts.push_back(measureStart(BENCH_EMPTY_WINDOW_BIN, BENCH_PLUGIN_DIR));
    }
    const StartTimes tool = medianStart(toolStarts);
    const StartTimes plain = medianStart(plainStarts);
    const StartTimes empty = medianStart(emptyStarts);
    std::printf("medians of %d runs\n\nstart to the first window shown: login window %.3f s, the same widgets in a"
                " plain Qt window %.3f s (ratio %.2f), an empty Qt window %.3f s (ratio %.2f)\n",
                runs, tool.total, plain.total, tool.total / plain.total, empty.total, tool.total / empty.total);
    std::printf("  where it goes (login / plain / empty): loading and Qt's start %.4f / %.4f / %.4f s, the window"
                " built %.4f / %.4f / %.4f s, its first paint %.4f / %.4f / %.4f s\n",
                tool.qtStart, plain.qtStart, empty.qtStart, tool.windowBuilt, plain.windowBuilt, empty.windowBuilt,
                tool.firstPaint, plain.firstPaint, empty.firstPaint);
    std::fflush(stdout);
    return {tool.total, plain.total};
}

int runBench(const Options& options)
{
    const StartTotals starts = measureStarts(options.runs);
    testsupport::TaskStoreProcess baselineStore({"", baselineRows, {}, {}});
    const double oneRowPeak = [&] {
        testsupport::TaskStoreProcess oneRowStore({"", 1, {}, {}});
        return peakBytesInChildren(oneRowStore.serverName(), 1, options.runs);
    }();
    std::printf("peak memory with a one-row list: %.1f MB\n", oneRowPeak / 1e6);
    std::vector<SizeFigures> sizes;
    for (long long rows : options.sizes) {
        if (rows <= baselineRows)
            throw std::invalid_argument("sizes must be larger than " + std::to_string(baselineRows));
        sizes.push_back(measureSize(rows, options.runs, baselineStore.serverName(), oneRowPeak));
        printSize(sizes.back());
        std::fflush(stdout);
    }
    std::printf("\n");
    const std::vector<LinkFigure> link = options.link ? measureLink(options.runs) : std::vector<LinkFigure>{};
    if (options.link) {
        printLink(link);
        printBandwidth(measureBandwidth(options.runs));
    }
    std::printf("\n");
    for (const Target& target : targetsOf(sizes, link, starts.tool, starts.plain))
        std::printf("%s\n", target.line().c_str());
    return 0;
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
        if (const std::optional<int> status = runProbe(argc, argv))
            return *status;
        return runBench(parseOptions(argc, argv));
    } catch (const std::exception& error) {
        std::cerr << "bench: " << error.what() << "\n";
        return 1;
    }
}
