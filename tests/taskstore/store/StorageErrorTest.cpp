// Storage errors as clients get them. SQLite's own text for a damaged file, inside a transaction
// too. A full disk as SQL Server reports it, on a small file system of the test's own (a tmpfs of
// 4 MiB in a private mount namespace): 9002 with its text and severity while the log cannot grow,
// 1105 for tempdb when a sort finds no room, reads and new sessions go on, nothing committed is lost, and writing goes on once there is room,
// across a restart on a disk with no byte free too.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "StoreFixtures.h"
#include "TaskStoreRun.h"
#include "TemporaryFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using storetest::clientSession;
using testsupport::TaskStoreRun;

const std::string tempFull =
    "error 1105 severity 17: Could not allocate space for object 'dbo.SORT temporary run storage' in database "
    "'tempdb' because the 'PRIMARY' filegroup is full due to lack of storage space or database files reaching the "
    "maximum allowed size. Note that UNLIMITED files are still limited to 16TB. Create the necessary space by "
    "dropping objects in the filegroup, adding additional files to the filegroup, or setting autogrowth on for "
    "existing files in the filegroup.";
const std::string logFull = "error 9002 severity 17: The transaction log for database 'VOZUZODI' is full due to "
                            "'ACTIVE_TRANSACTION'.";

// A tmpfs mounted in a mount namespace that lives as long as this object; programs join it
// through nsenter, and this process reaches its files under /proc/<pid>/root.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const std::string& size)
        : holder_({{"unshare", "--mount", "--propagation", "private", "sh", "-c",
                    "mount -t tmpfs -o size=" + size + ",mode=0700 tmpfs \"$0\" && echo mounted && exec sleep 600",
                    mountPoint_.path().string()},
                   {},
                   {},
                   testsupport::Stream::piped(),
                   testsupport::Stream::intoOutput()})
    {
        mounted_ = holder_.waitForOutput("mounted", 10s);
    }

    bool mounted() const { return mounted_; }
    const fs::path& path() const { return mountPoint_.path(); }
    // The same path as this process sees it.
    fs::path outside(const fs::path& inside) const
    {
        return "/proc/" + std::to_string(holder_.pid()) + "/root" + inside.string();
    }
    // Runs a program inside, its temporary files (SQLite's sorts) on the small file system too.
    std::vector<std::string> launcher() const
    {
        return {"nsenter", "-t", std::to_string(holder_.pid()), "-m", "env", "SQLITE_TMPDIR=" + path().string()};
    }

    // Writes a file until the file system refuses more.
    void fillUp(const fs::path& inside) const
    {
        std::ofstream file(outside(inside), std::ios::binary);
        const std::string block(4096, 'f');
        while (file.write(block.data(), block.size()) && file.flush()) {}
    }

private:
    testsupport::TemporaryFolder mountPoint_{"small-file-system"};
    testsupport::ChildProcess holder_;
    bool mounted_ = false;
};

TEST(StorageError, ADamagedFileGivesSQLitesOwnTextInsideATransactionToo)
{
    const testsupport::TemporaryFolder work{"damaged-while-served"};
    const fs::path data = work / "data";
    TaskStoreRun store({"--port", "0", "--data", data.string(), "--demo-tasks", "20"});
    const int port = store.waitUntilListening();
    ASSERT_GT(port, 0) << store.errors();
    // No session is open, so every page is in the file and in no cache.
    storetest::damageTaskLog(data / "VOZUZODI.sqlite");
    const std::string malformed = "error 50000 severity 16: taskstore storage error: database disk image is malformed";
    // python-tds runs every statement in a transaction of its own making, so the statement's
    // savepoint is undone before the error goes out; the session goes on.
    EXPECT_EQ(clientSession(port, {"insert into zk_tasklog (cTaskId) values ('T9')", "rollback", "select 1 + 1"}),
              (std::vector<std::string>{malformed, "done", "2"}));
}

TEST(DiskFull, ClientsGetSqlServersLogFullErrorAndEverythingGoesOnOnceThereIsRoom)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    SmallFileSystem disk("4m");
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs in a private mount namespace here (unshare and mount need "
                        "CAP_SYS_ADMIN, which this machine withholds)";
    const fs::path data = disk.path() / "data";
    const std::vector<std::string> serve{"--port", "0", "--data", data.string(), "--demo-tasks", "100"};
    auto store = std::make_unique<TaskStoreRun>(serve, "", disk.launcher());
    int port = store->waitUntilListening();
    ASSERT_GT(port, 0) << store->errors();
    disk.fillUp(disk.path() / "others");
    fs::resize_file(disk.outside(disk.path() / "others"),
                    fs::file_size(disk.outside(disk.path() / "others")) - (1 << 20));

    // Each row 20,000 characters, each committed, until the log cannot grow: the error arrives
    // as SQL Server sends it, inside the driver's transaction, which stays usable. A sort larger
    // than a session's memory finds no room for its temporary runs.
    const auto filling =
        clientSession(port,
                      {"create table big (v nvarchar(max))", "commit", "fill insert into big values (%s)", "rollback",
                       "select count(*) from zk_tasklog", "select len(v) from big order by v + v + v + v"});
    ASSERT_EQ(filling.size(), 7u) << ::testing::PrintToString(filling) << store->errors();
    EXPECT_EQ(filling[2].substr(0, 7), "filled ");
    const int filled = std::stoi(filling[2].substr(7));
    EXPECT_GT(filled, 10);
    EXPECT_EQ(filling[3], logFull);
    EXPECT_EQ(filling[4], "done");
    EXPECT_EQ(filling[5], "100") << "reading goes on";
    EXPECT_EQ(filling[6], tempFull);

    // Not a byte left: a new session still reads, and so does a taskstore started again.
    disk.fillUp(disk.path() / "last-bytes");
    EXPECT_EQ(clientSession(port, {"select count(*) from big"}), std::vector<std::string>{std::to_string(filled)});
    EXPECT_EQ(store->stop(), 0) << store->errors();
    store = std::make_unique<TaskStoreRun>(serve, "", disk.launcher());
    port = store->waitUntilListening();
    ASSERT_GT(port, 0) << store->errors();
    EXPECT_EQ(clientSession(port, {"select count(*) from big", "insert into big values (N'late')", "commit"}),
              (std::vector<std::string>{std::to_string(filled), "done", logFull}));

    // Room again: the same server writes, nothing committed was lost.
    fs::remove(disk.outside(disk.path() / "last-bytes"));
    fs::remove(disk.outside(disk.path() / "others"));
    EXPECT_EQ(clientSession(port, {"insert into big values (N'after')", "commit", "select count(*) from big"}),
              (std::vector<std::string>{"done", "done", std::to_string(filled + 1)}));
    EXPECT_EQ(store->stop(), 0) << store->errors();
}

}  // namespace
