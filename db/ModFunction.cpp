#include "db/ModFunction.h"

#include <exception>

#include "db/SharedConnection.h"
#include "db/TaskOperations.h"
#include "runtime/MsgBox.h"
#include "runtime/RuntimeError.h"

namespace ModFunction {

bool ConnectDB(const std::string& server, const std::string& user, const std::string& password)
{
    bool result = false;
    std::string failure;
    try {
        db::TaskOperations::openOnMaster(*ModMain::Conn, server, user, password);
        result = true;
    } catch (const runtime::RuntimeError& error) {
        failure = error.Description();
    } catch (const std::exception& error) {
        failure = error.what();
    }
    // The box is shown outside the handler, so that an error of the box itself is not mistaken
    // for a failure of the log-on.
    if (!result)
        runtime::MsgBox(failure, runtime::MsgBoxStyle::OkOnly);
    return result;
}

void CloseDB()
{
    if (ModMain::Conn->State() == db::ObjectState::Open)
        ModMain::Conn->Close();
    ModMain::Conn.release();
}

}  // namespace ModFunction
