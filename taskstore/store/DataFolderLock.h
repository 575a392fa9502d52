#pragma once
// One taskstore per data folder: an exclusive lock on the folder itself, held while the process
// lives and released by the system when it ends, however it ends. Nothing is written for it.
#include <filesystem>

namespace taskstore::store {

class DataFolderLock {
public:
    // Throws StoreError naming the process that holds the folder, when the system tells.
    explicit DataFolderLock(const std::filesystem::path& folder);
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock&) = delete;
    DataFolderLock& operator=(const DataFolderLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace taskstore::store
