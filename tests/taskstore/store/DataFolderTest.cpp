// taskstore's start on data it cannot use: every database file is checked before "listening", a
// bad one stops it with status 1 and a line naming the file and the fault, and nothing in the
// folder changes; one taskstore a folder; the folder and its files the running user's own.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "StoreFixtures.h"
#include "TaskStoreRun.h"
#include "TemporaryFolder.h"
#include "WriteBehindTheServer.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TaskStoreRun;
using testsupport::TemporaryFolder;

using storetest::damageTaskLog;
using storetest::makeDataFolder;

constexpr uid_t nobody = 65534;

struct BadFolder {
    const char* what;
    std::function<void(const fs::path& folder)> spoil;
    const char* file;   // the file the message names, in the folder; empty: the folder
    const char* fault;  // what the message says of it
    bool asRootOnly = false;
};

const fs::path vozuzodi = "VOZUZODI.sqlite";

void writeFile(const fs::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

const std::vector<BadFolder>& badFolders()
{
    static const std::vector<BadFolder> cases{
        {"an empty database file", [](const fs::path& f) { writeFile(f / vozuzodi, ""); }, "VOZUZODI.sqlite",
         ": is empty: taskstore did not make it and does not write into it"},
        {"a text file", [](const fs::path& f) { writeFile(f / vozuzodi, "not a database file, only some text\n"); },
         "VOZUZODI.sqlite", ": is not a SQLite database: its first bytes are not SQLite's header"},
        {"another program's SQLite file",
         [](const fs::path& f) {
             fs::remove(f / vozuzodi);
             storetest::writeBehindTheServer(f / vozuzodi,
                                             "create table notes (x text); insert into notes values ('mine')");
         },
         "VOZUZODI.sqlite", ": is a SQLite database that taskstore did not make (application id 0, user version 0)"},
        {"a truncated database",
         [](const fs::path& f) { fs::resize_file(f / vozuzodi, fs::file_size(f / vozuzodi) / 2); }, "VOZUZODI.sqlite",
         ": is truncated: its header counts"},
        {"a damaged page", [](const fs::path& f) { damageTaskLog(f / vozuzodi); }, "VOZUZODI.sqlite",
         ": is damaged: database disk image is malformed"},
        {"a task table dropped by another program",
         [](const fs::path& f) { storetest::writeBehindTheServer(f / vozuzodi, "drop table zk_task"); },
         "VOZUZODI.sqlite", ": table zk_task is missing"},
        {"a file of a newer taskstore",
         [](const fs::path& f) { storetest::writeBehindTheServer(f / vozuzodi, "PRAGMA user_version = 3"); },
         "VOZUZODI.sqlite", ": was made by a newer taskstore (text order 3; this one knows 1 to 2)"},
        {"a link in place of a database",
         [](const fs::path& f) {
             fs::rename(f / vozuzodi, f / "elsewhere");
             fs::create_symlink(f / "elsewhere", f / vozuzodi);
         },
         "VOZUZODI.sqlite", ": is not a regular file"},
        {"a database file of another user",
         [](const fs::path& f) { ASSERT_EQ(::chown((f / vozuzodi).c_str(), nobody, nobody), 0); }, "VOZUZODI.sqlite",
         ": belongs to user nobody (uid 65534), not to user root (uid 0) running taskstore", true},
        {"a folder of another user", [](const fs::path& f) { ASSERT_EQ(::chown(f.c_str(), nobody, nobody), 0); }, "",
         " belongs to user nobody (uid 65534), not to user root (uid 0) running taskstore", true},
    };
    return cases;
}

TEST(BadDataFolder, StopsTheStartWithStatusOneNamesTheFileAndFaultAndChangesNothing)
{
    const TemporaryFolder work{"bad-data-folders"};
    makeDataFolder(work / "pristine");
    for (const BadFolder& bad : badFolders()) {
        SCOPED_TRACE(bad.what);
        if (bad.asRootOnly && ::geteuid() != 0)
            continue;  // only root can give a file to another user
        const fs::path folder = work / "case";
        fs::remove_all(folder);
        fs::copy(work / "pristine", folder);
        bad.spoil(folder);
        const auto before = storetest::snapshotOf(folder);
        for (const bool demo : {false, true}) {
            std::vector<std::string> arguments{"--port", "0", "--data", folder.string()};
            if (demo)
                arguments.insert(arguments.end(), {"--demo-tasks", "10"});
            TaskStoreRun store(arguments);
            EXPECT_EQ(store.waitUntilListening(), 0) << "demo " << demo;
            EXPECT_EQ(store.exitStatus, 1) << "demo " << demo;
            const std::string named = bad.file[0] ? (folder / bad.file).string() : "the data folder " + folder.string();
            EXPECT_NE(store.errors().find(named + bad.fault), std::string::npos) << store.errors();
            EXPECT_EQ(store.output(), "");
            EXPECT_EQ(storetest::snapshotOf(folder), before) << "demo " << demo;
        }
    }
}

TEST(BadDataFolder, AReadOnlyFolderIsRefusedUntouched)
{
    const TemporaryFolder work{"read-only-data-folder"};
    makeDataFolder(work / "data");
    const fs::path folder = work / "data";
    // Root writes whatever the rights say, so for root the folder is mounted read-only instead.
    std::vector<std::string> launcher;
    if (::geteuid() == 0)
        launcher = {"unshare",
                    "--mount",
                    "--propagation",
                    "private",
                    "sh",
                    "-c",
                    "mount --bind \"$0\" \"$0\" && mount -o remount,bind,ro \"$0\" && exec \"$@\"",
                    folder.string()};
    else
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const auto before = storetest::snapshotOf(folder);
    TaskStoreRun store({"--port", "0", "--data", folder.string()}, "", launcher);
    EXPECT_EQ(store.waitUntilListening(), 0);
    if (store.errors().find("taskstore:") == std::string::npos)
        GTEST_SKIP() << "cannot mount the folder read-only in a private mount namespace here: " << store.errors();
    EXPECT_EQ(store.exitStatus, 1);
    EXPECT_NE(store.errors().find("the data folder " + folder.string() + " is read-only"), std::string::npos)
        << store.errors();
    EXPECT_EQ(storetest::snapshotOf(folder), before);
    fs::permissions(folder, fs::perms::owner_all);
}

TEST(BadDataFolder, ASecondTaskstoreIsRefusedAndNamesTheFirst)
{
    const TemporaryFolder work{"second-taskstore"};
    TaskStoreRun first({"--port", "0", "--data", (work / "data").string()});
    ASSERT_GT(first.waitUntilListening(), 0) << first.errors();
    TaskStoreRun second({"--port", "0", "--data", (work / "data").string()});
    EXPECT_EQ(second.waitUntilListening(), 0);
    EXPECT_EQ(second.exitStatus, 1);
    EXPECT_NE(second.errors().find("the data folder " + (work / "data").string()
                                   + " is in use by another taskstore (process " + std::to_string(first.pid()) + ")"),
              std::string::npos)
        << second.errors();
    EXPECT_EQ(first.stop(), 0) << "the first one served on";
    TaskStoreRun third({"--port", "0", "--data", (work / "data").string()});
    EXPECT_GT(third.waitUntilListening(), 0) << "the lock ends with its process: " << third.errors();
}

TEST(CheckOption, RunsTheIntegrityCheckWithTheTextOrderAndSaysSoInItsStatus)
{
    const TemporaryFolder work{"check-option"};
    const fs::path folder = work / "data";
    makeDataFolder(folder);
    // SQLite's own shell cannot check these files: it does not know the text order.
    {
        TaskStoreRun check({"--check", folder.string()});
        EXPECT_EQ(check.waitForExit(), 0) << check.errors();
        EXPECT_EQ(check.output(),
                  (folder / "VOZUZODI.sqlite").string() + ": ok\n" + (folder / "master.sqlite").string() + ": ok\n");
    }
    damageTaskLog(folder / vozuzodi);
    const auto before = storetest::snapshotOf(folder);
    TaskStoreRun check({"--check", folder.string()});
    EXPECT_EQ(check.waitForExit(), 1) << check.errors();
    EXPECT_EQ(check.output(),
              (folder / vozuzodi).string() + ": is damaged: database disk image is malformed\n"
                  + (folder / "master.sqlite").string() + ": ok\n");
    EXPECT_EQ(storetest::snapshotOf(folder), before);

    TaskStoreRun missing({"--check", (work / "none").string()});
    EXPECT_EQ(missing.waitForExit(), 1);
    EXPECT_NE(missing.errors().find((work / "none").string() + ": No such file or directory"), std::string::npos)
        << missing.errors();
    EXPECT_FALSE(fs::exists(work / "none"));
}

}  // namespace
