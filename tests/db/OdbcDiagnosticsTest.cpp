// How driver diagnostics become the user's error: prefixes stripped, the server's error chosen.
#include <gtest/gtest.h>

#include "db/OdbcDiagnostics.h"

#include <string_view>
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
    struct Case {
        std::vector<db::DiagnosticRecord> records;
        std::string_view fallback;
        long number;
        std::string_view description;
    };
    const Case cases[] = {
        {{{"01000", 5701, "[FreeTDS][SQL Server]Changed database context to 'master'."},
          {"08001", 0, "[unixODBC][FreeTDS][SQL Server]Unable to connect to data source"},
          {"42000", 18456, "[unixODBC][FreeTDS][SQL Server]Login failed for user 'SA'."}},
         "fallback",
         18456,
         "Login failed for user 'SA'."},
        {{{"01000", 5703, "[FreeTDS][SQL Server]Changed language setting"},
          {"08001", 0, "[unixODBC][FreeTDS][SQL Server]Unable to connect to data source"}},
         "fallback",
         runtime::ErrorNumber::ProviderFailure,
         "Unable to connect to data source"},
        // The driver's own numbered message names the cause better than its generic failure, even as
        // a warning, but its number is not the server's.
        {{{"08001", 0, "[FreeTDS][SQL Server]Unable to connect to data source"},
          {"01000", 20013, "[FreeTDS][SQL Server]Unknown host machine name."}},
         "fallback",
         runtime::ErrorNumber::ProviderFailure,
         "Unknown host machine name."},
        {{}, "The statement failed.", runtime::ErrorNumber::ProviderFailure, "The statement failed."},
    };
    for (const Case& c : cases) {
        const runtime::RuntimeError error = db::errorFromDiagnostics(c.records, c.fallback);
        EXPECT_EQ(error.Number(), c.number) << c.description;
        EXPECT_EQ(error.Description(), c.description);
    }
}

}  // namespace
