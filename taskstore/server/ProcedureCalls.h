#pragma once
// The system procedures drivers call for statements with parameters: sp_executesql, sp_prepare,
// sp_execute, sp_prepexec and sp_unprepare, by name or by id. Parameters reach the engine as
// bound values, never as text. Prepared statements belong to the connection and its session.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "taskstore/engine/Engine.h"
#include "taskstore/tds/RpcRequest.h"
#include "taskstore/tds/TokenSink.h"

namespace taskstore::server {

class ProcedureCalls {
public:
    // The engine reads the statements' parameter lists.
    ProcedureCalls(const Engine& engine, tds::TokenSink& sink) : engine_(engine), sink_(sink) {}

    // Runs one call and writes its reply up to its DONEPROC; more: another call follows in the
    // same request. Errors of the call are reported in the reply, never thrown.
    void run(const tds::RpcCall& call, Session& session, bool more);
    // Forgets every prepared statement (the connection was reset).
    void clear()
    {
        prepared_.clear();
        preparedBytes_ = 0;
    }

    // What one connection may keep prepared; past either, sp_prepare fails with 701 (out of
    // memory) and the connection goes on.
    static constexpr std::size_t maxPrepared = 1000;
    static constexpr std::size_t maxPreparedBytes = 16 * 1024 * 1024;

private:
    struct Prepared {
        std::string declarations;
        std::string statement;
    };
    static std::size_t sizeOf(const Prepared& statement)
    {
        return statement.declarations.size() + statement.statement.size();
    }

    // False when the call ended with an error of its own (266).
    bool executeSql(const tds::RpcCall& call, Session& session);
    void prepare(const tds::RpcCall& call, Session& session, bool thenExecute);
    void describe(const Prepared& statement, Session& session);
    void execute(const tds::RpcCall& call, Session& session);
    void unprepare(const tds::RpcCall& call);
    // Binds the values from `first` on to the declared parameters and runs the statement. Returns
    // the output parameters, which go back after the return status.
    std::vector<const tds::RpcParameter*> runStatement(const tds::RpcCall& call, std::size_t first,
                                                       const Prepared& statement, Session& session);
    void returnOutputs(const tds::RpcCall& call, const std::vector<const tds::RpcParameter*>& outputs);
    std::int32_t handleArgument(const tds::RpcCall& call) const;
    void returnHandle(const tds::RpcCall& call, std::int32_t handle);

    const Engine& engine_;
    tds::TokenSink& sink_;
    std::map<std::int32_t, Prepared> prepared_;
    std::size_t preparedBytes_ = 0;  // of the texts in prepared_
    std::int32_t nextHandle_ = 1;
};

}  // namespace taskstore::server
