#pragma once
// One client's session on the engine: its own SQLite connection, SET options and transaction, and
// the statement runner that works through its batches.
#include "taskstore/engine/Engine.h"
#include "taskstore/sql/session/BoundParameters.h"
#include "taskstore/sql/session/EngineState.h"
#include "taskstore/sql/session/SessionConnection.h"
#include "taskstore/sql/session/SessionState.h"
#include "taskstore/sql/session/StatementRunner.h"
#include "taskstore/sql/session/Transaction.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace taskstore::sql {

class SqlSession final : public Session {
public:
    SqlSession(std::shared_ptr<EngineState> engine, std::string database, std::uint16_t spid);

    void executeBatch(std::string_view sql, ResultSink& sink) override;
    void executeWithParameters(std::string_view sql, std::span<const Parameter> parameters, ResultSink& sink) override;
    void describe(std::string_view sql, std::span<const Parameter> parameters, ResultSink& sink) override;
    void beginTransaction(ResultSink& sink) override;
    void commitTransaction(ResultSink& sink) override;
    void rollbackTransaction(ResultSink& sink) override;
    const std::string& currentDatabase() const override { return state_.database; }
    int tranCount() const override { return state_.tranCount; }
    void setLockTimeout(std::chrono::milliseconds timeout) override { state_.options.lockTimeout = timeout; }
    void interrupt(bool sessionEnding) override;
    void endRequest() override { connection_.clearStop(); }

private:
    void runBatch(std::string_view sql, std::span<const std::string> parameterNames, ResultSink& sink);
    // A transaction manager request: `action` reported as one statement.
    void transactionRequest(void (Transaction::*action)(ResultSink&), ResultSink& sink);
    // Runs `body` with the parameters bound for translation and execution, given their names.
    void withParameters(std::span<const Parameter> parameters,
                        const std::function<void(std::span<const std::string>)>& body);

    // In this order: each piece uses those above it, and the transaction rolls back before the
    // connection closes.
    std::shared_ptr<EngineState> engine_;
    SessionState state_;
    SessionConnection connection_;
    Transaction transaction_;
    BoundParameters parameters_;
    StatementRunner runner_;
};

}  // namespace taskstore::sql
