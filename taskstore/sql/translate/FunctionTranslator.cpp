// Calls of the built-in functions to SQLite SQL, each by its row's rule of translation.
#include "taskstore/sql/translate/Translator.h"

#include "taskstore/sql/errors/SqlErrors.h"
#include "taskstore/sql/functions/SqliteFunctionCalls.h"
#include "taskstore/sql/parse/BuiltinFunctions.h"
#include "taskstore/sql/translate/TranslationScope.h"
#include "taskstore/sql/translate/TypedSql.h"

#include <string>
#include <vector>

namespace taskstore::sql {

using namespace translation;

// SUBSTRING(x, start, length), LEFT(x, n), RIGHT(x, n): counted in UTF-16 units, typed as x.
Typed Translator::textPart(FunctionTranslation part, std::vector<Typed> values)
{
    const Typed text = asText(values[0]);
    ColumnType type = text.isNull() ? ColumnType{SqlType::VarChar, 1} : text.type;
    if (type.kind == SqlType::Char || type.kind == SqlType::NChar)
        type.kind = type.isUnicode() ? SqlType::NVarChar : SqlType::VarChar;
    const bool substring = part == FunctionTranslation::Substring;
    const std::string start = substring ? coerce(values[1], SqlType::BigInt).sql : "1";
    const std::string length = coerce(values[substring ? 2 : 1], SqlType::BigInt).sql;
    const char* mode = substring ? "0" : part == FunctionTranslation::Left ? "1" : "2";
    return valueOf(sqliteCall<tsSubstring>(text.sql, start, length, mode), type);
}

Typed Translator::expression(const FunctionExpr& functionCall, int line, const Scope& scope)
{
    const BuiltinFunction& builtin = *functionCall.function;
    const std::string functionName(builtin.name);
    const auto arguments = [&] {
        const std::size_t count = builtin.minArguments;  // an optional argument goes unmentioned
        if (!builtin.takes(functionCall.args.size()))
            throw makeError<ErrorId::WrongArgumentCount>(functionName, count);
        std::vector<Typed> values;
        for (const ExprPtr& arg : functionCall.args) {
            values.push_back(expression(*arg, scope));
            requireValue(values.back(), functionName, line);
        }
        return values;
    };
    // UPPER, LOWER, LTRIM and RTRIM keep the type of their text.
    const auto keepingTextType = [&](const std::string& call, const std::string& rest) {
        const Typed text = asText(arguments().front());
        const ColumnType textType = text.isNull() ? ColumnType{SqlType::VarChar, 1} : text.type;
        return valueOf(call + "(" + text.sql + rest + ")", textType);
    };
    switch (builtin.translation) {
    case FunctionTranslation::Count: {
        if (!aggregates_ || !aggregates_->allowed)
            throw makeError<ErrorId::AggregateInWhere>();
        aggregates_->used = true;
        if (functionCall.args.empty())
            return valueOf("count(*)", {SqlType::Int, 0});
        ++aggregates_->depth;
        const Typed value = expression(*functionCall.args[0], scope);
        --aggregates_->depth;
        requireValue(value, functionName, line);
        return valueOf("count(" + value.sql + ")", {SqlType::Int, 0});
    }
    case FunctionTranslation::DatabaseName:
        arguments();
        return valueOf(literalText(context_.currentDatabase()), {SqlType::NVarChar, 128});
    case FunctionTranslation::ServerProperty: {
        const Typed name = arguments().front();
        if (!name.isNull() && !name.isText())
            throw makeError<ErrorId::InvalidArgumentType>(name.type.name(), 1, "serverproperty");
        Typed value = valueOf(sqliteCall<tsServerProperty>(name.sql), {SqlType::NVarChar, 128});
        value.variant = true;
        return value;
    }
    case FunctionTranslation::CurrentDateTime:
        arguments();
        return valueOf(sqliteCall<tsGetDate>(), {SqlType::DateTime, 0});
    case FunctionTranslation::IsNull: {
        auto values = arguments();
        if (values[0].isNull())
            return values[1];
        const Typed fallback = values[1].isNull() ? values[1] : assign(values[1], values[0].type);
        return valueOf("ifnull(" + values[0].sql + ", " + fallback.sql + ")", values[0].type);
    }
    case FunctionTranslation::Substring:
    case FunctionTranslation::Left:
    case FunctionTranslation::Right: return textPart(builtin.translation, arguments());
    case FunctionTranslation::CharIndex: {
        auto values = arguments();
        const std::string start = values.size() == 3 ? coerce(values[2], SqlType::BigInt).sql : "1";
        const std::string call = sqliteCall<tsCharIndex>(asText(values[0]).sql, asText(values[1]).sql, start);
        return valueOf(call, {SqlType::Int, 0});
    }
    case FunctionTranslation::DataLength: {
        const Typed value = arguments().front();
        if (value.isNull())
            return valueOf("NULL", {SqlType::Int, 0});
        if (value.isText())
            return valueOf(sqliteCall<tsDataLength>(value.sql, value.type.isUnicode() ? "1" : "0"), {SqlType::Int, 0});
        if (value.type.kind == SqlType::VarBinary)
            return valueOf("length(" + value.sql + ")", {SqlType::Int, 0});  // a blob's length is its bytes
        const int bytes = value.type.kind == SqlType::Int ? 4 : value.type.kind == SqlType::Bit ? 1 : 8;
        return valueOf("CASE WHEN " + value.sql + " IS NULL THEN NULL ELSE " + std::to_string(bytes) + " END",
                       {SqlType::Int, 0});
    }
    case FunctionTranslation::Length:
        return valueOf(sqliteCall<tsLen>(asText(arguments().front()).sql), {SqlType::Int, 0});
    case FunctionTranslation::Upper: return keepingTextType("upper", "");
    case FunctionTranslation::Lower: return keepingTextType("lower", "");
    case FunctionTranslation::TrimLeft: return keepingTextType("ltrim", ", ' '");
    case FunctionTranslation::TrimRight: return keepingTextType("rtrim", ", ' '");
    }
    throw syntaxErrorNear(functionName, line);
}

}  // namespace taskstore::sql
