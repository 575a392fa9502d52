#include "HostileClient.h"

#include <algorithm>

namespace hostile {

std::string repeat(std::string_view text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

std::string slowLike(int length)
{
    return "select 1 where '" + std::string(static_cast<std::size_t>(length), 'a') + "' like '" + repeat("%a", length)
        + "%b'";
}

std::vector<int> errorNumbers(const std::vector<std::uint8_t>& reply)
{
    std::vector<int> numbers;
    // ERROR: AA, length (2), number (4), state, class, then the message's length in characters.
    for (std::size_t i = 0; i + 11 < reply.size(); ++i) {
        if (reply[i] != 0xAA)
            continue;
        const int number = reply[i + 3] | reply[i + 4] << 8 | reply[i + 5] << 16 | reply[i + 6] << 24;
        const int severity = reply[i + 8];
        if (number > 0 && number < 100000 && severity >= 11 && severity <= 25)
            numbers.push_back(number);
    }
    return numbers;
}

tdstest::ReplyMessage HostileClient::login(const std::string& user, const std::string& password)
{
    raw_.sendPacket(18, 1, tdstest::hex("00 00 0B 00 06 01 00 11 00 01 FF 0F 00 07 D0 00 00 02"));
    raw_.readMessage();
    send(16, tdstest::typicalLogin(user, password).build());
    return raw_.readMessage();
}

void HostileClient::send(std::uint8_t type, const std::vector<std::uint8_t>& payload, bool endOfMessage)
{
    constexpr std::size_t body = 4096 - 8;
    std::vector<std::uint8_t> bytes;
    std::size_t at = 0;
    do {
        const std::size_t n = std::min(body, payload.size() - at);
        const bool last = endOfMessage && at + n == payload.size();
        const auto length = static_cast<std::uint16_t>(n + 8);
        const std::uint8_t header[8] = {type,
                                        static_cast<std::uint8_t>(last ? 1 : 0),
                                        static_cast<std::uint8_t>(length >> 8),
                                        static_cast<std::uint8_t>(length),
                                        0,
                                        0,
                                        1,
                                        0};
        bytes.insert(bytes.end(), header, header + 8);
        bytes.insert(bytes.end(), payload.begin() + static_cast<std::ptrdiff_t>(at),
                     payload.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    } while (at < payload.size());
    asio::write(raw_.socket(), asio::buffer(bytes));
}

void HostileClient::sendBatch(const std::string& ascii)
{
    send(1, tdstest::concat({tdstest::noTransactionHeaders, tdstest::ucs2(ascii)}));
}

tdstest::ReplyMessage HostileClient::batch(const std::string& ascii)
{
    sendBatch(ascii);
    return raw_.readMessage();
}

std::chrono::steady_clock::duration HostileClient::readUntilAttentionAcknowledged()
{
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const tdstest::ReplyMessage reply = raw_.readMessage();
        if (reply.payload.size() >= 13 && (reply.lastDoneStatus() & 0x20) != 0)
            return std::chrono::steady_clock::now() - start;
    }
}

}  // namespace hostile
