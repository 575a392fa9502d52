#include "taskstore/sql/functions/Conversions.h"

#include "common/Trim.h"
#include "common/UtfCodec.h"
#include "taskstore/engine/CodePage.h"
#include "taskstore/sql/errors/SqlErrors.h"
#include "taskstore/sql/functions/DateTimeStyles.h"
#include "taskstore/sql/functions/DateTimeText.h"
#include "taskstore/sql/functions/DecimalArithmetic.h"
#include "taskstore/sql/functions/NumberText.h"
#include "taskstore/sql/functions/ParameterConversions.h"
#include "taskstore/sql/functions/TextUnits.h"
#include "taskstore/store/StoredDateTime.h"
#include "taskstore/store/TextCollation.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace taskstore::sql {
namespace {

using store::DateTimeValue;

std::string_view trimBlanks(std::string_view text) { return common::trimmed(text, " "); }

std::string sourceName(ColumnType type)
{
    // Fixed-length sources are reported by their variable-length names, as the server does.
    if (type.kind == SqlType::Char)
        return "varchar";
    if (type.kind == SqlType::NChar)
        return "nvarchar";
    return std::string(type.name());
}

SqlError overflow(std::string_view typeName) { return makeError<ErrorId::ArithmeticOverflow>("expression", typeName); }

enum class DigitsResult { Ok, Invalid, Overflow };

// One optional sign, then ASCII digits only, after trimming blanks; '' is 0.
DigitsResult parseDigits(std::string_view text, std::int64_t low, std::int64_t high, std::int64_t& value)
{
    text = trimBlanks(text);
    value = 0;
    if (text.empty())
        return DigitsResult::Ok;
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    bool overflowed = false;
    std::uint64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return DigitsResult::Invalid;
        if (magnitude > (std::numeric_limits<std::uint64_t>::max() - 9) / 10)
            overflowed = true;
        else
            magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
    }
    const std::uint64_t limit =
        negative ? static_cast<std::uint64_t>(-(low + 1)) + 1 : static_cast<std::uint64_t>(high);
    if (overflowed || magnitude > limit)
        return DigitsResult::Overflow;
    value = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    return DigitsResult::Ok;
}

std::int64_t textToInteger(std::string_view text, ColumnType source, SqlType target)
{
    std::int64_t value = 0;
    switch (target) {
    case SqlType::Int: return textToInt(text, sourceName(source));
    case SqlType::BigInt:
        switch (parseDigits(text, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
                            value)) {
        case DigitsResult::Ok: return value;
        case DigitsResult::Overflow: throw overflow("bigint");
        case DigitsResult::Invalid: break;
        }
        throw makeError<ErrorId::ConversionToTypeFailed>(sourceName(source), "bigint");
    default: {  // bit
        const std::string_view trimmed = trimBlanks(text);
        if (store::compareText(trimmed, "true") == 0)
            return 1;
        if (store::compareText(trimmed, "false") == 0)
            return 0;
        if (parseDigits(text, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(), value)
            != DigitsResult::Invalid)
            return value != 0;
        throw makeError<ErrorId::ValueConversionFailed>(sourceName(source), text, "bit");
    }
    }
}

double textToFloat(std::string_view text, ColumnType source)
{
    const std::string trimmed(trimBlanks(text));
    if (trimmed.empty())
        return 0;
    const bool plain = trimmed.find_first_not_of("0123456789+-.eE") == std::string::npos;
    char* end = nullptr;
    const double value = plain ? std::strtod(trimmed.c_str(), &end) : 0;
    if (!plain || end != trimmed.c_str() + trimmed.size() || !std::isfinite(value))
        throw makeError<ErrorId::ConversionToTypeFailed>(sourceName(source), "float");
    return value;
}

std::int64_t checkRange(std::int64_t value, SqlType target)
{
    if (target == SqlType::Bit)
        return value != 0;
    if (target == SqlType::Int
        && (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()))
        throw overflow("int");
    return value;
}

std::int64_t floatToInteger(double value, SqlType target)
{
    if (target == SqlType::Bit)
        return value != 0;
    const double truncated = std::trunc(value);
    const double low = target == SqlType::Int ? -2147483648.0 : -9223372036854775808.0;
    const double high = target == SqlType::Int ? 2147483647.0 : 9223372036854775807.0;
    if (!(truncated >= low && truncated <= high) || (target == SqlType::BigInt && truncated >= 9223372036854775807.0))
        throw makeError<ErrorId::ArithmeticOverflow>("float", target == SqlType::Int ? "int" : "bigint");
    return static_cast<std::int64_t>(truncated);
}

