#pragma once
// The SQL Server types taskstore knows, one list for every layer: the store's columns, the
// engine's results and parameters, and the wire's type codes (the encoder's table follows this
// order).
#include <cstdint>

namespace common {

enum class SqlType : std::uint8_t {
    // Column types: what a table or CONVERT can hold.
    Int,
    BigInt,
    Bit,
    Float,
    NVarChar,
    DateTime,
    // Parameters' types, which a statement returns unchanged, and a few values' (@@SPID is
    // smallint, literals decimal). varbinary is a column type too: varbinary(n | max).
    TinyInt,
    Decimal,  // literals and arithmetic too
    Money,
    SmallMoney,
    UniqueIdentifier,
    VarBinary,
    Date,
    Time,
    DateTime2,
    DateTimeOffset,
    VarChar,  // text in the database's code page; a length counts its bytes
    SmallInt,
    SmallDateTime,  // held as a datetime, to the minute
    Variant,        // sql_variant holding nvarchar text (SERVERPROPERTY); only a result's type
    NChar,          // blank-padded to its length
    Char,           // blank-padded to its length in bytes of the code page
};

}  // namespace common
