#pragma once
// The statements the tool sends to the task store, character for character. This is the one place
// that holds them: the tool, taskstore's tests and the benchmarks all read them from here.
#include <string>
#include <string_view>

namespace db::TaskStatements {

// The task list query (seven pieces joined without separators, 229 characters).
const std::string& listQuery();

// Clearing abnormal tasks: the zk_task rows first, because they are found through the log rows
// that the second statement deletes.
inline constexpr std::string_view deleteAbnormalTasks =
    "delete from zk_task where cSub_Id in (select cSub_Id from zk_tasklog where convert(int,TaskState) < 0)";
inline constexpr std::string_view deleteAbnormalTaskLog = "delete from zk_tasklog where convert(int,TaskState) < 0";

// Clearing all tasks.
inline constexpr std::string_view deleteAllTasks = "delete from zk_task";
inline constexpr std::string_view deleteAllTaskLog = "delete from zk_tasklog";

}  // namespace db::TaskStatements
