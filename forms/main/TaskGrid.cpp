#include "forms/main/TaskGrid.h"

#include <QHeaderView>

#include "db/Recordset.h"
#include "forms/main/TaskGridStyle.h"
#include "forms/main/TaskTableModel.h"
#include "runtime/RuntimeError.h"
#include "runtime/Twips.h"

namespace forms {

namespace {
// The grid's own error numbers for a bad subscript or property value.
constexpr long SubscriptOutOfRange = 381;
constexpr long InvalidPropertyValue = 380;

// Before the first binding the grid shows its design size: a title row and one blank row, of
// two columns.
constexpr int DesignDataRows = 1;
constexpr int DesignColumns = 2;
// Every row has the grid's default row height, so the view never measures rows one by one.
constexpr int RowHeightTwips = 240;

[[noreturn]] void subscriptOutOfRange() { throw runtime::RuntimeError(SubscriptOutOfRange, "Subscript out of range"); }
}  // namespace

TaskGrid::TaskGrid(QWidget* parent) : QTableView(parent), model_(new TaskTableModel(this))
{
    model_->setBlank(DesignDataRows, DesignColumns);
    setModel(model_);

    QFont songti(QStringLiteral("宋体"));
    songti.setPointSize(9);
    songti.setWeight(QFont::Normal);
    setFont(songti);
    auto* gridStyle = new TaskGridStyle;
    gridStyle->setParent(this);
    setStyle(gridStyle);

    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(runtime::twipsToPixels(RowHeightTwips));
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    setWordWrap(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab leaves the grid for the toolbar; the arrow keys move between cells.
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

int TaskGrid::Rows() const { return model_->rowCount() + 1; }

int TaskGrid::Cols() const { return model_->columnCount(); }

QString TaskGrid::TextMatrix(int row, int column) const
{
    if (row < 0 || row >= Rows() || column < 0 || column >= Cols())
        subscriptOutOfRange();
    return row == 0 ? model_->title(column) : model_->cellText(row - 1, column);
}

int TaskGrid::Width() const { return runtime::pixelsToTwips(width()); }

void TaskGrid::ColWidth(int column, int twips)
{
    checkColumn(column);
    if (twips < 0)
        throw runtime::RuntimeError(InvalidPropertyValue, "Invalid property value");
    setColumnWidth(column, runtime::twipsToPixels(twips));
}

int TaskGrid::ColWidth(int column) const
{
    checkColumn(column);
    return runtime::pixelsToTwips(columnWidth(column));
}

void TaskGrid::ColAlignment(int column, int alignment)
{
    checkColumn(column);
    static constexpr Qt::Alignment horizontal[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    static constexpr Qt::Alignment vertical[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    if (alignment == GridAlignment::General)
        model_->setColumnAlignment(column, {});
    else if (alignment >= 0 && alignment < GridAlignment::General)
        model_->setColumnAlignment(column, horizontal[alignment / 3] | vertical[alignment % 3]);
    else
        throw runtime::RuntimeError(InvalidPropertyValue, "Invalid property value");
}

void TaskGrid::setDataSource(const db::Recordset& recordset)
{
    auto rows = recordset.rows();
    if (!rows)
        throw runtime::RuntimeError(runtime::ErrorNumber::ProviderFailure, "The data source holds no rows to bind.");
    model_->setTable(std::move(rows));
}

void TaskGrid::checkColumn(int column) const
{
    if (column < 0 || column >= Cols())
        subscriptOutOfRange();
}

}  // namespace forms
