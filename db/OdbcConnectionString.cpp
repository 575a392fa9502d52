#include "db/OdbcConnectionString.h"

#include "db/DataSource.h"
#include "db/Wipe.h"
#include "runtime/RuntimeError.h"
#ifdef _WIN32
#include "db/SqlServerDriver.h"
#else
#include "db/FreeTdsServerSection.h"
#endif

namespace db {

namespace {

// SQL Server's limit for login names and passwords; the driver silently cuts longer ones, which
// would log on with a password other than the one typed.
constexpr std::size_t longestCredential = 128;

std::size_t utf16Length(std::string_view utf8)
{
    std::size_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80)
            units += byte >= 0xF0 ? 2 : 1;
    }
    return units;
}

// Appends "key=value;"; the quoted value, which may be the password, is wiped.
void appendCredential(std::string& out, std::string_view key, std::string_view value, std::string_view what)
{
    if (utf16Length(value) > longestCredential)
        throw runtime::RuntimeError(runtime::ErrorNumber::ProviderFailure,
                                    "The " + std::string(what)
                                        + " is longer than 128 characters, which SQL Server does not accept.");
    std::string written = odbcValue(value);
    const WipeOnExit wipedWritten(written);
    out.append(key).append("=").append(written).append(";");
}

std::string braced(std::string_view value, bool doubleClosingBraces)
{
    std::string out;
    out.reserve(2 * value.size() + 2);  // one buffer: a grown one would leave a copy behind
    out.push_back('{');
    for (const char c : value) {
        out.push_back(c);
        if (c == '}' && doubleClosingBraces)
            out.push_back('}');
    }
    out.push_back('}');
    return out;
}

}  // namespace

// The only platform-dependent part: which driver, how it reads a value, and how it wants the
// server named.
#ifdef _WIN32
std::string odbcValue(std::string_view value) { return braced(value, true); }

namespace {
// Asked until one is found, so that a driver installed while the tool shows the error is used at
// the next log-on. Only the user-interface thread logs on.
const SqlServerDriver& systemDriver()
{
    static std::optional<SqlServerDriver> driver;
    if (!driver)
        driver = chooseSqlServerDriver(installedOdbcDrivers());
    if (!driver)
        throw runtime::RuntimeError(runtime::ErrorNumber::ProviderFailure,
                                    "No ODBC driver that encrypts the connection is installed: install Microsoft's "
                                    "\"ODBC Driver 18 for SQL Server\" (or 17).");
    return *driver;
}

// Microsoft's drivers read every SQL Server name form themselves: "(local)" and "." reach a
// local server over shared memory (how Express is installed, TCP off), a named instance is found
// on its dynamic port, and "tcp:", "np:" and "lpc:" choose the protocol. So the name goes on as
// typed; it is still read first so that one holding connection-string syntax is refused.
std::string driverAndServer(std::string_view dataSource)
{
    parseDataSource(dataSource);
    const std::string_view typed = trimmedDataSource(dataSource);
    const std::string server = typed.empty() ? "(local)" : std::string(typed);
    return "DRIVER=" + odbcValue(systemDriver().name) + ";Server=" + odbcValue(server) + ";";
}

std::string protocolOptions() { return systemDriver().encryptOptions; }
}  // namespace
#else
// FreeTDS 1.3 ends a braced value at the first "};" and keeps "}}" as two characters; from 1.4 on
// it reads "}}" as one "}". Values are written so that both read them alike wherever possible.
std::string odbcValue(std::string_view value)
{
    const bool hasClosingBrace = value.find('}') != std::string_view::npos;
    if (!hasClosingBrace)
        return braced(value, false);
    const bool plainIsSafe = value.find(';') == std::string_view::npos && value.front() != '{' && value.front() != ' '
        && value.back() != ' ';
    if (plainIsSafe)
        return std::string(value);
    if (value.find("};") != std::string_view::npos)
        throw runtime::RuntimeError(
            runtime::ErrorNumber::ProviderFailure,
            "The server name, user name or password contains \"};\", which the ODBC driver cannot read.");
    return braced(value, false);
}

namespace {
std::string driverAndServer(std::string_view dataSource)
{
    const ServerAddress address = parseDataSource(dataSource);
    // FreeTDS asks the SQL Server Browser for a named instance's port when no port is given.
    std::string server = address.host;
    if (!address.instance.empty() && !address.port)
        server += "\\" + address.instance;
    // A bare name that is a section of the FreeTDS configuration reaches the driver as that
    // section, so the host, port, encryption and CA file set there apply.
    const std::string_view typed = trimmedDataSource(dataSource);
    if (typed.find_first_of(",\\:") == std::string_view::npos && isFreeTdsServerSection(typed))
        return "DRIVER=" + odbcValue(FREETDS_ODBC_DRIVER) + ";Servername=" + odbcValue(typed) + ";";
    std::string out = "DRIVER=" + odbcValue(FREETDS_ODBC_DRIVER) + ";Server=" + odbcValue(server) + ";";
    if (address.port)
        out += "Port=" + std::to_string(*address.port) + ";";
    return out;
}

// UTF-8 keeps Chinese text intact on the narrow paths of the driver. "require" encrypts the whole
// session and fails the log-on when the server, or someone on the path, answers that it cannot
// encrypt; "request" let that answer send the password in the clear. FreeTDS checks the
// certificate only with a CA file, which a freetds.conf section names (above).
std::string protocolOptions() { return "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=require;"; }
}  // namespace
#endif

std::string toOdbcConnectionString(const LogOn& logOn)
{
    std::string text = driverAndServer(logOn.server);
    if (logOn.database)
        text += "Database=" + odbcValue(*logOn.database) + ";";
    const std::string options = protocolOptions();
    // Room for both credentials quoted at their longest (twice as long, and braces) and what
    // follows them, so the buffer holding the password is never copied by growing.
    text.reserve(text.size() + 2 * (logOn.user.size() + logOn.password.size()) + 16 + options.size());
    appendCredential(text, "UID", logOn.user, "user name");
    appendCredential(text, "PWD", logOn.password, "password");
    text += options;
    return text;
}

}  // namespace db
