// The parameter lists of sp_executesql, sp_prepare and sp_prepexec as drivers write them.
#include "taskstore/sql/parse/ParameterDeclarations.h"

#include <gtest/gtest.h>

using taskstore::SqlError;
using taskstore::sql::parseParameterDeclarations;

TEST(ParameterDeclarations, ReadAsClientsWriteThem)
{
    const auto list =
        parseParameterDeclarations("@id int, @d decimal(10, 3),@long NVARCHAR(MAX) ,@o int OUTPUT,@x bit out");
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[1].name, "@d");
    EXPECT_EQ(list[1].type, "decimal(10, 3)");
    EXPECT_EQ(list[2].type, "NVARCHAR(MAX)");
    EXPECT_TRUE(list[3].output);
    EXPECT_EQ(list[3].type, "int");
    EXPECT_TRUE(list[4].output);
    EXPECT_TRUE(parseParameterDeclarations("  ").empty());
    for (const char* bad : {"id int", "@id", "@a int,,@b int", "@a decimal(10, 3"})
        EXPECT_THROW(parseParameterDeclarations(bad), SqlError) << bad;
}
