#pragma once
// The tool's own database path, without its windows: a log-on as the login window makes it, and a
// clearing as the clear button's menu runs it.
#include <memory>
#include <string>

#include "db/Connection.h"

namespace reliability {

std::unique_ptr<db::Connection> logOnAsTheToolDoes(const std::string& serverName, const std::string& password = "");

// "DELERROR" or "DELALL": begin, the two deletes, commit.
void clearTasks(db::Connection& connection, const std::string& key);

}  // namespace reliability
