// The error catalogue: numbers and states as the wire carries them, templates whose slots fill
// safely, and texts as SQL Server words them.
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "taskstore/engine/ErrorMessage.h"

namespace taskstore {
namespace {

// What the compiler checks at each call: one argument a slot, an integer for each %d.
static_assert(argumentsFit("near '%s'.", std::array{false}));
static_assert(argumentsFit("#%d: type %s.", std::array{true, false}));
static_assert(argumentsFit("handle %s.", std::array{true}));
static_assert(!argumentsFit("#%d", std::array{false}));
static_assert(!argumentsFit("'%s' and '%s'", std::array{false}));
static_assert(!argumentsFit("no slot", std::array{false}));
static_assert(argumentsFit("100% sure", std::array<bool, 0>{}));

TEST(ErrorCatalog, ANumberOfSeveralEntriesDiffersOnlyInState)
{
    for (std::size_t i = 0; i < errorCatalog.size(); ++i) {
        for (std::size_t j = i + 1; j < errorCatalog.size(); ++j) {
            const ErrorEntry& a = errorCatalog[i];
            const ErrorEntry& b = errorCatalog[j];
            if (a.number != b.number || a.number == ownMessageNumber)
                continue;
            SCOPED_TRACE(a.number);
            EXPECT_NE(a.state, b.state);
            EXPECT_EQ(a.severity, b.severity);
            EXPECT_EQ(a.text, b.text);
        }
    }
}

TEST(ErrorCatalog, EveryEntryFitsTheMessageTokenAndEveryPercentOpensASlot)
{
    for (const ErrorEntry& entry : errorCatalog) {
        SCOPED_TRACE(entry.text);
        EXPECT_GT(entry.number, 0);
        EXPECT_TRUE(entry.severity >= 0 && entry.severity <= 25);  // 0-10 INFO, 11 and above ERROR
        EXPECT_TRUE(entry.state >= 1 && entry.state <= 255);       // one byte on the wire
        EXPECT_FALSE(entry.text.empty());
        for (std::size_t at = entry.text.find('%'); at != std::string_view::npos; at = entry.text.find('%', at + 2))
            EXPECT_TRUE(isSlot(entry.text, at)) << "at " << at;
    }
}

TEST(ErrorCatalog, LongArgumentsAreCutAtTheStartOfACharacter)
{
    const std::vector<std::string> exact{std::string(maxArgumentBytes, 'b')};
    EXPECT_EQ(fillSlots("%s", exact), exact[0]);
    const std::vector<std::string> longer{std::string(40000, 'c')};
    EXPECT_EQ(fillSlots("'%s'.", longer), "'" + std::string(maxArgumentBytes, 'c') + "'.");
    // A three-byte character across the limit is left out whole.
    const std::vector<std::string> straddling{std::string(maxArgumentBytes - 1, 'a') + "\xE5\xBC\x82tail"};
    EXPECT_EQ(fillSlots("%s", straddling), std::string(maxArgumentBytes - 1, 'a'));
}

TEST(ErrorCatalog, SlotsFillInOrderAndNeverFromAnArgumentsText)
{
    const std::vector<std::string> one{"%s"};
    EXPECT_EQ(fillSlots("near '%s' and '%s'.", one), "near '%s' and ''.");
    const std::vector<std::string> two{"a", "b"};
    EXPECT_EQ(fillSlots("%s then %d", two), "a then b");
    EXPECT_EQ(fillSlots("only %s", two), "only a");
    EXPECT_EQ(fillSlots("50% or %x and a last %", {}), "50% or %x and a last %");
    EXPECT_EQ(fillSlots("%s", {}), "");
}

TEST(ErrorCatalog, ErrorsCarrySqlServersNumbersStatesAndTexts)
{
    const SqlError login = makeError<ErrorId::LoginFailed>("SA");
    EXPECT_EQ(login.number, 18456);
    EXPECT_EQ(login.severity, 14);
    EXPECT_EQ(login.state, 1);
    EXPECT_EQ(login.message, "Login failed for user 'SA'.");
    EXPECT_EQ(login.line, 1);

    const SqlError missing = makeError<ErrorId::LoginDatabaseUnavailable>(std::string("nowhere"));
    EXPECT_EQ(missing.number, 4060);
    EXPECT_EQ(missing.severity, 11);
    EXPECT_EQ(missing.message, "Cannot open database \"nowhere\" requested by the login. The login failed.");

    const SqlError syntax = makeErrorAt<ErrorId::SyntaxErrorAtKeyword>(3, std::string_view("FROM"));
    EXPECT_EQ(syntax.number, 156);
    EXPECT_EQ(syntax.severity, 15);
    EXPECT_EQ(syntax.message, "Incorrect syntax near the keyword 'FROM'.");
    EXPECT_EQ(syntax.line, 3);

    const SqlError type = makeError<ErrorId::UnknownDataType>(std::size_t{2}, "nvarchar(x)");
    EXPECT_EQ(type.number, 2715);
    EXPECT_EQ(type.message, "Column, parameter, or variable #2: Cannot find data type nvarchar(x).");

    const SqlError inRow = makeError<ErrorId::ArithmeticOverflowInRow>("expression", "int");
    EXPECT_EQ(inRow.number, 8115);
    EXPECT_EQ(inRow.state, 2);
    EXPECT_EQ(inRow.message, "Arithmetic overflow error converting expression to data type int.");
    EXPECT_EQ(makeError<ErrorId::ArithmeticOverflow>("expression", "int").state, 1);

    const SqlError range = makeError<ErrorId::DateTimeOutOfRange>("varchar");
    EXPECT_EQ(range.state, 3);
    EXPECT_EQ(range.message,
              "The conversion of a varchar data type to a datetime data type resulted in an out-of-range value.");
}

}  // namespace
}  // namespace taskstore
