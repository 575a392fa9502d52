#include "taskstore/server/ProcedureCalls.h"

#include <algorithm>

#include "common/AsciiCase.h"
#include "taskstore/engine/ErrorMessage.h"
#include "taskstore/tds/DataTypes.h"

namespace taskstore::server {
namespace {

using Kind = ValueView::Kind;
using tds::ProcId;

// The procedure a call means: FreeTDS names sp_execute, other clients use the ids.
std::optional<ProcId> procedureOf(const tds::RpcCall& call)
{
    for (ProcId id : {ProcId::ExecuteSql, ProcId::Prepare, ProcId::Execute, ProcId::PrepExec, ProcId::Unprepare}) {
        const auto number = static_cast<std::uint16_t>(id);
        if (call.procId ? *call.procId == number
                        : common::equalIgnoringAsciiCase(call.procName, tds::procedureName(number)))
            return id;
    }
    return std::nullopt;
}

const tds::RpcParameter& argument(const tds::RpcCall& call, std::size_t index, const char* what)
{
    if (index >= call.parameters.size())
        throw makeError<ErrorId::ProcedureParameterMissing>(call.procName, what);
    return call.parameters[index];
}

std::string textArgument(const tds::RpcCall& call, std::size_t index, const char* what)
{
    const tds::RpcValue& value = argument(call, index, what).value;
    if (value.kind == Kind::Null)
        return {};
    if (value.kind != Kind::Text)
        throw makeError<ErrorId::ProcedureParameterNotText>(what);
    return value.text;
}

ValueView viewOf(const tds::RpcValue& value)
{
    ValueView view;
    view.kind = value.kind;
    view.integer = value.integer;
    view.real = value.real;
    view.text = value.text;
    view.datetime = value.datetime;
    view.decimal = value.decimal;
    view.temporal = value.temporal;
    return view;
}

// The type an output parameter comes back as: what its value is.
ColumnInfo returnTypeOf(const tds::RpcValue& value)
{
    switch (value.kind) {
    case Kind::Int:
        return {"", value.integer == static_cast<std::int32_t>(value.integer) ? SqlType::Int : SqlType::BigInt, 0,
                true};
    case Kind::Float: return {"", SqlType::Float, 0, true};
    case Kind::DateTime: return {"", SqlType::DateTime, 0, true};
    case Kind::Text: return {"", SqlType::NVarChar, 0, true};
    case Kind::Decimal:
        return value.wireType == tds::Money || value.wireType == tds::MoneyN
            ? ColumnInfo{"", SqlType::Money, 0, true, 19, 4}
            : ColumnInfo{"", SqlType::Decimal, 0, true, 38, value.decimal.scale};
    case Kind::Temporal: {
        const SqlType type = value.wireType == tds::DateN ? SqlType::Date
            : value.wireType == tds::TimeN                ? SqlType::Time
            : value.wireType == tds::DateTimeOffsetN      ? SqlType::DateTimeOffset
                                                          : SqlType::DateTime2;
        return {"", type, 0, true, 0, value.scale};
    }
    case Kind::Binary:
        return value.wireType == tds::GuidN ? ColumnInfo{"", SqlType::UniqueIdentifier, 16, true}
                                            : ColumnInfo{"", SqlType::VarBinary, 8000, true};
    case Kind::Null: break;
    }
    return {"", SqlType::Int, 0, true};
}

}  // namespace

void ProcedureCalls::run(const tds::RpcCall& call, Session& session, bool more)
{
    sink_.beginProcedure();
    bool failed = false;
    try {
        const auto procedure = procedureOf(call);
        if (!procedure)
            throw makeError<ErrorId::ProcedureNotFound>(call.procName);
        switch (*procedure) {
        case ProcId::ExecuteSql: failed = !executeSql(call, session); break;
        case ProcId::Prepare: prepare(call, session, false); break;
        case ProcId::PrepExec: prepare(call, session, true); break;
        case ProcId::Execute: execute(call, session); break;
        case ProcId::Unprepare: unprepare(call); break;
        }
    } catch (const SqlError& error) {
        sink_.error(error);
        sink_.endProcedure(true, more);
        return;
    }
    sink_.endProcedure(failed, more);
}

bool ProcedureCalls::executeSql(const tds::RpcCall& call, Session& session)
{
    const Prepared statement{call.parameters.size() > 1 ? textArgument(call, 1, "@params") : std::string(),
                             textArgument(call, 0, "@statement")};
    // A procedure must leave @@TRANCOUNT as it found it; the change stays, the client is told.
    const int before = session.tranCount();
    const auto outputs = runStatement(call, 2, statement, session);
    const int after = session.tranCount();
    if (after != before)
        sink_.error(makeErrorAt<ErrorId::TranCountMismatch>(0, before, after));  // on line 0, as SQL Server
    sink_.returnStatus(0);
    returnOutputs(call, outputs);
    return after == before;
}

void ProcedureCalls::prepare(const tds::RpcCall& call, Session& session, bool thenExecute)
{
    argument(call, 0, "@handle");
    Prepared statement{textArgument(call, 1, "@params"), textArgument(call, 2, "@stmt")};
    engine_.parameterDeclarationsIn(statement.declarations);  // a bad list fails now, not at execute
    const std::size_t bytes = sizeOf(statement);
    if (prepared_.size() >= maxPrepared || preparedBytes_ + bytes > maxPreparedBytes)
        throw makeError<ErrorId::OutOfMemory>();
    // Option 1 asks for the statement's columns, as SQL Server answers it since 2012 SP1 CU3;
    // FreeTDS sends it so that SQLNumResultCols works before the first execution.
    if (!thenExecute && call.parameters.size() > 3 && call.parameters[3].value.kind == Kind::Int
        && (call.parameters[3].value.integer & 1) != 0)
        describe(statement, session);
    const std::int32_t handle = nextHandle_++;
    prepared_.emplace(handle, statement);
    preparedBytes_ += bytes;
    const auto outputs =
        thenExecute ? runStatement(call, 3, statement, session) : std::vector<const tds::RpcParameter*>{};
    sink_.returnStatus(0);
    returnHandle(call, handle);
    returnOutputs(call, outputs);
}

void ProcedureCalls::describe(const Prepared& statement, Session& session)
{
    std::vector<Parameter> typed;
    for (const auto& declaration : engine_.parameterDeclarationsIn(statement.declarations))
        typed.push_back(Parameter{declaration.name, declaration.type});
    session.describe(statement.statement, typed, sink_);
}

void ProcedureCalls::execute(const tds::RpcCall& call, Session& session)
{
    const auto found = prepared_.find(handleArgument(call));
    if (found == prepared_.end())
        throw makeError<ErrorId::PreparedStatementNotFound>(handleArgument(call));
    const auto outputs = runStatement(call, 1, found->second, session);
    sink_.returnStatus(0);
    returnOutputs(call, outputs);
}

void ProcedureCalls::unprepare(const tds::RpcCall& call)
{
    const std::int32_t handle = handleArgument(call);
    const auto found = prepared_.find(handle);
    if (found == prepared_.end())
        throw makeError<ErrorId::UnprepareHandleNotFound>(handle);
    preparedBytes_ -= sizeOf(found->second);
    prepared_.erase(found);
    sink_.returnStatus(0);
}

std::int32_t ProcedureCalls::handleArgument(const tds::RpcCall& call) const
{
    const tds::RpcValue& value = argument(call, 0, "@handle").value;
    if (value.kind != Kind::Int)
        throw makeError<ErrorId::PreparedStatementNotFound>("NULL");
    return static_cast<std::int32_t>(value.integer);
}

void ProcedureCalls::returnHandle(const tds::RpcCall& call, std::int32_t handle)
{
    ValueView value;
    value.kind = Kind::Int;
    value.integer = handle;
    // Echo the client's name for the handle: some clients match output parameters by name.
    sink_.returnValue(0, call.parameters[0].name, ColumnInfo{"", SqlType::Int, 0, true}, value);
}

void ProcedureCalls::returnOutputs(const tds::RpcCall& call, const std::vector<const tds::RpcParameter*>& outputs)
{
    // The statements here cannot assign to parameters, so output parameters return what came in.
    for (const tds::RpcParameter* output : outputs)
        sink_.returnValue(static_cast<std::uint16_t>(output - call.parameters.data()), output->name,
                          returnTypeOf(output->value), viewOf(output->value));
}

std::vector<const tds::RpcParameter*> ProcedureCalls::runStatement(const tds::RpcCall& call, std::size_t first,
                                                                   const Prepared& statement, Session& session)
{
    const auto declarations = engine_.parameterDeclarationsIn(statement.declarations);
    std::vector<Parameter> bound(declarations.size());
    std::vector<const tds::RpcParameter*> source(declarations.size(), nullptr);
    std::size_t position = 0;
    for (std::size_t i = first; i < call.parameters.size(); ++i) {
        const tds::RpcParameter& given = call.parameters[i];
        // Named values bind by name, unnamed ones in declaration order.
        std::size_t target = position++;
        if (!given.name.empty()) {
            const auto named = std::find_if(declarations.begin(), declarations.end(), [&](const auto& d) {
                return common::equalIgnoringAsciiCase(d.name, given.name);
            });
            if (named == declarations.end())
                throw makeError<ErrorId::NotAParameter>(given.name, call.procName);
            target = static_cast<std::size_t>(named - declarations.begin());
        }
        if (target >= declarations.size())
            throw makeError<ErrorId::TooManyArguments>(call.procName);
        source[target] = &given;
    }
    for (std::size_t d = 0; d < declarations.size(); ++d) {
        if (!source[d]) {
            const std::string query = ("(" + statement.declarations + ")" + statement.statement).substr(0, 64);
            throw makeErrorAt<ErrorId::QueryParameterNotSupplied>(0, query, declarations[d].name);
        }
        const tds::RpcValue& value = source[d]->value;
        bound[d] = Parameter{declarations[d].name, declarations[d].type, value.kind,    value.integer, value.real,
                             value.text,           value.datetime,       value.decimal, value.temporal};
    }
    session.executeWithParameters(statement.statement, bound, sink_);
    std::vector<const tds::RpcParameter*> outputs;
    for (std::size_t d = 0; d < declarations.size(); ++d)
        if (declarations[d].output && source[d]->output)
            outputs.push_back(source[d]);
    return outputs;
}

}  // namespace taskstore::server
