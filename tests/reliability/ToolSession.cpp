#include "ToolSession.h"

#include "db/LogOnString.h"
#include "db/TaskStatements.h"

namespace reliability {

std::unique_ptr<db::Connection> logOnAsTheToolDoes(const std::string& serverName, const std::string& password)
{
    auto connection = std::make_unique<db::Connection>();
    connection->setCursorLocation(db::CursorLocation::Client);
    connection->setCommandTimeout(3600);
    connection->Open(db::buildLogOnString(serverName, "SA", password), "", "", -1);
    connection->setDefaultDatabase(db::TaskStatements::systemDatabase);
    return connection;
}

void clearTasks(db::Connection& connection, const std::string& key)
{
    const bool all = key == "DELALL";
    connection.BeginTrans();
    connection.Execute(all ? db::TaskStatements::deleteAllTasks : db::TaskStatements::deleteAbnormalTasks);
    connection.Execute(all ? db::TaskStatements::deleteAllTaskLog : db::TaskStatements::deleteAbnormalTaskLog);
    connection.CommitTrans();
}

}  // namespace reliability