// The first characters of a text that fit in `bytes` of the database's code page.
std::string codePagePrefix(std::string_view text, std::size_t bytes)
{
    std::size_t used = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        common::decodeUtf8(text, pos);
        used += databaseCodePageBytes(text.substr(start, pos - start));
        if (used > bytes)
            return std::string(text.substr(0, start));
    }
    return std::string(text);
}

// varchar and char hold what the database's code page can (other characters become '?') and
// count its bytes; nvarchar and nchar count UTF-16 units.
bool fitsTarget(const std::string& text, ColumnType target)
{
    if (target.length == ColumnType::maxLength)
        return true;
    const std::size_t length = target.isUnicode() ? utf16Units(text) : databaseCodePageBytes(text);
    return length <= static_cast<std::size_t>(std::max(target.length, 0));
}

// char(n) and nchar(n) are filled up with blanks to their length.
std::string padded(std::string text, ColumnType target)
{
    const bool fixed = target.kind == SqlType::Char || target.kind == SqlType::NChar;
    if (!fixed || target.length == ColumnType::maxLength)
        return text;
    const std::size_t length = target.isUnicode() ? utf16Units(text) : databaseCodePageBytes(text);
    if (length < static_cast<std::size_t>(target.length))
        text.append(static_cast<std::size_t>(target.length) - length, ' ');
    return text;
}

std::string fitText(std::string text, ColumnType target, int style)
{
    if (!target.isUnicode())
        text = keptByDatabaseCodePage(text);
    if (fitsTarget(text, target))
        return padded(std::move(text), target);
    if (style == assignmentStyle)
        throw makeError<ErrorId::Truncation>();
    const auto limit = static_cast<std::size_t>(target.length);
    return padded(target.isUnicode() ? utf16Slice(text, 0, limit) : codePagePrefix(text, limit), target);
}

}  // namespace

std::string fitNumberText(std::string text, ColumnType target, int style, NumberSource source, double value)
{
    if (fitsTarget(text, target))
        return padded(std::move(text), target);
    if (style == assignmentStyle)
        throw makeError<ErrorId::Truncation>();
    return numberThatDoesNotFit(source, target, value);
}

namespace {

// varbinary from and to text (varchar as its bytes, nvarchar as UTF-16LE) and integers (big-endian).
SqlValue convertBinary(const SqlValue& value, ColumnType source, ColumnType target, int style)
{
    const auto notAllowed = [&] { return makeError<ErrorId::ConversionNotAllowed>(source.name(), target.name()); };
    if (target.kind == SqlType::VarBinary) {
        std::string bytes;
        if (source.kind == SqlType::VarBinary || (source.isText() && !source.isUnicode())) {
            bytes = value.text;
        } else if (source.isUnicode()) {
            bytes = utf16leBytes(value.text);
        } else if (value.kind == SqlValue::Kind::Integer) {
            const int width = source.kind == SqlType::BigInt ? 8 : source.kind == SqlType::Bit ? 1 : 4;
            for (int i = width - 1; i >= 0; --i)
                bytes += static_cast<char>(static_cast<std::uint64_t>(value.integer) >> (8 * i));
        } else {
            throw notAllowed();
        }
        if (target.length != ColumnType::maxLength && bytes.size() > static_cast<std::size_t>(target.length)) {
            if (style == assignmentStyle)
                throw makeError<ErrorId::Truncation>();
            bytes.resize(static_cast<std::size_t>(target.length));
        }
        return SqlValue::ofBlob(std::move(bytes));
    }
    if (target.isText())
        return SqlValue::ofText(fitText(target.isUnicode() ? textFromUtf16le(value.text) : value.text, target, style));
    if (target.kind == SqlType::Int || target.kind == SqlType::BigInt || target.kind == SqlType::Bit) {
        const std::size_t width = target.kind == SqlType::BigInt ? 8 : 4;
        const std::string_view last =
            std::string_view(value.text).substr(value.text.size() > width ? value.text.size() - width : 0);
        std::uint64_t bits = 0;
        for (const char c : last)
            bits = bits << 8 | static_cast<unsigned char>(c);
        if (target.kind == SqlType::Bit)
            return SqlValue::ofInteger(bits != 0);
        return SqlValue::ofInteger(width == 4 ? static_cast<std::int32_t>(bits) : static_cast<std::int64_t>(bits));
    }
    throw notAllowed();
}

// To decimal(precision, scale), or exactly at the value's own scale when the scale is -1.
DecimalValue toDecimal(const SqlValue& value, ColumnType source, ColumnType target)
{
    std::optional<DecimalValue> exact;
    if (value.kind == SqlValue::Kind::Real) {
        char text[400];
        std::snprintf(text, sizeof text, "%.*f", std::max(target.scale, 0), value.real);
        exact = parseDecimal(text);
    } else if (value.kind == SqlValue::Kind::Integer) {
        exact = parseDecimal(std::to_string(value.integer));
    } else {
        exact = parseDecimal(value.text);
        if (!exact && source.isText())
            throw makeError<ErrorId::ConversionToTypeFailed>(sourceName(source), "numeric");
    }
    if (exact && target.scale >= 0)
        exact =
            rescaleDecimal(*exact, static_cast<std::uint8_t>(target.scale), static_cast<std::uint8_t>(target.length));
    if (!exact)
        throw makeError<ErrorId::ArithmeticOverflow>(sourceName(source), "numeric");
    return *exact;
}

std::string dateTimeFromDays(double days)
{
    const double whole = std::floor(days);
    const auto overflow = [] { return makeError<ErrorId::ArithmeticOverflow>("expression", "datetime"); };
    if (!(whole >= -53690 && whole <= 2958463))
        throw overflow();
    const auto ms = static_cast<std::int64_t>(std::llround((days - whole) * 86400000.0));
    // A fraction that rounds up to midnight carries into the next day, maybe past the last one.
    const DateTimeValue value = store::fromMilliseconds(static_cast<std::int32_t>(whole), ms);
    if (!store::inDateTimeRange(value))
        throw overflow();
    return store::formatStored(value);
}

}  // namespace

