#pragma once
// COLMETADATA and ROW for the engine's column types, from one table of per-type encoders. Every
// column is sent with a nullable wire type, so NULL needs no special row format.
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "taskstore/tds/ByteWriter.h"
#include "taskstore/engine/Engine.h"
#include "taskstore/tds/TdsVersion.h"

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

// Below TDS 7.2 the long text columns go out as ntext, the form those clients know.
void writeColMetadata(ByteWriter& out, std::span<const ColumnInfo> columns, TdsVersion version = tds74);
// RETURNVALUE of an output parameter: its position in the call, its name as the client sent it,
// and its value typed as column says.
void writeReturnValue(ByteWriter& out, std::uint16_t ordinal, std::string_view name, const ColumnInfo& column,
                      const ValueView& value, TdsVersion version = tds74);
// values must hold one cell per column. Throws CellError, possibly after appending part of the row.
void writeRow(ByteWriter& out, std::span<const ColumnInfo> columns, std::span<const ValueView> values,
              TdsVersion version = tds74);

}  // namespace taskstore::tds
