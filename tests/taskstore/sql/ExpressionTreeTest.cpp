// What the parser records in an expression node: operators as written spelled once, parameter
// positions, integer values beside their spelling, the built-in function's row and the @@ variable.
#include "ErrorOf.h"
#include "taskstore/sql/parse/BuiltinFunctions.h"
#include "taskstore/sql/parse/Parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tsqltest {
namespace {

using namespace taskstore::sql;

// The first select item of a one-statement batch.
const Expr& firstItem(const std::vector<Statement>& batch)
{
    return *std::get<SelectStatement>(batch.at(0).body).items.at(0).expr;
}

TEST(ExpressionTree, ComparisonsAreKeptByMeaningWhateverTheirSpelling)
{
    const std::vector<std::pair<std::string, Comparison>> spellings{
        {"<>", Comparison::NotEqual},    {"!=", Comparison::NotEqual},    {"!<", Comparison::GreaterOrEqual},
        {"!>", Comparison::LessOrEqual}, {"<=", Comparison::LessOrEqual}, {"=", Comparison::Equal}};
    for (const auto& [written, comparison] : spellings) {
        const auto batch = parseBatch("select 1 where 1 " + written + " 2");
        const Expr& where = *std::get<SelectStatement>(batch.at(0).body).where;
        ASSERT_EQ(where.kind, Expr::Kind::Compare) << written;
        EXPECT_EQ(where.comparison, comparison) << written;
    }
}

TEST(ExpressionTree, ArithmeticChainsAreLeftDeepWithTheirOperators)
{
    const auto batch = parseBatch("select 1 - 2 % 3 + 4");
    const Expr& sum = firstItem(batch);
    ASSERT_EQ(sum.kind, Expr::Kind::Arithmetic);
    EXPECT_EQ(sum.arithmetic, ArithmeticOperator::Add);
    const Expr& difference = *sum.args.at(0);
    EXPECT_EQ(difference.arithmetic, ArithmeticOperator::Subtract);
    EXPECT_EQ(difference.args.at(1)->arithmetic, ArithmeticOperator::Modulo);
}

TEST(ExpressionTree, IntegersKeepTheirSpellingAndValueOrNoValueBeyondBigint)
{
    const auto batch = parseBatch("select 007, 9223372036854775807, 9223372036854775808");
    const auto& items = std::get<SelectStatement>(batch.at(0).body).items;
    EXPECT_EQ(items.at(0).expr->literal, "007");
    EXPECT_EQ(items.at(0).expr->integer, 7);
    EXPECT_EQ(items.at(1).expr->integer, 9223372036854775807LL);
    EXPECT_EQ(items.at(2).expr->literal, "9223372036854775808");
    EXPECT_FALSE(items.at(2).expr->integer.has_value());
}

TEST(ExpressionTree, ParametersAreTheirPositionInTheListMatchedRegardlessOfCase)
{
    const std::vector<std::string> parameters{"@First", "@second"};
    const auto batch = parseBatch("select @SECOND, @first", parameters);
    const auto& items = std::get<SelectStatement>(batch.at(0).body).items;
    ASSERT_EQ(items.at(0).expr->kind, Expr::Kind::Parameter);
    EXPECT_EQ(items.at(0).expr->parameter, 1u);
    EXPECT_EQ(items.at(1).expr->parameter, 0u);
}

TEST(ExpressionTree, FunctionCallsPointAtTheirRowOfTheTable)
{
    const auto batch = parseBatch("select charIndex('a', 'b'), count(*)");
    const auto& items = std::get<SelectStatement>(batch.at(0).body).items;
    EXPECT_EQ(items.at(0).expr->function, findBuiltinFunction("CHARINDEX"));
    EXPECT_EQ(items.at(0).expr->args.size(), 2u);
    EXPECT_EQ(items.at(1).expr->function->translation, FunctionTranslation::Count);
    EXPECT_TRUE(items.at(1).expr->args.empty());
}

TEST(ExpressionTree, GlobalVariablesAreKnownInAnyCaseAndOthersAreUndeclared)
{
    const auto batch = parseBatch("select @@TranCount, @@spid, @@LOCK_timeout, @@version, @@rowcount");
    const auto& items = std::get<SelectStatement>(batch.at(0).body).items;
    const std::vector<GlobalVariable> expected{GlobalVariable::TranCount, GlobalVariable::Spid,
                                               GlobalVariable::LockTimeout, GlobalVariable::Version,
                                               GlobalVariable::RowCount};
    ASSERT_EQ(items.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(items.at(i).expr->kind, Expr::Kind::Global) << i;
        EXPECT_EQ(items.at(i).expr->variable, expected[i]) << i;
    }
    EXPECT_EQ(errorOf([] { parseBatch("select @@servername"); }), 137);
}

}  // namespace
}  // namespace tsqltest
