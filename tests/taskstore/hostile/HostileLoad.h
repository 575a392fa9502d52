#pragma once
// Hostile clients for the soak: each goes round the attacks that must leave the server standing
// (deep statements, attention during long statements, also inside a transaction, requests sent
// ahead, oversized parameter lists, functions on long input, writes with long subqueries, long
// values left unread, connections opened and dropped) until the end time, and counts what it got.
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

namespace hostile {

struct HostileCounts {
    std::atomic<long> rounds = 0, nestedErrors = 0, attentions = 0, floods = 0, parameterErrors = 0, dropped = 0,
                      costly = 0;
    std::atomic<long> slowestAttentionMs = 0, slowestLogOnMs = 0;
    std::mutex mutex;
    std::vector<std::string> failures;  // answers other than the expected ones
};

void runHostileClient(int port, const std::string& password, std::chrono::steady_clock::time_point end,
                      HostileCounts& counts);

}  // namespace hostile
