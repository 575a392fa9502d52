// The T-SQL lexer: tokens, nested comments, quoted names, lines, and unfinished input.
#include "ErrorOf.h"

#include "taskstore/sql/parse/Lexer.h"

#include <gtest/gtest.h>

namespace tsqltest {
namespace {

using namespace taskstore::sql;

TEST(Lexer, TokensCommentsAndLines)
{
    const auto tokens =
        tokenize("select /* a /* nested */ comment */ N'it''s', [a]]b], \"q\" -- rest\n@@TRANCOUNT 1.5e3 <>");
    ASSERT_EQ(tokens.size(), 10u);
    EXPECT_EQ(tokens[9].kind, TokenKind::End);
    EXPECT_TRUE(tokens[0].is("SELECT"));
    EXPECT_EQ(tokens[1].kind, TokenKind::UnicodeString);
    EXPECT_EQ(tokens[1].text, "it's");
    EXPECT_EQ(tokens[3].kind, TokenKind::QuotedIdentifier);
    EXPECT_EQ(tokens[3].text, "a]b");
    EXPECT_EQ(tokens[5].text, "q");
    EXPECT_EQ(tokens[6].kind, TokenKind::Variable);
    EXPECT_EQ(tokens[6].line, 2);
    EXPECT_EQ(tokens[7].kind, TokenKind::Decimal);
    EXPECT_TRUE(tokens[8].isSymbol("<>"));
    EXPECT_EQ(errorOf([] { tokenize("select /* open"); }), 113);
    EXPECT_EQ(errorOf([] { tokenize("select [open"); }), 105);
    EXPECT_EQ(errorOf([] { tokenize("select ?"); }), 102);
}

}  // namespace
}  // namespace tsqltest
