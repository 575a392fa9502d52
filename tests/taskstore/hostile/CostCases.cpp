#include "CostCases.h"

namespace hostile {
namespace {

std::string as(std::size_t n) { return std::string(n, 'a'); }

}  // namespace

LongValue buildLongValue(HostileClient& client)
{
    client.batch("create table cost_big (v nvarchar(max))");
    client.batch("insert into cost_big values ('" + as(1'000'000) + "')");
    LongValue value{1'000'000, 0};
    for (int i = 0; i < 10 && value.refusedWith == 0; ++i) {
        const auto errors = errorNumbers(client.batch("update cost_big set v = v + v").payload);
        if (errors.empty())
            value.chars *= 2;
        else
            value.refusedWith = errors.front();
    }
    return value;
}

std::string selectLongValue(long chars) { return "select left(v, " + std::to_string(chars) + ") from cost_big"; }

std::vector<std::pair<const char*, std::string>> longInputCases()
{
    const std::string text = "'" + as(400'000) + "' + cSub_Id";
    const std::string wide = "N'" + as(400'000) + "' + cSub_Id";
    const std::string where = "select count(*) from zk_task where ";
    return {
        {"charindex", where + "charindex('" + as(199'999) + "b', " + text + ") > 0"},
        {"like", where + text + " like '%" + std::string(200, 'a') + "b%'"},
        {"compare", where + text + " = '" + as(400'000) + "b'"},
        {"concat", where + "len(" + text + " + " + text + ") = 0"},
        {"upper", where + "upper(" + text + ") = 'b'"},
        {"lower", where + "lower(" + text + ") = 'b'"},
        {"ltrim", where + "ltrim(" + text + ") = 'b'"},
        {"rtrim", where + "rtrim(" + text + ") = 'b'"},
        {"len", where + "len(" + text + ") = 0"},
        {"datalength", where + "datalength(" + wide + ") = 0"},
        {"substring", where + "substring(" + text + ", 200000, 200000) = 'b'"},
        {"left", where + "left(" + text + ", 399999) = 'b'"},
        {"right", where + "right(" + text + ", 399999) = 'b'"},
        {"convert", where + "convert(varchar(max), " + wide + ") = 'b'"},
    };
}

std::vector<std::pair<const char*, std::string>> longSubqueryWrites()
{
    const std::string everyPair = "cTaskId in (select a.cTaskId from zk_task a where a.cSub_Id in (select b.cSub_Id"
                                  " from zk_tasklog b where b.cSub_Id + 'no such' = a.cSub_Id))";
    return {{"delete", "delete from zk_task where " + everyPair},
            {"update", "update zk_task set cSub_Id = cSub_Id where " + everyPair}};
}

SplitBatch commentedBatch(std::size_t bytes)
{
    const std::string text = "select 1 --" + as(bytes / 2);
    auto payload = tdstest::concat({tdstest::noTransactionHeaders, tdstest::ucs2(text)});
    SplitBatch batch;
    batch.last.assign(payload.end() - 100, payload.end());
    payload.resize(payload.size() - 100);
    batch.allButLast = std::move(payload);
    return batch;
}

long peakBoundMiB(long budgetMiB)
{
    const long bound = budgetMiB + 96;
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer's shadow, a byte for every eight of the server's, and its quarantine held to
    // 16 MiB (TaskStoreOptions::memoryJudged): 322 MiB measured for eight unfinished requests.
    return bound + bound / 8 + 16;
#else
    return bound;
#endif
}

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

}  // namespace hostile
