#include "taskstore/tds/ResultSetEncoder.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "taskstore/engine/CodePage.h"
#include "taskstore/engine/ErrorMessage.h"
#include "taskstore/tds/DataTypes.h"
#include "taskstore/tds/Tokens.h"

namespace taskstore::tds {
namespace {

enum Token : std::uint8_t { ColMetadata = 0x81, ReturnValue = 0xAC, Row = 0xD1 };
constexpr std::uint16_t nullableFlag = 0x0001;
// usUpdateable 2 (0x0008), which SQL Server gives a table's columns in a result; 0, read-only, for
// expressions.
constexpr std::uint16_t updatableUnknownFlag = 0x0008;
constexpr std::uint16_t identityFlag = 0x0010;

std::uint16_t flagsOf(const ColumnInfo& column)
{
    return static_cast<std::uint16_t>((column.nullable ? nullableFlag : 0)
                                      | (column.tableColumn ? updatableUnknownFlag : 0)
                                      | (column.identity ? identityFlag : 0));
}
constexpr std::uint8_t outputParameterStatus = 0x01;
constexpr std::uint32_t ntextMaxBytes = 0x7FFFFFFE;
constexpr std::uint8_t textPointerSize = 16;
constexpr std::uint32_t variantMaxBytes = 8016;  // what SQL Server declares for sql_variant

using Kind = ValueView::Kind;

[[noreturn]] void refuse(const ColumnInfo& column, const std::string& why)
{
    throw CellError(makeError<ErrorId::ColumnCannotBeSent>(column.name, why));
}

std::span<const std::uint8_t> bytesOf(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
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
    if (column.maxChars == ColumnInfo::unlimited || column.maxChars > maxPlainNVarCharChars)
        return 0;
    return static_cast<std::uint16_t>(2 * (column.maxChars > 0 ? column.maxChars : maxPlainNVarCharChars));
}

// bigint, int and smallint: INTN of eight, four or two bytes.
std::uint8_t intBytes(const ColumnInfo& column)
{
    return column.type == SqlType::BigInt ? 8 : column.type == SqlType::SmallInt ? 2 : 4;
}

void intTypeInfo(ByteWriter& out, const ColumnInfo& column)
{
    out.u8(IntN);
    out.u8(intBytes(column));
}

void intValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    const std::int64_t v = integerOf(column, value);
    const std::uint8_t bytes = intBytes(column);
    if (bytes == 8) {
        out.u8(8);
        out.u64le(static_cast<std::uint64_t>(v));
        return;
    }
    const std::int64_t limit = std::int64_t{1} << (8 * bytes - 1);
    if (v < -limit || v >= limit)
        throw CellError(makeError<ErrorId::ArithmeticOverflowInRow>("expression", bytes == 2 ? "smallint" : "int"));
    out.u8(bytes);
    if (bytes == 2)
        out.u16le(static_cast<std::uint16_t>(v));
    else
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
    out.u8(FltN);
    out.u8(8);
}

void floatValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    if (value.kind != Kind::Float && value.kind != Kind::Int)
        refuse(column, "the value is not a number");
    out.u8(8);
    out.f64le(value.kind == Kind::Float ? value.real : static_cast<double>(value.integer));
}

// A text type with its declared bytes (0: (max), sent as PLP) and the collation.
void collatedTypeInfo(ByteWriter& out, std::uint8_t wireType, std::uint16_t bytes)
{
    out.u8(wireType);
    out.u16le(bytes == 0 ? plpMarker : bytes);
    out.bytes(defaultCollation);
}

void nvarcharTypeInfo(ByteWriter& out, const ColumnInfo& column)
{
    collatedTypeInfo(out, NVarChar, nvarcharBytes(column));
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
        out.patchLe(totalAt, bytes, 8);
        if (bytes == 0)
            buffer.resize(chunkAt);  // an empty value has no chunk, only the terminator
        else
            out.patchLe(chunkAt, bytes, 4);
        out.u32le(0);
        return;
    }
    const std::size_t lengthAt = buffer.size();
    out.u16le(0);
    // Convert one unit past the limit so a value that does not fit is noticed, never cut.
    const std::size_t bytes = 2 * out.utf16(value.text, limit / 2u + 1);
    if (bytes > limit)
        refuse(column, "the text is longer than " + std::to_string(limit / 2) + " characters");
    out.patchLe(lengthAt, bytes, 2);
}

