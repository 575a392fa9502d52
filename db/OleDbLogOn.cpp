#include "db/OleDbLogOn.h"

#include "common/SystemNames.h"
#include "common/Trim.h"
#include "db/OleDbConnectionString.h"
#include "db/WholeNumber.h"
#include "runtime/RuntimeError.h"

namespace db {

std::string buildLogOnString(std::string_view server, std::string_view user, std::string_view password)
{
    std::string text;
    // One buffer for the whole string: a grown one would leave a copy of the password behind.
    text.reserve(160 + 2 * (server.size() + user.size() + password.size()));
    text.append("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=");
    appendOleDbValue(text, user);
    text.append(";PassWord = ");
    appendOleDbValue(text, password);
    text.append(";Initial Catalog=").append(common::loginDatabase).append(";Data Source=");
    appendOleDbValue(text, server);
    return text;
}

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
