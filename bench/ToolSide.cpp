#include "bench/ToolSide.h"

#include <QApplication>
#include <QScrollBar>
#include <fstream>
#include <iterator>
#include <malloc.h>
#include <stdexcept>
#include <unistd.h>

#include "bench/BenchFigures.h"
#include "bench/RunProgram.h"
#include "db/ModFunction.h"
#include "db/SharedConnection.h"
#include "db/TaskOperations.h"
#include "forms/main/CommandToolBar.h"
#include "forms/main/TaskGrid.h"
#include "forms/main/TaskTableModel.h"
#include "forms/main/frmMain.h"

using forms::frmMain;

namespace bench {

namespace {
forms::TaskGrid& grid(frmMain& window)
{
    auto* found = window.findChild<forms::TaskGrid*>(QStringLiteral("MSHF_Task"));
    if (!found)
        throw std::runtime_error("the main window has no task grid");
    return *found;
}
}  // namespace

void logOnTo(const std::string& server) { db::TaskOperations::logOn(*ModMain::Conn, server, ""); }

void logOff() { ModFunction::CloseDB(); }

frmMain* showMainWindow()
{
    frmMain* window = frmMain::Show();
    QApplication::processEvents();
    return window;
}

double refreshSeconds(frmMain& window)
{
    auto* toolbar = window.findChild<forms::CommandToolBar*>(QStringLiteral("Toolbar1"));
    if (!toolbar)
        throw std::runtime_error("the main window has no toolbar");
    const auto start = Clock::now();
    emit toolbar->ButtonClick(QStringLiteral("REF"));
    QApplication::processEvents();
    return secondsSince(start);
}

double scrollJumpSeconds(frmMain& window)
{
    constexpr int jumps = 50;
    QScrollBar* bar = grid(window).verticalScrollBar();
    const auto start = Clock::now();
    for (int jump = 1; jump <= jumps; ++jump) {
        bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * jump / jumps));
        grid(window).viewport()->repaint();
    }
    const double seconds = secondsSince(start) / jumps;
    // Back at the top and painted there, so that the next figure taken on this window does not
    // pay for this one's last repaint.
    bar->setValue(0);
    QApplication::processEvents();
    return seconds;
}

std::size_t gridRows(frmMain& window) { return static_cast<std::size_t>(grid(window).Rows() - 1); }

std::size_t gridTextBytes(frmMain& window)
{
    const forms::TaskTableModel& model = grid(window).taskModel();
    std::size_t bytes = 0;
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int column = 0; column < model.columnCount(); ++column)
            bytes += static_cast<std::size_t>(model.cellText(row, column).toUtf8().size());
    }
    return bytes;
}

double toolClearSeconds(const std::string& key)
{
    using db::TaskOperations::Clearing;
    const auto start = Clock::now();
    db::TaskOperations::clearTasks(*ModMain::Conn, key == "DELERROR" ? Clearing::AbnormalTasks : Clearing::AllTasks);
    return secondsSince(start);
}

std::size_t residentBytes()
{
    malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    std::size_t total = 0;
    std::size_t resident = 0;
    statm >> total >> resident;
    return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

std::size_t peakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    const std::string text{std::istreambuf_iterator<char>(status), std::istreambuf_iterator<char>()};
    return peakResidentBytesOf(text);
}

}  // namespace bench
