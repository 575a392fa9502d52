// The OLE DB connection string reader: its quoting rules, what it refuses, and exact round trips.
#include <gtest/gtest.h>

#include "db/OleDbConnectionString.h"
#include "db/OleDbLogOn.h"
#include "runtime/RuntimeError.h"

#include <string>

namespace {

using db::OleDbConnectionString;

TEST(OleDbReader, ReadsTheLogOnExampleWithItsRules)
{
    const auto parsed = OleDbConnectionString::parse(
        "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=SA;PassWord = ;Initial Catalog=master;"
        "Data Source=(local)");
    EXPECT_EQ(parsed.value("provider"), "SQLOLEDB.1");
    EXPECT_EQ(parsed.value("USER ID"), "SA");
    EXPECT_EQ(parsed.value("Password"), "");
    EXPECT_EQ(parsed.value("Initial Catalog"), "master");
    EXPECT_EQ(parsed.value("Data Source"), "(local)");
    EXPECT_FALSE(parsed.value("Connect Timeout"));
}

TEST(OleDbReader, QuotingBlanksDuplicatesAndEscapedEquals)
{
    const auto parsed = OleDbConnectionString::parse(
        "  A = x y ; B=' spaced '; C=\"it\"\"s\" ; D=mid'quote\"s; a==b=eq; ;;Provider=first;"
        "Provider=second;B=last");
    EXPECT_EQ(parsed.value("a"), "x y");
    EXPECT_EQ(parsed.value("b"), "last");
    EXPECT_EQ(parsed.value("c"), "it\"s");
    EXPECT_EQ(parsed.value("d"), "mid'quote\"s");
    EXPECT_EQ(parsed.value("a=b"), "eq");
    EXPECT_EQ(parsed.value("provider"), "first");
}

TEST(OleDbReader, RejectsMalformedStringsWithoutEchoingThem)
{
    for (const char* text :
         {"User ID=SA;secret;Data Source=x", "=value", "A='unterminated", "A='x' y;B=1", "justakeyword", "E==;"}) {
        try {
            OleDbConnectionString::parse(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const runtime::RuntimeError& error) {
            EXPECT_EQ(error.Number(), runtime::ErrorNumber::ProviderFailure);
            EXPECT_NE(error.Description().find("not valid"), std::string::npos) << error.Description();
            EXPECT_EQ(error.Description().find("secret"), std::string::npos);
        }
    }
}

TEST(OleDbReader, ReadsBackExactlyWhatWasTyped)
{
    std::string huge(100000, 'x');
    huge[0] = ' ';
    huge[50000] = ';';
    huge[99999] = '\'';
    const std::string values[] = {
        "",
        "x;Data Source=elsewhere",
        "==",
        "'",
        "\"",
        "''\"\"",
        "'both\" quotes'",
        "{braced}}",
        "  lead and trail  ",
        " ",
        "\t\r\n",
        std::string("nul\0inside", 10),
        "\x01\x1f\x7f",
        "密码😀𝄞",
        "back\\slash,1433",
        huge,
    };
    for (const std::string& value : values) {
        const auto parsed = OleDbConnectionString::parse(db::buildLogOnString(value, value, value));
        EXPECT_EQ(parsed.value("Data Source"), value);
        EXPECT_EQ(parsed.value("User ID"), value);
        EXPECT_EQ(parsed.value("PassWord"), value);
        EXPECT_EQ(parsed.value("Initial Catalog"), "master");
    }
}

}  // namespace
