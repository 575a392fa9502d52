#pragma once
// Statements whose cost grows with the values a client gives them, shared by the cost tests and
// the soak's hostile clients: a long value built by doubling, selected in part; every function on
// long input over every task; writes whose subquery runs long; a request as long as allowed.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "HostileClient.h"

namespace hostile {

struct LongValue {
    long chars = 0;       // the longest value the doubling built (characters)
    int refusedWith = 0;  // the error that stopped it
};

// Creates cost_big with one row of a million characters and doubles it until the server refuses.
LongValue buildLongValue(HostileClient& client);
// The first `chars` characters of that value as a result.
std::string selectLongValue(long chars);

// (name, batch): each function of the engine given arguments of hundreds of thousands of
// characters, applied to every task.
std::vector<std::pair<const char*, std::string>> longInputCases();
// (name, batch): an UPDATE and a DELETE whose filter's subquery compares every task with every log
// row.
std::vector<std::pair<const char*, std::string>> longSubqueryWrites();

// A batch of about `bytes` (a comment makes the length), split so that its end can be sent later.
struct SplitBatch {
    std::vector<std::uint8_t> allButLast;
    std::vector<std::uint8_t> last;
};
SplitBatch commentedBatch(std::size_t bytes);

// What a server whose memory budget is `budgetMiB` may reach: the budget, and what it does not
// count (the program and its libraries, thread stacks, the heap's unreturned free pages, a
// request's decoded text), measured at under 96 MiB with 20,000 demo tasks; with
// AddressSanitizer, its overhead besides.
long peakBoundMiB(long budgetMiB);

std::size_t occurrences(const std::string& text, const std::string& part);

}  // namespace hostile
