// The rows a query returns, as the tool keeps them: cells, nulls and empty text.
#include <gtest/gtest.h>

#include "db/RowTable.h"
#include "db/Utf16.h"

#include <cstddef>
#include <string>

namespace {

TEST(RowTable, KeepsCellsNullsAndEmptyTextApart)
{
    db::RowTable table;
    table.addColumn("子系统", db::ColumnKind::Text);
    table.addColumn("n", db::ColumnKind::Integer);
    EXPECT_EQ(table.rowCount(), 0u);
    table.appendCell("总账");
    table.appendNull();
    table.appendCell(std::string_view());
    table.appendCell(u"42😀");
    ASSERT_EQ(table.rowCount(), 2u);
    EXPECT_EQ(table.columnName(0), "子系统");
    EXPECT_EQ(table.columnKind(1), db::ColumnKind::Integer);
    EXPECT_EQ(table.cell(0, 0), "总账");
    EXPECT_EQ(table.cell(0, 1), "");
    EXPECT_TRUE(table.isNull(0, 1));
    EXPECT_EQ(table.cell(1, 0), "");
    EXPECT_FALSE(table.isNull(1, 0));
    EXPECT_EQ(table.cell(1, 1), "42😀");
}

TEST(RowTable, NullsAnywhereInALargeTableStayWithTheirCells)
{
    db::RowTable table;
    table.addColumn("a", db::ColumnKind::Text);
    table.addColumn("b", db::ColumnKind::DateTime);
    table.addColumn("c", db::ColumnKind::Text);
    constexpr std::size_t rows = 100000;
    // Every seventh cell NULL: some rows have one, some two, some none.
    for (std::size_t cell = 0; cell < rows * 3; ++cell) {
        if (cell % 7 == 3)
            table.appendNull();
        else
            table.appendCell(std::string_view("x"));
    }
    ASSERT_EQ(table.rowCount(), rows);
    std::size_t nulls = 0;
    for (std::size_t row = 0; row < rows; ++row) {
        for (int column = 0; column < 3; ++column) {
            const bool expected = (row * 3 + static_cast<std::size_t>(column)) % 7 == 3;
            ASSERT_EQ(table.isNull(row, column), expected) << row << "," << column;
            ASSERT_EQ(table.cell(row, column), expected ? "" : "x");
            nulls += expected;
        }
    }
    EXPECT_EQ(nulls, 42857u);
}


TEST(RowTable, EveryCellSurvivesTheTableGrowing)
{
    // Enough cells for the text and offsets to be moved to larger blocks many times over.
    db::RowTable table;
    table.addColumn("a", db::ColumnKind::Text);
    table.addColumn("b", db::ColumnKind::Text);
    constexpr std::size_t rows = 200000;
    for (std::size_t row = 0; row < rows; ++row) {
        table.appendCell(std::to_string(row));
        table.appendCell(db::toUtf16("任务" + std::to_string(row % 97)));
    }
    ASSERT_EQ(table.rowCount(), rows);
    for (std::size_t row : {std::size_t{0}, std::size_t{63}, std::size_t{64}, std::size_t{65535}, rows - 1}) {
        EXPECT_EQ(table.cell(row, 0), std::to_string(row));
        EXPECT_EQ(table.cell(row, 1), "任务" + std::to_string(row % 97));
    }
    EXPECT_GE(table.heldBytes(), rows * (2 * sizeof(std::uint32_t) + 8));
}

}  // namespace
