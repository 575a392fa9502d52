#pragma once
// COLMETADATA and ROW for the engine's column types, from one table of per-type encoders. Every
// column is sent with a nullable wire type, so NULL needs no special row format.
#include <span>
#include <stdexcept>
#include <string>

#include "taskstore/protocol/ByteWriter.h"
#include "taskstore/engine/Engine.h"

namespace taskstore::tds {

// Text columns longer than this many characters go out as nvarchar(max).
inline constexpr int maxPlainNVarCharChars = 4000;

// A cell that cannot be sent as its column's type (too long, out of range, wrong kind). The row
// is not sent; the error says why.
class CellError : public std::runtime_error {
public:
    explicit CellError(SqlError error) : std::runtime_error(error.message), error_(std::move(error)) {}
    const SqlError& error() const { return error_; }

private:
    SqlError error_;
};

void writeColMetadata(ByteWriter& out, std::span<const ColumnInfo> columns);
// values must hold one cell per column. Throws CellError, possibly after appending part of the row.
void writeRow(ByteWriter& out, std::span<const ColumnInfo> columns, std::span<const ValueView> values);

}  // namespace taskstore::tds