// ntext and image: no table name parts below 7.2, just one empty name.
void ntextTypeInfo(ByteWriter& out, const ColumnInfo&)
{
    out.u8(NText);
    out.u32le(ntextMaxBytes);
    out.bytes(defaultCollation);
    out.u16le(0);
}

void imageTypeInfo(ByteWriter& out, const ColumnInfo&)
{
    out.u8(Image);
    out.u32le(ntextMaxBytes);
    out.u16le(0);
}

// A text pointer and timestamp precede the data; clients only check their presence.
void writeTextPointer(ByteWriter& out)
{
    out.u8(textPointerSize);
    out.buffer().resize(out.buffer().size() + textPointerSize + 8, 0);
}

void ntextValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    if (value.kind != Kind::Text)
        refuse(column, "the value is not text");
    writeTextPointer(out);
    LengthPrefix<std::uint32_t> length(out);
    out.utf16(value.text);
}

void imageValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    if (value.kind != Kind::Binary)
        refuse(column, "the value is not binary");
    writeTextPointer(out);
    out.u32le(static_cast<std::uint32_t>(value.text.size()));
    out.bytes(bytesOf(value.text));
}

void textValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    if (value.kind != Kind::Text)
        refuse(column, "the value is not text");
    const std::string bytes = toDatabaseCodePage(value.text);
    writeTextPointer(out);
    out.u32le(static_cast<std::uint32_t>(bytes.size()));
    out.bytes(bytesOf(bytes));
}

void datetimeTypeInfo(ByteWriter& out, const ColumnInfo&)
{
    out.u8(DateTimN);
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

void tinyintTypeInfo(ByteWriter& out, const ColumnInfo&)
{
    out.u8(IntN);
    out.u8(1);
}

void tinyintValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    const std::int64_t v = integerOf(column, value);
    if (v < 0 || v > 255)
        throw CellError(makeError<ErrorId::ArithmeticOverflowInRow>("expression", "tinyint"));
    out.u8(1);
    out.u8(static_cast<std::uint8_t>(v));
}

void smalldatetimeTypeInfo(ByteWriter& out, const ColumnInfo&)
{
    out.u8(DateTimN);
    out.u8(4);
}

// Days since 1900-01-01 and minutes since midnight, half a minute and more rounding up.
void smalldatetimeValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    if (value.kind != Kind::DateTime)
        refuse(column, "the value is not a date and time");
    constexpr std::uint32_t ticksPerMinute = 300 * 60;
    std::int64_t days = value.datetime.days;
    std::uint32_t minutes = (value.datetime.ticks + ticksPerMinute / 2) / ticksPerMinute;
    if (minutes == 24 * 60) {
        minutes = 0;
        ++days;
    }
    if (days < 0 || days > std::numeric_limits<std::uint16_t>::max())
        refuse(column, "the value is outside smalldatetime's range");
    out.u8(4);
    out.u16le(static_cast<std::uint16_t>(days));
    out.u16le(static_cast<std::uint16_t>(minutes));
}

// sql_variant holding nvarchar(128): its base type, the collation and length, then the text.
void variantTypeInfo(ByteWriter& out, const ColumnInfo&)
{
    out.u8(Variant);
    out.u32le(variantMaxBytes);
}

void variantValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    if (value.kind != Kind::Text)
        refuse(column, "the value is not text");
    LengthPrefix<std::uint32_t> length(out);
    out.u8(NVarChar);
    out.u8(static_cast<std::uint8_t>(defaultCollation.size() + 2));
    out.bytes(defaultCollation);
    out.u16le(2 * 128);
    out.utf16(value.text);
}

