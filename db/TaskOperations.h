#pragma once
// What the tool does with the task store, below its windows: log on, read the task list, clear
// tasks. The windows call these in the order their handlers give; the fault tests, the soak and
// the benchmarks call the same functions, so what they prove and measure is what the tool does.
// Every failure is raised as runtime::RuntimeError; nothing here shows a box or traps an error.
#include <string>
#include <string_view>

namespace db {
class Connection;
class Recordset;
}  // namespace db

namespace db::TaskOperations {

// Opens the connection on master of the named server with the tool's settings (client cursor,
// an hour's command time-out), closing it first when it is open.
void openOnMaster(Connection& connection, const std::string& server, const std::string& user,
                  const std::string& password);

// Makes the task database the connection's current one.
void useTaskDatabase(Connection& connection);

// A whole log-on as SA without the windows' error boxes: openOnMaster, then useTaskDatabase.
void logOn(Connection& connection, const std::string& server, const std::string& password);

// Opens the recordset on the task list query; the recordset reads the whole list.
void openTaskList(Recordset& recordset, Connection& connection);

enum class Clearing { AbnormalTasks, AllTasks };

struct ClearingStatements {
    std::string_view first;  // zk_task first: the abnormal ones are found through the log rows
    std::string_view second;
};
ClearingStatements statementsOf(Clearing clearing);

// Begin, the two deletes, commit. A failure leaves the transaction to the server, which rolls it
// back when the connection ends; nothing here rolls back.
void clearTasks(Connection& connection, Clearing clearing);

}  // namespace db::TaskOperations
