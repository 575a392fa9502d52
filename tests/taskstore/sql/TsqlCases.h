#pragma once
// One table of T-SQL cases. `sql` holds one or more batches separated by lines reading GO, as in
// SQL Server's tools: every batch but the last must succeed; the last one's first result set
// (values as text, NULL as nullopt) or its error (number, and text when given) is checked. Each
// case runs on one connection to a fresh VOZUZODI seeded with `fixtureSql`. Plain data, so the
// same table can run against the engine directly or through the server over ODBC.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tsqltest {

struct TsqlCase {
    std::string name;
    std::string sql;
    std::vector<std::vector<std::optional<std::string>>> rows;
    int error = 0;
    std::string message;  // checked when not empty
    // Where taskstore's answer is not SQL Server's (its own refusal, 50000, above all): words of the
    // line in taskstore/sql/README.md that lists the difference.
    std::string difference;
};

// A normal task ('05') shares cSub_Id AR01 with an abnormal one ('-1'); zk_task spells it
// 'ar01 ' (other case, trailing blank), which still matches; one state is NULL.
inline const std::string fixtureSql =
    "insert into zk_tasklog (cTaskId, cSub_Id, cSub_Name, cStation, TaskState, dInTime) values"
    " ('T1', 'GL01', N'总账', 'PC-01', '0', '2026-11-01 08:00:00'),"
    " ('T2', 'AR01', N'应收款管理', 'PC-02', '05', '2026-11-01 09:30:00'),"
    " ('T3', 'AR01', N'应收款管理', 'PC-02', '-1', '2026-11-01T10:00:00.123'),"
    " ('T4', 'FA01', N'固定资产', 'PC-03', NULL, '20261102'),"
    " ('T5', 'ST01', N'库存管理', 'PC-04', ' -2 ', '2026-11-02 12:00')\n"
    "insert into zk_task (cSub_Id, cTaskId) values ('GL01', 'T1'), ('ar01 ', 'T2'), ('FA01', 'T4'),"
    " ('ST01', 'T5'), (NULL, 'T6')";

std::vector<TsqlCase> tsqlCases();
// `text` written `times` times over.
std::string repeat(std::string_view text, int times);
// The batches of a case's text, split at GO lines.
std::vector<std::string> splitBatches(const std::string& sql);

}  // namespace tsqltest