void ncharTypeInfo(ByteWriter& out, const ColumnInfo& column) { collatedTypeInfo(out, NChar, nvarcharBytes(column)); }

// Bytes of a decimal value by precision, sign byte included.
std::uint8_t decimalBytes(const ColumnInfo& column)
{
    return column.precision <= 9 ? 5 : column.precision <= 19 ? 9 : column.precision <= 28 ? 13 : 17;
}

void decimalTypeInfo(ByteWriter& out, const ColumnInfo& column)
{
    out.u8(DecimalN);
    out.u8(decimalBytes(column));
    out.u8(column.precision);
    out.u8(column.scale);
}

void decimalValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    if (value.kind != Kind::Decimal || value.decimal.scale != column.scale)
        refuse(column, "the value is not a decimal of scale " + std::to_string(column.scale));
    const std::uint8_t bytes = decimalBytes(column);
    if (bytes < 17 && value.decimal.magnitude >> (8 * (bytes - 1)) != 0)
        refuse(column, "the value has more digits than its precision");
    out.u8(bytes);
    out.u8(value.decimal.negative ? 0 : 1);
    for (int i = 0; i < bytes - 1; ++i)
        out.u8(static_cast<std::uint8_t>(value.decimal.magnitude >> (8 * i)));
}

void moneyTypeInfo(ByteWriter& out, const ColumnInfo& column)
{
    out.u8(MoneyN);
    out.u8(column.type == SqlType::SmallMoney ? 4 : 8);
}

void moneyValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    if (value.kind != Kind::Decimal || value.decimal.scale != 4)
        refuse(column, "the value is not money");
    const bool small = column.type == SqlType::SmallMoney;
    const Uint128 limit = small ? Uint128{1} << 31 : Uint128{1} << 63;
    if (value.decimal.magnitude > limit - (value.decimal.negative ? 0 : 1))
        refuse(column, "the value is out of its range");
    const auto magnitude = static_cast<std::uint64_t>(value.decimal.magnitude);
    const std::uint64_t units = value.decimal.negative ? 0 - magnitude : magnitude;
    out.u8(small ? 4 : 8);
    if (!small)
        out.u32le(static_cast<std::uint32_t>(units >> 32));
    out.u32le(static_cast<std::uint32_t>(units));
}

void guidTypeInfo(ByteWriter& out, const ColumnInfo&)
{
    out.u8(GuidN);
    out.u8(16);
}

void guidValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    if (value.kind != Kind::Binary || value.text.size() != 16)
        refuse(column, "the value is not a uniqueidentifier");
    out.u8(16);
    out.bytes(std::span(reinterpret_cast<const std::uint8_t*>(value.text.data()), 16));
}

bool unlimited(const ColumnInfo& column) { return column.maxChars == ColumnInfo::unlimited || column.maxChars > 8000; }

// Declared bytes of a plain varbinary or varchar column; 0 means (max).
std::uint16_t plainBytes(const ColumnInfo& column)
{
    return unlimited(column) ? 0 : static_cast<std::uint16_t>(column.maxChars > 0 ? column.maxChars : 8000);
}

// A PLP value of known length: the total, one chunk, the terminator.
void writePlp(ByteWriter& out, std::span<const std::uint8_t> bytes)
{
    out.u64le(bytes.size());
    if (!bytes.empty()) {
        out.u32le(static_cast<std::uint32_t>(bytes.size()));
        out.bytes(bytes);
    }
    out.u32le(0);
}

// Bytes with a two-byte length (a plain varchar or varbinary), or PLP for (max).
void writeSizedBytes(ByteWriter& out, const ColumnInfo& column, std::span<const std::uint8_t> bytes, const char* unit)
{
    const std::uint16_t limit = plainBytes(column);
    if (limit == 0)
        return writePlp(out, bytes);
    if (bytes.size() > limit)
        refuse(column, "the value is longer than " + std::to_string(limit) + " " + unit);
    out.u16le(static_cast<std::uint16_t>(bytes.size()));
    out.bytes(bytes);
}

