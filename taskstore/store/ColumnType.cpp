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
    {"int", TypeKind::Int},         {"integer", TypeKind::Int},     {"bigint", TypeKind::BigInt},
    {"bit", TypeKind::Bit},         {"float", TypeKind::Float},     {"real", TypeKind::Float},
    {"char", TypeKind::Char},       {"varchar", TypeKind::VarChar}, {"nchar", TypeKind::NChar},
    {"nvarchar", TypeKind::NVarChar}, {"datetime", TypeKind::DateTime},
};

std::string_view trim(std::string_view text) { return text::trimmed(text, text::whiteSpace); }

}  // namespace

bool ColumnType::isText() const
{
    return kind == TypeKind::Char || kind == TypeKind::VarChar || kind == TypeKind::NChar
        || kind == TypeKind::NVarChar;
}

bool ColumnType::isUnicode() const { return kind == TypeKind::NChar || kind == TypeKind::NVarChar; }

bool ColumnType::isNumeric() const
{
    return kind == TypeKind::Int || kind == TypeKind::BigInt || kind == TypeKind::Bit
        || kind == TypeKind::Float;
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
    }
    return "int";
}

std::string ColumnType::spelling() const
{
    std::string text(name());
    if (isText())
        text += length == maxLength ? "(max)" : "(" + std::to_string(length) + ")";
    return text;
}

std::optional<ColumnType> ColumnType::fromName(std::string_view name, std::optional<int> length)
{
    const std::string key = text::asciiLower(name);
    const auto* found = std::find_if(std::begin(namedKinds), std::end(namedKinds),
                                     [&](const NamedKind& k) { return k.name == key; });
    if (found == std::end(namedKinds))
        return std::nullopt;
    ColumnType type{found->kind, 0};
    if (!type.isText())
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
    if (text::asciiLower(inner) == "max")
        return fromName(trim(text.substr(0, open)), maxLength);
    int length = 0;
    const auto [end, error] = std::from_chars(inner.data(), inner.data() + inner.size(), length);
    if (error != std::errc() || end != inner.data() + inner.size())
        return std::nullopt;
    return fromName(trim(text.substr(0, open)), length);
}

}  // namespace taskstore::store
