// The request log: owner-only, passwords masked, records nobody can forge, and never opened
// through a link or in a folder others can change.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <sys/stat.h>
#include <unistd.h>

#include "support/TemporaryFolder.h"
#include "taskstore/server/RequestLog.h"

using namespace taskstore::server;

namespace {

// The engine's judgement, as far as these records need one.
std::string_view passwordWord(std::string_view statement)
{
    return statement.find("PASSWORD") != std::string_view::npos ? "ALTER LOGIN" : "";
}

TEST(RequestLog, IsOwnerOnlyAndMasksPasswords)
{
    testsupport::TemporaryFolder folder{"logs-test"};
    const auto file = folder.path() / "requests.log";
    {
        std::ofstream earlier(file);  // made by someone else, readable by all
    }
    std::filesystem::permissions(file, std::filesystem::perms(0644));
    {
        RequestLog log(file, passwordWord);
        log.batch(3, "ALTER LOGIN sa WITH PASSWORD = 'hunter2'");
        log.call(3, "sp_executesql", "select 1");
    }
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    const std::string text = testsupport::readFile(file);
    EXPECT_EQ(text.find("hunter2"), std::string::npos);
    EXPECT_NE(text.find("3 BATCH 123\n-- 'ALTER LOGIN' was found"), std::string::npos) << text;
    EXPECT_NE(text.find("3 RPC sp_executesql 8\nselect 1\n"), std::string::npos);

    std::filesystem::remove(file);
    RequestLog fresh(file, passwordWord);
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST(RequestLog, ProcedureNamesCannotForgeRecords)
{
    testsupport::TemporaryFolder folder{"logs-test"};
    const auto file = folder.path() / "requests.log";
    {
        RequestLog log(file, passwordWord);
        log.call(4, "p 0\n4 BATCH 8", "select 1");
        log.call(4, std::string(5000, 'n'), "");
    }
    const std::string text = testsupport::readFile(file);
    EXPECT_NE(text.find("4 RPC p 0\\x0A4 BATCH 8 8\nselect 1\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("\n4 BATCH"), std::string::npos);
    const std::string longName = std::string(RequestLog::maxProcedureName, 'n') + "...(";
    EXPECT_NE(text.find("4 RPC " + longName + std::to_string(5000 - RequestLog::maxProcedureName) + " bytes more) 0\n"),
              std::string::npos);
}

TEST(RequestLog, IsNotOpenedThroughALinkOrInAFolderOthersCanChange)
{
    testsupport::TemporaryFolder folder{"logs-test"};
    const auto target = folder.path() / "target";
    std::ofstream(target) << "keep";
    std::filesystem::create_symlink(target, folder.path() / "link.log");
    std::filesystem::create_hard_link(target, folder.path() / "second-name.log");
    std::filesystem::create_directory(folder.path() / "open");
    std::filesystem::permissions(folder.path() / "open", std::filesystem::perms(0777));
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {folder.path() / "link.log", "it is a symbolic link"},
        {folder.path() / "second-name.log", "it has another name (a hard link)"},
        {folder.path() / "open" / "requests.log", "other users can write in its folder"},
        {folder.path(), "Is a directory"},
    };
    for (const auto& [file, why] : cases) {
        try {
            RequestLog log(file, passwordWord);
            ADD_FAILURE() << file << " was opened";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("refusing the request log " + file.string() + ": " + why),
                      std::string::npos)
                << e.what();
        }
    }
    EXPECT_EQ(testsupport::readFile(target), "keep");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "open" / "requests.log"));

    // Another user's file, where this process may make one (root's tests only).
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user";
    const auto theirs = folder.path() / "theirs.log";
    std::ofstream{theirs};
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    EXPECT_THROW(RequestLog(theirs, passwordWord), std::runtime_error);
}

}  // namespace
