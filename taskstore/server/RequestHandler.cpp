#include "taskstore/server/RequestHandler.h"

#include <exception>

#include "common/AsciiCase.h"
#include "common/SystemNames.h"
#include "common/Wipe.h"
#include "taskstore/engine/ErrorMessage.h"
#include "taskstore/server/LogText.h"
#include "taskstore/tds/LoginResponse.h"
#include "taskstore/tds/Prelogin.h"
#include "taskstore/tds/ProtocolError.h"
#include "taskstore/tds/Requests.h"
#include "taskstore/tds/RpcRequest.h"
#include "taskstore/tds/Tokens.h"

namespace taskstore::server {
namespace {

using tds::PacketType;

SqlError internalError(const std::exception& e) { return makeError<ErrorId::InternalError>(e.what()); }

// Compared in time that does not depend on where the texts first differ.
bool samePassword(const std::string& given, const std::string& expected)
{
    unsigned char difference = given.size() == expected.size() ? 0 : 1;
    for (std::size_t i = 0; i < given.size(); ++i)
        difference |= static_cast<unsigned char>(given[i] ^ (expected.empty() ? 0 : expected[i % expected.size()]));
    return difference == 0;
}

std::string typeName(PacketType type) { return std::to_string(static_cast<int>(type)); }

}  // namespace

RequestHandler::RequestHandler(Engine& engine, const ServerConfig& config, EventLog& log, RequestLog* requests,
                               ConnectionInfo connection, tds::MessageWriter::PacketOutput output, tls::TlsSession* tls)
    : engine_(engine),
      sessionMemory_(engine.memoryLimits().session),
      config_(config),
      log_(log),
      requests_(requests),
      connection_(std::move(connection)),
      writer_(std::move(output), connection_.spid),
      sink_(writer_, config.serverName,
            [this](const SqlError& error) {
                log_.line("connection " + std::to_string(connection_.id) + " error " + std::to_string(error.number)
                          + ": " + error.message);
            }),
      tls_(tls)
{
    sink_.limitMemory(&sessionMemory_, &engine.serverMemory());
}

RequestHandler::~RequestHandler() = default;

std::optional<std::string> RequestHandler::handle(const tds::Message& message)
{
    if (message.refused) {
        if (!loggedIn())
            return "no memory for its log-on";
        replyError(makeError<ErrorId::OutOfMemory>());
        return std::nullopt;
    }
    if (!loggedIn()) {
        if (message.type == PacketType::Prelogin)
            return handlePrelogin(message);
        if (message.type == PacketType::Login7)
            return handleLogin(message);
        throw tds::ProtocolError("packet type " + typeName(message.type) + " before login");
    }

    if (message.type == PacketType::Attention) {
        handleAttention();
        return std::nullopt;
    }
    if (message.ignored) {
        replyEmpty();
        return std::nullopt;
    }
    if (message.status & tds::status::resetConnection)
        resetSession();
    switch (message.type) {
    case PacketType::SqlBatch: handleBatch(message); return std::nullopt;
    case PacketType::TransactionManager: handleTransaction(message); return std::nullopt;
    case PacketType::Rpc: handleRpc(message); return std::nullopt;
    default: throw tds::ProtocolError("unexpected packet type " + typeName(message.type) + " after login");
    }
}

std::optional<std::string> RequestHandler::handlePrelogin(const tds::Message& message)
{
    if (!preloginSeen_) {
        const tds::PreloginRequest request = tds::parsePrelogin(message.payload);
        const auto agreed = tds::agreeEncryption(request.encryption, tls_ != nullptr, config_.forceEncryption);
        preloginSeen_ = true;
        if (tls_)
            tls_->expectHandshake(agreed.protection);
        writer_.body().bytes(tds::preloginReply(agreed.answer));
        writer_.endMessage();
        return std::nullopt;
    }
    if (!tls_ || !tls_->handshaking())
        throw tds::ProtocolError("second PRELOGIN without a TLS handshake");
    const tls::TlsSession::Flight flight = tls_->handshake(message.payload);
    if (!flight.reply.empty()) {
        writer_.body().bytes(flight.reply);
        writer_.endMessage(PacketType::Prelogin);
    }
    return flight.failure;
}

std::optional<std::string> RequestHandler::handleLogin(const tds::Message& message)
{
    // Forcing means the whole session inside TLS: a client that skipped PRELOGIN, or sent its
    // LOGIN7 before the handshake ended, is refused before anything of its login is read.
    if (config_.forceEncryption && !(tls_ && tls_->sealsReplies()))
        return "LOGIN7 outside TLS while encryption is forced";
    if (tls_ && !tls_->loginProtected())
        return "clear LOGIN7 where TLS was agreed";
    tds::Login7 login = tds::decodeLogin7(message.payload);
    const common::WipeOnExit wiped(login.password);
    version_ = tds::negotiateTdsVersion(login.tdsVersion);
    sink_.setTdsVersion(version_);
    // Every failure answers 18456 alike; only the log says why. Guesses at names that do not
    // exist share one record: they cannot succeed, and must not fill the throttle's memory.
    const bool knownLogin = common::equalIgnoringAsciiCase(login.userName, common::adminLogin);
    const std::string account = knownLogin ? std::string(common::adminLogin) : std::string();
    const auto check = connection_.logins
        ? connection_.logins->waitForTurn(account, connection_.client, [this] { return ending_.load(); })
        : LoginThrottle::Check::Free;
    if (check == LoginThrottle::Check::Abandoned)
        return "ended while its log-on waited for its turn";
    const char* failure = login.integratedAuth              ? "integrated authentication is not supported"
        : !knownLogin                                       ? "unknown login"
        : !samePassword(login.password, config_.saPassword) ? "wrong password"
                                                            : nullptr;
    if (connection_.logins) {
        if (failure)
            connection_.logins->failed(account, connection_.client, check);
        else
            connection_.logins->passed(account, connection_.client, check);
    }
    if (failure)
        return refuseLogin(login, "", failure);
    if (connection_.admission && !connection_.admission->logOn(connection_.id)) {
        tds::writeLoginRefused(writer_.body(), connection_.admission->limits().sessions, config_.serverName, version_);
        writer_.endMessage();
        log_.line("connection " + std::to_string(connection_.id) + " log-on refused for " + connection_.client
                  + " from " + connection_.peer + ": " + std::to_string(connection_.admission->limits().sessions)
                  + " sessions logged on (--max-connections)");
        return "log-on refused";
    }

    const std::string database = login.database.empty() ? std::string(common::loginDatabase) : login.database;
    if (!engine_.databaseExists(database))
        return refuseLogin(login, database, "database " + database + " does not exist");
    try {
        session_ = engine_.newSession(database, connection_.spid);
    } catch (const SqlError& e) {
        return refuseLogin(login, database, e.message);
    }
    if (config_.lockTimeout)
        session_->setLockTimeout(*config_.lockTimeout);
    loginDatabase_ = database;

    loginAccepted_ = true;
    tds::LoginSuccess reply;
    reply.database = session_->currentDatabase();
    reply.tdsVersion = version_;
    reply.packetSize = tds::negotiatePacketSize(login.packetSize);
    reply.serverName = config_.serverName;
    tds::writeLoginSuccess(writer_.body(), reply);
    writer_.setPacketSize(reply.packetSize);
    writer_.endMessage();
    log_.line("connection " + std::to_string(connection_.id) + " logged in as " + login.userName + " to "
              + reply.database);
    return std::nullopt;
}

std::optional<std::string> RequestHandler::refuseLogin(const tds::Login7& login, const std::string& missingDatabase,
                                                       const std::string& reason)
{
    tds::writeLoginFailure(writer_.body(), login.userName, missingDatabase, config_.serverName, version_);
    writer_.endMessage();
    log_.line("connection " + std::to_string(connection_.id) + " login failed for " + clipped(login.userName, 128)
              + " from " + connection_.peer + ": " + reason);
    return "login failed";
}

template <typename Call>
void RequestHandler::runInSession(Call&& call)
{
    bool stopped = false;
    {
        const std::lock_guard lock(runningMutex_);
        running_ = true;
        if (attentionsPending_ > 0) {
            stopRunning(false);
            stopped = true;
        }
    }
    try {
        if (!stopped)
            call();
    } catch (const SqlError& e) {
        sink_.fail(e);
    } catch (const std::exception& e) {
        sink_.fail(internalError(e));
    }
    {
        // A stop lasts for the whole request (all its calls) and ends with it, under the mutex so
        // that none arrives in between.
        const std::lock_guard lock(runningMutex_);
        running_ = false;
        session_->endRequest();
    }
    sink_.endReply();
}

void RequestHandler::handleBatch(const tds::Message& message)
{
    const std::string text = tds::decodeSqlBatch(message.payload, version_);
    // The text of a long batch is a second copy of the request while it runs, and the request log
    // makes two more while it writes it.
    const std::size_t copies = requests_ ? 3 : 1;
    const MemoryCharge textCharge(nullptr, &engine_.serverMemory(), text.size() > 64 * 1024 ? copies * text.size() : 0);
    if (!textCharge.ok()) {
        replyError(makeError<ErrorId::OutOfMemory>());
        return;
    }
    if (requests_)
        requests_->batch(connection_.id, text);
    runInSession([&] { session_->executeBatch(text, sink_); });
}

void RequestHandler::handleRpc(const tds::Message& message)
{
    std::vector<tds::RpcCall> calls;
    try {
        calls = tds::decodeRpcRequest(message.payload, version_);
    } catch (const SqlError& refused) {
        // The whole request is in hand, so the session can answer and go on (8003, 8009).
        replyError(refused);
        return;
    }
    if (requests_)
        for (const auto& call : calls)
            requests_->call(connection_.id, call.procName,
                            !call.parameters.empty() && call.parameters[0].value.kind == ValueView::Kind::Text
                                ? call.parameters[0].value.text
                                : std::string());
    runInSession([&] {
        for (std::size_t i = 0; i < calls.size(); ++i)
            procedures_.run(calls[i], *session_, i + 1 < calls.size());
    });
}

void RequestHandler::handleTransaction(const tds::Message& message)
{
    using Kind = tds::TransactionRequest::Kind;
    const tds::TransactionRequest request = tds::decodeTransactionRequest(message.payload, version_);
    if (request.kind == Kind::Save) {
        replyError(makeError<ErrorId::SavepointsUnsupported>());
        return;
    }
    if (requests_)
        requests_->transaction(connection_.id,
                               request.kind == Kind::Begin        ? "BEGIN"
                                   : request.kind == Kind::Commit ? "COMMIT"
                                                                  : "ROLLBACK");
    sink_.setSingleDone(true);
    runInSession([&] {
        // Without an open transaction a commit or rollback fails with 3902 or 3903, as on SQL
        // Server, and a failed request begins no new transaction.
        const bool open = session_->tranCount() > 0;
        if (request.kind == Kind::Commit)
            session_->commitTransaction(sink_);
        if (request.kind == Kind::Rollback)
            session_->rollbackTransaction(sink_);
        if (request.kind == Kind::Begin || (request.beginNew && open))
            session_->beginTransaction(sink_);
    });
}

void RequestHandler::handleAttention()
{
    {
        const std::lock_guard lock(runningMutex_);
        if (attentionsPending_ > 0)
            --attentionsPending_;
    }
    if (requests_)
        requests_->attention(connection_.id);
    tds::writeDone(writer_.body(), tds::done::attention, tds::curcmd::none, 0, version_);
    writer_.endMessage();
}

void RequestHandler::attentionArrived()
{
    const std::lock_guard lock(runningMutex_);
    ++attentionsPending_;
    stopRunning(false);
}

void RequestHandler::interruptRunning()
{
    ending_ = true;
    const std::lock_guard lock(runningMutex_);
    stopRunning(true);
}

void RequestHandler::stopRunning(bool sessionEnding)
{
    if (running_) {
        sink_.cancel();
        session_->interrupt(sessionEnding);
    }
}

void RequestHandler::replyEmpty() { sink_.endReply(); }

void RequestHandler::replyError(const SqlError& error)
{
    sink_.fail(error);
    sink_.endReply();
}

void RequestHandler::resetSession()
{
    session_.reset();
    session_ = engine_.newSession(loginDatabase_, connection_.spid);
    procedures_.clear();
    if (config_.lockTimeout)
        session_->setLockTimeout(*config_.lockTimeout);
    tds::writeResetConnectionAck(writer_.body());
}

void RequestHandler::endSession()
{
    const std::lock_guard lock(runningMutex_);
    session_.reset();
}

}  // namespace taskstore::server
