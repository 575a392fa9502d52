#include "OtherUserAttacks.h"

#include <memory>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "HostileClient.h"

namespace hostile {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

bool OtherUserAttacks::possible() { return ::geteuid() == 0; }

OtherUserAttacks::OtherUserAttacks()
{
    if (::pipe(pipe_) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe");
}

OtherUserAttacks::~OtherUserAttacks()
{
    finish();
    ::close(pipe_[0]);
}

void OtherUserAttacks::start(const std::function<long()>& attack)
{
    const pid_t child = ::fork();
    if (child < 0)
        throw std::system_error(errno, std::generic_category(), "fork");
    if (child > 0) {
        children_.push_back(child);
        return;
    }
    if (::setgid(65534) != 0 || ::setuid(65534) != 0)
        ::_exit(2);
    const long count = attack();
    ::_exit(::write(pipe_[1], &count, sizeof count) == sizeof count ? 0 : 3);
}

long OtherUserAttacks::finish()
{
    if (pipe_[1] >= 0) {
        ::close(pipe_[1]);
        pipe_[1] = -1;
    }
    long total = 0;
    for (const pid_t child : children_) {
        int status = 0;
        ::waitpid(child, &status, 0);
        long one = 0;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0
            || ::read(pipe_[0], &one, sizeof one) != static_cast<ssize_t>(sizeof one))
            total = -1;
        if (total >= 0)
            total += one;
    }
    children_.clear();
    return total;
}

std::string randomLoopbackAddress(std::mt19937& random)
{
    std::uniform_int_distribution<int> byte(0, 255), last(1, 254);
    return "127." + std::to_string(byte(random)) + "." + std::to_string(byte(random)) + "."
        + std::to_string(last(random));
}

long guessWrongPasswords(std::uint16_t port, Clock::time_point end)
{
    std::mt19937 random(static_cast<unsigned>(::getpid()));
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
    return answered;
}

long holdIdleSockets(std::uint16_t port, Clock::time_point end, std::size_t count)
{
    std::mt19937 random(7);
    std::vector<std::unique_ptr<tdstest::RawClient>> sockets;
    long opened = 0;
    while (Clock::now() < end) {
        std::erase_if(sockets, [](const auto& client) {
            client->socket().non_blocking(true);
            std::uint8_t byte;
            asio::error_code ec;
            client->socket().receive(asio::buffer(&byte, 1), asio::socket_base::message_peek, ec);
            return ec != asio::error::would_block;
        });
        while (sockets.size() < count) {
            try {
                sockets.push_back(std::make_unique<tdstest::RawClient>(port, randomLoopbackAddress(random)));
                ++opened;
            } catch (const std::system_error&) {
                break;  // tried again after the pause
            }
        }
        std::this_thread::sleep_for(20ms);
    }
    return opened;
}

}  // namespace hostile
