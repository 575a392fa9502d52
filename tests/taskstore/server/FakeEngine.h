#pragma once
// A scripted engine for exercising the server without the T-SQL engine. Batches it understands:
//   "rows N"        one int column n = 1..N
//   "endless"       rows until interrupted (an interrupt lasts until the request ends)
//   "begin tran"    opens a transaction
//   anything else   error 102
// Statements with parameters run as batches; the parameters of the last one are kept. An
// interrupted session runs nothing until its request ends.
#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "taskstore/engine/Engine.h"
#include "taskstore/sql/parse/ParameterDeclarations.h"

namespace tdstest {

class FakeEngine final : public taskstore::Engine {
public:
    std::atomic<int> liveSessions{0};
    std::atomic<int> rolledBackOnClose{0};
    std::atomic<std::uint64_t> nextDescriptor{100};
    std::vector<taskstore::Parameter> lastParameters;
    std::function<void()> duringDescribe;  // called while a statement is described

    bool databaseExists(std::string_view name) const override { return name == "master" || name == "VOZUZODI"; }
    std::unique_ptr<taskstore::Session> newSession(std::string_view database, std::uint16_t spid) override;
    void fillDemoTasks(std::int64_t) override {}
    std::string_view secretWordIn(std::string_view statement) const override
    {
        return statement.find("PASSWORD") != std::string_view::npos ? "PASSWORD" : "";
    }
    // The engine's own reading: the server's answers to a bad list are under test, not the list's grammar.
    std::vector<taskstore::ParameterDeclaration> parameterDeclarationsIn(std::string_view list) const override
    {
        return taskstore::sql::parseParameterDeclarations(list);
    }
    const taskstore::MemoryLimits& memoryLimits() const override { return memory; }
    taskstore::MemoryBudget& serverMemory() override { return serverMemory_; }

    taskstore::MemoryLimits memory;

private:
    taskstore::MemoryBudget serverMemory_{memory.server};
};

class FakeSession final : public taskstore::Session {
public:
    FakeSession(FakeEngine& engine, std::string database) : engine_(engine), database_(std::move(database))
    {
        ++engine_.liveSessions;
    }
    ~FakeSession() override
    {
        if (tranCount_ > 0)
            ++engine_.rolledBackOnClose;
        --engine_.liveSessions;
    }

    void executeBatch(std::string_view sql, taskstore::ResultSink& sink) override
    {
        using namespace taskstore;
        if (interrupted_) {
            sink.done(std::nullopt, true);
            return;
        }
        if (sql.starts_with("rows ") || sql == "endless") {
            const long long n = sql == "endless" ? -1 : std::stoll(std::string(sql.substr(5)));
            const ColumnInfo columns[] = {{"n", SqlType::Int, 0, false}};
            sink.columns(columns);
            long long sent = 0;
            for (; (n < 0 || sent < n) && !interrupted_; ++sent) {
                ValueView v;
                v.kind = ValueView::Kind::Int;
                v.integer = sent + 1;
                sink.row(std::span<const ValueView>(&v, 1));
                if (n < 0 && sent % 100 == 0)
                    std::this_thread::yield();
            }
            sink.done(sent, false);
        } else if (sql == "begin tran") {
            beginTransaction(sink);
        } else {
            sink.error(SqlError{102, 1, 15, "Incorrect syntax near '" + std::string(sql) + "'.", 1});
            sink.done(std::nullopt, true);
        }
    }
    void executeWithParameters(std::string_view sql, std::span<const taskstore::Parameter> parameters,
                               taskstore::ResultSink& sink) override
    {
        engine_.lastParameters.assign(parameters.begin(), parameters.end());
        executeBatch(sql, sink);
    }
    void describe(std::string_view, std::span<const taskstore::Parameter>, taskstore::ResultSink&) override
    {
        if (engine_.duringDescribe)
            engine_.duringDescribe();
    }
    void beginTransaction(taskstore::ResultSink& sink) override
    {
        if (tranCount_++ == 0) {
            descriptor_ = engine_.nextDescriptor++;
            sink.transactionChanged(taskstore::TransactionChange::Began, descriptor_);
        }
        sink.done(std::nullopt, false);
    }
    void commitTransaction(taskstore::ResultSink& sink) override
    {
        if (tranCount_ == 0)
            return noTransaction(sink, 3902, "COMMIT");
        tranCount_ = 0;
        sink.transactionChanged(taskstore::TransactionChange::Committed, descriptor_);
        sink.done(std::nullopt, false);
    }
    void rollbackTransaction(taskstore::ResultSink& sink) override
    {
        if (tranCount_ == 0)
            return noTransaction(sink, 3903, "ROLLBACK");
        tranCount_ = 0;
        sink.transactionChanged(taskstore::TransactionChange::RolledBack, descriptor_);
        sink.done(std::nullopt, false);
    }
    const std::string& currentDatabase() const override { return database_; }
    int tranCount() const override { return tranCount_; }
    void setLockTimeout(std::chrono::milliseconds) override {}
    void interrupt(bool) override { interrupted_ = true; }
    void endRequest() override { interrupted_ = false; }

private:
    static void noTransaction(taskstore::ResultSink& sink, int number, const std::string& request)
    {
        sink.error(taskstore::SqlError{
            number, 1, 16, "The " + request + " TRANSACTION request has no corresponding BEGIN TRANSACTION.", 1});
        sink.done(std::nullopt, true);
    }

    FakeEngine& engine_;
    std::string database_;
    int tranCount_ = 0;
    std::uint64_t descriptor_ = 0;
    std::atomic<bool> interrupted_{false};
};

inline std::unique_ptr<taskstore::Session> FakeEngine::newSession(std::string_view database, std::uint16_t)
{
    return std::make_unique<FakeSession>(*this, std::string(database));
}

}  // namespace tdstest
