#pragma once
// One connection's request handler over the fake engine, driven message by message without
// sockets; what it sent is kept without packet headers.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "FakeEngine.h"
#include "Login7Builder.h"
#include "ServerHarness.h"
#include "taskstore/server/RequestHandler.h"

namespace tdstest {

struct Conversation {
    FakeEngine engine;
    taskstore::server::ServerConfig config = [] {
        taskstore::server::ServerConfig c;
        c.saPassword = "s3cret";
        return c;
    }();
    CapturingLog log;
    std::vector<std::uint8_t> sent;
    std::function<void()> onPacket;  // called as each packet leaves
    taskstore::server::RequestHandler handler{engine,
                                              config,
                                              log,
                                              nullptr,
                                              taskstore::server::ConnectionInfo{7, "127.0.0.1:5000", 57},
                                              [this](std::span<const std::uint8_t> p) {
                                                  sent.insert(sent.end(), p.begin() + 8, p.end());
                                                  if (onPacket)
                                                      onPacket();
                                              }};

    std::optional<std::string> send(taskstore::tds::PacketType type, std::vector<std::uint8_t> payload,
                                    std::uint8_t status = 1)
    {
        sent.clear();
        taskstore::tds::Message message;
        message.type = type;
        message.status = status;
        message.ignored = (status & taskstore::tds::status::ignore) != 0;
        message.payload = std::move(payload);
        return handler.handle(message);
    }
    std::optional<std::string> login(const std::string& password, const std::string& database = "VOZUZODI",
                                     std::uint32_t tdsVersion = 0x74000004)
    {
        Login7Builder builder = typicalLogin("SA", password, database);
        builder.tdsVersion = tdsVersion;
        return send(taskstore::tds::PacketType::Login7, builder.build());
    }
    std::vector<std::uint8_t> lastDone() const { return {sent.end() - 13, sent.end()}; }
};

}  // namespace tdstest
