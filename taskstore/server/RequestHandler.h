#pragma once
// One connection's conversation, one handler per kind of message: PRELOGIN and LOGIN7 until the
// client is logged in, then SQL batches, transaction manager requests and attention. Knows no
// sockets: replies leave through the packet output it is given.
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "taskstore/engine/Engine.h"
#include "taskstore/server/Admission.h"
#include "taskstore/server/EventLog.h"
#include "taskstore/server/LoginThrottle.h"
#include "taskstore/server/ProcedureCalls.h"
#include "taskstore/server/RequestLog.h"
#include "taskstore/server/ServerConfig.h"
#include "taskstore/tds/Login7.h"
#include "taskstore/tds/MessageAssembler.h"
#include "taskstore/tds/MessageWriter.h"
#include "taskstore/tds/TokenSink.h"
#include "taskstore/tls/TlsSession.h"

namespace taskstore::server {

struct ConnectionInfo {
    int id = 0;
    std::string peer;  // "ip:port"
    std::uint16_t spid = 0;
    std::string client{};             // who is behind the connection (PeerIdentity.h)
    LoginThrottle* logins = nullptr;  // the server's, shared by its connections; none: no throttling
    Admission* admission = nullptr;   // the server's; none: no limit on sessions
};

class RequestHandler {
public:
    // tls is null when the server cannot encrypt.
    RequestHandler(Engine& engine, const ServerConfig& config, EventLog& log, RequestLog* requests,
                   ConnectionInfo connection, tds::MessageWriter::PacketOutput output, tls::TlsSession* tls = nullptr);
    ~RequestHandler();

    // Handles one whole message. Returns the reason to close the connection, or nothing to go on.
    // Throws ProtocolError on malformed input.
    std::optional<std::string> handle(const tds::Message& message);

    bool loggedIn() const { return session_ != nullptr; }
    // From the reader thread: whether a login was accepted. Set before the LOGINACK leaves, so a
    // request the client sends after it is read under the logged-in limits.
    bool loginAccepted() const { return loginAccepted_; }
    // From the reader thread when an attention arrives, before it is queued: the running request
    // stops producing rows, and so do the requests queued before the attention.
    void attentionArrived();
    // From any thread when the connection is ending: the running request stops and may end its
    // open transaction.
    void interruptRunning();
    // Ends the session, rolling back its open transaction.
    void endSession();
    // This session's memory budget and the server's, which its rows and requests take from.
    MemoryBudget& sessionMemory() { return sessionMemory_; }
    MemoryBudget& serverMemory() { return engine_.serverMemory(); }
    // While the flag is set (the socket failed), replies are dropped as they are built.
    void discardRepliesWhile(const std::atomic<bool>* outputGone) { writer_.setDiscardFlag(outputGone); }

private:
    std::optional<std::string> handlePrelogin(const tds::Message& message);
    std::optional<std::string> handleLogin(const tds::Message& message);
    std::optional<std::string> refuseLogin(const tds::Login7& login, const std::string& missingDatabase,
                                           const std::string& reason);
    void handleBatch(const tds::Message& message);
    void handleTransaction(const tds::Message& message);
    void handleRpc(const tds::Message& message);
    void handleAttention();
    void replyEmpty();
    void replyError(const SqlError& error);
    void resetSession();
    // Runs an engine call with this connection's session marked as running, so attention reaches it.
    template <typename Call>
    void runInSession(Call&& call);
    // With runningMutex_ held.
    void stopRunning(bool sessionEnding);

    Engine& engine_;
    MemoryBudget sessionMemory_;
    const ServerConfig& config_;
    EventLog& log_;
    RequestLog* requests_;
    ConnectionInfo connection_;
    tds::MessageWriter writer_;
    tds::TokenSink sink_;
    ProcedureCalls procedures_{engine_, sink_};
    std::unique_ptr<Session> session_;
    std::string loginDatabase_;
    tds::TdsVersion version_;
    bool preloginSeen_ = false;
    tls::TlsSession* tls_;

    std::atomic<bool> loginAccepted_{false};
    // The connection is ending: a log-on waiting for its turn gives up.
    std::atomic<bool> ending_{false};

    std::mutex runningMutex_;
    bool running_ = false;
    // Attentions read but not yet acknowledged: the client discards every reply until the
    // acknowledgement, so a request that starts meanwhile is stopped at once.
    int attentionsPending_ = 0;
};

}  // namespace taskstore::server
