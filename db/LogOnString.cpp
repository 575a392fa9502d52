#include "common/SystemNames.h"
#include "db/LogOnString.h"

#include "db/OleDbConnectionString.h"
#include "db/TaskStatements.h"
#include "db/Wipe.h"

namespace db {

std::string buildLogOnString(std::string_view server, std::string_view user, std::string_view password)
{
    std::string quotedPassword = quoteOleDbValue(password);
    const WipeOnExit wiped(quotedPassword);
    std::string text;
    // One buffer for the whole string: a grown one would leave a copy of the password behind.
    text.reserve(160 + 2 * (server.size() + user.size()) + quotedPassword.size());
    text.append("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=")
        .append(quoteOleDbValue(user))
        .append(";PassWord = ")
        .append(quotedPassword)
        .append(";Initial Catalog=")
        .append(common::loginDatabase)
        .append(";Data Source=")
        .append(quoteOleDbValue(server));
    return text;
}

}  // namespace db
