#pragma once
// A logged-on session for the main window's tests: a taskstore on a free port, an independent
// client to seed and inspect it, scripted message boxes, recorded error reports and a fixed date.
#include <QPointer>
#include <QString>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "OdbcClient.h"
#include "ScriptedMsgBox.h"
#include "TaskRows.h"
#include "TaskStoreProcess.h"

class QToolButton;
namespace forms {
class TaskGrid;
class frmMain;
}  // namespace forms

namespace maintest {

using testsupport::TaskLogRow;

struct ErrorReport {
    long number = 0;
    std::string description;
};

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Logs on as the login window does, then opens the main window.
    forms::frmMain* logOnAndShow();
    void logOn();

    void addTaskLog(const std::vector<TaskLogRow>& rows);
    void addTasks(const std::vector<std::string>& subIds);
    // The tables as the independent client sees them, sorted.
    std::vector<std::string> taskSubIds();
    std::vector<std::string> taskLogIds();

    static forms::TaskGrid* grid(forms::frmMain* window);
    static QToolButton* button(forms::frmMain* window, const QString& key);
    // A click on a button's face.
    static void click(forms::frmMain* window, const QString& key);
    // Choosing an item of the clear button's menu.
    static void choose(forms::frmMain* window, const QString& key);
    // The grid's cells of one column, data rows only.
    static std::vector<QString> column(forms::frmMain* window, int column);
    // Batches and transaction requests the tool's connections sent since the mark.
    std::vector<testsupport::Request> requestsSince(std::size_t mark) const;

    testsupport::TaskStoreOptions storeOptions{};  // set by a derived fixture's constructor
    std::unique_ptr<testsupport::TaskStoreProcess> store;
    std::unique_ptr<testsupport::OdbcClient> client;
    std::unique_ptr<testsupport::ScriptedMsgBox> boxes;
    std::vector<ErrorReport> reports;
};

// Closes every window and lets deferred deletions run.
void closeAllWindows();
// The visible top-level windows of a type.
template <typename Window>
std::vector<Window*> openWindows();

}  // namespace maintest

#include <QApplication>

template <typename Window>
std::vector<Window*> maintest::openWindows()
{
    std::vector<Window*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = dynamic_cast<Window*>(widget); window && window->isVisible())
            found.push_back(window);
    }
    return found;
}
