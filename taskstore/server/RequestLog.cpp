#include "taskstore/server/RequestLog.h"

#include <stdexcept>
#include <string>

namespace taskstore::server {

RequestLog::RequestLog(const std::filesystem::path& file) : out_(file, std::ios::binary | std::ios::app)
{
    if (!out_)
        throw std::runtime_error("cannot open the request log " + file.string());
}

void RequestLog::record(std::string_view text)
{
    const std::lock_guard lock(mutex_);
    out_.write(text.data(), static_cast<std::streamsize>(text.size()));
    out_.flush();
}

void RequestLog::batch(int connection, std::string_view text)
{
    record(std::to_string(connection) + " BATCH " + std::to_string(text.size()) + "\n" + std::string(text) + "\n");
}

void RequestLog::transaction(int connection, std::string_view kind)
{
    record(std::to_string(connection) + " TM " + std::string(kind) + "\n");
}

void RequestLog::call(int connection, std::string_view procedure, std::string_view text)
{
    record(std::to_string(connection) + " RPC " + std::string(procedure) + " " + std::to_string(text.size()) + "\n"
           + std::string(text) + "\n");
}

void RequestLog::attention(int connection)
{
    record(std::to_string(connection) + " ATTENTION\n");
}

}  // namespace taskstore::server
