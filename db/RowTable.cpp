#include "db/RowTable.h"

#include <algorithm>
#include <limits>

#include "db/Utf16.h"
#include "runtime/RuntimeError.h"

namespace db {

void RowTable::addColumn(std::string name, ColumnKind kind)
{
    names_.push_back(std::move(name));
    kinds_.push_back(kind);
}

void RowTable::reserve(std::size_t rows, std::size_t textBytes)
{
    ends_.reserve(rows * names_.size());
    text_.reserve(textBytes);
}

void RowTable::endCell()
{
    if (text_.size() > std::numeric_limits<std::uint32_t>::max())
        throw runtime::RuntimeError(runtime::ErrorNumber::OutOfMemory,
                                    "The result is too large to hold (more than 4 GB of text).");
    ends_.push_back(static_cast<std::uint32_t>(text_.size()));
}

void RowTable::appendCell(std::string_view utf8)
{
    text_.append(utf8.data(), utf8.size());
    endCell();
}

void RowTable::appendCell(std::u16string_view utf16)
{
    appendUtf8(text_, utf16);
    endCell();
}

void RowTable::appendNull()
{
    endCell();
    nullCells_.push_back(ends_.size() - 1);
}

std::string_view RowTable::cell(std::size_t row, int column) const
{
    const std::size_t index = row * names_.size() + static_cast<std::size_t>(column);
    const std::uint32_t begin = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(text_.data() + begin, ends_[index] - begin);
}

bool RowTable::isNull(std::size_t row, int column) const
{
    const std::size_t index = row * names_.size() + static_cast<std::size_t>(column);
    return std::binary_search(nullCells_.data(), nullCells_.data() + nullCells_.size(), index);
}

std::size_t RowTable::heldBytes() const
{
    return text_.capacity() + ends_.capacity() * sizeof(std::uint32_t) + nullCells_.capacity() * sizeof(std::size_t);
}

}  // namespace db
