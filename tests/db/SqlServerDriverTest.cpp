// Which Windows ODBC driver for SQL Server the tool names, and how it asks for encryption.
#include <gtest/gtest.h>

#include "db/SqlServerDriver.h"

namespace {

TEST(SqlServerDriver, NewestKnownDriverWinsAndEachAsksForEncryptionInItsOwnWords)
{
    const std::string d18 = "ODBC Driver 18 for SQL Server";
    const std::string d17 = "ODBC Driver 17 for SQL Server";
    const std::string system = "SQL Server";

    const auto newest = db::chooseSqlServerDriver({system, "Microsoft Access Driver (*.mdb)", d17, d18});
    EXPECT_EQ(newest.name, d18);
    EXPECT_EQ(newest.encryptOptions, "Encrypt=Optional;");

    const auto seventeen = db::chooseSqlServerDriver({system, d17});
    EXPECT_EQ(seventeen.name, d17);
    EXPECT_EQ(seventeen.encryptOptions, "Encrypt=no;");

    // The driver every Windows has takes no Encrypt value of the newer drivers.
    const auto fallback = db::chooseSqlServerDriver({"SQL Server Native Client 11.0", system});
    EXPECT_EQ(fallback.name, system);
    EXPECT_EQ(fallback.encryptOptions, "");
}

TEST(SqlServerDriver, NamesMustMatchWholeAndWithoutAnyKnownDriverTheNewestIsNamed)
{
    EXPECT_EQ(db::chooseSqlServerDriver({"ODBC Driver 18 for SQL Server (x86)", "SQL Server "}).name,
              "ODBC Driver 18 for SQL Server");
    EXPECT_EQ(db::chooseSqlServerDriver({}).name, "ODBC Driver 18 for SQL Server");
}

}  // namespace
