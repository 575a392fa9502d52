#pragma once
// Turns the engine's result callbacks into reply tokens. The DONE of each statement is held back
// until the next token shows whether more follow, so the reply's last DONE goes out without MORE.
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "taskstore/engine/Engine.h"
#include "taskstore/tds/MessageWriter.h"
#include "taskstore/tds/TdsVersion.h"

namespace taskstore::tds {

class TokenSink final : public ResultSink {
public:
    using ErrorObserver = std::function<void(const SqlError&)>;

    TokenSink(MessageWriter& writer, std::string serverName, ErrorObserver onError = {});

    void statementStarted(StatementKind kind) override { statement_ = kind; }
    void columns(std::span<const ColumnInfo> columns) override;
    void row(std::span<const ValueView> values) override;
    void done(std::optional<std::int64_t> rowCount, bool failed) override;
    void info(const SqlError& message) override;
    void error(const SqlError& error) override;
    void databaseChanged(std::string_view newDatabase, std::string_view oldDatabase) override;
    void transactionChanged(TransactionChange change, std::uint64_t descriptor) override;

    // The version negotiated at login; tokens follow its layout from then on.
    void setTdsVersion(TdsVersion version) { version_ = version; }
    TdsVersion tdsVersion() const { return version_; }
    // Rows are encoded whole before they go out: a long one takes its size from these budgets
    // first, and one they cannot hold fails its statement with 701.
    void limitMemory(MemoryBudget* session, MemoryBudget* server)
    {
        sessionMemory_ = session;
        serverMemory_ = server;
    }
    // Attention: rows produced from now on are dropped. Safe from any thread.
    void cancel() { cancelled_ = true; }
    // Transaction manager replies carry one DONE however many the engine reports (until endReply).
    void setSingleDone(bool single) { singleDone_ = single; }
    // Statements from here on run inside a procedure call and end in DONEINPROC.
    void beginProcedure();
    void returnStatus(std::int32_t status);
    void returnValue(std::uint16_t ordinal, std::string_view name, const ColumnInfo& column, const ValueView& value);
    // DONEPROC, with the error bit when the call or one of its statements failed; more: another
    // call of the same request follows.
    void endProcedure(bool failed, bool more);
    // Reports a failure of the whole request as ERROR + DONE(ERROR).
    void fail(const SqlError& error);
    // Writes the final DONE (a plain one if no statement reported) and ends the message.
    void endReply();

private:
    struct PendingDone {
        std::uint16_t status = 0;
        std::uint16_t curCmd = 0;
        std::uint64_t rowCount = 0;
    };
    void beginToken();
    void endToken() { writer_.flushFullPackets(); }

    MessageWriter& writer_;
    std::string serverName_;
    ErrorObserver onError_;
    std::vector<ColumnInfo> columns_;
    std::optional<PendingDone> pending_;
    std::optional<SqlError> rowError_;  // a row of the current result set could not be encoded
    StatementKind statement_ = StatementKind::Other;
    bool resultSetSent_ = false;
    std::uint64_t rowsSent_ = 0;  // rows of the current result set that went out
    bool singleDone_ = false;
    bool inProcedure_ = false;
    bool procedureFailed_ = false;
    bool procedureEnded_ = false;  // the reply's last token is a DONEPROC
    TdsVersion version_;
    std::atomic<bool> cancelled_{false};
    MemoryBudget* sessionMemory_ = nullptr;
    MemoryBudget* serverMemory_ = nullptr;
};

}  // namespace taskstore::tds
