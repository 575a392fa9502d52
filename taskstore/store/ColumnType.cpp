#include "taskstore/store/ColumnType.h"

#include <algorithm>
#include <charconv>

#include "common/AsciiCase.h"
#include "common/Trim.h"

namespace taskstore::store {
namespace {

struct NamedKind {
    std::string_view name;
    SqlType kind;
};
constexpr NamedKind namedKinds[] = {
    {"int", SqlType::Int},           {"integer", SqlType::Int},       {"bigint", SqlType::BigInt},
    {"bit", SqlType::Bit},           {"float", SqlType::Float},       {"real", SqlType::Float},
    {"char", SqlType::Char},         {"varchar", SqlType::VarChar},   {"nchar", SqlType::NChar},
    {"nvarchar", SqlType::NVarChar}, {"datetime", SqlType::DateTime}, {"varbinary", SqlType::VarBinary},
};

std::string_view trim(std::string_view text) { return common::trimmed(text, common::whiteSpace); }

}  // namespace

bool ColumnType::isText() const
{
    return kind == SqlType::Char || kind == SqlType::VarChar || kind == SqlType::NChar || kind == SqlType::NVarChar;
}

bool ColumnType::isUnicode() const { return kind == SqlType::NChar || kind == SqlType::NVarChar; }

bool ColumnType::isNumeric() const
{
    return kind == SqlType::Int || kind == SqlType::BigInt || kind == SqlType::Bit || kind == SqlType::Float;
}

std::string_view ColumnType::name() const
{
    switch (kind) {
    case SqlType::Int: return "int";
    case SqlType::BigInt: return "bigint";
    case SqlType::Bit: return "bit";
    case SqlType::Float: return "float";
    case SqlType::Char: return "char";
    case SqlType::VarChar: return "varchar";
    case SqlType::NChar: return "nchar";
    case SqlType::NVarChar: return "nvarchar";
    case SqlType::DateTime: return "datetime";
    case SqlType::TinyInt: return "tinyint";
    case SqlType::SmallInt: return "smallint";
    case SqlType::SmallDateTime: return "smalldatetime";
    case SqlType::Decimal: return "decimal";
    case SqlType::Money: return "money";
    case SqlType::SmallMoney: return "smallmoney";
    case SqlType::UniqueIdentifier: return "uniqueidentifier";
    case SqlType::VarBinary: return "varbinary";
    case SqlType::Date: return "date";
    case SqlType::Time: return "time";
    case SqlType::DateTime2: return "datetime2";
    case SqlType::DateTimeOffset: return "datetimeoffset";
    case SqlType::Variant: return "sql_variant";
    }
    return "int";
}

std::string ColumnType::spelling() const
{
    std::string text(name());
    if (isText() || kind == SqlType::VarBinary)
        text += length == maxLength ? "(max)" : "(" + std::to_string(length) + ")";
    return text;
}

std::optional<ColumnType> ColumnType::fromName(std::string_view name, std::optional<int> length)
{
    const std::string key = common::asciiLower(name);
    const auto* found =
        std::find_if(std::begin(namedKinds), std::end(namedKinds), [&](const NamedKind& k) { return k.name == key; });
    if (found == std::end(namedKinds))
        return std::nullopt;
    ColumnType type{found->kind, 0};
    if (!type.isText() && type.kind != SqlType::VarBinary)
        return length ? std::nullopt : std::optional(type);
    const bool unicode = type.isUnicode();
    const bool fixed = type.kind == SqlType::Char || type.kind == SqlType::NChar;
    type.length = length.value_or(1);
    if (type.length == maxLength)
        return fixed ? std::nullopt : std::optional(type);
    if (type.length < 1 || type.length > (unicode ? 4000 : 8000))
        return std::nullopt;
    return type;
}

std::optional<ColumnType> ColumnType::parseParameterType(std::string_view text)
{
    if (const auto type = parse(text))
        return type;
    text = trim(text);
    const auto open = text.find('(');
    const std::string name = common::asciiLower(trim(text.substr(0, open)));
    // The numbers in parentheses, as written: "(10, 3)", "(6)", "(max)".
    std::optional<int> numbers[2];
    bool max = false;
    if (open != std::string_view::npos) {
        const auto close = text.find(')', open);
        if (close == std::string_view::npos || !trim(text.substr(close + 1)).empty())
            return std::nullopt;
        std::string_view inner = trim(text.substr(open + 1, close - open - 1));
        max = common::asciiLower(inner) == "max";
        for (std::optional<int>& number : numbers) {
            if (max)
                break;
            const auto comma = inner.find(',');
            const std::string_view part = trim(inner.substr(0, comma));
            int value = 0;
            const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
            if (error != std::errc() || end != part.data() + part.size())
                return std::nullopt;
            number = value;
            if (comma == std::string_view::npos)
                break;
            inner = inner.substr(comma + 1);
        }
    }
    // A number written must lie in its type's range; one left out takes the type's default.
    const auto numberOr = [](std::optional<int> number, int fallback, int least, int most) -> std::optional<int> {
        if (!number)
            return fallback;
        return *number >= least && *number <= most ? number : std::nullopt;
    };
    if (name == "tinyint")
        return ColumnType{SqlType::TinyInt, 0};
    if (name == "smallint")
        return ColumnType{SqlType::SmallInt, 0};
    if (name == "smalldatetime")
        return ColumnType{SqlType::SmallDateTime, 0};
    if (name == "decimal" || name == "numeric") {
        const std::optional<int> precision = numberOr(numbers[0], 18, 1, 38);
        const std::optional<int> scale = precision ? numberOr(numbers[1], 0, 0, *precision) : std::nullopt;
        if (!scale)
            return std::nullopt;
        return ColumnType{SqlType::Decimal, *precision, *scale};
    }
    if (name == "money")
        return ColumnType{SqlType::Money, 19, 4};
    if (name == "smallmoney")
        return ColumnType{SqlType::SmallMoney, 10, 4};
    if (name == "uniqueidentifier")
        return ColumnType{SqlType::UniqueIdentifier, 16};
    if (name == "image")
        return ColumnType{SqlType::VarBinary, maxLength};
    if (name == "varbinary" || name == "binary") {
        const std::optional<int> length = max ? maxLength : numberOr(numbers[0], 1, 1, 8000);
        if (!length)
            return std::nullopt;
        return ColumnType{SqlType::VarBinary, *length};
    }
    if (name == "float")
        return ColumnType{SqlType::Float, 0};
    if (name == "date")
        return ColumnType{SqlType::Date, 0};
    if (name == "time" || name == "datetime2" || name == "datetimeoffset") {
        const std::optional<int> scale = numberOr(numbers[0], 7, 0, 7);
        if (!scale)
            return std::nullopt;
        const SqlType kind = name == "time" ? SqlType::Time
            : name == "datetime2"            ? SqlType::DateTime2
                                             : SqlType::DateTimeOffset;
        return ColumnType{kind, 0, *scale};
    }
    if (name == "ntext")
        return ColumnType{SqlType::NVarChar, maxLength};
    if (name == "text")
        return ColumnType{SqlType::VarChar, maxLength};
    return std::nullopt;
}

std::optional<ColumnType> ColumnType::parse(std::string_view text)
{
    text = trim(text);
    const auto open = text.find('(');
    if (open == std::string_view::npos)
        return fromName(text, std::nullopt);
    const auto close = text.find(')', open);
    if (close == std::string_view::npos || !trim(text.substr(close + 1)).empty())
        return std::nullopt;
    const std::string_view inner = trim(text.substr(open + 1, close - open - 1));
    if (common::asciiLower(inner) == "max")
        return fromName(trim(text.substr(0, open)), maxLength);
    int length = 0;
    const auto [end, error] = std::from_chars(inner.data(), inner.data() + inner.size(), length);
    if (error != std::errc() || end != inner.data() + inner.size())
        return std::nullopt;
    return fromName(trim(text.substr(0, open)), length);
}

}  // namespace taskstore::store
