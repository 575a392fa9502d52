#include "taskstore/tds/TokenSink.h"

#include "taskstore/engine/ErrorMessage.h"
#include "taskstore/tds/ResultSetEncoder.h"
#include "taskstore/tds/Tokens.h"

namespace taskstore::tds {
namespace {

std::uint16_t curCmdOf(StatementKind kind, bool resultSetSent)
{
    switch (kind) {
    case StatementKind::Select: return curcmd::select;
    case StatementKind::Insert: return curcmd::insert;
    case StatementKind::Update: return curcmd::update;
    case StatementKind::Delete: return curcmd::remove;
    case StatementKind::BeginTransaction: return curcmd::beginTransaction;
    case StatementKind::EndTransaction: return curcmd::endTransaction;
    case StatementKind::Other: break;
    }
    return resultSetSent ? curcmd::select : curcmd::none;
}

// Rows below this size are encoded without asking the memory budgets.
constexpr std::size_t uncountedRowBytes = 64 * 1024;

// At most what the row's token takes: UTF-8 text becomes at most twice as many UTF-16 bytes,
// and every value has a few bytes of framing.
std::size_t rowBytesAtMost(std::span<const ValueView> values)
{
    std::size_t bytes = 0;
    for (const ValueView& value : values)
        bytes += 2 * value.text.size() + 64;
    return bytes;
}

}  // namespace

TokenSink::TokenSink(MessageWriter& writer, std::string serverName, ErrorObserver onError)
    : writer_(writer), serverName_(std::move(serverName)), onError_(std::move(onError))
{}

void TokenSink::beginToken()
{
    if (pending_ && !singleDone_) {
        writeDone(writer_.body(), pending_->status | done::more, pending_->curCmd, pending_->rowCount, version_,
                  inProcedure_ ? DoneToken::DoneInProc : DoneToken::Done);
        pending_.reset();
    }
    procedureEnded_ = false;
}

void TokenSink::columns(std::span<const ColumnInfo> columns)
{
    beginToken();
    columns_.assign(columns.begin(), columns.end());
    rowError_.reset();
    resultSetSent_ = true;
    rowsSent_ = 0;
    writeColMetadata(writer_.body(), columns_, version_);
    endToken();
}

void TokenSink::row(std::span<const ValueView> values)
{
    if (cancelled_ || rowError_)
        return;
    auto& buffer = writer_.body().buffer();
    const std::size_t rowStart = buffer.size();
    const std::size_t rowBytes = rowBytesAtMost(values);
    MemoryCharge charge;
    if (rowBytes > uncountedRowBytes) {
        charge = MemoryCharge(sessionMemory_, serverMemory_, rowBytes);
        if (!charge.ok()) {
            rowError_ = makeError<ErrorId::OutOfMemory>();
            return;
        }
        buffer.reserve(rowStart + rowBytes);  // one allocation, no copies as the token grows
    }
    try {
        writeRow(writer_.body(), columns_, values, version_);
    } catch (const CellError& e) {
        // The statement fails at its DONE; the half-written row must not reach the client.
        buffer.resize(rowStart);
        rowError_ = e.error();
        return;
    }
    ++rowsSent_;
    endToken();
}

void TokenSink::done(std::optional<std::int64_t> rowCount, bool failed)
{
    if (rowError_) {
        error(*rowError_);
        rowError_.reset();
        failed = true;
    }
    procedureFailed_ = procedureFailed_ || failed;
    std::uint16_t status = failed ? done::error : done::final;
    if (rowCount && !failed)
        status |= done::count;
    const std::uint16_t curCmd = curCmdOf(statement_, resultSetSent_);
    statement_ = StatementKind::Other;
    // After an attention the count says how many rows the client really got.
    const auto count = cancelled_ && resultSetSent_ ? rowsSent_ : static_cast<std::uint64_t>(rowCount.value_or(0));
    resultSetSent_ = false;
    if (singleDone_ && pending_) {
        pending_->status |= status & done::error;
        return;
    }
    beginToken();
    pending_ = PendingDone{status, curCmd, count};
}

void TokenSink::info(const SqlError& message)
{
    beginToken();
    writeMessage(writer_.body(), message, serverName_, version_);
    endToken();
}

void TokenSink::error(const SqlError& error)
{
    if (onError_)
        onError_(error);
    beginToken();
    writeMessage(writer_.body(), error, serverName_, version_);
    endToken();
}

void TokenSink::databaseChanged(std::string_view newDatabase, std::string_view oldDatabase)
{
    beginToken();
    writeEnvChange(writer_.body(), EnvChange::Database, newDatabase, oldDatabase);
    // Every database has the server's collation; SQL Server announces it on each change.
    writeCollationChange(writer_.body());
    endToken();
}

void TokenSink::transactionChanged(TransactionChange change, std::uint64_t descriptor)
{
    if (!version_.atLeast72())
        return;  // 7.1 has no transaction descriptors
    EnvChange type = EnvChange::BeginTransaction;
    if (change == TransactionChange::Committed)
        type = EnvChange::CommitTransaction;
    else if (change == TransactionChange::RolledBack)
        type = EnvChange::RollbackTransaction;
    beginToken();
    writeTransactionChange(writer_.body(), type, descriptor);
    endToken();
}

void TokenSink::beginProcedure()
{
    inProcedure_ = true;
    procedureFailed_ = false;
}

void TokenSink::returnStatus(std::int32_t status)
{
    beginToken();
    writeReturnStatus(writer_.body(), status);
    endToken();
}

void TokenSink::returnValue(std::uint16_t ordinal, std::string_view name, const ColumnInfo& column,
                            const ValueView& value)
{
    beginToken();
    writeReturnValue(writer_.body(), ordinal, name, column, value, version_);
    endToken();
}

void TokenSink::endProcedure(bool failed, bool more)
{
    beginToken();
    std::uint16_t status = failed || procedureFailed_ ? done::error : done::final;
    if (more)
        status |= done::more | done::rpcInBatch;
    writeDone(writer_.body(), status, curcmd::none, 0, version_, DoneToken::DoneProc);
    endToken();
    inProcedure_ = false;
    procedureEnded_ = true;
}

void TokenSink::fail(const SqlError& failure)
{
    error(failure);
    done(std::nullopt, true);
}

void TokenSink::endReply()
{
    if (!procedureEnded_ || pending_) {
        const PendingDone last = pending_.value_or(PendingDone{});
        writeDone(writer_.body(), last.status, last.curCmd, last.rowCount, version_);
    }
    writer_.endMessage();
    procedureEnded_ = false;
    inProcedure_ = false;
    pending_.reset();
    rowError_.reset();
    columns_.clear();
    resultSetSent_ = false;
    statement_ = StatementKind::Other;
    singleDone_ = false;
    cancelled_ = false;
}

}  // namespace taskstore::tds
