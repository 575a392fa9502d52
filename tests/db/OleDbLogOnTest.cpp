// The log-on string the tool writes (an OLE DB connection string) and the log-on read back from it.
#include <gtest/gtest.h>

#include "db/LogOn.h"
#include "db/OleDbLogOn.h"
#include "runtime/RuntimeError.h"

#include <string>

namespace {

TEST(LogOnString, PlainValuesGoInByteForByte)
{
    EXPECT_EQ(db::buildLogOnString("(local)", "SA", ""),
              "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=SA;PassWord = ;Initial Catalog=master;"
              "Data Source=(local)");
    // Braces, backslashes, commas, inner blanks and Chinese text need no quoting.
    EXPECT_EQ(db::buildLogOnString("srv\\Q6,1433", "SA", "p{a}ss w0rd密码"),
              "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=SA;PassWord = p{a}ss w0rd密码;"
              "Initial Catalog=master;Data Source=srv\\Q6,1433");
}

TEST(LogOnString, QuotesOnlyValuesThatWouldChangeTheString)
{
    const std::string prefix = "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=SA;PassWord = ";
    const std::string suffix = ";Initial Catalog=master;Data Source=(local)";
    EXPECT_EQ(db::buildLogOnString("(local)", "SA", "x;Data Source=elsewhere"),
              prefix + "'x;Data Source=elsewhere'" + suffix);
    EXPECT_EQ(db::buildLogOnString("(local)", "SA", "it's"), prefix + "'it''s'" + suffix);
    EXPECT_EQ(db::buildLogOnString("(local)", "SA", "'start"), prefix + "\"'start\"" + suffix);
    EXPECT_EQ(db::buildLogOnString("(local)", "SA", "a\"b"), prefix + "'a\"b'" + suffix);
    EXPECT_EQ(db::buildLogOnString("(local)", "SA", "=x"), prefix + "'=x'" + suffix);
    EXPECT_EQ(db::buildLogOnString("(local)", "SA", " pw "), prefix + "' pw '" + suffix);
    EXPECT_EQ(db::buildLogOnString("(local)", "SA", "a\tb"), prefix + "'a\tb'" + suffix);
    EXPECT_EQ(db::buildLogOnString("   ", "SA", ""),
              "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=SA;PassWord = ;Initial Catalog=master;"
              "Data Source='   '");
}

TEST(OleDbLogOn, EachFieldComesFromTheFirstOfItsKeywordsThatTheStringHolds)
{
    const db::LogOn named = db::readOleDbLogOn("Server=s1;Data Source=s2;Network Address=s3;UID=u1;User ID=u2;"
                                               "PWD=p1;Password=p2;Database=d1;Initial Catalog=d2;Timeout=7");
    EXPECT_EQ(named.server, "s3");
    EXPECT_EQ(named.user, "u2");
    EXPECT_EQ(named.password, "p2");
    EXPECT_EQ(named.database, "d2");
    EXPECT_EQ(named.loginTimeoutSeconds, 7);
    EXPECT_EQ(db::readOleDbLogOn("Address=a1;Addr=a2;Data Source=s2").server, "a1");
    EXPECT_EQ(db::readOleDbLogOn("Timeout=7;Connect Timeout= 9 ").loginTimeoutSeconds, 9);

    const db::LogOn bare = db::readOleDbLogOn("Provider=SQLOLEDB.1;Persist Security Info=False");
    EXPECT_EQ(bare.server, "");
    EXPECT_EQ(bare.user, "");
    EXPECT_EQ(bare.password, "");
    EXPECT_FALSE(bare.database);
    EXPECT_EQ(bare.loginTimeoutSeconds, 15);

    for (const char* timeout : {"Connect Timeout=-1", "Timeout=3s", "Connect Timeout=", "Timeout=99999999999"})
        EXPECT_THROW(db::readOleDbLogOn(timeout), runtime::RuntimeError) << timeout;
}

}  // namespace
