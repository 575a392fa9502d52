#include "db/TaskStatements.h"

namespace db::TaskStatements {

const std::string& listQuery()
{
    // One piece of the statement a line, as the statement reads.
    // clang-format off
    static const std::string text = std::string(" select  cSub_Name as '子系统',")
        + "         cStation as '站点',"
        + "         case when convert(int,TaskState) < 0 then '异常'"
        + "         Else '正常（' + TaskState + '）' end as '运行状态',"
        + "         dInTime as '注册时间',"
        + "         cTaskId as '任务号'"
        + " From zk_tasklog";
    // clang-format on
    return text;
}

}  // namespace db::TaskStatements
