#pragma once
// The T-SQL type of a stored column. The declared type text in the SQLite schema is this type's
// T-SQL spelling ("nvarchar(50)", "int", "datetime"), so the schema itself is the type catalog.
#include <optional>
#include <string>
#include <string_view>

#include "common/SqlType.h"

namespace taskstore::store {

using common::SqlType;

struct ColumnType {
    static constexpr int maxLength = -1;  // the (max) length of a text type

    SqlType kind = SqlType::Int;
    int length = 0;  // text types: characters, or maxLength; decimal: precision; varbinary: bytes
    int scale = 0;   // decimal, time, datetime2, datetimeoffset

    bool isText() const;
    bool isUnicode() const;
    bool isNumeric() const;
    // "nvarchar(50)", "varchar(max)", "int"...
    std::string spelling() const;
    // The bare type name used in messages: "varchar", "int".
    std::string_view name() const;

    // A parameter's declared type: the column types and the parameter-only ones ("decimal(10, 3)",
    // "datetime2(6)", "uniqueidentifier", "smallint"...).
    static std::optional<ColumnType> parseParameterType(std::string_view text);
    // Reads a spelling back ("NVARCHAR ( 50 )" works too); nullopt for anything else.
    static std::optional<ColumnType> parse(std::string_view text);
    // Type name and optional length as written in T-SQL: nullopt when the name is unknown or the
    // length does not fit the type.
    static std::optional<ColumnType> fromName(std::string_view name, std::optional<int> length);

    bool operator==(const ColumnType&) const = default;
};

}  // namespace taskstore::store
