#include "TaskTables.h"

#include <set>

#include "TaskRows.h"

namespace reliability {

namespace {

std::string field(const std::string& logRow, int index)
{
    std::size_t start = 0;
    for (int i = 0; i < index; ++i)
        start = logRow.find('|', start) + 1;
    return logRow.substr(start, logRow.find('|', start) - start);
}

}  // namespace

void seedTasks(testsupport::OdbcClient& client, int count)
{
    std::vector<testsupport::TaskLogRow> log;
    for (int n = 1; n <= count; ++n) {
        const std::string state = n % 3 == 0 ? "-" + std::to_string(n % 5 + 1) : std::to_string(n % 4);
        log.push_back({"S" + std::to_string(n % 7), "总账", "PC-" + std::to_string(n), state, "2006-01-05 10:20:30",
                       "T" + std::to_string(n)});
    }
    std::vector<testsupport::TaskRow> tasks;
    for (int s = 0; s < 7; ++s)
        tasks.push_back({.subId = "S" + std::to_string(s)});
    tasks.push_back({.subId = "UNRELATED"});
    client.setAutocommit(false);
    testsupport::insertTaskLog(client, log);
    testsupport::insertTasks(client, tasks);
    client.commit();
    client.setAutocommit(true);
}

TableContents readTables(testsupport::OdbcClient& client)
{
    return {testsupport::sortedFirstColumn(client.query("select cSub_Id from zk_task")),
            testsupport::sortedFirstColumn(
                client.query("select cTaskId + '|' + cSub_Id + '|' + TaskState from zk_tasklog"))};
}

TableContents withoutAbnormalTasks(const TableContents& before)
{
    TableContents after;
    std::set<std::string> abnormalSubsystems;
    for (const std::string& row : before.log) {
        if (std::stoi(field(row, 2)) < 0)
            abnormalSubsystems.insert(field(row, 1));
        else
            after.log.push_back(row);
    }
    for (const std::string& subId : before.tasks) {
        if (!abnormalSubsystems.contains(subId))
            after.tasks.push_back(subId);
    }
    return after;
}

}  // namespace reliability