// varchar in the database's code page, with the collation that names it.
void varcharTypeInfo(ByteWriter& out, const ColumnInfo& column)
{
    collatedTypeInfo(out, BigVarChar, plainBytes(column));
}

void charTypeInfo(ByteWriter& out, const ColumnInfo& column) { collatedTypeInfo(out, BigChar, plainBytes(column)); }

void varcharValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    if (value.kind != Kind::Text)
        refuse(column, "the value is not text");
    writeSizedBytes(out, column, bytesOf(toDatabaseCodePage(value.text)), "bytes");
}

void textTypeInfo(ByteWriter& out, const ColumnInfo&)
{
    out.u8(Text);
    out.u32le(ntextMaxBytes);
    out.bytes(defaultCollation);
    out.u16le(0);
}

void varbinaryTypeInfo(ByteWriter& out, const ColumnInfo& column)
{
    out.u8(BigVarBinary);
    const std::uint16_t bytes = plainBytes(column);
    out.u16le(bytes == 0 ? plpMarker : bytes);
}

void varbinaryValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    if (value.kind != Kind::Binary)
        refuse(column, "the value is not binary");
    writeSizedBytes(out, column, bytesOf(value.text), "bytes");
}

TemporalKind temporalKindOf(SqlType type)
{
    switch (type) {
    case SqlType::Date: return TemporalKind::Date;
    case SqlType::Time: return TemporalKind::Time;
    case SqlType::DateTimeOffset: return TemporalKind::DateTimeOffset;
    default: return TemporalKind::DateTime2;
    }
}

std::size_t timeBytes(const ColumnInfo& column)
{
    return column.type == SqlType::Date ? 0 : temporalTimeBytes(column.scale);
}

void temporalTypeInfo(ByteWriter& out, const ColumnInfo& column)
{
    static constexpr std::uint8_t wire[] = {DateN, TimeN, DateTime2N, DateTimeOffsetN};
    out.u8(wire[static_cast<int>(temporalKindOf(column.type))]);
    if (column.type != SqlType::Date)
        out.u8(column.scale);
}

void temporalValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    if (value.kind != Kind::Temporal)
        refuse(column, "the value is not a date or time");
    const TemporalKind kind = temporalKindOf(column.type);
    // datetimeoffset travels as UTC with its offset.
    const DayAndTime utc = kind == TemporalKind::DateTimeOffset
        ? shiftedByMinutes(value.temporal.days, value.temporal.ticks, -value.temporal.offsetMinutes)
        : DayAndTime{value.temporal.days, value.temporal.ticks};
    const std::int64_t days = utc.days;
    std::uint64_t scaled = utc.ticks;
    for (int i = column.scale; i < 7; ++i)
        scaled /= 10;
    const std::size_t time = timeBytes(column);
    const std::size_t date = kind == TemporalKind::Time ? 0 : 3;
    const std::size_t offset = kind == TemporalKind::DateTimeOffset ? 2 : 0;
    out.u8(static_cast<std::uint8_t>(time + date + offset));
    for (std::size_t i = 0; i < time; ++i)
        out.u8(static_cast<std::uint8_t>(scaled >> (8 * i)));
    for (std::size_t i = 0; i < date; ++i)
        out.u8(static_cast<std::uint8_t>(static_cast<std::uint64_t>(days) >> (8 * i)));
    if (offset)
        out.u16le(static_cast<std::uint16_t>(value.temporal.offsetMinutes));
}

// Before TDS 7.3 the date and time types go out as nvarchar holding their text, as SQL Server
// sends them to older clients.
void temporalTextTypeInfo(ByteWriter& out, const ColumnInfo&)
{
    out.u8(NVarChar);
    out.u16le(2 * 34);
    out.bytes(defaultCollation);
}

void temporalTextValue(ByteWriter& out, const ColumnInfo& column, const ValueView& value)
{
    if (value.kind != Kind::Temporal)
        refuse(column, "the value is not a date or time");
    LengthPrefix<std::uint16_t> length(out);
    out.utf16(formatTemporal(value.temporal, temporalKindOf(column.type), column.scale));
}

