#include "TaskTables.h"

#include <algorithm>
#include <set>

namespace reliability {

namespace {

std::vector<std::string> sortedFirstColumn(const testsupport::Rows& rows)
{
    std::vector<std::string> values;
    for (const auto& row : rows)
        values.push_back(row.at(0).value_or("<NULL>"));
    std::sort(values.begin(), values.end());
    return values;
}

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
    client.setAutocommit(false);
    for (int n = 1; n <= count; ++n) {
        const std::string state = n % 3 == 0 ? "-" + std::to_string(n % 5 + 1) : std::to_string(n % 4);
        client.exec("insert into zk_tasklog (cSub_Id, cSub_Name, cStation, TaskState, dInTime, cTaskId) values ('S"
                    + std::to_string(n % 7) + "', N'总账', 'PC-" + std::to_string(n) + "', '" + state
                    + "', '2006-01-05 10:20:30', 'T" + std::to_string(n) + "')");
    }
    for (int s = 0; s < 7; ++s)
        client.exec("insert into zk_task (cSub_Id) values ('S" + std::to_string(s) + "')");
    client.exec("insert into zk_task (cSub_Id) values ('UNRELATED')");
    client.commit();
    client.setAutocommit(true);
}

TableContents readTables(testsupport::OdbcClient& client)
{
    return {sortedFirstColumn(client.query("select cSub_Id from zk_task")),
            sortedFirstColumn(client.query("select cTaskId + '|' + cSub_Id + '|' + TaskState from zk_tasklog"))};
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
