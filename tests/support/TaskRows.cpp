#include "TaskRows.h"

#include <algorithm>

namespace testsupport {

namespace {

std::string quoted(const std::string& text)
{
    std::string out = "N'";
    for (char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

}  // namespace

void insertTaskLog(OdbcClient& client, const std::vector<TaskLogRow>& rows)
{
    for (const TaskLogRow& row : rows) {
        client.exec("insert into zk_tasklog (cSub_Id, cSub_Name, cStation, TaskState, dInTime, cTaskId) values ("
                    + quoted(row.subId) + ", " + quoted(row.subName) + ", " + quoted(row.station) + ", "
                    + quoted(row.state) + ", '" + row.inTime + "', " + quoted(row.taskId) + ")");
    }
}

void insertTasks(OdbcClient& client, const std::vector<TaskRow>& rows)
{
    for (const TaskRow& row : rows) {
        std::string columns;
        std::string values;
        for (const auto& [column, value] :
             {std::pair{"cSub_Id", &row.subId}, std::pair{"cTaskId", &row.taskId}, std::pair{"cSub_Name", &row.subName},
              std::pair{"cStation", &row.station}}) {
            if (value->empty())
                continue;
            columns += (columns.empty() ? "" : ", ") + std::string(column);
            values += (values.empty() ? "" : ", ") + quoted(*value);
        }
        client.exec("insert into zk_task (" + columns + ") values (" + values + ")");
    }
}

std::vector<std::string> sortedFirstColumn(const Rows& rows)
{
    std::vector<std::string> values;
    for (const auto& row : rows)
        values.push_back(row.at(0).value_or("<NULL>"));
    std::sort(values.begin(), values.end());
    return values;
}

}  // namespace testsupport
