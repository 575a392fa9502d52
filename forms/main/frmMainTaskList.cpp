// The main window's task list: one query over the shared connection, bound to the grid, then the
// five columns laid out.
#include <memory>

#include "db/Recordset.h"
#include "db/SharedConnection.h"
#include "db/TaskOperations.h"
#include "forms/main/ColumnWidth.h"
#include "forms/main/TaskGrid.h"
#include "forms/main/frmMain.h"

namespace forms {

namespace {
constexpr int TaskColumns = 5;
constexpr int CentredColumns[] = {0, 1, 2, 4};  // the registration time keeps the default
}  // namespace

void frmMain::RefreshTaskList()
{
    // Owned by this call and released on every path; a failed open leaves the grid untouched.
    auto recordset = std::make_unique<db::Recordset>();
    db::TaskOperations::openTaskList(*recordset, *ModMain::Conn);
    MSHF_Task->setDataSource(*recordset);
    recordset->Close();

    for (int column = 0; column < TaskColumns; ++column)
        MSHF_Task->ColWidth(column, taskColumnWidth(MSHF_Task->Width()));
    for (int column : CentredColumns)
        MSHF_Task->ColAlignment(column, GridAlignment::CenterCenter);
}

}  // namespace forms
