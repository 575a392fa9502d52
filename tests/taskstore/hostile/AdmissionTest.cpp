// What reaches the log-on, tried against a real taskstore over real loopback sockets: idle
// sockets and a guessing flood from many loopback addresses must not keep the right password out,
// guessing stays slow, and no copy of a tried password stays in the server's memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <thread>
#include <unistd.h>

#include "HostileClient.h"
#include "OtherUserAttacks.h"
#include "support/TaskStoreProcess.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using hostile::errorNumbers;
using hostile::HostileClient;
using hostile::OtherUserAttacks;
using testsupport::TaskStoreOptions;
using testsupport::TaskStoreProcess;

namespace {

const std::string password = "Admission-5b2c";

// The right password's log-on: how long it took, or a failure.
Clock::duration timedLogOn(std::uint16_t port)
{
    const auto start = Clock::now();
    HostileClient client(port);
    const auto errors = errorNumbers(client.login("SA", password).payload);
    EXPECT_TRUE(errors.empty()) << "error " << (errors.empty() ? 0 : errors[0]);
    return Clock::now() - start;
}

class Admission : public testing::Test {
protected:
    void SetUp() override
    {
        TaskStoreOptions options;
        options.saPassword = password;
        server_ = std::make_unique<TaskStoreProcess>(options);
        port_ = static_cast<std::uint16_t>(server_->port());
    }

    std::unique_ptr<TaskStoreProcess> server_;
    std::uint16_t port_ = 0;
};

// Real log-ons while the attack runs: the slowest.
Clock::duration slowestOfLogOns(std::uint16_t port, int count)
{
    Clock::duration slowest{};
    for (int i = 0; i < count; ++i) {
        slowest = std::max(slowest, timedLogOn(port));
        std::this_thread::sleep_for(300ms);
    }
    return slowest;
}

long milliseconds(Clock::duration duration)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(duration).count());
}

TEST_F(Admission, ARealLogOnGetsInAtOnceBeside200IdleSocketsOfAnotherUserReopenedWhenDropped)
{
    if (!OtherUserAttacks::possible())
        GTEST_SKIP() << "the attacker must be another local user, which only root can start";
    OtherUserAttacks attacks;
    const auto end = Clock::now() + 8s;
    attacks.start([&] { return hostile::holdIdleSockets(port_, end, 200); });
    std::this_thread::sleep_for(2s);  // the idle sockets have settled
    const auto slowest = slowestOfLogOns(port_, 10);
    const long opened = attacks.finish();
    RecordProperty("slowest_log_on_ms", std::to_string(milliseconds(slowest)));
    RecordProperty("idle_sockets_opened", std::to_string(opened));
    EXPECT_LT(slowest, 1s);
    EXPECT_GE(opened, 200);
    EXPECT_TRUE(server_->waitForLog("not logged on yet"));
}

TEST_F(Admission, GuessingFromManyLoopbackAddressesStaysSlowAndTheRightPasswordGetsInAtOnce)
{
    if (!OtherUserAttacks::possible())
        GTEST_SKIP() << "the attacker must be another local user, which only root can start";
    OtherUserAttacks attacks;
    const auto start = Clock::now();
    const auto end = start + 8s;
    for (int i = 0; i < 8; ++i)
        attacks.start([&] { return hostile::guessWrongPasswords(port_, end); });
    std::this_thread::sleep_for(2s);
    const auto slowest = slowestOfLogOns(port_, 5);
    const long guessed = attacks.finish();
    RecordProperty("slowest_log_on_ms", std::to_string(milliseconds(slowest)));
    RecordProperty("wrong_passwords_answered", std::to_string(guessed));
    EXPECT_LT(slowest, 1s);
    // Three free, then one a second for the whole of the other user's guessing.
    EXPECT_LE(guessed, 3 + std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count() + 1);
    EXPECT_GE(guessed, 3);
}

// Every place in the server's memory holding the bytes, read a piece at a time; a copy that
// straddles two pieces is found through the tail kept from the first.
long copiesInMemory(int pid, const std::string& bytes)
{
    // Larger mappings are a sanitizer's shadow, reserved address space rather than data.
    constexpr unsigned long largestRegion = 64ul << 30;
    constexpr unsigned long piece = 16ul << 20;
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::ifstream memory("/proc/" + std::to_string(pid) + "/mem", std::ios::binary);
    long copies = 0;
    std::string line;
    while (std::getline(maps, line)) {
        unsigned long from = 0, to = 0;
        char permissions[5] = {};
        if (std::sscanf(line.c_str(), "%lx-%lx %4s", &from, &to, permissions) != 3 || permissions[0] != 'r'
            || line.find("[vvar]") != std::string::npos || to - from > largestRegion)
            continue;
        std::string window;
        for (unsigned long at = from; at < to; at += piece) {
            std::string part(std::min(piece, to - at), '\0');
            memory.clear();
            memory.seekg(static_cast<std::streamoff>(at));
            if (!memory.read(part.data(), static_cast<std::streamsize>(part.size())))
                break;
            window = window.substr(window.size() - std::min(window.size(), bytes.size() - 1)) + part;
            for (auto found = window.find(bytes); found != std::string::npos; found = window.find(bytes, found + 1))
                ++copies;
        }
    }
    return copies;
}

TEST_F(Admission, NoCopyOfAFailedPasswordStaysInTheServersMemoryAndCoreDumpsAreOff)
{
    std::ifstream limits("/proc/" + std::to_string(server_->pid()) + "/limits");
    const std::string text((std::istreambuf_iterator<char>(limits)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Max core file size        0                    0"), std::string::npos) << text;
    if (::geteuid() != 0)
        GTEST_SKIP() << "a server that cannot dump core can be read only by root";

    // Short enough to live inside a string object, and one that does not.
    for (const std::string tried : {"Gz8-tried", "Gz8-tried-and-longer-than-a-string-object-holds"}) {
        for (int i = 0; i < 3; ++i) {
            HostileClient client(port_);
            EXPECT_EQ(errorNumbers(client.login("SA", tried).payload), std::vector<int>{18456});
        }
        std::this_thread::sleep_for(200ms);
        const auto utf16 = tdstest::ucs2(tried);
        auto obfuscated = utf16;
        for (auto& b : obfuscated)
            b = static_cast<std::uint8_t>(((b << 4) | (b >> 4)) ^ 0xA5);
        EXPECT_EQ(copiesInMemory(server_->pid(), tried), 0) << tried;
        EXPECT_EQ(copiesInMemory(server_->pid(), std::string(utf16.begin(), utf16.end())), 0) << tried;
        EXPECT_EQ(copiesInMemory(server_->pid(), std::string(obfuscated.begin(), obfuscated.end())), 0) << tried;
    }
}

TEST_F(Admission, AStatementHidingItsSecretWordsBehindCommentsIsStillMasked)
{
    HostileClient client(port_);
    ASSERT_TRUE(errorNumbers(client.login("SA", password).payload).empty());
    client.batch("ALTER/**/LOGIN sa WITH PASS/**/WORD = 'Leaked-31f0'");
    for (const auto& request : server_->requests())
        EXPECT_EQ(request.text.find("Leaked-31f0"), std::string::npos);
}

}  // namespace
