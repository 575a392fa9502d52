#pragma once
// Appends every request a client sends, so tests can check what reached the server byte for
// byte. Each record is flushed before the request runs. The file is owner-only, and a statement
// that carries a password is recorded as SQL Server's traces record it (see LogText.h).
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string_view>

namespace taskstore::server {

class RequestLog {
public:
    // Throws std::runtime_error when the file cannot be opened for appending.
    explicit RequestLog(const std::filesystem::path& file);

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

    std::mutex mutex_;
    std::ofstream out_;
};

}  // namespace taskstore::server
