// What reaches the log-on, tried against a real taskstore over real loopback sockets: idle
// sockets and a guessing flood from many loopback addresses must not keep the right password out,
// guessing stays slow, and no copy of a tried password stays in the server's memory.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "HostileClient.h"
#include "support/TaskStoreProcess.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using hostile::errorNumbers;
using hostile::HostileClient;
using testsupport::TaskStoreOptions;
using testsupport::TaskStoreProcess;

namespace {

const std::string password = "Admission-5b2c";

std::string randomLoopbackAddress(std::mt19937& random)
{
    std::uniform_int_distribution<int> byte(0, 255), last(1, 254);
    return "127." + std::to_string(byte(random)) + "." + std::to_string(byte(random)) + "."
        + std::to_string(last(random));
}

// The right password's log-on: how long it took, or a failure.
Clock::duration timedLogOn(std::uint16_t port)
{
    const auto start = Clock::now();
    HostileClient client(port);
    const auto errors = errorNumbers(client.login("SA", password).payload);
    EXPECT_TRUE(errors.empty()) << "error " << (errors.empty() ? 0 : errors[0]);
    return Clock::now() - start;
}

// Wrong passwords sent one after another from random loopback addresses until the end time, as
// another local user when this test runs as root; the number of answers comes back through a pipe.
pid_t startGuesser(std::uint16_t port, Clock::duration lasting, int answers)
{
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
        ::_exit(2);
    std::mt19937 random(static_cast<unsigned>(::getpid()));
    const auto end = Clock::now() + lasting;
    long answered = 0;
    while (Clock::now() < end) {
        try {
            tdstest::RawClient raw(port, randomLoopbackAddress(random));
            raw.sendPacket(18, 1, tdstest::hex("00 00 0B 00 06 01 00 11 00 01 FF 0F 00 07 D0 00 00 02"));
            raw.readMessage();
            raw.sendPacket(16, 1, tdstest::typicalLogin("SA", "guess-" + std::to_string(random())).build());
            answered += errorNumbers(raw.readMessage().payload) == std::vector<int>{18456};
        } catch (const std::exception&) {
            std::this_thread::sleep_for(10ms);
        }
    }
    const auto written = ::write(answers, &answered, sizeof answered);
    ::_exit(written == sizeof answered ? 0 : 3);
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

TEST_F(Admission, ARealLogOnGetsInAtOnceBeside200IdleSocketsReopenedWhenDropped)
{
    std::atomic<bool> stop{false};
    std::atomic<long> opened{0};
    std::thread idle([&] {
        std::mt19937 random(7);
        std::vector<std::unique_ptr<tdstest::RawClient>> sockets;
        while (!stop) {
            std::erase_if(sockets, [](const auto& client) {
                client->socket().non_blocking(true);
                std::uint8_t byte;
                asio::error_code ec;
                client->socket().receive(asio::buffer(&byte, 1), asio::socket_base::message_peek, ec);
                return ec != asio::error::would_block;
            });
            while (sockets.size() < 200 && !stop) {
                try {
                    sockets.push_back(std::make_unique<tdstest::RawClient>(port_, randomLoopbackAddress(random)));
                    ++opened;
                } catch (const std::system_error&) {
                    break;  // refused: tried again after the pause
                }
            }
            std::this_thread::sleep_for(20ms);
        }
    });
    std::this_thread::sleep_for(1500ms);  // the idle sockets have settled
    Clock::duration slowest{};
    for (int i = 0; i < 10; ++i) {
        slowest = std::max(slowest, timedLogOn(port_));
        std::this_thread::sleep_for(200ms);
    }
    stop = true;
    idle.join();
    RecordProperty("slowest_log_on_ms",
                   std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(slowest).count()));
    RecordProperty("idle_sockets_opened", std::to_string(opened.load()));
    EXPECT_LT(slowest, 1s);
    EXPECT_GE(opened.load(), 200);
    EXPECT_TRUE(server_->waitForLog("not logged on yet"));
}

TEST_F(Admission, GuessingFromManyLoopbackAddressesStaysSlowAndTheRightPasswordGetsInAtOnce)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "the guessers must be another local user, which only root can start";
    constexpr auto lasting = 8s;
    int answers[2];
    ASSERT_EQ(::pipe(answers), 0);
    std::vector<pid_t> guessers;
    for (int i = 0; i < 8; ++i)
        guessers.push_back(startGuesser(port_, lasting, answers[1]));
    ::close(answers[1]);
    std::this_thread::sleep_for(2s);
    Clock::duration slowest{};
    for (int i = 0; i < 5; ++i) {
        slowest = std::max(slowest, timedLogOn(port_));
        std::this_thread::sleep_for(300ms);
    }
    long guessed = 0;
    for (const pid_t guesser : guessers) {
        int status = 0;
        ::waitpid(guesser, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        long one = 0;
        ASSERT_EQ(::read(answers[0], &one, sizeof one), static_cast<ssize_t>(sizeof one));
        guessed += one;
    }
    ::close(answers[0]);
    RecordProperty("slowest_log_on_ms",
                   std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(slowest).count()));
    RecordProperty("wrong_passwords_answered", std::to_string(guessed));
    EXPECT_LT(slowest, 1s);
    // Three free, then one a second for the whole of the other user's guessing.
    EXPECT_LE(guessed, 3 + std::chrono::duration_cast<std::chrono::seconds>(lasting).count() + 1);
    EXPECT_GE(guessed, 3);
}

// Every place in the server's memory holding the bytes.
long copiesInMemory(int pid, const std::string& bytes)
{
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::ifstream memory("/proc/" + std::to_string(pid) + "/mem", std::ios::binary);
    long copies = 0;
    std::string line;
    while (std::getline(maps, line)) {
        unsigned long from = 0, to = 0;
        char permissions[5] = {};
        if (std::sscanf(line.c_str(), "%lx-%lx %4s", &from, &to, permissions) != 3 || permissions[0] != 'r'
            || line.find("[vvar]") != std::string::npos)
            continue;
        std::string region(to - from, '\0');
        memory.clear();
        memory.seekg(static_cast<std::streamoff>(from));
        if (!memory.read(region.data(), static_cast<std::streamsize>(region.size())))
            continue;
        for (auto at = region.find(bytes); at != std::string::npos; at = region.find(bytes, at + 1))
            ++copies;
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
