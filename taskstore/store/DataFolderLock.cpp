#include "taskstore/store/DataFolderLock.h"

#include "taskstore/store/SqliteHandle.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>

namespace taskstore::store {
namespace {

// The process holding a whole-file lock on the folder, as the kernel lists it in /proc/locks
// ("1: FLOCK  ADVISORY  WRITE 4242 08:01:131 0 EOF": pid, then device in hex and inode).
std::optional<long> lockHolder(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return std::nullopt;
    char device[64];
    std::snprintf(device, sizeof device, "%02x:%02x:%llu", ::major(info.st_dev), ::minor(info.st_dev),
                  static_cast<unsigned long long>(info.st_ino));
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, where;
        long pid = 0;
        if (fields >> number >> kind >> mode >> access >> pid >> where && kind == "FLOCK" && where == device)
            return pid;
    }
    return std::nullopt;
}

}  // namespace

DataFolderLock::DataFolderLock(const std::filesystem::path& folder)
{
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        throw StoreError("cannot open the data folder " + folder.string() + ": " + std::strerror(errno));
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0)
        return;
    const int error = errno;
    const std::optional<long> holder = error == EWOULDBLOCK ? lockHolder(fd_) : std::nullopt;
    ::close(fd_);
    if (error != EWOULDBLOCK)
        throw StoreError("cannot lock the data folder " + folder.string() + ": " + std::strerror(error));
    throw StoreError("the data folder " + folder.string() + " is in use by another taskstore ("
                     + (holder ? "process " + std::to_string(*holder) : std::string("process unknown"))
                     + "); one data folder serves one taskstore");
}

DataFolderLock::~DataFolderLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

}  // namespace taskstore::store
