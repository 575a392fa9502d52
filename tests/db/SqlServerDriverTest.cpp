// Which Windows ODBC driver for SQL Server the tool names, and how it demands encryption.
#include <gtest/gtest.h>

#include "db/SqlServerDriver.h"

namespace {

const std::string d18 = "ODBC Driver 18 for SQL Server";
const std::string d17 = "ODBC Driver 17 for SQL Server";

TEST(SqlServerDriver, NewestKnownDriverWinsAndEachDemandsEncryptionInItsOwnWords)
{
    const auto newest = db::chooseSqlServerDriver({"SQL Server", "Microsoft Access Driver (*.mdb)", d17, d18});
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->name, d18);
    EXPECT_EQ(newest->encryptOptions, "Encrypt=Mandatory;TrustServerCertificate=yes;");

    const auto seventeen = db::chooseSqlServerDriver({"SQL Server", d17});
    ASSERT_TRUE(seventeen);
    EXPECT_EQ(seventeen->name, d17);
    EXPECT_EQ(seventeen->encryptOptions, "Encrypt=yes;TrustServerCertificate=yes;");
}

TEST(SqlServerDriver, DriversThatCannotEncryptEverySessionAreNeverChosen)
{
    // The driver every Windows has cannot be told to trust a self-signed certificate, and names
    // must match whole.
    EXPECT_FALSE(db::chooseSqlServerDriver({"SQL Server", "SQL Server Native Client 11.0"}));
    EXPECT_FALSE(db::chooseSqlServerDriver({d18 + " (x86)", "SQL Server "}));
    EXPECT_FALSE(db::chooseSqlServerDriver({}));
}

}  // namespace
