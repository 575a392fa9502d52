#pragma once
// Test helpers around the server side: a log that keeps its lines, and a blocking TDS client over
// a raw socket that speaks just enough to log in and exchange messages.
#include <asio.hpp>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Bytes.h"
#include "Login7Builder.h"
#include "taskstore/server/EventLog.h"

namespace tdstest {

class CapturingLog final : public taskstore::server::EventLog {
public:
    void line(std::string_view text) override
    {
        const std::lock_guard lock(mutex_);
        lines_.emplace_back(text);
    }
    std::string text() const
    {
        const std::lock_guard lock(mutex_);
        std::string all;
        for (const auto& l : lines_)
            all += l + "\n";
        return all;
    }
    bool waitFor(const std::string& needle, std::chrono::milliseconds limit = std::chrono::seconds(5)) const
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (text().find(needle) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

struct ReplyMessage {
    std::vector<std::uint8_t> payload;
    std::size_t packets = 0;
    // Status of the final DONE-family token, read from the last 13 bytes.
    std::uint16_t lastDoneStatus() const
    {
        return static_cast<std::uint16_t>(payload[payload.size() - 12] | payload[payload.size() - 11] << 8);
    }
};

class RawClient {
public:
    explicit RawClient(std::uint16_t port) : socket_(io_)
    {
        socket_.connect(asio::ip::tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
    }
    // From a chosen local address: any of 127.0.0.0/8 reaches a server on 127.0.0.1.
    RawClient(std::uint16_t port, const std::string& source) : socket_(io_)
    {
        socket_.open(asio::ip::tcp::v4());
        socket_.bind(asio::ip::tcp::endpoint(asio::ip::make_address(source), 0));
        socket_.connect(asio::ip::tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
    }

    void sendPacket(std::uint8_t type, std::uint8_t status, const std::vector<std::uint8_t>& body)
    {
        const auto length = static_cast<std::uint16_t>(body.size() + 8);
        auto bytes = concat(
            {{type, status, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 0, 0, 1, 0},
             body});
        asio::write(socket_, asio::buffer(bytes));
    }

    // Reads one packet into message; returns true on end-of-message. Throws asio's system_error
    // when the server closed.
    bool readPacket(ReplyMessage& message)
    {
        std::uint8_t header[8];
        asio::read(socket_, asio::buffer(header));
        const std::size_t length = header[2] << 8 | header[3];
        std::vector<std::uint8_t> body(length - 8);
        asio::read(socket_, asio::buffer(body));
        message.payload.insert(message.payload.end(), body.begin(), body.end());
        ++message.packets;
        return (header[1] & 1) != 0;
    }

    ReplyMessage readMessage()
    {
        ReplyMessage message;
        while (!readPacket(message)) {}
        return message;
    }

    ReplyMessage login(const std::string& password = "s3cret", const std::string& database = "VOZUZODI")
    {
        sendPacket(18, 1, hex("00 00 0B 00 06 01 00 11 00 01 FF 0F 00 07 D0 00 00 02"));
        readMessage();
        sendPacket(16, 1, typicalLogin("SA", password, database).build());
        return readMessage();
    }

    // Sends a message in packets of the negotiated 4096 bytes, the last one marked end-of-message.
    void sendMessage(std::uint8_t type, const std::vector<std::uint8_t>& body)
    {
        constexpr std::size_t packetBody = 4096 - 8;
        for (std::size_t at = 0; at + packetBody < body.size(); at += packetBody)
            sendPacket(type, 0, std::vector<std::uint8_t>(body.begin() + at, body.begin() + at + packetBody));
        const std::size_t last = body.empty() ? 0 : (body.size() - 1) / packetBody * packetBody;
        sendPacket(type, 1, std::vector<std::uint8_t>(body.begin() + last, body.end()));
    }

    ReplyMessage batch(std::string_view ascii)
    {
        sendMessage(1, concat({noTransactionHeaders, ucs2(ascii)}));
        return readMessage();
    }

    // True when the server has closed its side.
    bool closedByServer()
    {
        std::uint8_t byte;
        asio::error_code ec;
        socket_.read_some(asio::buffer(&byte, 1), ec);
        return ec == asio::error::eof || ec == asio::error::connection_reset;
    }

    asio::ip::tcp::socket& socket() { return socket_; }

private:
    asio::io_context io_;
    asio::ip::tcp::socket socket_;
};

}  // namespace tdstest
