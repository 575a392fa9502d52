// How driver diagnostics become the user's error: prefixes stripped, the server's error chosen.
#include <gtest/gtest.h>

#include "db/OdbcDiagnostics.h"

#include <vector>

namespace {

TEST(Diagnostics, StripsDriverPrefixesFromTheLeftOnly)
{
    EXPECT_EQ(db::stripDriverPrefixes("[unixODBC][FreeTDS][SQL Server]Login failed for user 'SA'."),
              "Login failed for user 'SA'.");
    EXPECT_EQ(db::stripDriverPrefixes("[FreeTDS][SQL Server]Unable to connect to data source"),
              "Unable to connect to data source");
    EXPECT_EQ(db::stripDriverPrefixes("[unixODBC][FreeTDS][SQL Server][bracketed] server text [x]"),
              "[bracketed] server text [x]");
    EXPECT_EQ(db::stripDriverPrefixes("plain [text]"), "plain [text]");
    EXPECT_EQ(db::stripDriverPrefixes("[unclosed"), "[unclosed");
}

TEST(Diagnostics, PicksTheServerErrorOverGenericAndWarningRecords)
{
    const std::vector<db::DiagnosticRecord> login = {
        {"01000", 5701, "[FreeTDS][SQL Server]Changed database context to 'master'."},
        {"08001", 0, "[unixODBC][FreeTDS][SQL Server]Unable to connect to data source"},
        {"42000", 18456, "[unixODBC][FreeTDS][SQL Server]Login failed for user 'SA'."},
    };
    const runtime::RuntimeError error = db::errorFromDiagnostics(login, "fallback");
    EXPECT_EQ(error.Number(), 18456);
    EXPECT_EQ(error.Description(), "Login failed for user 'SA'.");

    const runtime::RuntimeError generic =
        db::errorFromDiagnostics({{"01000", 5703, "[FreeTDS][SQL Server]Changed language setting"},
                                  {"08001", 0, "[unixODBC][FreeTDS][SQL Server]Unable to connect to data source"}},
                                 "fallback");
    EXPECT_EQ(generic.Number(), runtime::ErrorNumber::ProviderFailure);
    EXPECT_EQ(generic.Description(), "Unable to connect to data source");

    // The driver's own numbered message names the cause better than its generic failure, even as a
    // warning, but its number is not the server's.
    const runtime::RuntimeError unknownHost =
        db::errorFromDiagnostics({{"08001", 0, "[FreeTDS][SQL Server]Unable to connect to data source"},
                                  {"01000", 20013, "[FreeTDS][SQL Server]Unknown host machine name."}},
                                 "fallback");
    EXPECT_EQ(unknownHost.Number(), runtime::ErrorNumber::ProviderFailure);
    EXPECT_EQ(unknownHost.Description(), "Unknown host machine name.");

    const runtime::RuntimeError none = db::errorFromDiagnostics({}, "The statement failed.");
    EXPECT_EQ(none.Number(), runtime::ErrorNumber::ProviderFailure);
    EXPECT_EQ(none.Description(), "The statement failed.");
}

}  // namespace
