#include "taskstore/sql/functions/ParameterConversions.h"

#include "taskstore/sql/errors/SqlErrors.h"
#include "taskstore/sql/functions/NumberText.h"
#include "taskstore/store/StoredDateTime.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

namespace taskstore::sql {
namespace {

// Days from 0001-01-01 to 1900-01-01, where datetime counts from.
constexpr std::int32_t daysTo1900 = 693595;

SqlError notAllowed(ColumnType source, ColumnType target)
{
    return makeError<ErrorId::ConversionNotAllowed>(source.name(), target.name());
}

SqlValue decimalToTarget(const SqlValue& value, ColumnType source, ColumnType target, int style)
{
    // A decimal at the scale of its type; money, whose type the conversion is not told, at its own.
    const bool typed = source.kind == SqlType::Decimal && source.scale >= 0 && source.length > 0;
    const DecimalValue exact = decimalOf(value, typed ? source : ColumnType{source.kind, 38, -1});
    switch (target.kind) {
    case SqlType::Int:
    case SqlType::BigInt:
    case SqlType::Bit: {
        // Toward zero, as SQL Server truncates a decimal converted to an integer.
        Uint128 whole = exact.magnitude;
        for (int i = 0; i < exact.scale; ++i)
            whole /= 10;
        if (target.kind == SqlType::Bit)
            return SqlValue::ofInteger(exact.magnitude != 0);
        const Uint128 limit = target.kind == SqlType::Int ? Uint128{1} << 31 : Uint128{1} << 63;
        if (whole > limit - (exact.negative ? 0 : 1))
            throw makeError<ErrorId::ArithmeticOverflow>(source.name(), target.name());
        const auto magnitude = static_cast<std::int64_t>(static_cast<std::uint64_t>(whole));
        return SqlValue::ofInteger(exact.negative ? -magnitude : magnitude);
    }
    case SqlType::Float:
    case SqlType::DateTime: {
        const double real = std::strtod(formatDecimal(exact).c_str(), nullptr);
        return target.kind == SqlType::Float
            ? SqlValue::ofReal(real)
            : convertValue(SqlValue::ofReal(real), {SqlType::Float, 0}, target, style);
    }
    case SqlType::Decimal: {
        const auto rescaled = target.scale < 0
            ? std::optional(exact)
            : rescaleDecimal(exact, static_cast<std::uint8_t>(target.scale), static_cast<std::uint8_t>(target.length));
        if (!rescaled)
            throw makeError<ErrorId::ArithmeticOverflow>(source.name(), "numeric");
        return SqlValue::ofText(formatDecimal(*rescaled));
    }
    default: {
        if (!target.isText())
            throw notAllowed(source, target);
        // money is written in its style, decimal with every digit of its scale.
        const bool money = source.kind == SqlType::Money || source.kind == SqlType::SmallMoney;
        std::string text = money ? moneyText(exact, style == assignmentStyle ? 0 : style) : formatDecimal(exact);
        return SqlValue::ofText(
            fitNumberText(std::move(text), target, style, money ? NumberSource::Money : NumberSource::Decimal, 0));
    }
    }
}

SqlValue temporalToTarget(const SqlValue& value, ColumnType source, ColumnType target, int style)
{
    const TemporalValue exact = temporalOf(value.text, source);
    if (target.kind == SqlType::DateTime) {
        const std::int32_t days = source.kind == SqlType::Time ? 0 : exact.days - daysTo1900;
        const auto milliseconds = static_cast<std::int64_t>((exact.ticks + 5000) / 10000);
        const store::DateTimeValue converted = store::fromMilliseconds(days, milliseconds);
        if (!store::inDateTimeRange(converted))
            throw dateTimeOutOfRange(source.name());
        return SqlValue::ofText(store::formatStored(converted));
    }
    if (!target.isText())
        throw notAllowed(source, target);
    const std::string text = formatTemporal(exact, temporalKindOf(source.kind), source.scale);
    return convertValue(SqlValue::ofText(text), {SqlType::VarChar, ColumnType::maxLength}, target, style);
}

}  // namespace

bool isParameterOnly(SqlType kind)
{
    switch (kind) {
    case SqlType::Int:
    case SqlType::BigInt:
    case SqlType::Bit:
    case SqlType::Float:
    case SqlType::Char:
    case SqlType::VarChar:
    case SqlType::NChar:
    case SqlType::NVarChar:
    case SqlType::DateTime:
    case SqlType::VarBinary: return false;  // a column or CONVERT can have them
    default: return true;
    }
}

TemporalKind temporalKindOf(SqlType kind)
{
    switch (kind) {
    case SqlType::Date: return TemporalKind::Date;
    case SqlType::Time: return TemporalKind::Time;
    case SqlType::DateTimeOffset: return TemporalKind::DateTimeOffset;
    default: return TemporalKind::DateTime2;
    }
}

DecimalValue decimalOf(const SqlValue& value, ColumnType type)
{
    std::optional<DecimalValue> exact;
    if (value.kind == SqlValue::Kind::Integer) {
        exact = parseDecimal(std::to_string(value.integer));
    } else if (value.kind == SqlValue::Kind::Real) {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", value.real);
        exact = parseDecimal(text);
    } else {
        exact = parseDecimal(value.text);
    }
    if (exact && type.scale >= 0)
        exact = rescaleDecimal(*exact, static_cast<std::uint8_t>(type.scale),
                               static_cast<std::uint8_t>(type.length > 0 ? type.length : 38));
    if (!exact)
        throw makeError<ErrorId::ArithmeticOverflow>("expression", type.name());
    return *exact;
}

TemporalValue temporalOf(std::string_view text, ColumnType type)
{
    const auto exact = parseTemporal(text, temporalKindOf(type.kind));
    if (!exact)
        throw makeError<ErrorId::DateTimeConversionFailed>();
    return *exact;
}

std::string guidText(std::string_view bytes)
{
    if (bytes.size() != 16)
        throw makeError<ErrorId::UniqueIdentifierConversionFailed>();
    const auto b = [&](int i) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]));
    };
    char text[40];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b(3), b(2),
                  b(1), b(0), b(5), b(4), b(7), b(6), b(8), b(9), b(10), b(11), b(12), b(13), b(14), b(15));
    return text;
}

SqlValue convertParameterValue(const SqlValue& value, ColumnType source, ColumnType target, int style)
{
    switch (source.kind) {
    case SqlType::TinyInt:
    case SqlType::SmallInt: return convertValue(value, {SqlType::Int, 0}, target, style);
    case SqlType::SmallDateTime: return convertValue(value, {SqlType::DateTime, 0}, target, style);
    case SqlType::Decimal:
    case SqlType::Money:
    case SqlType::SmallMoney: return decimalToTarget(value, source, target, style);
    case SqlType::Date:
    case SqlType::Time:
    case SqlType::DateTime2:
    case SqlType::DateTimeOffset: return temporalToTarget(value, source, target, style);
    case SqlType::UniqueIdentifier:
        if (!target.isText())
            throw notAllowed(source, target);
        return convertValue(SqlValue::ofText(guidText(value.text)), {SqlType::VarChar, ColumnType::maxLength}, target,
                            style);
    default: throw notAllowed(source, target);
    }
}

}  // namespace taskstore::sql
