#pragma once
// The task grid MSHF_Task: a table with one fixed title row showing the field names and no fixed
// column, offering the grid operations the window uses. Sizes are in twips; rows are counted with
// the title row, as row 0.
#include <QTableView>

namespace db {
class Recordset;
}

namespace forms {

class TaskTableModel;

class TaskGrid : public QTableView {
    Q_OBJECT
public:
    explicit TaskGrid(QWidget* parent = nullptr);

    // Rows including the title row.
    int Rows() const;
    int Cols() const;
    // The text of a cell; row 0 holds the titles. Out-of-range cells raise a runtime error.
    QString TextMatrix(int row, int column) const;
    // The grid's width on the window.
    int Width() const;
    void ColWidth(int column, int twips);
    int ColWidth(int column) const;
    // Alignment as the grid numbers it: 0-8 = left/centre/right by top/centre/bottom, 9 general.
    void ColAlignment(int column, int alignment);

    // Replaces the whole content with the open recordset's rows and field names.
    void setDataSource(const db::Recordset& recordset);

    TaskTableModel& taskModel() const { return *model_; }

private:
    void checkColumn(int column) const;

    TaskTableModel* model_;
};

namespace GridAlignment {
inline constexpr int CenterCenter = 4;
inline constexpr int General = 9;
}  // namespace GridAlignment

}  // namespace forms
