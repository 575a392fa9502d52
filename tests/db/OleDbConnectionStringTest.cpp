// The OLE DB connection string reader: its quoting rules, what it refuses, and exact round trips.
#include <gtest/gtest.h>

#include "db/OleDbConnectionString.h"
#include "db/OleDbLogOn.h"
#include "runtime/RuntimeError.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace {

using db::OleDbConnectionString;

using Expected = std::initializer_list<std::pair<std::string_view, std::optional<std::string>>>;

// Reads `text` and expects each keyword's value; no value means the keyword is absent.
void expectValues(std::string_view text, Expected expected)
{
    const auto parsed = OleDbConnectionString::parse(text);
    for (const auto& [keyword, value] : expected)
        EXPECT_EQ(parsed.value(keyword), value) << keyword;
}

TEST(OleDbReader, ReadsTheLogOnExampleWithItsRules)
{
    expectValues("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=SA;PassWord = ;Initial Catalog=master;"
                 "Data Source=(local)",
                 {{"provider", "SQLOLEDB.1"},
                  {"USER ID", "SA"},
                  {"Password", ""},
                  {"Initial Catalog", "master"},
                  {"Data Source", "(local)"},
                  {"Connect Timeout", std::nullopt}});
}

TEST(OleDbReader, QuotingBlanksDuplicatesAndEscapedEquals)
{
    expectValues("  A = x y ; B=' spaced '; C=\"it\"\"s\" ; D=mid'quote\"s; a==b=eq; ;;Provider=first;"
                 "Provider=second;B=last",
                 {{"a", "x y"},
                  {"b", "last"},
                  {"c", "it\"s"},
                  {"d", "mid'quote\"s"},
                  {"a=b", "eq"},
                  {"provider", "first"}});
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
