// The connection string for the ODBC driver, from the log-on the tool reads: each server-name form,
// FreeTDS sections, refusals, and values quoted so the driver reads them back exactly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "db/LogOn.h"
#include "db/OdbcConnectionString.h"
#include "db/OleDbLogOn.h"
#include "db/SqlServerDriver.h"
#include "runtime/RuntimeError.h"
#ifndef _WIN32
#include "support/TemporaryFolder.h"
#endif

namespace {

#ifdef _WIN32
const db::SqlServerDriver& windowsDriver()
{
    // The test's ODBC configuration registers a stand-in under driver 18's name.
    static const db::SqlServerDriver driver = db::chooseSqlServerDriver(db::installedOdbcDrivers()).value();
    return driver;
}
std::string driverPrefix() { return "DRIVER={" + windowsDriver().name + "};"; }
const std::string protocolSuffix = windowsDriver().encryptOptions;
#else
std::string driverPrefix() { return "DRIVER={" FREETDS_ODBC_DRIVER "};"; }
const std::string protocolSuffix = "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=require;";
#endif

TEST(TypedLogOn, TheToolsLogOnReachesTheDriverWithEachValueQuotedOnce)
{
    // Every character that means something to either string's syntax, and blanks.
    const std::string password = "a;b=c{d}e\"f'g h";
#ifdef _WIN32
    const std::string quotedPassword = "{a;b=c{d}}e\"f'g h}";
    const std::string withPort = "Server={127.0.0.1,14330};";
#else
    const std::string quotedPassword = "{a;b=c{d}e\"f'g h}";
    const std::string withPort = "Server={127.0.0.1};Port=14330;";
#endif
    const std::pair<std::string, std::string> servers[] = {{"127.0.0.1,14330", withPort},
                                                           {"host\\Q6", "Server={host\\Q6};"}};
    for (const auto& [server, written] : servers) {
        const std::string driverString =
            db::toOdbcConnectionString(db::readOleDbLogOn(db::buildLogOnString(server, "SA", password)));
        EXPECT_EQ(driverString,
                  driverPrefix() + written + "Database={master};UID={SA};PWD=" + quotedPassword + ";" + protocolSuffix);
    }
}

std::string odbcFor(const std::string& dataSource)
{
    return db::toOdbcConnectionString(db::readOleDbLogOn(db::buildLogOnString(dataSource, "SA", "pw")));
}

TEST(OdbcTranslation, EachDataSourceForm)
{
    const std::string tail = "Database={master};UID={SA};PWD={pw};" + protocolSuffix;
    const auto server = [&](const std::string& value) { return driverPrefix() + "Server={" + value + "};" + tail; };
#ifdef _WIN32
    // Microsoft's drivers read every form themselves, shared memory and named instances included.
    for (const char* typed :
         {"(local)", "(LOCAL)", ".", "localhost", "db.example.org", "10.0.0.5,14330", "tcp:10.0.0.5, 1500", "host\\Q6",
          ".\\SQLEXPRESS", "host\\Q6,2000", "lpc:(local)", "np:\\\\host\\pipe\\sql\\query"})
        EXPECT_EQ(odbcFor(typed), server(typed)) << typed;
    EXPECT_EQ(odbcFor("  (local)\t"), server("(local)"));
    EXPECT_EQ(odbcFor(""), server("(local)"));
    EXPECT_EQ(odbcFor("   "), server("(local)"));
#else
    const auto hostPort = [&](const std::string& host, int port) {
        return driverPrefix() + "Server={" + host + "};Port=" + std::to_string(port) + ";" + tail;
    };
    for (const char* local : {"(local)", "(LOCAL)", ".", "localhost", "", "   "})
        EXPECT_EQ(odbcFor(local), hostPort("127.0.0.1", 1433)) << local;
    EXPECT_EQ(odbcFor("db.example.org"), hostPort("db.example.org", 1433));
    EXPECT_EQ(odbcFor("10.0.0.5,14330"), hostPort("10.0.0.5", 14330));
    EXPECT_EQ(odbcFor("tcp:10.0.0.5, 1500"), hostPort("10.0.0.5", 1500));
    EXPECT_EQ(odbcFor("TCP:(local),1500"), hostPort("127.0.0.1", 1500));
    EXPECT_EQ(odbcFor("host\\Q6"), server("host\\Q6"));
    EXPECT_EQ(odbcFor(".\\Q6"), server("127.0.0.1\\Q6"));
    EXPECT_EQ(odbcFor("host\\Q6,2000"), hostPort("host", 2000));
#endif
}

#ifndef _WIN32
TEST(OdbcTranslation, ANameThatIsAFreeTdsSectionGoesToTheDriverAsThatSection)
{
    // The user's settings for a server (CA file, encryption) reach the driver only this way.
    const testsupport::TemporaryFolder folder{"sections"};
    const std::filesystem::path conf = folder / "freetds.conf";
    std::ofstream(conf) << "[global]\n\ttds version = 7.4\n  [ q6box ]  \n\thost = 10.0.0.9\n\tca file = /x.pem\n";
    const char* before = std::getenv("FREETDSCONF");
    const std::string saved = before ? before : "";
    ::setenv("FREETDSCONF", conf.c_str(), 1);
    const std::string tail = "Database={master};UID={SA};PWD={pw};" + protocolSuffix;
    EXPECT_EQ(odbcFor("q6box"), driverPrefix() + "Servername={q6box};" + tail);
    EXPECT_EQ(odbcFor(" Q6BOX "), driverPrefix() + "Servername={Q6BOX};" + tail);
    // With a port or an instance it is an address; [global] is no server.
    EXPECT_EQ(odbcFor("q6box,1500"), driverPrefix() + "Server={q6box};Port=1500;" + tail);
    EXPECT_EQ(odbcFor("global"), driverPrefix() + "Server={global};Port=1433;" + tail);
    EXPECT_EQ(odbcFor("q6"), driverPrefix() + "Server={q6};Port=1433;" + tail);
    if (before)
        ::setenv("FREETDSCONF", saved.c_str(), 1);
    else
        ::unsetenv("FREETDSCONF");
}
#endif

TEST(OdbcTranslation, ServerNamesHoldingConnectionStringSyntaxAreRefused)
{
    for (const char* source : {"host;Server=elsewhere", "host=x", "{host}", "ho st", "host'", "a\"b"})
        EXPECT_THROW(odbcFor(source), runtime::RuntimeError) << source;
}

TEST(OdbcTranslation, AnEmptyInstanceOrAnOverlongHostIsRefusedSayingWhy)
{
    // "host\\" is a slip, not the default instance.
    for (const char* source : {"host\\", "host\\ ", "host\\,1500"})
        EXPECT_THROW(odbcFor(source), runtime::RuntimeError) << source;
    try {
        odbcFor(std::string(254, 'h'));
        ADD_FAILURE() << "a 254-character host name was taken";
    } catch (const runtime::RuntimeError& error) {
        EXPECT_NE(error.Description().find("longer than a host name may be (253 characters)"), std::string::npos)
            << error.Description();
    }
    EXPECT_NO_THROW(odbcFor(std::string(253, 'h')));
}

TEST(OdbcTranslation, BadPortsAreRefused)
{
    for (const char* source : {"host,", "host,abc", "host,0", "host,65536", "host,12x"})
        EXPECT_THROW(odbcFor(source), runtime::RuntimeError) << source;
}

TEST(OdbcTranslation, ValuesAreWrittenSoTheDriverReadsThemBackExactly)
{
    const db::LogOn logOn = db::readOleDbLogOn(db::buildLogOnString(".", "u}ser", "p;w d"));
    const std::string odbc = db::toOdbcConnectionString(logOn);
#ifdef _WIN32
    // Microsoft's drivers read ODBC's own rule: braces around every value, "}}" for "}".
    EXPECT_EQ(db::odbcValue("p;w d"), "{p;w d}");
    EXPECT_EQ(db::odbcValue(""), "{}");
    EXPECT_EQ(db::odbcValue("a}b{c}"), "{a}}b{c}}}");
    EXPECT_EQ(db::odbcValue("a};b"), "{a}};b}");
    EXPECT_NE(odbc.find(";UID={u}}ser};PWD={p;w d};"), std::string::npos) << odbc;
#else
    // Braces protect ";" and blanks; a "}" is kept plain where it can be, because the driver
    // versions disagree about "}}" inside braces.
    EXPECT_EQ(db::odbcValue("p;w d"), "{p;w d}");
    EXPECT_EQ(db::odbcValue(""), "{}");
    EXPECT_EQ(db::odbcValue("{start"), "{{start}");
    EXPECT_EQ(db::odbcValue("a}b{c}"), "a}b{c}");
    EXPECT_EQ(db::odbcValue("a;b}c"), "{a;b}c}");
    EXPECT_EQ(db::odbcValue("{a}"), "{{a}}");
    EXPECT_EQ(db::odbcValue(" a}"), "{ a}}");
    EXPECT_THROW(db::odbcValue("a};b"), runtime::RuntimeError);
    EXPECT_NE(odbc.find(";UID=u}ser;PWD={p;w d};"), std::string::npos) << odbc;
#endif
    EXPECT_EQ(logOn.loginTimeoutSeconds, 15);
    EXPECT_EQ(odbc.back(), ';');

    const db::LogOn withTimeout = db::readOleDbLogOn("Data Source=x;Connect Timeout=3;Database=other");
    EXPECT_EQ(withTimeout.loginTimeoutSeconds, 3);
    EXPECT_NE(db::toOdbcConnectionString(withTimeout).find(";Database={other};UID={};PWD={};"), std::string::npos);
    EXPECT_THROW(db::toOdbcConnectionString(db::readOleDbLogOn("Connect Timeout=soon")), runtime::RuntimeError);
}

}  // namespace
