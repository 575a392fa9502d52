#include "ClearingChild.h"

#include <QAction>
#include <chrono>
#include <cstdio>
#include <unistd.h>

#include "StatementPause.h"
#include "ToolSession.h"
#include "common/SystemNames.h"
#include "db/ModFunction.h"
#include "db/SharedConnection.h"
#include "db/TaskOperations.h"
#include "forms/main/frmMain.h"
#include "gui/ErrorReport.h"
#include "runtime/MsgBox.h"

using forms::frmMain;

namespace reliability {

int runClearingChild(const std::string& mode, const std::string& server, const std::string& key)
{
    alarm(60);  // never outlive a test that forgot to kill it
    runtime::setMsgBoxPresenter([](const std::string& text, int, const std::string&) {
        std::fprintf(stderr, "box: %s\n", text.c_str());
        return runtime::MsgBoxResult::OK;
    });
    gui::setErrorReportHandler([](long number, const std::string& description) {
        std::fprintf(stderr, "error %ld: %s\n", number, description.c_str());
        _exit(6);
    });
    const db::TaskOperations::Clearing clearing = clearingOf(key);
    pauseBeforeStatement(std::string(db::TaskOperations::statementsOf(clearing).second));
    if (!ModFunction::ConnectDB(server, std::string(common::adminLogin), ""))
        return 3;
    db::TaskOperations::useTaskDatabase(*ModMain::Conn);
    if (mode == "windows") {
        frmMain* window = frmMain::Show();
        QAction* item = window->findChild<QAction*>(QString::fromStdString(key));
        if (!item)
            return 4;
        item->trigger();
    } else {
        db::TaskOperations::clearTasks(*ModMain::Conn, clearing);
    }
    return 5;  // the pause never came
}

namespace {
// The paused child waits for its input to end, which it never does while the test holds the pipe.
testsupport::ChildSetup clearingChildSetup(const std::string& mode, const std::string& server, const std::string& key)
{
    testsupport::ChildSetup setup;
    setup.arguments = {"/proc/self/exe", "--clearing-child", mode, server, key};
    setup.input = testsupport::Stream::piped();
    setup.output = testsupport::Stream::piped();
    return setup;
}
}  // namespace

ClearingChild::ClearingChild(const std::string& mode, const std::string& server, const std::string& key)
    : process_(clearingChildSetup(mode, server, key))
{}

bool ClearingChild::waitUntilBetweenDeletes(int milliseconds)
{
    return process_.waitForOutput(pausedReport, std::chrono::milliseconds(milliseconds));
}

void ClearingChild::kill() { process_.kill(); }

}  // namespace reliability
