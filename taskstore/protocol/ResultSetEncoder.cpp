#include "taskstore/protocol/ResultSetEncoder.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "taskstore/protocol/Tokens.h"

namespace taskstore::tds {
namespace {

enum Token : std::uint8_t { ColMetadata = 0x81, ReturnValue = 0xAC, Row = 0xD1 };
enum WireType : std::uint8_t { IntN = 0x26, NText = 0x63, BitN = 0x68, FloatN = 0x6D, DateTimeN = 0x6F, NVarChar = 0xE7 };
constexpr std::uint16_t nullableFlag = 0x0001;
constexpr std::uint8_t outputParameterStatus = 0x01;
constexpr std::uint16_t plpMarker = 0xFFFF;
constexpr std::uint64_t plpNull = ~std::uint64_t{0};
constexpr std::uint32_t ntextMaxBytes = 0x7FFFFFFE;
constexpr std::uint8_t textPointerSize = 16;

using Kind = ValueView::Kind;

[[noreturn]] void refuse(const ColumnInfo& column, const std::string& why)
{
    throw CellError(SqlError{50000, 1, 16, "Column '" + column.name + "' cannot be sent: " + why + ".", 1});
}

std::int64_t integerOf(const ColumnInfo& column, const ValueView& value)
{
    if (value.kind == Kind::Int)
        return value.integer;
    if (value.kind == Kind::Float && std::isfinite(value.real) && std::trunc(value.real) == value.real
        && std::abs(value.real) < 9.2e18)
        return static_cast<std::int64_t>(value.real);
    refuse(column, "the value is not an integer");
}

// Declared byte length of a plain nvarchar column; 0 means nvarchar(max).
std::uint16_t nvarcharBytes(const ColumnInfo& column)
{
    if (column.maxChars > maxPlainNVarCharChars)
        return 0;
    return static_cast<std::uint16_t>(2 * (column.maxChars > 0 ? column.maxChars : maxPlainNVarCharChars));
}

void intTypeInfo(ByteWriter& out, const ColumnInfo& column)
{
    out.u8(IntN);
    out.u8(column.type == SqlType::BigInt ? 8 : 4);
}

void intValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    const std::int64_t v = integerOf(column, value);
    if (column.type == SqlType::BigInt) {
        out.u8(8);
        out.u64le(static_cast<std::uint64_t>(v));
        return;
    }
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
        throw CellError(SqlError{8115, 2, 16, "Arithmetic overflow error converting expression to data type int.", 1});
    out.u8(4);
    out.u32le(static_cast<std::uint32_t>(v));
}

void bitTypeInfo(ByteWriter& out, const ColumnInfo&)
{
    out.u8(BitN);
    out.u8(1);
}

void bitValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    out.u8(1);
    out.u8(integerOf(column, value) != 0 ? 1 : 0);
}

void floatTypeInfo(ByteWriter& out, const ColumnInfo&)
{
    out.u8(FloatN);
    out.u8(8);
}

void floatValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    if (value.kind != Kind::Float && value.kind != Kind::Int)
        refuse(column, "the value is not a number");
    out.u8(8);
    out.f64le(value.kind == Kind::Float ? value.real : static_cast<double>(value.integer));
}

void nvarcharTypeInfo(ByteWriter& out, const ColumnInfo& column)
{
    out.u8(NVarChar);
    const std::uint16_t bytes = nvarcharBytes(column);
    out.u16le(bytes == 0 ? plpMarker : bytes);
    out.bytes(defaultCollation);
}

void nvarcharValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    if (value.kind != Kind::Text)
        refuse(column, "the value is not text");
    const std::uint16_t limit = nvarcharBytes(column);
    auto& buffer = out.buffer();
    if (limit == 0) {
        // nvarchar(max): known total length, one chunk, then the terminator.
        const std::size_t totalAt = buffer.size();
        out.u64le(0);
        const std::size_t chunkAt = buffer.size();
        out.u32le(0);
        const std::size_t bytes = 2 * out.utf16(value.text);
        for (int i = 0; i < 8; ++i)
            buffer[totalAt + i] = static_cast<std::uint8_t>(std::uint64_t{bytes} >> (8 * i));
        if (bytes == 0)
            buffer.resize(chunkAt);  // an empty value has no chunk, only the terminator
        else
            for (int i = 0; i < 4; ++i)
                buffer[chunkAt + i] = static_cast<std::uint8_t>(bytes >> (8 * i));
        out.u32le(0);
        return;
    }
    const std::size_t lengthAt = buffer.size();
    out.u16le(0);
    // Convert one unit past the limit so a value that does not fit is noticed, never cut.
    const std::size_t bytes = 2 * out.utf16(value.text, limit / 2u + 1);
    if (bytes > limit)
        refuse(column, "the text is longer than " + std::to_string(limit / 2) + " characters");
    buffer[lengthAt] = static_cast<std::uint8_t>(bytes);
    buffer[lengthAt + 1] = static_cast<std::uint8_t>(bytes >> 8);
}

