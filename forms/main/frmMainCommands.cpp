// The main window's toolbar commands: log on again, exit, refresh, and the two clearings.
#include "db/ModFunction.h"
#include "db/SharedConnection.h"
#include "db/TaskOperations.h"
#include "forms/login/frmLogin.h"
#include "forms/main/TaskGrid.h"
#include "forms/main/frmMain.h"
#include "gui/WaitCursor.h"
#include "runtime/MsgBox.h"

namespace forms {

namespace {
using db::TaskOperations::Clearing;

struct ClearCommand {
    const char* key;
    const char* question;
    Clearing clearing;
};

const ClearCommand ClearCommands[] = {
    {"DELERROR", "您确定要清除异常任务吗？", Clearing::AbnormalTasks},
    {"DELALL", "您确定要清除所有任务吗？", Clearing::AllTasks},
};

bool confirmed(const char* question, const char* title)
{
    return runtime::MsgBox(question, runtime::MsgBoxStyle::OkCancelInformation, title) == runtime::MsgBoxResult::OK;
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
            const gui::WaitCursor busy;
            ModFunction::CloseDB();
        }
        close();
    } else if (key == QLatin1String("REF")) {
        const gui::WaitCursor busy;
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
        const gui::WaitCursor busy;
        db::TaskOperations::clearTasks(*ModMain::Conn, command.clearing);
        RefreshTaskList();
        return;
    }
}

}  // namespace forms
