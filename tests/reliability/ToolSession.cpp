#include "ToolSession.h"

namespace reliability {

std::unique_ptr<db::Connection> logOnAsTheToolDoes(const std::string& serverName, const std::string& password)
{
    auto connection = std::make_unique<db::Connection>();
    db::TaskOperations::logOn(*connection, serverName, password);
    return connection;
}

db::TaskOperations::Clearing clearingOf(const std::string& key)
{
    return key == "DELALL" ? db::TaskOperations::Clearing::AllTasks : db::TaskOperations::Clearing::AbnormalTasks;
}

}  // namespace reliability
