// taskstore fed garbage over real sockets: random bytes, truncated and oversized packets, and
// valid packets with their insides scrambled. It must keep serving everyone else.
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "OdbcClient.h"
#include "TaskStoreProcess.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Sends the bytes on a fresh connection and reads whatever comes back until the server closes or
// a short wait passes.
void sendAndDrain(int port, const Bytes& bytes)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval limit{0, 200'000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        if (!bytes.empty())
            (void)send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        char buffer[4096];
        while (recv(fd, buffer, sizeof buffer, 0) > 0) {}
    }
    close(fd);
}

std::vector<Bytes> seeds()
{
    std::vector<Bytes> found;
    for (const auto& entry : std::filesystem::directory_iterator(TDS_CORPUS)) {
        std::ifstream in(entry.path(), std::ios::binary);
        found.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return found;
}

Bytes hostileBytes(std::mt19937& random, const std::vector<Bytes>& valid, int kind)
{
    Bytes bytes;
    switch (kind % 4) {
    case 0:  // noise
        bytes.resize(random() % 600);
        for (auto& b : bytes)
            b = static_cast<unsigned char>(random());
        break;
    case 1:  // a valid packet with some bytes flipped
    case 2:
        bytes = valid[random() % valid.size()];
        for (int flips = 1 + static_cast<int>(random() % 8); flips > 0 && !bytes.empty(); --flips)
            bytes[random() % bytes.size()] ^= static_cast<unsigned char>(1 + random() % 255);
        break;
    default:  // a valid packet, then a header claiming more than is ever sent
        bytes = valid[random() % valid.size()];
        bytes.insert(bytes.end(), {0x10, 0x01, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00});
        bytes.resize(bytes.size() + random() % 100);
        break;
    }
    return bytes;
}

TEST(TaskStoreUnderGarbage, KeepsServingAfterHundredsOfHostileConnections)
{
    testsupport::TaskStoreProcess store;
    const std::vector<Bytes> valid = seeds();
    ASSERT_FALSE(valid.empty());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::atomic<int> sent = 0;
    std::vector<std::thread> senders;
    for (int t = 0; t < 4; ++t) {
        senders.emplace_back([&, t] {
            std::mt19937 random(20061 + t);
            for (int n = 0; n < 100 && std::chrono::steady_clock::now() < deadline; ++n, ++sent)
                sendAndDrain(store.port(), hostileBytes(random, valid, n));
        });
    }
    for (auto& sender : senders)
        sender.join();
    RecordProperty("hostile connections", sent.load());
    EXPECT_TRUE(store.running()) << "the server went away";
    testsupport::OdbcClient client(store.port());
    EXPECT_EQ(client.query("select 40 + 2").at(0).at(0), "42");
    EXPECT_EQ(store.log().find("internal error"), std::string::npos) << store.log();
}

}  // namespace
