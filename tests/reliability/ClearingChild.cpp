#include "ClearingChild.h"

#include <QAction>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "StatementPause.h"
#include "ToolSession.h"
#include "db/ModFunction.h"
#include "db/SharedConnection.h"
#include "db/TaskOperations.h"
#include "forms/main/frmMain.h"
#include "gui/ErrorReport.h"
#include "runtime/MsgBox.h"

namespace reliability {

int runClearingChild(const std::string& mode, const std::string& server, const std::string& key)
{
    alarm(60);  // never outlive a test that forgot to kill it
    rt::setMsgBoxPresenter([](const std::string& text, int, const std::string&) {
        std::fprintf(stderr, "box: %s\n", text.c_str());
        return rt::MsgBoxResult::OK;
    });
    gui::setErrorReportHandler([](long number, const std::string& description) {
        std::fprintf(stderr, "error %ld: %s\n", number, description.c_str());
        _exit(6);
    });
    const db::TaskOperations::Clearing clearing = clearingOf(key);
    pauseBeforeStatement(std::string(db::TaskOperations::statementsOf(clearing).second));
    if (!ModFunction::ConnectDB(server, db::TaskOperations::loginName, ""))
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

ClearingChild::ClearingChild(const std::string& mode, const std::string& server, const std::string& key)
{
    int toChild[2];
    int fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0)
        throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(toChild[0], STDIN_FILENO);
        dup2(fromChild[1], STDOUT_FILENO);
        close(toChild[1]);
        close(fromChild[0]);
        std::vector<std::string> args = {"/proc/self/exe", "--clearing-child", mode, server, key};
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    input_ = toChild[1];
    output_ = fromChild[0];
}

ClearingChild::~ClearingChild()
{
    kill();
    close(input_);
    close(output_);
}

bool ClearingChild::waitUntilBetweenDeletes(int milliseconds)
{
    std::string text;
    pollfd wanted{output_, POLLIN, 0};
    while (text.find(pausedReport) == std::string::npos) {
        if (poll(&wanted, 1, milliseconds) <= 0)
            return false;
        char buffer[64];
        const ssize_t got = read(output_, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

void ClearingChild::kill()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace reliability
