#include "RecordingSink.h"

#include "taskstore/store/StoredDateTime.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace tsqltest {

void RecordingSink::columns(std::span<const taskstore::ColumnInfo> columns)
{
    results.push_back({{columns.begin(), columns.end()}, {}});
}

void RecordingSink::row(std::span<const taskstore::ValueView> values)
{
    Row row;
    for (const taskstore::ValueView& value : values) {
        switch (value.kind) {
        case taskstore::ValueView::Kind::Null: row.emplace_back(); break;
        case taskstore::ValueView::Kind::Int: row.emplace_back(std::to_string(value.integer)); break;
        case taskstore::ValueView::Kind::Float: {
            char text[32];
            std::snprintf(text, sizeof text, "%g", value.real);
            row.emplace_back(text);
            break;
        }
        case taskstore::ValueView::Kind::Text: row.emplace_back(std::string(value.text)); break;
        case taskstore::ValueView::Kind::DateTime:
            row.emplace_back(taskstore::store::formatStored({value.datetime.days, value.datetime.ticks}));
            break;
        case taskstore::ValueView::Kind::Decimal: row.emplace_back(taskstore::formatDecimal(value.decimal)); break;
        case taskstore::ValueView::Kind::Temporal:
            row.emplace_back(taskstore::formatTemporal(value.temporal, taskstore::TemporalKind::DateTimeOffset, 7));
            break;
        case taskstore::ValueView::Kind::Binary: row.emplace_back(std::string(value.text)); break;
        }
    }
    results.back().rows.push_back(std::move(row));
}

void RecordingSink::done(std::optional<std::int64_t> rowCount, bool failed) { dones.push_back({rowCount, failed}); }

RecordingSink run(taskstore::Session& session, std::string_view sql)
{
    RecordingSink sink;
    session.executeBatch(sql, sink);
    session.endRequest();
    return sink;
}

Rows query(taskstore::Session& session, std::string_view sql)
{
    RecordingSink sink = run(session, sql);
    for (const auto& error : sink.errors)
        ADD_FAILURE() << "error " << error.number << ": " << error.message << "\nin: " << sql;
    return sink.results.empty() ? Rows{} : sink.results.back().rows;
}

}  // namespace tsqltest
