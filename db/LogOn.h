#pragma once
// One log-on to SQL Server, typed: where, as whom, on which database, how long to wait. The
// driver's connection string is written from it; the password it holds is wiped when it ends.
#include <optional>
#include <string>

#include "db/Wipe.h"

namespace db {

struct LogOn {
    std::string server;  // as typed: [tcp:]host[\instance][,port], or empty for local
    std::string user;    // SQL Server authentication; empty when none was given
    std::string password;
    std::optional<std::string> database;  // none: the login's default database
    int loginTimeoutSeconds = 15;         // the provider's default Connect Timeout

    LogOn() = default;
    // Not copyable, so that no copy of the password escapes the wiping. A moved-from log-on
    // still wipes the buffer its password was in.
    LogOn(const LogOn&) = delete;
    LogOn& operator=(const LogOn&) = delete;
    LogOn(LogOn&&) = default;
    LogOn& operator=(LogOn&&) = delete;
    ~LogOn() { wipe(password); }
};

}  // namespace db
