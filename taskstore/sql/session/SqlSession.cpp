#include "taskstore/sql/session/SqlSession.h"

#include "taskstore/sql/parse/Parser.h"

#include <vector>

namespace taskstore::sql {

SqlSession::SqlSession(std::shared_ptr<EngineState> engine, std::string database, std::uint16_t spid)
    : engine_(std::move(engine)),
      connection_(engine_->dataFolder, state_.options, engine_->maxValueBytes, engine_->serverMemory),
      transaction_(*engine_, connection_, state_),
      runner_(*engine_, connection_, transaction_, state_, parameters_)
{
    state_.database = std::move(database);
    state_.spid = spid;
}

void SqlSession::interrupt(bool sessionEnding)
{
    connection_.requestStop();
    engine_->uncommitted.wake();
    // The transaction is rolled back anyway, so the statement need not wait for its next row.
    if (sessionEnding)
        connection_.interruptStatement();
}

void SqlSession::executeBatch(std::string_view sql, ResultSink& sink) { runBatch(sql, {}, sink); }

void SqlSession::executeWithParameters(std::string_view sql, std::span<const Parameter> parameters, ResultSink& sink)
{
    withParameters(parameters, [&](std::span<const std::string> names) { runBatch(sql, names, sink); });
}

void SqlSession::describe(std::string_view sql, std::span<const Parameter> parameters, ResultSink& sink)
{
    withParameters(parameters, [&](std::span<const std::string> names) {
        const std::vector<Statement> statements = parseBatch(sql, names);
        if (statements.size() != 1)
            return;
        if (const auto* select = std::get_if<SelectStatement>(&statements.front().body))
            sink.columns(runner_.columnsOf(*select));
    });
}

void SqlSession::withParameters(std::span<const Parameter> parameters,
                                const std::function<void(std::span<const std::string>)>& body)
{
    const std::vector<std::string> names = parameters_.bind(parameters);
    struct Unbind {
        BoundParameters& parameters;
        ~Unbind() { parameters.clear(); }
    } unbind{parameters_};
    body(names);
}

void SqlSession::runBatch(std::string_view sql, std::span<const std::string> parameterNames, ResultSink& sink)
{
    std::vector<Statement> statements;
    try {
        statements = parseBatch(sql, parameterNames);
    } catch (const SqlError& error) {
        sink.error(error);
        sink.done(std::nullopt, true);
        return;
    }
    if (const auto error = runner_.compileError(statements)) {
        sink.error(*error);
        sink.done(std::nullopt, true);
        return;
    }
    for (const Statement& statement : statements) {
        if (connection_.stopRequested())
            return;
        if (runner_.run(statement, sink) == StatementRunner::Outcome::AbortBatch)
            return;
    }
}

void SqlSession::beginTransaction(ResultSink& sink) { transactionRequest(&Transaction::begin, sink); }

void SqlSession::commitTransaction(ResultSink& sink) { transactionRequest(&Transaction::commit, sink); }

void SqlSession::rollbackTransaction(ResultSink& sink) { transactionRequest(&Transaction::rollback, sink); }

void SqlSession::transactionRequest(void (Transaction::*action)(ResultSink&), ResultSink& sink)
{
    // Handled as a statement is: a failed COMMIT that SQLite ended by itself ends the transaction.
    connection_.resetStatementState();
    try {
        (transaction_.*action)(sink);
        sink.done(std::nullopt, false);
        return;
    } catch (const SqlError& error) {
        sink.error(error);
    } catch (const StatementStopped&) {
        // An attention: the client reads nothing more of this reply.
    }
    if (transaction_.lost())
        transaction_.rollback(sink);
    sink.done(std::nullopt, true);
}

}  // namespace taskstore::sql
