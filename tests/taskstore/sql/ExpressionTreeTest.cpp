// What the parser records in an expression node: operators as written spelled once, parameter
// positions, integer values beside their spelling, the built-in function's row and the @@ variable.
#include "ErrorOf.h"
#include "taskstore/sql/parse/BuiltinFunctions.h"
#include "taskstore/sql/parse/Parser.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

namespace tsqltest {
namespace {

using namespace taskstore::sql;

// The first select item of a one-statement batch.
const Expr& firstItem(const std::vector<Statement>& batch)
{
    return *std::get<SelectStatement>(batch.at(0).body).items.at(0).expr;
}

// The node as the kind it should be; another kind fails the test (std::get throws).
template <class Kind>
const Kind& as(const Expr& expr)
{
    return std::get<Kind>(expr.body);
}

TEST(ExpressionTree, ComparisonsAreKeptByMeaningWhateverTheirSpelling)
{
    const std::vector<std::pair<std::string, Comparison>> spellings{
        {"<>", Comparison::NotEqual},    {"!=", Comparison::NotEqual},    {"!<", Comparison::GreaterOrEqual},
        {"!>", Comparison::LessOrEqual}, {"<=", Comparison::LessOrEqual}, {"=", Comparison::Equal}};
    for (const auto& [written, comparison] : spellings) {
        const auto batch = parseBatch("select 1 where 1 " + written + " 2");
        const Expr& where = *std::get<SelectStatement>(batch.at(0).body).where;
        ASSERT_TRUE(std::holds_alternative<CompareExpr>(where.body)) << written;
        EXPECT_EQ(as<CompareExpr>(where).op, comparison) << written;
    }
}

TEST(ExpressionTree, ArithmeticChainsAreLeftDeepWithTheirOperators)
{
    const auto batch = parseBatch("select 1 - 2 % 3 + 4");
    const auto& sum = as<ArithmeticExpr>(firstItem(batch));
    EXPECT_EQ(sum.op, ArithmeticOperator::Add);
    const auto& difference = as<ArithmeticExpr>(*sum.left);
    EXPECT_EQ(difference.op, ArithmeticOperator::Subtract);
    EXPECT_EQ(as<ArithmeticExpr>(*difference.right).op, ArithmeticOperator::Modulo);
}

TEST(ExpressionTree, IntegersKeepTheirSpellingAndValueOrNoValueBeyondBigint)
{
    const auto batch = parseBatch("select 007, 9223372036854775807, 9223372036854775808");
    const auto& items = std::get<SelectStatement>(batch.at(0).body).items;
    EXPECT_EQ(as<IntegerExpr>(*items.at(0).expr).written, "007");
    EXPECT_EQ(as<IntegerExpr>(*items.at(0).expr).value, 7);
    EXPECT_EQ(as<IntegerExpr>(*items.at(1).expr).value, 9223372036854775807LL);
    EXPECT_EQ(as<IntegerExpr>(*items.at(2).expr).written, "9223372036854775808");
    EXPECT_FALSE(as<IntegerExpr>(*items.at(2).expr).value.has_value());
}

TEST(ExpressionTree, ParametersAreTheirPositionInTheListMatchedRegardlessOfCase)
{
    const std::vector<std::string> parameters{"@First", "@second"};
    const auto batch = parseBatch("select @SECOND, @first", parameters);
    const auto& items = std::get<SelectStatement>(batch.at(0).body).items;
    EXPECT_EQ(as<ParameterExpr>(*items.at(0).expr).position, 1u);
    EXPECT_EQ(as<ParameterExpr>(*items.at(1).expr).position, 0u);
}

TEST(ExpressionTree, FunctionCallsPointAtTheirRowOfTheTable)
{
    const auto batch = parseBatch("select charIndex('a', 'b'), count(*)");
    const auto& items = std::get<SelectStatement>(batch.at(0).body).items;
    EXPECT_EQ(as<FunctionExpr>(*items.at(0).expr).function, findBuiltinFunction("CHARINDEX"));
    EXPECT_EQ(as<FunctionExpr>(*items.at(0).expr).args.size(), 2u);
    EXPECT_EQ(as<FunctionExpr>(*items.at(1).expr).function->translation, FunctionTranslation::Count);
    EXPECT_TRUE(as<FunctionExpr>(*items.at(1).expr).args.empty());
}

TEST(ExpressionTree, CaseAndConvertKeepEachPartInItsPlace)
{
    const auto batch = parseBatch("select case 1 when 2 then 3 when 4 then 5 else 6 end, case when 1 = 1 then 7 end, "
                                  "convert(varchar(5), 8, 9), cast(10 as int)");
    const auto& items = std::get<SelectStatement>(batch.at(0).body).items;
    const auto written = [](const ExprPtr& expr) { return as<IntegerExpr>(*expr).written; };
    const auto& simple = as<CaseExpr>(*items.at(0).expr);
    EXPECT_EQ(written(simple.operand), "1");
    ASSERT_EQ(simple.whens.size(), 2u);
    EXPECT_EQ(written(simple.whens[1].condition), "4");
    EXPECT_EQ(written(simple.whens[1].result), "5");
    EXPECT_EQ(written(simple.otherwise), "6");
    const auto& searched = as<CaseExpr>(*items.at(1).expr);
    EXPECT_FALSE(searched.operand);
    EXPECT_FALSE(searched.otherwise);
    const auto& converted = as<ConvertExpr>(*items.at(2).expr);
    EXPECT_EQ(converted.type.name, "varchar");
    EXPECT_EQ(converted.type.length, 5);
    EXPECT_EQ(written(converted.value), "8");
    EXPECT_EQ(written(converted.style), "9");
    const auto& cast = as<ConvertExpr>(*items.at(3).expr);
    EXPECT_EQ(written(cast.value), "10");
    EXPECT_FALSE(cast.style);
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
        ASSERT_TRUE(std::holds_alternative<GlobalExpr>(items.at(i).expr->body)) << i;
        EXPECT_EQ(as<GlobalExpr>(*items.at(i).expr).variable, expected[i]) << i;
    }
    EXPECT_EQ(errorOf([] { parseBatch("select @@servername"); }), 137);
}

}  // namespace
}  // namespace tsqltest
