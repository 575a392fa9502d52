#include "db/LogOnString.h"

#include "common/SystemNames.h"
#include "db/OleDbConnectionString.h"

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

}  // namespace db
