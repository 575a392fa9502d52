#include "taskstore/server/RequestLog.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "taskstore/server/LogText.h"

namespace taskstore::server {

namespace {

[[noreturn]] void refuse(const std::filesystem::path& file, const std::string& why)
{
    throw std::runtime_error("refusing the request log " + file.string() + ": " + why);
}

// The log holds every statement sent, so it is opened where no other user can read it or turn the
// server's writes elsewhere: in a folder that only its owner (or root) can change, or one whose
// sticky bit keeps others from replacing our files; never through a symbolic link or a second
// name; only a file of our own, made owner-only.
int openOwnerOnly(const std::filesystem::path& file)
{
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        refuse(file, "cannot open its folder: " + std::string(std::strerror(errno)));
    struct stat status {};
    const bool folderRead = ::fstat(folderFd, &status) == 0;
    const uid_t self = ::geteuid();
    if (!folderRead || (status.st_uid != self && status.st_uid != 0)) {
        ::close(folderFd);
        refuse(file,
               "its folder " + folder.string() + " belongs to another user (uid " + std::to_string(status.st_uid)
                   + ")");
    }
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (status.st_mode & S_ISVTX) == 0) {
        ::close(folderFd);
        refuse(file, "other users can write in its folder " + folder.string());
    }
    const int fd = ::openat(folderFd, file.filename().c_str(),
                            O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0600);
    const int openError = errno;
    ::close(folderFd);
    if (fd < 0)
        refuse(file, openError == ELOOP ? std::string("it is a symbolic link") : std::strerror(openError));
    std::string why;
    if (::fstat(fd, &status) != 0)
        why = std::strerror(errno);
    else if (!S_ISREG(status.st_mode))
        why = "it is not a regular file";
    else if (status.st_uid != self)
        why = "it belongs to another user (uid " + std::to_string(status.st_uid) + ")";
    else if (status.st_nlink != 1)
        why = "it has another name (a hard link)";
    else if (::fchmod(fd, 0600) != 0)
        why = "cannot make it owner-only";
    if (!why.empty()) {
        ::close(fd);
        refuse(file, why);
    }
    return fd;
}

}  // namespace

RequestLog::RequestLog(const std::filesystem::path& file, SecretFinder findSecret)
    : fd_(openOwnerOnly(file)), findSecret_(std::move(findSecret))
{}

RequestLog::~RequestLog() { ::close(fd_); }

void RequestLog::record(std::string_view text)
{
    const std::lock_guard lock(mutex_);
    while (!text.empty()) {
        const ssize_t n = ::write(fd_, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;  // a full disk loses records, never a request
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

std::string RequestLog::masked(std::string_view statement) const
{
    const std::string_view word = findSecret_(statement);
    return word.empty() ? std::string(statement) : traceComment(word);
}

void RequestLog::batch(int connection, std::string_view statement)
{
    const std::string text = masked(statement);
    record(std::to_string(connection) + " BATCH " + std::to_string(text.size()) + "\n" + text + "\n");
}

void RequestLog::transaction(int connection, std::string_view kind)
{
    record(std::to_string(connection) + " TM " + std::string(kind) + "\n");
}

void RequestLog::call(int connection, std::string_view procedure, std::string_view statement)
{
    // The name is the client's and shares the record's header line: it must not end that line.
    const std::string text = masked(statement);
    record(std::to_string(connection) + " RPC " + oneLine(procedure, maxProcedureName) + " "
           + std::to_string(text.size()) + "\n" + text + "\n");
}

void RequestLog::attention(int connection) { record(std::to_string(connection) + " ATTENTION\n"); }

}  // namespace taskstore::server
