#include "StoreFixtures.h"

#include "ChildProcess.h"
#include "TaskStoreRun.h"
#include "TemporaryFolder.h"
#include "taskstore/store/SqliteHandle.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace storetest {
namespace {

std::string sha256(const std::string& bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    std::string hex;
    char pair[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

}  // namespace

void makeDataFolder(const std::filesystem::path& folder)
{
    testsupport::TaskStoreRun store({"--port", "0", "--data", folder.string(), "--demo-tasks", "50"});
    ASSERT_GT(store.waitUntilListening(), 0) << store.errors();
    ASSERT_EQ(store.stop(), 0) << store.errors();
}

void damageTaskLog(const std::filesystem::path& file)
{
    int rootPage = 0;
    {
        sqlite3* raw = nullptr;
        sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
        const taskstore::store::SqliteDb db(raw);
        auto statement = taskstore::store::prepare(raw, "SELECT rootpage FROM sqlite_schema WHERE name = 'zk_tasklog'");
        ASSERT_EQ(sqlite3_step(statement.get()), SQLITE_ROW);
        rootPage = sqlite3_column_int(statement.get(), 0);
    }
    std::fstream bytes(file, std::ios::binary | std::ios::in | std::ios::out);
    bytes.seekp((rootPage - 1) * 4096);
    bytes << std::string(64, '\xA5');
}

std::vector<std::string> clientSession(int port, const std::vector<std::string>& statements)
{
    testsupport::ChildSetup setup;
    setup.arguments = {"/usr/bin/python3", PYTDS_CLIENT, "messages", std::to_string(port), ""};
    setup.arguments.insert(setup.arguments.end(), statements.begin(), statements.end());
    setup.output = testsupport::Stream::piped();
    setup.errors = testsupport::Stream::intoOutput();
    testsupport::ChildProcess client(setup);
    std::istringstream text(client.readOutputToEnd());
    client.wait();
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
        lines.push_back(line);
    return lines;
}

FolderSnapshot snapshotOf(const std::filesystem::path& folder)
{
    FolderSnapshot snapshot;
    struct stat info {};
    if (::lstat(folder.c_str(), &info) == 0)
        snapshot["."] = std::to_string(info.st_uid) + " " + std::to_string(info.st_mode);
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        ::lstat(entry.path().c_str(), &info);
        std::string& line = snapshot[entry.path().filename().string()];
        line = std::to_string(info.st_uid) + " " + std::to_string(info.st_mode) + " ";
        line += S_ISLNK(info.st_mode) ? std::filesystem::read_symlink(entry.path()).string()
                                      : sha256(testsupport::readFile(entry.path()));
    }
    return snapshot;
}

}  // namespace storetest
