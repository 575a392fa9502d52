#include "db/OleDbLogOn.h"

#include "common/Trim.h"
#include "db/OleDbConnectionString.h"
#include "db/WholeNumber.h"
#include "runtime/RuntimeError.h"

namespace db {

LogOn readOleDbLogOn(std::string_view connectionString)
{
    const OleDbConnectionString oledb = OleDbConnectionString::parse(connectionString);
    LogOn logOn;
    // Each value is copied once, into the log-on; the parsed string wipes its own when it ends.
    if (const std::string* server = oledb.firstOf({"Address", "Addr", "Network Address", "Data Source", "Server"}))
        logOn.server = *server;
    if (const std::string* user = oledb.firstOf({"User ID", "UID"}))
        logOn.user = *user;
    if (const std::string* password = oledb.firstOf({"Password", "PWD"}))
        logOn.password = *password;
    if (const std::string* database = oledb.firstOf({"Initial Catalog", "Database"}))
        logOn.database = *database;
    if (const std::string* timeout = oledb.firstOf({"Connect Timeout", "Timeout"})) {
        const auto seconds = readWholeNumber(common::trimmed(*timeout, " \t"));
        if (!seconds || *seconds < 0)
            throw runtime::RuntimeError(runtime::ErrorNumber::ProviderFailure,
                                        "The connection string's Connect Timeout is not a number of seconds.");
        logOn.loginTimeoutSeconds = *seconds;
    }
    return logOn;
}

}  // namespace db
