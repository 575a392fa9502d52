// taskstore's own defences: where it listens, who may read its files, what it never writes down,
// and how long it waits for a client that does not log in.
#include <arpa/inet.h>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "ChildProcess.h"
#include "OdbcClient.h"
#include "TaskStoreProcess.h"
#include "TaskStoreRun.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using testsupport::readFile;

using StoreRun = testsupport::TaskStoreRun;

// Local addresses of the listening TCP sockets on a port, as /proc lists them (hex, IPv4 and v6).
std::vector<std::string> listeningAddresses(int port)
{
    std::vector<std::string> found;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::istringstream lines(readFile(table));
        std::string line;
        std::getline(lines, line);
        while (std::getline(lines, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state;
            fields >> slot >> local >> remote >> state;
            const auto colon = local.rfind(':');
            if (state == "0A" && std::stoi(local.substr(colon + 1), nullptr, 16) == port)
                found.push_back(local.substr(0, colon));
        }
    }
    return found;
}

TEST(TaskStoreSecurity, ListensOnLoopbackUnlessToldOtherwise)
{
    StoreRun store({"--port", "0"});
    const int port = store.waitUntilListening();
    ASSERT_GT(port, 0) << store.errors();
    EXPECT_EQ(listeningAddresses(port), std::vector<std::string>{"0100007F"});
}

TEST(TaskStoreSecurity, RefusesAnyOtherAddressWithAnEmptySaPassword)
{
    for (const char* address : {"0.0.0.0", "::", "192.0.2.1"}) {
        StoreRun store({"--address", address, "--port", "0"});
        EXPECT_EQ(store.waitUntilListening(), 0) << address;
        EXPECT_EQ(store.exitStatus, 2) << address;
        EXPECT_NE(store.errors().find("empty SA password"), std::string::npos) << store.errors();
        EXPECT_EQ(store.output().find("listening"), std::string::npos);
    }
}

TEST(TaskStoreSecurity, DataFolderAndEveryFileInItAreTheOwnersOnly)
{
    const mode_t previous = umask(0);  // the widest the process could be given
    testsupport::TaskStoreProcess store;
    umask(previous);
    testsupport::OdbcClient client(store.port());
    client.exec("insert into zk_task (cSub_Id) values ('S1')");
    client.exec("create database Other");

    struct stat info {};
    ASSERT_EQ(stat(store.dataFolder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0077, 0u) << std::oct << info.st_mode;
    int databases = 0;
    int logs = 0;
    for (const auto& entry : fs::directory_iterator(store.dataFolder())) {
        ASSERT_EQ(stat(entry.path().c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0077, 0u) << entry.path() << " " << std::oct << info.st_mode;
        databases += entry.path().extension() == ".sqlite";
        logs += entry.path().string().ends_with("-wal");
    }
    EXPECT_EQ(databases, 3);
    EXPECT_GE(logs, 1) << "the written database's write-ahead log";
}

TEST(TaskStoreSecurity, RefusesADataFolderThatOthersMayWriteIn)
{
    // Whoever may write there may swap the databases, the TLS key or the certificate.
    const testsupport::TemporaryFolder shared{"taskstore-shared"};
    const fs::path& folder = shared.path();
    for (const mode_t mode : {01777, 0770, 0702}) {
        ASSERT_EQ(chmod(folder.c_str(), mode), 0);
        testsupport::ChildSetup setup;
        setup.arguments = {TASKSTORE_BIN, "--port", "0", "--data", folder.string()};
        setup.output = testsupport::Stream::piped();
        setup.errors = testsupport::Stream::intoOutput();
        setup.environment = {{"TASKSTORE_SA_PASSWORD", ""}};
        testsupport::ChildProcess store(setup);
        const std::string printed = store.readOutputToEnd();
        EXPECT_EQ(store.wait(), 1) << std::oct << mode;
        EXPECT_NE(printed.find("can be written by its group or by others"), std::string::npos) << printed;
        EXPECT_TRUE(fs::is_empty(folder)) << std::oct << mode;
    }
}

TEST(TaskStoreSecurity, PasswordsAreNeverLoggedAndFailuresNameTheClient)
{
    testsupport::TaskStoreOptions options;
    options.saPassword = "Right-Pass-7f3e";
    testsupport::TaskStoreProcess store(options);
    EXPECT_THROW(testsupport::OdbcClient(store.port(), "master", "Wrong-Guess-9c1a"), std::runtime_error);
    {
        testsupport::OdbcClient client(store.port(), "master", options.saPassword);
        client.exec("select 1");
    }
    ASSERT_TRUE(store.waitForLog("logged in as SA"));
    ASSERT_TRUE(store.waitForLog("login failed for SA from 127.0.0.1")) << store.log();
    std::string everything = store.log();
    for (const auto& request : store.requests())
        everything += request.text;
    for (const char* secret : {"Right-Pass-7f3e", "Wrong-Guess-9c1a", "7f3e", "9c1a"})
        EXPECT_EQ(everything.find(secret), std::string::npos) << secret;
}

// Connects and then stays silent, or sends a bare prelogin; returns how long until the server hung up.
Clock::duration silentClientLifetime(int port, bool sendPrelogin)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto start = Clock::now();
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return Clock::duration::max();
    }
    if (sendPrelogin) {
        // Header, then the terminator alone: a minimal prelogin.
        const unsigned char prelogin[] = {0x12, 0x01, 0x00, 0x09, 0x00, 0x00, 0x01, 0x00, 0xFF};
        if (send(fd, prelogin, sizeof prelogin, 0) != static_cast<ssize_t>(sizeof prelogin))
            ADD_FAILURE() << "send failed";
    }
    timeval limit{20, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    char buffer[4096];
    ssize_t got;
    while ((got = recv(fd, buffer, sizeof buffer, 0)) > 0) {}
    const auto lifetime = Clock::now() - start;
    close(fd);
    return got == 0 || errno == ECONNRESET ? lifetime : Clock::duration::max();
}

TEST(TaskStoreSecurity, ClientThatNeverLogsInIsDroppedAfterTheLoginTimeout)
{
    StoreRun store({"--port", "0", "--login-timeout", "1"});
    const int port = store.waitUntilListening();
    ASSERT_GT(port, 0) << store.errors();
    for (const bool prelogin : {false, true}) {
        const auto lifetime = silentClientLifetime(port, prelogin);
        EXPECT_GE(lifetime, 900ms) << prelogin;
        EXPECT_LT(lifetime, 5s) << prelogin;
    }
    const auto deadline = Clock::now() + 5s;
    while (store.errors().find("login timeout") == std::string::npos && Clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    EXPECT_NE(store.errors().find("closed (login timeout)"), std::string::npos) << store.errors();
}

}  // namespace
