#include "taskstore/protocol/LoginResponse.h"

#include <algorithm>

#include "taskstore/engine/DatabaseNames.h"
#include "taskstore/protocol/Packet.h"
#include "taskstore/protocol/Tokens.h"

namespace taskstore::tds {
namespace {

constexpr ProgramVersion serverVersion{productMajorVersion, productMinorVersion, productBuild};

}  // namespace

std::uint32_t negotiatePacketSize(std::uint32_t requested)
{
    if (requested == 0)
        return loginPacketSize;
    return std::clamp<std::uint32_t>(requested, minPacketSize, maxPacketSize);
}

void writeLoginSuccess(ByteWriter& out, const LoginSuccess& login)
{
    writeEnvChange(out, EnvChange::Database, login.database, DatabaseName::master);
    writeMessage(out, SqlError{5701, 2, 0, "Changed database context to '" + login.database + "'.", 1},
                 login.serverName, login.tdsVersion);
    writeCollationChange(out);
    writeEnvChange(out, EnvChange::Language, "us_english", "");
    writeMessage(out, SqlError{5703, 1, 0, "Changed language setting to us_english.", 1}, login.serverName,
                 login.tdsVersion);
    writeLoginAck(out, login.tdsVersion, "Microsoft SQL Server", serverVersion);
    writeEnvChange(out, EnvChange::PacketSize, std::to_string(login.packetSize), "4096");
    writeDone(out, done::final, curcmd::none, 0, login.tdsVersion);
}

void writeLoginFailure(ByteWriter& out, std::string_view user, std::string_view missingDatabase,
                       std::string_view serverName, TdsVersion version)
{
    if (!missingDatabase.empty())
        writeMessage(out,
                     SqlError{4060, 1, 11,
                              "Cannot open database \"" + std::string(missingDatabase)
                                  + "\" requested by the login. The login failed.",
                              1},
                     serverName, version);
    writeMessage(out, SqlError{18456, 1, 14, "Login failed for user '" + std::string(user) + "'.", 1}, serverName, version);
    writeDone(out, done::error, curcmd::none, 0, version);
}

}  // namespace taskstore::tds