// ntext: no table name parts below 7.2, just one empty name.
void ntextTypeInfo(ByteWriter& out, const ColumnInfo&)
{
    out.u8(NText);
    out.u32le(ntextMaxBytes);
    out.bytes(defaultCollation);
    out.u16le(0);
}

void ntextValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    if (value.kind != Kind::Text)
        refuse(column, "the value is not text");
    // A text pointer and timestamp precede the data; clients only check their presence.
    out.u8(textPointerSize);
    out.buffer().resize(out.buffer().size() + textPointerSize + 8, 0);
    LengthPrefix<std::uint32_t> length(out);
    out.utf16(value.text);
}

void datetimeTypeInfo(ByteWriter& out, const ColumnInfo&)
{
    out.u8(DateTimeN);
    out.u8(8);
}

void datetimeValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    if (value.kind != Kind::DateTime)
        refuse(column, "the value is not a date and time");
    out.u8(8);
    out.u32le(static_cast<std::uint32_t>(value.datetime.days));
    out.u32le(value.datetime.ticks);
}

bool sentAsNText(const ColumnInfo& column, TdsVersion version)
{
    return column.type == SqlType::NVarChar && nvarcharBytes(column) == 0 && !version.atLeast72();
}

void writeNull(ByteWriter& out, const ColumnInfo& column, TdsVersion version)
{
    if (column.type != SqlType::NVarChar || sentAsNText(column, version))
        out.u8(0);
    else if (nvarcharBytes(column) == 0)
        out.u64le(plpNull);
    else
        out.u16le(plpMarker);
}

struct TypeCodec {
    void (*typeInfo)(ByteWriter&, const ColumnInfo&);
    void (*value)(ByteWriter&, const ColumnInfo&, const ValueView&);
};

// Indexed by SqlType.
constexpr TypeCodec codecs[] = {
    {intTypeInfo, intValue},            // Int
    {intTypeInfo, intValue},            // BigInt
    {bitTypeInfo, bitValue},            // Bit
    {floatTypeInfo, floatValue},        // Float
    {nvarcharTypeInfo, nvarcharValue},  // NVarChar
    {datetimeTypeInfo, datetimeValue},  // DateTime
};
static_assert(std::size(codecs) == static_cast<std::size_t>(SqlType::DateTime) + 1);

constexpr TypeCodec ntextCodec{ntextTypeInfo, ntextValue};

const TypeCodec& codecOf(const ColumnInfo& column, TdsVersion version)
{
    return sentAsNText(column, version) ? ntextCodec : codecs[static_cast<std::size_t>(column.type)];
}

void writeUserType(ByteWriter& out, TdsVersion version)
{
    if (version.atLeast72())
        out.u32le(0);
    else
        out.u16le(0);
}

void writeCell(ByteWriter& out, const ColumnInfo& column, const ValueView& value, TdsVersion version)
{
    if (value.kind == Kind::Null)
        writeNull(out, column, version);
    else
        codecOf(column, version).value(out, column, value);
}

}  // namespace

void writeColMetadata(ByteWriter& out, std::span<const ColumnInfo> columns, TdsVersion version)
{
    out.u8(ColMetadata);
    out.u16le(static_cast<std::uint16_t>(columns.size()));
    for (const ColumnInfo& column : columns) {
        writeUserType(out, version);
        out.u16le(column.nullable ? nullableFlag : 0);
        codecOf(column, version).typeInfo(out, column);
        out.bVarchar(column.name);
    }
}

void writeRow(ByteWriter& out, std::span<const ColumnInfo> columns, std::span<const ValueView> values,
              TdsVersion version)
{
    if (values.size() != columns.size())
        throw CellError(SqlError{50000, 1, 16, "A row does not match its result set's columns.", 1});
    out.u8(Row);
    for (std::size_t i = 0; i < columns.size(); ++i)
        writeCell(out, columns[i], values[i], version);
}

void writeReturnValue(ByteWriter& out, std::uint16_t ordinal, std::string_view name, const ColumnInfo& column,
                      const ValueView& value, TdsVersion version)
{
    out.u8(ReturnValue);
    out.u16le(ordinal);
    out.bVarchar(name);
    out.u8(outputParameterStatus);
    writeUserType(out, version);
    out.u16le(nullableFlag);
    codecOf(column, version).typeInfo(out, column);
    writeCell(out, column, value, version);
}

}  // namespace taskstore::tds
