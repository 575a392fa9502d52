// The table of built-in functions against the engine: the functions and argument counts written
// out below are exactly the table's; each name is known in any letter case, runs with each
// argument count it takes, and is refused with one argument too few or too many as SQL Server
// refuses it.
#include "EngineFixture.h"
#include "RecordingSink.h"

#include "common/AsciiCase.h"
#include "taskstore/sql/parse/BuiltinFunctions.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace tsqltest {
namespace {

using taskstore::sql::BuiltinFunction;

struct Arity {
    std::string_view name;
    std::size_t minArguments;
    std::size_t maxArguments;
    bool star;  // COUNT(*)
};

// SQL Server's argument counts, except DB_NAME (SQL Server also takes a database id) and, from
// SQL Server 2022 on, LTRIM and RTRIM (also the characters to trim): taskstore refuses those
// forms with 174.
constexpr Arity expectedArities[] = {
    {"GETDATE", 0, 0, false}, {"ISNULL", 2, 2, false},         {"LEN", 1, 1, false},        {"UPPER", 1, 1, false},
    {"LOWER", 1, 1, false},   {"LTRIM", 1, 1, false},          {"RTRIM", 1, 1, false},      {"COUNT", 1, 1, true},
    {"DB_NAME", 0, 0, false}, {"SERVERPROPERTY", 1, 1, false}, {"SUBSTRING", 3, 3, false},  {"LEFT", 2, 2, false},
    {"RIGHT", 2, 2, false},   {"CHARINDEX", 2, 3, false},      {"DATALENGTH", 1, 1, false},
};

// Text arguments suit every function: the numeric ones convert '1'.
std::string call(std::string_view name, std::size_t arguments)
{
    std::string sql = "select " + std::string(name) + "(";
    for (std::size_t i = 0; i < arguments; ++i)
        sql += i ? ", '1'" : "'1'";
    return sql + ")";
}

void expectRefused(taskstore::Session& session, const BuiltinFunction& function, std::size_t arguments)
{
    SCOPED_TRACE(std::to_string(arguments) + " argument(s)");
    const RecordingSink sink = run(session, call(function.name, arguments));
    ASSERT_EQ(sink.errors.size(), 1u);
    const taskstore::SqlError& error = sink.errors[0];
    if (function.star) {  // COUNT(*) or one argument is the parser's rule
        EXPECT_EQ(error.number, 102);
        EXPECT_EQ(error.message, std::string("Incorrect syntax near '") + (arguments ? "," : ")") + "'.");
        return;
    }
    EXPECT_EQ(error.number, 174);
    EXPECT_EQ(error.severity, 15);
    EXPECT_EQ(error.state, 1);
    EXPECT_EQ(error.message,
              "The " + std::string(function.name) + " function requires " + std::to_string(function.minArguments)
                  + " argument(s).");
}

TEST(BuiltinFunctions, TheTableTakesTheArgumentCountsWrittenHere)
{
    EXPECT_EQ(taskstore::sql::builtinFunctions().size(), std::size(expectedArities));
    for (const Arity& expected : expectedArities) {
        SCOPED_TRACE(std::string(expected.name));
        const BuiltinFunction* function = taskstore::sql::findBuiltinFunction(expected.name);
        ASSERT_NE(function, nullptr);
        EXPECT_EQ(function->minArguments, expected.minArguments);
        EXPECT_EQ(function->maxArguments, expected.maxArguments);
        EXPECT_EQ(function->star, expected.star);
    }
}

TEST(BuiltinFunctions, EveryRowRunsWithItsArgumentCountsAndRefusesOthers)
{
    EngineFixture engine;
    const auto session = engine.session();
    for (const BuiltinFunction& function : taskstore::sql::builtinFunctions()) {
        SCOPED_TRACE(std::string(function.name));
        for (std::size_t arguments = function.minArguments; arguments <= function.maxArguments; ++arguments) {
            const std::string lowerCase = common::asciiLower(function.name);
            const RecordingSink sink = run(*session, call(lowerCase, arguments));
            EXPECT_TRUE(sink.errors.empty()) << call(lowerCase, arguments) << ": " << sink.errors.at(0).message;
            EXPECT_EQ(sink.results.size(), 1u);
        }
        if (function.star) {
            const RecordingSink star = run(*session, "select " + std::string(function.name) + "(*)");
            EXPECT_TRUE(star.errors.empty());
        }
        if (function.minArguments > 0)
            expectRefused(*session, function, function.minArguments - 1);
        expectRefused(*session, function, function.maxArguments + 1);
    }
}

}  // namespace
}  // namespace tsqltest
