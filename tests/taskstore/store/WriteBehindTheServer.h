#pragma once
// Changes a database file directly, as another program might, with the text collation registered
// so that indexed text columns can be written. Header-only for the leak-checked engine tests too.
#include "taskstore/store/SqliteHandle.h"
#include "taskstore/store/TextCollation.h"

#include <filesystem>
#include <string>

namespace storetest {

inline void writeBehindTheServer(const std::filesystem::path& file, const std::string& sql)
{
    sqlite3* raw = nullptr;
    sqlite3_open(file.c_str(), &raw);
    const taskstore::store::SqliteDb db(raw);
    taskstore::store::registerTextCollation(raw);
    taskstore::store::execute(raw, sql);
}

}  // namespace storetest
