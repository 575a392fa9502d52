#pragma once
// Task rows written into taskstore and read back through the independent client, the same way
// for the tests of every layer.
#include <string>
#include <vector>

#include "OdbcClient.h"

namespace testsupport {

struct TaskLogRow {
    std::string subId;
    std::string subName;
    std::string station;
    std::string state;
    std::string inTime;  // a datetime literal: '2006-01-05 10:20:30'
    std::string taskId;
};

// A zk_task row; the columns left empty stay NULL.
struct TaskRow {
    std::string subId{};
    std::string taskId{};
    std::string subName{};
    std::string station{};
};

void insertTaskLog(OdbcClient& client, const std::vector<TaskLogRow>& rows);
void insertTasks(OdbcClient& client, const std::vector<TaskRow>& rows);

// The first cell of every row, NULL as "<NULL>", sorted: table contents compared regardless of
// the order the server returns them in.
std::vector<std::string> sortedFirstColumn(const Rows& rows);

}  // namespace testsupport