bool isTemporal(SqlType type)
{
    return type == SqlType::Date || type == SqlType::Time || type == SqlType::DateTime2
        || type == SqlType::DateTimeOffset;
}

// Below 7.2 the (max) types go out as ntext and image, the forms those clients know.
bool sentAsNText(const ColumnInfo& column, TdsVersion version)
{
    return column.type == SqlType::NVarChar && nvarcharBytes(column) == 0 && !version.atLeast72();
}

bool sentAsImage(const ColumnInfo& column, TdsVersion version)
{
    return (column.type == SqlType::VarBinary || column.type == SqlType::VarChar) && unlimited(column)
        && !version.atLeast72();
}

void writeNull(ByteWriter& out, const ColumnInfo& column, TdsVersion version)
{
    if (sentAsImage(column, version))
        out.u8(0);
    else if (column.type == SqlType::VarBinary || column.type == SqlType::VarChar || column.type == SqlType::Char)
        unlimited(column) ? out.u64le(plpNull) : out.u16le(plpMarker);
    else if (column.type == SqlType::NChar)
        out.u16le(plpMarker);
    else if (column.type == SqlType::Variant)
        out.u32le(0);
    else if (isTemporal(column.type) && !version.atLeast73())
        out.u16le(plpMarker);
    else if (column.type != SqlType::NVarChar || sentAsNText(column, version))
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
    {intTypeInfo, intValue},                      // Int
    {intTypeInfo, intValue},                      // BigInt
    {bitTypeInfo, bitValue},                      // Bit
    {floatTypeInfo, floatValue},                  // Float
    {nvarcharTypeInfo, nvarcharValue},            // NVarChar
    {datetimeTypeInfo, datetimeValue},            // DateTime
    {tinyintTypeInfo, tinyintValue},              // TinyInt
    {decimalTypeInfo, decimalValue},              // Decimal
    {moneyTypeInfo, moneyValue},                  // Money
    {moneyTypeInfo, moneyValue},                  // SmallMoney
    {guidTypeInfo, guidValue},                    // UniqueIdentifier
    {varbinaryTypeInfo, varbinaryValue},          // VarBinary
    {temporalTypeInfo, temporalValue},            // Date
    {temporalTypeInfo, temporalValue},            // Time
    {temporalTypeInfo, temporalValue},            // DateTime2
    {temporalTypeInfo, temporalValue},            // DateTimeOffset
    {varcharTypeInfo, varcharValue},              // VarChar
    {intTypeInfo, intValue},                      // SmallInt
    {smalldatetimeTypeInfo, smalldatetimeValue},  // SmallDateTime
    {variantTypeInfo, variantValue},              // Variant
    {ncharTypeInfo, nvarcharValue},               // NChar
    {charTypeInfo, varcharValue},                 // Char
};
static_assert(std::size(codecs) == static_cast<std::size_t>(SqlType::Char) + 1);

constexpr TypeCodec ntextCodec{ntextTypeInfo, ntextValue};
constexpr TypeCodec imageCodec{imageTypeInfo, imageValue};
constexpr TypeCodec textCodec{textTypeInfo, textValue};
constexpr TypeCodec temporalTextCodec{temporalTextTypeInfo, temporalTextValue};

const TypeCodec& codecOf(const ColumnInfo& column, TdsVersion version)
{
    if (isTemporal(column.type) && !version.atLeast73())
        return temporalTextCodec;
    if (sentAsImage(column, version))
        return column.type == SqlType::VarChar ? textCodec : imageCodec;
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
        out.u16le(flagsOf(column));
        codecOf(column, version).typeInfo(out, column);
        out.bVarchar(column.name);
    }
}

void writeRow(ByteWriter& out, std::span<const ColumnInfo> columns, std::span<const ValueView> values,
              TdsVersion version)
{
    if (values.size() != columns.size())
        throw CellError(makeError<ErrorId::RowDoesNotMatchColumns>());
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
