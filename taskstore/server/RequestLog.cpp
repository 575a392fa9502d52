#include "taskstore/server/RequestLog.h"

#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "taskstore/server/LogText.h"

namespace taskstore::server {

namespace {

// Created owner-only, and made so when it already exists: it holds every statement sent.
const std::filesystem::path& ownerOnly(const std::filesystem::path& file)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        throw std::runtime_error("cannot open the request log " + file.string());
    const bool tightened = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    if (!tightened)
        throw std::runtime_error("cannot make the request log " + file.string() + " owner-only");
    return file;
}

}  // namespace

RequestLog::RequestLog(const std::filesystem::path& file) : out_(ownerOnly(file), std::ios::binary | std::ios::app)
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

void RequestLog::batch(int connection, std::string_view statement)
{
    const std::string text = maskedStatement(statement);
    record(std::to_string(connection) + " BATCH " + std::to_string(text.size()) + "\n" + std::string(text) + "\n");
}

void RequestLog::transaction(int connection, std::string_view kind)
{
    record(std::to_string(connection) + " TM " + std::string(kind) + "\n");
}

void RequestLog::call(int connection, std::string_view procedure, std::string_view statement)
{
    // The name is the client's and shares the record's header line: it must not end that line.
    const std::string text = maskedStatement(statement);
    record(std::to_string(connection) + " RPC " + oneLine(procedure, maxProcedureName) + " "
           + std::to_string(text.size()) + "\n" + std::string(text) + "\n");
}

void RequestLog::attention(int connection) { record(std::to_string(connection) + " ATTENTION\n"); }

}  // namespace taskstore::server
