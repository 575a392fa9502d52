// The task grid without a database: its design state, what a bound table shows, the grid
// operations in twips, and a million rows.
#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleFactory>
#include <gtest/gtest.h>
#include <memory>

#include "db/Recordset.h"
#include "db/RowTable.h"
#include "forms/main/TaskGrid.h"
#include "forms/main/TaskGridStyle.h"
#include "forms/main/TaskTableModel.h"
#include "runtime/RuntimeError.h"

namespace {

using forms::TaskGrid;

std::shared_ptr<db::RowTable> taskTable()
{
    auto table = std::make_shared<db::RowTable>();
    table->addColumn("子系统", db::ColumnKind::Text);
    table->addColumn("注册时间", db::ColumnKind::DateTime);
    table->addColumn("任务号", db::ColumnKind::Integer);
    table->appendCell(std::string_view("总账"));
    table->appendCell(std::string_view("2006-01-05 09:08:07.123"));
    table->appendCell(std::string_view("17"));
    table->appendNull();
    table->appendNull();
    table->appendCell(std::string_view("18"));
    return table;
}

long errorNumberOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const runtime::RuntimeError& error) {
        return error.Number();
    }
    return 0;
}

// The model tester reports through qWarning; collected here so that a report fails the test.
class ModelCheck {
public:
    explicit ModelCheck(QAbstractItemModel* model)
        : previous_(qInstallMessageHandler(&ModelCheck::collect)),
          tester_(model, QAbstractItemModelTester::FailureReportingMode::Warning)
    {}
    ~ModelCheck()
    {
        qInstallMessageHandler(previous_);
        EXPECT_TRUE(reports().isEmpty()) << reports().join(QLatin1Char('\n')).toStdString();
        reports().clear();
    }

private:
    static QStringList& reports()
    {
        static QStringList collected;
        return collected;
    }
    static void collect(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (type != QtDebugMsg && type != QtInfoMsg)
            reports().append(message);
    }

    QtMessageHandler previous_;
    QAbstractItemModelTester tester_;
};

Qt::Alignment alignmentOf(const TaskGrid& grid, int column)
{
    const QVariant value = grid.model()->index(0, column).data(Qt::TextAlignmentRole);
    return Qt::Alignment(value.toInt());
}

TEST(GridTaskGrid, BeforeBindingShowsTwoBlankRowsOfTwoColumns)
{
    TaskGrid grid;
    EXPECT_EQ(grid.Rows(), 2);
    EXPECT_EQ(grid.Cols(), 2);
    EXPECT_EQ(grid.TextMatrix(0, 1), QString());
    EXPECT_EQ(grid.TextMatrix(1, 0), QString());
    EXPECT_EQ(errorNumberOf([&] { grid.TextMatrix(2, 0); }), 381);
    EXPECT_EQ(errorNumberOf([&] { grid.TextMatrix(0, 2); }), 381);
    EXPECT_EQ(errorNumberOf([&] { grid.TextMatrix(-1, 0); }), 381);
}

TEST(GridTaskGrid, BoundTableShowsTitlesCellsAndDates)
{
    TaskGrid grid;
    ModelCheck check(grid.model());
    grid.taskModel().setTable(taskTable());

    ASSERT_EQ(grid.Rows(), 3);
    ASSERT_EQ(grid.Cols(), 3);
    EXPECT_EQ(grid.TextMatrix(0, 0), QStringLiteral("子系统"));
    EXPECT_EQ(grid.TextMatrix(0, 2), QStringLiteral("任务号"));
    EXPECT_EQ(grid.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("注册时间"));
    EXPECT_EQ(grid.TextMatrix(1, 0), QStringLiteral("总账"));
    EXPECT_EQ(grid.TextMatrix(1, 1), QStringLiteral("2006-01-05 09:08:07"));
    EXPECT_EQ(grid.TextMatrix(2, 0), QString());  // NULL
    EXPECT_EQ(grid.TextMatrix(2, 2), QStringLiteral("18"));
    EXPECT_FALSE(grid.model()->flags(grid.model()->index(0, 0)) & Qt::ItemIsEditable);

    // Binding again replaces everything, an empty result included: no blank row is kept.
    auto empty = std::make_shared<db::RowTable>();
    empty->addColumn("a", db::ColumnKind::Text);
    grid.taskModel().setTable(empty);
    EXPECT_EQ(grid.Rows(), 1);
    EXPECT_EQ(grid.TextMatrix(0, 0), QStringLiteral("a"));
    EXPECT_EQ(errorNumberOf([&] { grid.TextMatrix(1, 0); }), 381);
}

