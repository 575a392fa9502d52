#pragma once
// A ResultSink that keeps everything the engine reports, values as text (NULL as nullopt,
// datetime as "YYYY-MM-DD HH:MM:SS.mmm"), so tests compare plain strings.
#include "taskstore/engine/Engine.h"

#include <optional>
#include <string>
#include <vector>

namespace tsqltest {

using Row = std::vector<std::optional<std::string>>;
using Rows = std::vector<Row>;

struct ResultSet {
    std::vector<taskstore::ColumnInfo> columns;
    Rows rows;
};

class RecordingSink : public taskstore::ResultSink {
public:
    void columns(std::span<const taskstore::ColumnInfo> columns) override;
    void row(std::span<const taskstore::ValueView> values) override;
    void done(std::optional<std::int64_t> rowCount, bool failed) override;
    void info(const taskstore::SqlError& message) override { infos.push_back(message); }
    void error(const taskstore::SqlError& error) override { errors.push_back(error); }
    void databaseChanged(std::string_view newDatabase, std::string_view) override
    {
        databases.emplace_back(newDatabase);
    }
    void transactionChanged(taskstore::TransactionChange change, std::uint64_t descriptor) override
    {
        const char* what = change == taskstore::TransactionChange::Began       ? "begin "
                           : change == taskstore::TransactionChange::Committed ? "commit "
                                                                               : "rollback ";
        events.push_back(what + std::to_string(descriptor));
    }

    struct Done {
        std::optional<std::int64_t> rowCount;
        bool failed;
    };
    std::vector<ResultSet> results;
    std::vector<Done> dones;
    std::vector<taskstore::SqlError> infos;
    std::vector<taskstore::SqlError> errors;
    std::vector<std::string> databases;
    std::vector<std::string> events;
};

// Runs a batch on the session as a request of its own and returns what it reported.
RecordingSink run(taskstore::Session& session, std::string_view sql);
// The rows of the batch's last result set; fails the test when the batch reports an error.
Rows query(taskstore::Session& session, std::string_view sql);

}  // namespace tsqltest
