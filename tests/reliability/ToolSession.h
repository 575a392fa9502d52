#pragma once
// The tool's own database path for the fault tests, without its windows: a connection of its own
// logged on as the tool logs on, and the clearing a key of the clear button's menu stands for.
#include <memory>
#include <string>

#include "db/Connection.h"
#include "db/TaskOperations.h"

namespace reliability {

std::unique_ptr<db::Connection> logOnAsTheToolDoes(const std::string& serverName, const std::string& password = "");

// "DELERROR" or "DELALL".
db::TaskOperations::Clearing clearingOf(const std::string& key);

}  // namespace reliability
