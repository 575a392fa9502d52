// The tables a statement names, found wherever a subquery sits in its expressions: a table
// missed here would be compiled as if it existed instead of deferred.
#include "taskstore/sql/parse/Parser.h"
#include "taskstore/sql/parse/StatementTables.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tsqltest {
namespace {

using namespace taskstore::sql;

// "in (select 1 from tN)", the only way an expression names a table.
std::string in(int table)
{
    return "1 in (select 1 from t" + std::to_string(table) + ")";
}

TEST(StatementTables, SubqueriesAreFoundUnderEveryKindOfOperandInTheOrderWritten)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
        {"select a from t1 where b in (select c from t2 where d not in (select e from t3))", {"t1", "t2", "t3"}},
        {"select case when " + in(1) + " then 1 end, case (case when " + in(2) + " then 1 end) when (case when "
             + in(3) + " then 1 end) then 1 else (case when " + in(5) + " then 1 end) end from t4",
         {"t4", "t1", "t2", "t3", "t5"}},
        {"select case 1 when -(1) then upper(convert(varchar, 1, (case when " + in(1) + " then 1 end))) else 0 end",
         {"t1"}},
        {"select 1 where not (" + in(1) + ") or (1 + 2 = 3 and 4 between 1 and (case when " + in(2)
             + " then 5 end))",
         {"t1", "t2"}},
        {"select 1 where isnull(null, 1) in (1, (case when " + in(1) + " then 1 end)) and 'a' like (case when "
             + in(2) + " then 'a' end) and (case when " + in(3) + " then 1 end) is null",
         {"t1", "t2", "t3"}},
        {"select a from t1 order by case when " + in(2) + " then 1 end", {"t1", "t2"}},
        {"insert into t1 values (cast((case when " + in(2) + " then 1 end) as int))", {"t1", "t2"}},
        {"update t1 set a = len(case when " + in(2) + " then 'x' end) where " + in(3), {"t1", "t2", "t3"}},
        {"delete t1 where " + in(2), {"t1", "t2"}},
        {"if " + in(1) + " delete db.dbo.t2", {"t1", "t2"}},
        {"select 1, @@spid, 'a', 1.5, N'b', c from t1 where -c = 2", {"t1"}},
    };
    for (const auto& [sql, expected] : cases) {
        const auto batch = parseBatch(sql);
        std::vector<std::string> found;
        for (const ObjectName* name : tablesNamedBy(batch.at(0)))
            found.push_back(name->table);
        EXPECT_EQ(found, expected) << sql;
    }
}

}  // namespace
}  // namespace tsqltest
