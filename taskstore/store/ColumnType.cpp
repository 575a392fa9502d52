#include "taskstore/store/ColumnType.h"

#include <algorithm>
#include <charconv>

#include "common/AsciiCase.h"
#include "common/Trim.h"

namespace taskstore::store {
namespace {

struct NamedKind {
    std::string_view name;
    TypeKind kind;
};
constexpr NamedKind namedKinds[] = {
    {"int", TypeKind::Int},           {"integer", TypeKind::Int},       {"bigint", TypeKind::BigInt},
    {"bit", TypeKind::Bit},           {"float", TypeKind::Float},       {"real", TypeKind::Float},
    {"char", TypeKind::Char},         {"varchar", TypeKind::VarChar},   {"nchar", TypeKind::NChar},
    {"nvarchar", TypeKind::NVarChar}, {"datetime", TypeKind::DateTime}, {"varbinary", TypeKind::VarBinary},
};

std::string_view trim(std::string_view text) { return common::trimmed(text, common::whiteSpace); }

}  // namespace

bool ColumnType::isText() const
{
    return kind == TypeKind::Char || kind == TypeKind::VarChar || kind == TypeKind::NChar || kind == TypeKind::NVarChar;
}

bool ColumnType::isUnicode() const { return kind == TypeKind::NChar || kind == TypeKind::NVarChar; }

bool ColumnType::isNumeric() const
{
    return kind == TypeKind::Int || kind == TypeKind::BigInt || kind == TypeKind::Bit || kind == TypeKind::Float;
}

std::string_view ColumnType::name() const
{
    switch (kind) {
    case TypeKind::Int: return "int";
    case TypeKind::BigInt: return "bigint";
    case TypeKind::Bit: return "bit";
    case TypeKind::Float: return "float";
    case TypeKind::Char: return "char";
    case TypeKind::VarChar: return "varchar";
    case TypeKind::NChar: return "nchar";
    case TypeKind::NVarChar: return "nvarchar";
    case TypeKind::DateTime: return "datetime";
    case TypeKind::TinyInt: return "tinyint";
    case TypeKind::SmallInt: return "smallint";
    case TypeKind::SmallDateTime: return "smalldatetime";
    case TypeKind::Decimal: return "decimal";
    case TypeKind::Money: return "money";
    case TypeKind::SmallMoney: return "smallmoney";
    case TypeKind::UniqueIdentifier: return "uniqueidentifier";
    case TypeKind::VarBinary: return "varbinary";
    case TypeKind::Date: return "date";
    case TypeKind::Time: return "time";
    case TypeKind::DateTime2: return "datetime2";
    case TypeKind::DateTimeOffset: return "datetimeoffset";
    }
    return "int";
}

std::string ColumnType::spelling() const
{
    std::string text(name());
    if (isText() || kind == TypeKind::VarBinary)
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
    if (!type.isText() && type.kind != TypeKind::VarBinary)
        return length ? std::nullopt : std::optional(type);
    const bool unicode = type.isUnicode();
    const bool fixed = type.kind == TypeKind::Char || type.kind == TypeKind::NChar;
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
        return ColumnType{TypeKind::TinyInt, 0};
    if (name == "smallint")
        return ColumnType{TypeKind::SmallInt, 0};
    if (name == "smalldatetime")
        return ColumnType{TypeKind::SmallDateTime, 0};
    if (name == "decimal" || name == "numeric") {
        const std::optional<int> precision = numberOr(numbers[0], 18, 1, 38);
        const std::optional<int> scale = precision ? numberOr(numbers[1], 0, 0, *precision) : std::nullopt;
        if (!scale)
            return std::nullopt;
        return ColumnType{TypeKind::Decimal, *precision, *scale};
    }
    if (name == "money")
        return ColumnType{TypeKind::Money, 19, 4};
    if (name == "smallmoney")
        return ColumnType{TypeKind::SmallMoney, 10, 4};
    if (name == "uniqueidentifier")
        return ColumnType{TypeKind::UniqueIdentifier, 16};
    if (name == "image")
        return ColumnType{TypeKind::VarBinary, maxLength};
    if (name == "varbinary" || name == "binary") {
        const std::optional<int> length = max ? maxLength : numberOr(numbers[0], 1, 1, 8000);
        if (!length)
            return std::nullopt;
        return ColumnType{TypeKind::VarBinary, *length};
    }
    if (name == "float")
        return ColumnType{TypeKind::Float, 0};
    if (name == "date")
        return ColumnType{TypeKind::Date, 0};
    if (name == "time" || name == "datetime2" || name == "datetimeoffset") {
        const std::optional<int> scale = numberOr(numbers[0], 7, 0, 7);
        if (!scale)
            return std::nullopt;
        const TypeKind kind = name == "time" ? TypeKind::Time
            : name == "datetime2"            ? TypeKind::DateTime2
                                             : TypeKind::DateTimeOffset;
        return ColumnType{kind, 0, *scale};
    }
    if (name == "ntext")
        return ColumnType{TypeKind::NVarChar, maxLength};
    if (name == "text")
        return ColumnType{TypeKind::VarChar, maxLength};
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
