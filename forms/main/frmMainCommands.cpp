// The main window's toolbar commands: log on again, exit, refresh, and the two clearings.
#include <string_view>

#include "app/ModMain.h"
#include "app/WaitCursor.h"
#include "db/ModFunction.h"
#include "db/TaskStatements.h"
#include "forms/login/frmLogin.h"
#include "forms/main/TaskGrid.h"
#include "forms/main/frmMain.h"
#include "runtime/MsgBox.h"

namespace {
struct ClearCommand {
    const char* key;
    const char* question;
    std::string_view first;   // zk_task first: the abnormal ones are found through the log rows
    std::string_view second;
};

const ClearCommand ClearCommands[] = {
    {"DELERROR", "您确定要清除异常任务吗？", db::TaskStatements::deleteAbnormalTasks,
     db::TaskStatements::deleteAbnormalTaskLog},
    {"DELALL", "您确定要清除所有任务吗？", db::TaskStatements::deleteAllTasks, db::TaskStatements::deleteAllTaskLog},
};

bool confirmed(const char* question, const char* title)
{
    return rt::MsgBox(question, rt::MsgBoxStyle::OkCancelInformation, title) == rt::MsgBoxResult::OK;
}
}  // namespace

void frmMain::Toolbar1_ButtonClick(const QString& key)
{
    if (key == QLatin1String("LOGIN")) {
        if (!confirmed("您确定要重新登陆吗？", "登陆提示"))
            return;
        // The connection stays open; the next log-on closes it before it opens again.
        close();
        frmLogin::Show();
    } else if (key == QLatin1String("EXIT")) {
        {
            const app::WaitCursor busy;
            ModFunction::CloseDB();
        }
        close();
    } else if (key == QLatin1String("REF")) {
        const app::WaitCursor busy;
        RefreshTaskList();
    }
}

void frmMain::Toolbar1_ButtonMenuClick(const QString& key)
{
    for (const ClearCommand& command : ClearCommands) {
        if (key != QLatin1String(command.key))
            continue;
        // The list as last loaded decides: no task shown, nothing to clear.
        if (MSHF_Task->Rows() <= 1 || MSHF_Task->TextMatrix(1, 0).isEmpty())
            return;
        if (!confirmed(command.question, "删除提示"))
            return;
        const app::WaitCursor busy;
        ModMain::Conn->BeginTrans();
        ModMain::Conn->Execute(command.first);
        ModMain::Conn->Execute(command.second);
        ModMain::Conn->CommitTrans();
        RefreshTaskList();
        return;
    }
}
