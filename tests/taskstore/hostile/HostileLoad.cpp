#include "HostileLoad.h"

#include <thread>

#include "CostCases.h"
#include "HostileClient.h"

namespace hostile {
namespace {

using namespace std::chrono_literals;

const std::string endlessLike = slowLike(20000);

void expectErrors(HostileCounts& counts, const std::vector<int>& got, const std::vector<int>& expected,
                  const char* what)
{
    if (got == expected)
        return;
    std::string numbers;
    for (int n : got)
        numbers += " " + std::to_string(n);
    const std::lock_guard lock(counts.mutex);
    counts.failures.push_back(std::string(what) + ": errors" + numbers);
}

// A second. Built with AddressSanitizer, whose checks make every allocation and memory access of
// the server several times slower (a CHARINDEX attention measured 3.9 s there against 0.85 s),
// five: that build looks for memory errors, the plain one holds the time.
#if defined(__SANITIZE_ADDRESS__)
constexpr long slowestAllowedMs = 5000;
#else
constexpr long slowestAllowedMs = 1000;
#endif

// Keeps the slowest, and fails past the bound.
void timed(HostileCounts& counts, std::atomic<long>& slowest, long took, const std::string& what)
{
    long seen = slowest;
    while (took > seen && !slowest.compare_exchange_weak(seen, took)) {}
    if (took > slowestAllowedMs) {
        const std::lock_guard lock(counts.mutex);
        counts.failures.push_back(what + " after " + std::to_string(took) + " ms");
    }
}

void attention(HostileClient& client, HostileCounts& counts, const char* what)
{
    std::this_thread::sleep_for(200ms);
    client.attention();
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(client.readUntilAttentionAcknowledged()).count();
    ++counts.attentions;
    timed(counts, counts.slowestAttentionMs, took, std::string(what) + ": attention answered");
}

// One function on long input and one write whose subquery runs long in a transaction, each
// stopped by an attention, then a long value whose reader leaves while it is being sent.
void costlyStatements(HostileClient& client, long round, HostileCounts& counts)
{
    static const auto functions = longInputCases();
    static const auto writes = longSubqueryWrites();
    static const std::string longValue = "select convert(nvarchar(max), '" + std::string(4'000'000, 'a') + "')";
    const auto& function = functions[static_cast<std::size_t>(round) % functions.size()];
    client.sendBatch(function.second);
    attention(client, counts, function.first);
    const auto& write = writes[static_cast<std::size_t>(round) % writes.size()];
    expectErrors(counts, errorNumbers(client.batch("begin tran").payload), {}, "begin");
    client.sendBatch(write.second);
    attention(client, counts, write.first);
    expectErrors(counts, errorNumbers(client.batch("rollback").payload), {}, "rollback after attention");
    client.sendBatch(longValue);
    ++counts.costly;
}

void oneRound(int port, const std::string& password, long round, HostileCounts& counts)
{
    const auto portNumber = static_cast<std::uint16_t>(port);
    // Beside idle sockets and guessing of another user (SoakMain), a log-on gets in at once.
    const auto start = std::chrono::steady_clock::now();
    HostileClient client(portNumber);
    expectErrors(counts, errorNumbers(client.login("SA", password).payload), {}, "log-on");
    timed(counts, counts.slowestLogOnMs,
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count(),
          "log-on answered");
    switch (round % 7) {
    case 0:
        expectErrors(counts, errorNumbers(client.batch("select 1" + repeat("+1", 10000)).payload), {191}, "+ chain");
        expectErrors(counts, errorNumbers(client.batch("select 1 where 1 = 0" + repeat(" or 1 = 0", 20000)).payload),
                     {191}, "OR chain");
        counts.nestedErrors += 2;
        break;
    case 1:
        client.sendBatch(endlessLike);
        attention(client, counts, "long LIKE");
        break;
    case 2:
        expectErrors(counts, errorNumbers(client.batch("begin tran").payload), {}, "begin");
        client.sendBatch(emptyDelete);
        attention(client, counts, "delete in a transaction");
        expectErrors(counts, errorNumbers(client.batch("rollback").payload), {}, "rollback after attention");
        break;
    case 3: {
        // 8 MB of batches sent ahead, then gone without reading a reply.
        const auto batch = tdstest::concat({tdstest::noTransactionHeaders, tdstest::ucs2(endlessLike.substr(0, 1000))});
        client.raw().socket().non_blocking(true);
        std::vector<std::uint8_t> packet{
            1, 1, static_cast<std::uint8_t>((batch.size() + 8) >> 8), static_cast<std::uint8_t>(batch.size() + 8), 0, 0,
            1, 0};
        packet.insert(packet.end(), batch.begin(), batch.end());
        std::size_t sent = 0;
        const auto until = std::chrono::steady_clock::now() + 2s;
        while (sent < (8u << 20) && std::chrono::steady_clock::now() < until) {
            asio::error_code ec;
            sent += client.raw().socket().write_some(asio::buffer(packet) + sent % packet.size(), ec);
            if (ec == asio::error::would_block)
                std::this_thread::sleep_for(5ms);
            else if (ec)
                break;
        }
        ++counts.floods;
        break;
    }
    case 4: {
        std::vector<std::uint8_t> rpc =
            tdstest::concat({tdstest::noTransactionHeaders, tdstest::hex("FF FF 0A 00 00 00")});
        const auto value = tdstest::hex("00 00 26 04 04 01 00 00 00");
        for (int i = 0; i < 100000; ++i)
            rpc.insert(rpc.end(), value.begin(), value.end());
        client.send(3, rpc);
        expectErrors(counts, errorNumbers(client.read().payload), {8003}, "100,000 parameters");
        ++counts.parameterErrors;
        break;
    }
    case 5: costlyStatements(client, round / 7, counts); break;
    default:
        // Connections opened and dropped before their log-on.
        for (int i = 0; i < 20; ++i)
            tdstest::RawClient dropped(portNumber);
        counts.dropped += 20;
        break;
    }
}

}  // namespace

void runHostileClient(int port, const std::string& password, std::chrono::steady_clock::time_point end,
                      HostileCounts& counts)
{
    for (long round = 0; std::chrono::steady_clock::now() < end; ++round) {
        try {
            oneRound(port, password, round, counts);
        } catch (const std::exception& e) {
            const std::lock_guard lock(counts.mutex);
            counts.failures.push_back(std::string("round ") + std::to_string(round % 7) + ": " + e.what());
        }
        ++counts.rounds;
    }
}

}  // namespace hostile
