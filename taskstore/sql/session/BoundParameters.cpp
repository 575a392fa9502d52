#include "taskstore/sql/session/BoundParameters.h"

#include "taskstore/engine/CodePage.h"
#include "taskstore/sql/errors/SqlErrors.h"
#include "taskstore/sql/functions/Conversions.h"
#include "taskstore/sql/functions/ParameterConversions.h"
#include "taskstore/store/StoredDateTime.h"

namespace taskstore::sql {

namespace {

// The engine's type for a declared parameter: its column types, and the wider set drivers
// declare, each mapped to the nearest type the engine keeps.
ColumnType parameterTypeOf(const std::string& declared, std::size_t position)
{
    if (const auto type = ColumnType::parseParameterType(declared))
        return *type;
    throw makeError<ErrorId::UnknownDataType>(position + 1, declared);
}

}  // namespace

std::vector<std::string> BoundParameters::bind(std::span<const Parameter> parameters)
{
    std::vector<std::string> names;
    types_.clear();
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        names.push_back(parameters[i].name);
        types_.push_back(parameterTypeOf(parameters[i].declaredType, i));
    }
    values_ = parameters;
    return names;
}

void BoundParameters::clear()
{
    values_ = {};
    types_.clear();
}

void BoundParameters::bindTo(sqlite3_stmt* statement) const
{
    for (int i = 1; i <= sqlite3_bind_parameter_count(statement); ++i) {
        const char* name = sqlite3_bind_parameter_name(statement, i);
        const std::size_t position = name ? std::stoul(name + 1) - 1 : values_.size();
        if (position >= values_.size())
            continue;
        const Parameter& p = values_[position];
        switch (p.kind) {
        case ValueView::Kind::Null: sqlite3_bind_null(statement, i); break;
        case ValueView::Kind::Int: sqlite3_bind_int64(statement, i, p.integer); break;
        case ValueView::Kind::Float: sqlite3_bind_double(statement, i, p.real); break;
        case ValueView::Kind::Text:
            if (types_[position].isText() && !types_[position].isUnicode()) {
                // A varchar parameter holds what the database's code page can.
                const std::string kept = keptByDatabaseCodePage(p.text);
                sqlite3_bind_text(statement, i, kept.data(), static_cast<int>(kept.size()), SQLITE_TRANSIENT);
            } else {
                sqlite3_bind_text(statement, i, p.text.data(), static_cast<int>(p.text.size()), SQLITE_STATIC);
            }
            break;
        case ValueView::Kind::DateTime: {
            const std::string stored = store::formatStored({p.datetime.days, p.datetime.ticks});
            sqlite3_bind_text(statement, i, stored.data(), static_cast<int>(stored.size()), SQLITE_TRANSIENT);
            break;
        }
        case ValueView::Kind::Decimal: {
            const std::string exact = formatDecimal(p.decimal);
            sqlite3_bind_text(statement, i, exact.data(), static_cast<int>(exact.size()), SQLITE_TRANSIENT);
            break;
        }
        case ValueView::Kind::Temporal: {
            // As its declared type holds it; a datetime declaration takes it rounded to datetime.
            const ColumnType declared = types_[position];
            const bool temporal = declared.kind == SqlType::Date || declared.kind == SqlType::Time
                || declared.kind == SqlType::DateTime2 || declared.kind == SqlType::DateTimeOffset;
            const ColumnType as = temporal ? declared : ColumnType{SqlType::DateTime2, 0, 7};
            std::string text = formatTemporal(p.temporal, temporalKindOf(as.kind), 7);
            if (!temporal)
                text = convertValue(SqlValue::ofText(text), as, {SqlType::DateTime, 0}, 0).text;
            sqlite3_bind_text(statement, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
            break;
        }
        case ValueView::Kind::Binary:
            sqlite3_bind_blob(statement, i, p.text.data(), static_cast<int>(p.text.size()), SQLITE_STATIC);
            break;
        }
    }
}

}  // namespace taskstore::sql
