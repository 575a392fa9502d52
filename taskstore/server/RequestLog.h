#pragma once
// Appends every request a client sends, so tests can check what reached the server byte for
// byte. Each record is written before the request runs. The file is owner-only, and a statement
// that carries a password is recorded as SQL Server's traces record it (see LogText.h).
#include <cstddef>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace taskstore::server {

class RequestLog {
public:
    // The word that makes a statement secret (Engine::secretWordIn), empty when it is not.
    using SecretFinder = std::function<std::string_view(std::string_view statement)>;

    // Throws std::runtime_error, saying why, when the file cannot be opened for appending or is
    // not safe to write: a link, another user's file, or in a folder other users may change.
    RequestLog(const std::filesystem::path& file, SecretFinder findSecret);
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    void batch(int connection, std::string_view text);
    // kind: BEGIN, COMMIT or ROLLBACK.
    void transaction(int connection, std::string_view kind);
    void attention(int connection);
    // A procedure call, with its first argument when that is text (the statement of sp_executesql).
    void call(int connection, std::string_view procedure, std::string_view text);

    // Bytes of a procedure's name kept in its record: a name is at most 128 characters.
    static constexpr std::size_t maxProcedureName = 512;

private:
    void record(std::string_view text);
    std::string masked(std::string_view statement) const;

    std::mutex mutex_;
    const int fd_;
    const SecretFinder findSecret_;
};

}  // namespace taskstore::server
