#include "db/ModFunction.h"

#include <exception>

#include "db/LogOnString.h"
#include "db/SharedConnection.h"
#include "runtime/MsgBox.h"
#include "runtime/RuntimeError.h"

namespace ModFunction {

namespace {
constexpr int commandTimeoutSeconds = 3600;
}

bool ConnectDB(const std::string& server, const std::string& user, const std::string& password)
{
    const std::string connectionString = db::buildLogOnString(server, user, password);
    bool result = false;
    std::string failure;
    try {
        ModMain::Conn->setCursorLocation(db::CursorLocation::Client);
        ModMain::Conn->setCommandTimeout(commandTimeoutSeconds);
        if (ModMain::Conn->State() == db::ObjectState::Open)
            ModMain::Conn->Close();
        ModMain::Conn->Open(connectionString, "", "", -1);
        result = true;
    } catch (const rt::RuntimeError& error) {
        failure = error.Description();
    } catch (const std::exception& error) {
        failure = error.what();
    }
    // The box is shown outside the handler, so that an error of the box itself is not mistaken
    // for a failure of the log-on.
    if (!result)
        rt::MsgBox(failure, rt::MsgBoxStyle::OkOnly);
    return result;
}

void CloseDB()
{
    if (ModMain::Conn->State() == db::ObjectState::Open)
        ModMain::Conn->Close();
    ModMain::Conn.release();
}

}  // namespace ModFunction
