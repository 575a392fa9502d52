#pragma once
// Generated task log and task rows for demos and load tests.
#include <sqlite3.h>

#include <cstdint>
#include <string_view>

namespace taskstore::store {

// Inserts n task log rows (and the matching zk_task rows) into the task tables of `schema` in one
// transaction. Does nothing when zk_tasklog already holds rows. The same n gives the same rows:
// about 10% abnormal states ("-1", "-2"), the rest normal ("0", "1", "05"...), and some cSub_Id
// values shared by a normal and an abnormal task. Returns whether rows were added.
bool fillDemoTasks(sqlite3* db, std::string_view schema, std::int64_t n);

}  // namespace taskstore::store
