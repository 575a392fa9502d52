#include "taskstore/tds/LoginResponse.h"

#include <algorithm>

#include "common/SystemNames.h"
#include "taskstore/engine/ErrorMessage.h"
#include "taskstore/tds/Packet.h"
#include "taskstore/tds/Tokens.h"

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
    writeEnvChange(out, EnvChange::Database, login.database, common::loginDatabase);
    writeMessage(out, makeError<ErrorId::LoginDatabaseChanged>(login.database), login.serverName, login.tdsVersion);
    writeCollationChange(out);
    writeEnvChange(out, EnvChange::Language, "us_english", "");
    writeMessage(out, makeError<ErrorId::LanguageChanged>(), login.serverName, login.tdsVersion);
    writeLoginAck(out, login.tdsVersion, "Microsoft SQL Server", serverVersion);
    writeEnvChange(out, EnvChange::PacketSize, std::to_string(login.packetSize), "4096");
    writeDone(out, done::final, curcmd::none, 0, login.tdsVersion);
}

void writeLoginFailure(ByteWriter& out, std::string_view user, std::string_view missingDatabase,
                       std::string_view serverName, TdsVersion version)
{
    if (!missingDatabase.empty())
        writeMessage(out, makeError<ErrorId::LoginDatabaseUnavailable>(missingDatabase), serverName, version);
    writeMessage(out, makeError<ErrorId::LoginFailed>(user), serverName, version);
    writeDone(out, done::error, curcmd::none, 0, version);
}

void writeLoginRefused(ByteWriter& out, int maxSessions, std::string_view serverName, TdsVersion version)
{
    writeMessage(out, makeError<ErrorId::UserConnectionsExhausted>(maxSessions), serverName, version);
    writeDone(out, done::error, curcmd::none, 0, version);
}

}  // namespace taskstore::tds
