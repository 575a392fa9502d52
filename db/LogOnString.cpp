#include "db/LogOnString.h"

#include "db/OleDbConnectionString.h"
#include "db/TaskStatements.h"

namespace db {

std::string buildLogOnString(std::string_view server, std::string_view user, std::string_view password)
{
    return "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=" + quoteOleDbValue(user)
        + ";PassWord = " + quoteOleDbValue(password) + ";Initial Catalog=" + std::string(TaskStatements::loginDatabase)
        + ";Data Source=" + quoteOleDbValue(server);
}

}  // namespace db