TEST(GridTaskGrid, LinesAreSilverBetweenRowsAndColumns)
{
    TaskGrid grid;
    grid.resize(300, 120);
    grid.taskModel().setTable(taskTable());
    grid.setColumnWidth(0, 80);
    const QImage shot = grid.viewport()->grab().toImage();
    const int rowHeight = grid.verticalHeader()->defaultSectionSize();
    const QColor silver(192, 192, 192);
    // The line under the first row, and the one right of the first column, away from any text.
    EXPECT_EQ(shot.pixelColor(40, rowHeight - 1), silver);
    EXPECT_EQ(shot.pixelColor(79, rowHeight + 4), silver);
}

// Qt's own cell drawing with the grid's line colour, to hold the grid's quicker drawing against.
class QtCellDrawing : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override
    {
        return hint == SH_Table_GridLineColor ? static_cast<int>(forms::gridLineColor)
                                              : QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

TEST(GridTaskGrid, CellsLookAsQtDrawsThem)
{
    auto table = std::make_shared<db::RowTable>();
    table->addColumn("子系统", db::ColumnKind::Text);
    table->addColumn("状态", db::ColumnKind::Text);
    table->addColumn("任务号", db::ColumnKind::Integer);
    const std::string_view cells[][3] = {
        {"总账", "正常（0）", "17"},
        {"应收款管理", "异常", "1234567890123456789012345678901234567890"},  // too wide: elided
        {"", "  blanks at both ends  ", "-5"},
        {"station-01", "W", "0"},
    };
    for (const auto& row : cells)
        for (std::string_view text : row)
            table->appendCell(text);

    // On both styles whose cells the grid draws itself.
    for (const QString& base : {QStringLiteral("fusion"), QStringLiteral("windows")}) {
        forms::TaskGridStyle quick(QStyleFactory::create(base));
        QtCellDrawing reference(QStyleFactory::create(base));
        std::vector<QImage> shots;
        int rowHeight = 0;
        for (QStyle* style : {static_cast<QStyle*>(&quick), static_cast<QStyle*>(&reference)}) {
            TaskGrid grid;
            grid.setStyle(style);
            grid.resize(360, 140);
            grid.taskModel().setTable(table);
            grid.setColumnWidth(2, 90);
            grid.ColAlignment(1, forms::GridAlignment::CenterCenter);
            grid.selectRow(1);
            rowHeight = grid.verticalHeader()->defaultSectionSize();
            shots.push_back(grid.viewport()->grab().toImage());
        }
        ASSERT_EQ(shots[0].size(), shots[1].size()) << base.toStdString();
        EXPECT_TRUE(shots[0] == shots[1]) << base.toStdString();
        // Not two blank pictures: the selected row is highlighted.
        EXPECT_NE(shots[0].pixelColor(20, rowHeight + rowHeight / 2), QColor(Qt::white)) << base.toStdString();
    }
}

TEST(GridTaskGrid, DateTimeDisplayDropsOnlyTheFraction)
{
    EXPECT_EQ(forms::displayDateTime("2005-03-23 10:15:00.000"), QStringLiteral("2005-03-23 10:15:00"));
    EXPECT_EQ(forms::displayDateTime("2005-03-23 10:15:00"), QStringLiteral("2005-03-23 10:15:00"));
    EXPECT_EQ(forms::displayDateTime("not a date at all, longer"), QStringLiteral("not a date at all, longer"));
    EXPECT_EQ(forms::displayDateTime(""), QString());
}

TEST(GridTaskGrid, AlignmentsFollowTheGridNumbering)
{
    TaskGrid grid;
    ModelCheck check(grid.model());
    grid.taskModel().setTable(taskTable());

    // General: text to the left, numbers to the right.
    EXPECT_EQ(alignmentOf(grid, 0), Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_EQ(alignmentOf(grid, 2), Qt::AlignRight | Qt::AlignVCenter);

    grid.ColAlignment(0, 4);
    EXPECT_EQ(alignmentOf(grid, 0), Qt::AlignCenter);
    grid.ColAlignment(0, 0);
    EXPECT_EQ(alignmentOf(grid, 0), Qt::AlignLeft | Qt::AlignTop);
    grid.ColAlignment(0, 8);
    EXPECT_EQ(alignmentOf(grid, 0), Qt::AlignRight | Qt::AlignBottom);
    grid.ColAlignment(0, 9);
    EXPECT_EQ(alignmentOf(grid, 0), Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_EQ(alignmentOf(grid, 1), Qt::AlignLeft | Qt::AlignVCenter);

    EXPECT_EQ(errorNumberOf([&] { grid.ColAlignment(0, 10); }), 380);
    EXPECT_EQ(errorNumberOf([&] { grid.ColAlignment(3, 4); }), 381);

    // A new binding starts from the default alignment again.
    grid.ColAlignment(2, 4);
    grid.taskModel().setTable(taskTable());
    EXPECT_EQ(alignmentOf(grid, 2), Qt::AlignRight | Qt::AlignVCenter);
}

TEST(GridTaskGrid, WidthsAreInTwips)
{
    TaskGrid grid;
    grid.resize(615, 357);
    EXPECT_EQ(grid.Width(), 9225);
    grid.ColWidth(1, 1834);
    EXPECT_EQ(grid.columnWidth(1), 122);
    EXPECT_EQ(grid.ColWidth(1), 1830);
    EXPECT_EQ(errorNumberOf([&] { grid.ColWidth(2, 100); }), 381);
    EXPECT_EQ(errorNumberOf([&] { grid.ColWidth(0, -1); }), 380);
}

TEST(GridTaskGrid, ClosedRecordsetCannotBeBoundAndLeavesTheContent)
{
    TaskGrid grid;
    grid.taskModel().setTable(taskTable());
    db::Recordset closed;
    EXPECT_NE(errorNumberOf([&] { grid.setDataSource(closed); }), 0);
    EXPECT_EQ(grid.Rows(), 3);
    EXPECT_EQ(grid.TextMatrix(1, 0), QStringLiteral("总账"));
}

TEST(GridTaskGrid, AMillionRowsScrollToTheLastOne)
{
    constexpr int rows = 1'000'000;
    auto table = std::make_shared<db::RowTable>();
    table->addColumn("任务号", db::ColumnKind::Text);
    table->reserve(rows, rows * 7);
    for (int i = 1; i <= rows; ++i)
        table->appendCell(std::to_string(i));

    TaskGrid grid;
    grid.resize(615, 357);
    grid.show();
    grid.taskModel().setTable(table);
    ASSERT_EQ(grid.Rows(), rows + 1);
    EXPECT_EQ(grid.TextMatrix(rows, 0), QStringLiteral("1000000"));

    // Uniform rows: the scroll range follows from the row count alone.
    grid.scrollToBottom();
    const int rowHeight = grid.verticalHeader()->defaultSectionSize();
    EXPECT_EQ(grid.verticalHeader()->sectionSize(rows - 1), rowHeight);
    const QModelIndex last = grid.indexAt(QPoint(5, grid.viewport()->height() - rowHeight / 2));
    EXPECT_EQ(last.row(), rows - 1);
    EXPECT_EQ(last.data().toString(), QStringLiteral("1000000"));
}

}  // namespace
