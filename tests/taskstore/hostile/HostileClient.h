#pragma once
// A TDS client that does what a hostile one would: requests of any size split into packets,
// attention at any time, requests sent without waiting for answers. Built on the protocol tests'
// raw client, which logs in without encryption.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ServerHarness.h"

namespace hostile {

std::string repeat(std::string_view text, int times);
// A LIKE that takes its length squared to fail (30,000: some seconds).
std::string slowLike(int length);
// A delete that matches nothing and takes long to find so, each row's filter scanning another
// table (the demo tables of 20,000 tasks: over a minute).
inline const std::string emptyDelete = "delete from zk_tasklog where cTaskId in (select t.cTaskId from zk_task t"
                                       " where t.cSub_Id + 'no such' = zk_tasklog.cSub_Id)";

// The error numbers of the ERROR tokens in a reply (read by shape, not by parsing every token).
std::vector<int> errorNumbers(const std::vector<std::uint8_t>& reply);

class HostileClient {
public:
    explicit HostileClient(std::uint16_t port) : raw_(port) {}

    tdstest::ReplyMessage login(const std::string& user, const std::string& password);
    // Sends a message in packets of at most 4,096 bytes; without endOfMessage, its start only.
    void send(std::uint8_t type, const std::vector<std::uint8_t>& payload, bool endOfMessage = true);
    void sendBatch(const std::string& ascii);
    tdstest::ReplyMessage batch(const std::string& ascii);
    tdstest::ReplyMessage read() { return raw_.readMessage(); }
    void attention() { raw_.sendPacket(6, 1, {}); }
    // Reads replies until the attention's acknowledgement; how long that took.
    std::chrono::steady_clock::duration readUntilAttentionAcknowledged();
    bool closedByServer() { return raw_.closedByServer(); }
    tdstest::RawClient& raw() { return raw_; }

private:
    tdstest::RawClient raw_;
};

}  // namespace hostile
