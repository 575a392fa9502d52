#include "db/TaskOperations.h"

#include "common/SystemNames.h"
#include "db/Connection.h"
#include "db/OleDbLogOn.h"
#include "db/Recordset.h"
#include "db/TaskStatements.h"
#include "db/Wipe.h"

namespace db::TaskOperations {

namespace {
// An hour for any statement, so that clearing a large task log is not cut off.
constexpr int commandTimeoutSeconds = 3600;
}  // namespace

void openOnMaster(Connection& connection, const std::string& server, const std::string& user,
                  const std::string& password)
{
    std::string connectionString = buildLogOnString(server, user, password);
    const WipeOnExit wiped(connectionString);
    connection.setCursorLocation(CursorLocation::Client);
    connection.setCommandTimeout(commandTimeoutSeconds);
    if (connection.State() == ObjectState::Open)
        connection.Close();
    connection.Open(connectionString);
}

void useTaskDatabase(Connection& connection) { connection.setDefaultDatabase(common::systemDatabase); }

void logOn(Connection& connection, const std::string& server, const std::string& password)
{
    openOnMaster(connection, server, std::string(common::adminLogin), password);
    useTaskDatabase(connection);
}

void openTaskList(Recordset& recordset, Connection& connection)
{
    recordset.Open(TaskStatements::listQuery(), connection);
}

ClearingStatements statementsOf(Clearing clearing)
{
    if (clearing == Clearing::AllTasks)
        return {TaskStatements::deleteAllTasks, TaskStatements::deleteAllTaskLog};
    return {TaskStatements::deleteAbnormalTasks, TaskStatements::deleteAbnormalTaskLog};
}

void clearTasks(Connection& connection, Clearing clearing)
{
    const ClearingStatements statements = statementsOf(clearing);
    connection.BeginTrans();
    connection.Execute(statements.first);
    connection.Execute(statements.second);
    connection.CommitTrans();
}

}  // namespace db::TaskOperations
