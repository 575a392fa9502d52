#pragma once
// A result set held compactly: the titles, and every cell's UTF-8 text in one buffer with an end
// offset per cell. A recordset fills it once; the grid shares it read-only afterwards.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/ReallocBuffer.h"

namespace db {

enum class ColumnKind { Text, Integer, Decimal, DateTime, Other };

class RowTable {
public:
    void addColumn(std::string name, ColumnKind kind);
    // Cells are appended row by row, left to right. A NULL cell reads as empty text.
    // Throws runtime::RuntimeError (out of memory) when the text outgrows the 32-bit offsets.
    void appendCell(std::string_view utf8);
    void appendCell(std::u16string_view utf16);
    void appendNull();
    void reserve(std::size_t rows, std::size_t textBytes);

    int columnCount() const { return static_cast<int>(names_.size()); }
    std::size_t rowCount() const { return names_.empty() ? 0 : ends_.size() / names_.size(); }
    const std::string& columnName(int column) const { return names_[column]; }
    ColumnKind columnKind(int column) const { return kinds_[column]; }

    std::string_view cell(std::size_t row, int column) const;
    bool isNull(std::size_t row, int column) const;

    // Bytes held for the rows, for the memory figures of the benchmarks.
    std::size_t heldBytes() const;

private:
    void endCell();

    std::vector<std::string> names_;
    std::vector<ColumnKind> kinds_;
    ReallocBuffer<char> text_;
    ReallocBuffer<std::uint32_t> ends_;  // end offset of each cell in text_
    // The indices of the NULL cells, ascending: task lists hold few, so a bit per cell would cost
    // every cell a store for nothing.
    ReallocBuffer<std::size_t> nullCells_;
};

}  // namespace db
