// libFuzzer target for the tool's connection strings. Any text must parse or raise a RuntimeError;
// and whatever the user types as server, user and password, the log-on string and the ODBC string
// made from it must carry exactly those values, so no typed text can redirect the log-on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "OdbcStringReader.h"
#include "db/DataSource.h"
#include "db/OdbcConnectionString.h"
#include "db/OleDbConnectionString.h"
#include "db/OleDbLogOn.h"
#include "runtime/RuntimeError.h"

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void readAnyText(std::string_view text)
{
    try {
        db::toOdbcConnectionString(db::readOleDbLogOn(text));
    } catch (const runtime::RuntimeError&) {}
}

// Input: two length bytes, then server, password and user back to back.
void roundTripTypedValues(std::string_view data)
{
    if (data.size() < 2)
        return;
    const std::size_t serverLength = std::min<std::size_t>(static_cast<unsigned char>(data[0]), data.size() - 2);
    const std::size_t passwordLength =
        std::min<std::size_t>(static_cast<unsigned char>(data[1]), data.size() - 2 - serverLength);
    const std::string_view server = data.substr(2, serverLength);
    const std::string_view password = data.substr(2 + serverLength, passwordLength);
    const std::string_view user = data.substr(2 + serverLength + passwordLength);

    const std::string logOnString = db::buildLogOnString(server, user, password);
    const auto oledb = db::OleDbConnectionString::parse(logOnString);
    require(oledb.value("Data Source") == server);
    require(oledb.value("PassWord") == password);
    require(oledb.value("User ID") == user);
    require(oledb.value("Initial Catalog") == "master");
    require(!oledb.value("Address") && !oledb.value("Addr") && !oledb.value("Network Address"));

    std::string odbcString;
    db::ServerAddress address;
    try {
        address = db::parseDataSource(server);
        const db::LogOn logOn = db::readOleDbLogOn(logOnString);
        require(logOn.user == user && logOn.password == password && logOn.database == "master");
        odbcString = db::toOdbcConnectionString(logOn);
    } catch (const runtime::RuntimeError&) {
        return;  // refused before anything was sent
    }
    const auto odbc = reliability::readOdbcString(odbcString);
    require(odbc.has_value());
    // Each key exactly once, with the typed value.
    const auto only = [&](const char* key) {
        require(odbc->count(key) == 1);
        return odbc->find(key)->second;
    };
    require(only("pwd") == password);
    require(only("uid") == user);
    require(only("database") == "master");
    // The driver reads "host,port" and "host:port" out of Server itself: a server value may hold
    // no separator that could name another port or host.
    const std::string serverValue = only("server");
    require(serverValue.starts_with(address.host));
    require(serverValue.find_first_of(",;= \t'\"{}") == std::string::npos);
    if (address.port)
        require(only("port") == std::to_string(*address.port));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    readAnyText(data);
    roundTripTypedValues(data);
    return 0;
}
