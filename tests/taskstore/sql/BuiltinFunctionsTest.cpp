// The table of built-in functions against the engine: every row's name is known in any letter
// case, runs with each argument count it takes, and is refused with one argument too few or too
// many as SQL Server refuses it.
#include "EngineFixture.h"
#include "RecordingSink.h"

#include "common/AsciiCase.h"
#include "taskstore/sql/BuiltinFunctions.h"

#include <gtest/gtest.h>

#include <string>

namespace tsqltest {
namespace {

using taskstore::sql::BuiltinFunction;

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

TEST(BuiltinFunctions, EveryRowRunsWithItsArgumentCountsAndRefusesOthers)
{
    EngineFixture engine;
    const auto session = engine.session();
    ASSERT_FALSE(taskstore::sql::builtinFunctions().empty());
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
