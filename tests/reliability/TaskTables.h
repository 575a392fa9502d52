#pragma once
// Seeding the two task tables and comparing what they hold, through the independent client.
#include <string>
#include <vector>

#include "OdbcClient.h"

namespace reliability {

// Log rows 1..count with task numbers "T<n>"; every third one abnormal; subsystems "S<n mod 7>"
// shared between normal and abnormal rows, and one zk_task row per subsystem plus one unrelated.
void seedTasks(testsupport::OdbcClient& client, int count);

struct TableContents {
    std::vector<std::string> tasks;  // cSub_Id, sorted
    std::vector<std::string> log;    // cTaskId|cSub_Id|TaskState, sorted
    bool operator==(const TableContents&) const = default;
};

TableContents readTables(testsupport::OdbcClient& client);

// What the tables hold after clearing the abnormal tasks, derived from what they held before.
TableContents withoutAbnormalTasks(const TableContents& before);

}  // namespace reliability