std::int32_t textToInt(std::string_view text, std::string_view sourceTypeName)
{
    std::int64_t value = 0;
    switch (
        parseDigits(text, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(), value)) {
    case DigitsResult::Ok: return static_cast<std::int32_t>(value);
    case DigitsResult::Overflow: throw makeError<ErrorId::IntOverflow>(sourceTypeName, text);
    case DigitsResult::Invalid: break;
    }
    throw makeError<ErrorId::ValueConversionFailed>(sourceTypeName, text, "int");
}

std::optional<std::int32_t> textToIntIfValid(std::string_view text)
{
    std::int64_t value = 0;
    if (parseDigits(text, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(), value)
        != DigitsResult::Ok)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

SqlValue convertValue(const SqlValue& value, ColumnType source, ColumnType target, int style)
{
    if (value.kind == SqlValue::Kind::Null)
        return value;
    if (isParameterOnly(source.kind))
        return convertParameterValue(value, source, target, style);
    if (source.kind == SqlType::VarBinary || target.kind == SqlType::VarBinary)
        return convertBinary(value, source, target, style);
    const bool fromText = source.isText();
    switch (target.kind) {
    case SqlType::Int:
    case SqlType::BigInt:
    case SqlType::Bit:
        if (fromText)
            return SqlValue::ofInteger(textToInteger(value.text, source, target.kind));
        if (source.kind == SqlType::DateTime)
            throw makeError<ErrorId::ConversionNotAllowed>("datetime", target.name());
        if (value.kind == SqlValue::Kind::Real)
            return SqlValue::ofInteger(floatToInteger(value.real, target.kind));
        return SqlValue::ofInteger(checkRange(value.integer, target.kind));
    case SqlType::Float:
        if (fromText)
            return SqlValue::ofReal(textToFloat(value.text, source));
        if (source.kind == SqlType::DateTime)
            throw makeError<ErrorId::ConversionNotAllowed>("datetime", "float");
        return SqlValue::ofReal(value.kind == SqlValue::Kind::Real ? value.real : static_cast<double>(value.integer));
    case SqlType::DateTime:
        if (fromText) {
            if (style != assignmentStyle)
                requireReadableDateStyle(style);
            return SqlValue::ofText(textToDateTime(value.text, sourceName(source)));
        }
        if (source.kind == SqlType::DateTime)
            return value;
        return SqlValue::ofText(
            dateTimeFromDays(value.kind == SqlValue::Kind::Real ? value.real : static_cast<double>(value.integer)));
    case SqlType::Char:
    case SqlType::VarChar:
    case SqlType::NChar:
    case SqlType::NVarChar:
        if (fromText)
            return SqlValue::ofText(fitText(value.text, target, style));
        if (source.kind == SqlType::DateTime)
            return SqlValue::ofText(
                fitText(dateTimeText(value.text, style == assignmentStyle ? 0 : style), target, style));
        if (value.kind == SqlValue::Kind::Real)
            return SqlValue::ofText(fitNumberText(floatText(value.real, style == assignmentStyle ? 0 : style), target,
                                                  style, NumberSource::Float, value.real));
        return SqlValue::ofText(fitNumberText(std::to_string(value.integer), target, style, NumberSource::Integer, 0));
    case SqlType::Decimal: return SqlValue::ofText(formatDecimal(toDecimal(value, source, target)));
    default:  // no statement converts to the other parameter-only types
        break;
    }
    return value;
}

int typeCode(ColumnType type)
{
    if (type.kind != SqlType::Decimal)
        return static_cast<int>(type.kind);
    return static_cast<int>(type.kind) | (type.scale + 1) << 8 | type.length << 16;
}

ColumnType typeOfCode(int code, int length)
{
    const auto kind = static_cast<SqlType>(code & 0xFF);
    if (kind != SqlType::Decimal)
        return {kind, length};
    return {kind, code >> 16, (code >> 8 & 0xFF) - 1};
}

SqlValue arithmetic(char op, ColumnType type, const SqlValue& left, const SqlValue& right)
{
    if (left.kind == SqlValue::Kind::Null || right.kind == SqlValue::Kind::Null)
        return SqlValue::null();
    const SqlType kind = type.kind;
    if (kind == SqlType::Decimal) {
        const ColumnType ownScale{SqlType::Decimal, maxDecimalPrecision, -1};
        return SqlValue::ofText(formatDecimal(
            decimalArithmetic(op, decimalOf(left, ownScale), decimalOf(right, ownScale), {type.length, type.scale})));
    }
    const auto divideByZero = [] { return makeError<ErrorId::DivideByZero>(); };
    if (kind == SqlType::Float) {
        const double a = left.kind == SqlValue::Kind::Real ? left.real : static_cast<double>(left.integer);
        const double b = right.kind == SqlValue::Kind::Real ? right.real : static_cast<double>(right.integer);
        double result = 0;
        switch (op) {
        case '+': result = a + b; break;
        case '-': result = a - b; break;
        case '*': result = a * b; break;
        default:
            if (b == 0)
                throw divideByZero();
            result = a / b;
        }
        if (!std::isfinite(result))
            throw makeError<ErrorId::ArithmeticOverflow>("expression", "float");
        return SqlValue::ofReal(result);
    }
    const std::int64_t a = left.kind == SqlValue::Kind::Real ? static_cast<std::int64_t>(left.real) : left.integer;
    const std::int64_t b = right.kind == SqlValue::Kind::Real ? static_cast<std::int64_t>(right.real) : right.integer;
    std::int64_t result = 0;
    bool overflowed = false;
    switch (op) {
    case '+': overflowed = __builtin_add_overflow(a, b, &result); break;
    case '-': overflowed = __builtin_sub_overflow(a, b, &result); break;
    case '*': overflowed = __builtin_mul_overflow(a, b, &result); break;
    case '/':
    case '%':
        if (b == 0)
            throw divideByZero();
        if (b == -1 && a == std::numeric_limits<std::int64_t>::min()) {
            overflowed = op == '/';
            break;
        }
        result = op == '/' ? a / b : a % b;
        break;
    default: break;
    }
    if (overflowed)
        throw overflow(kind == SqlType::BigInt ? "bigint" : "int");
    return SqlValue::ofInteger(kind == SqlType::BigInt ? result : checkRange(result, SqlType::Int));
}

SqlValue dateTimeArithmetic(char op, SqlType leftKind, const SqlValue& left, SqlType rightKind, const SqlValue& right)
{
    if (left.kind == SqlValue::Kind::Null || right.kind == SqlValue::Kind::Null)
        return SqlValue::null();
    const auto days = [](SqlType kind, const SqlValue& value) {
        if (kind == SqlType::DateTime) {
            const auto stored = store::parseStored(value.text);
            if (!stored)
                throw dateTimeOutOfRange("varchar");
            return stored->days + static_cast<double>(stored->ticks) / store::ticksPerDay;
        }
        if (value.kind == SqlValue::Kind::Text)  // a decimal
            return std::strtod(value.text.c_str(), nullptr);
        return value.kind == SqlValue::Kind::Real ? value.real : static_cast<double>(value.integer);
    };
    const double a = days(leftKind, left), b = days(rightKind, right);
    return SqlValue::ofText(dateTimeFromDays(op == '-' ? a - b : a + b));
}

std::int64_t textLength(std::string_view text)
{
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return static_cast<std::int64_t>(utf16Units(text));
}

}  // namespace taskstore::sql
