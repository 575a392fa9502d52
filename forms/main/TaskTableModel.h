#pragma once
// The task grid's model: a read-only view over a result table that the grid shares with the
// recordset that read it. No item object per cell, so a million rows cost only their text.
#include <QAbstractTableModel>
#include <QVector>
#include <memory>

#include "db/RowTable.h"

namespace forms {

class TaskTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TaskTableModel(QObject* parent = nullptr);

    // Replaces the whole content; every column falls back to the default alignment.
    void setTable(std::shared_ptr<const db::RowTable> table);
    // Shown before anything was bound: one blank row of two untitled columns.
    void setBlank(int rows, int columns);

    // Qt alignment of a column's data cells.
    void setColumnAlignment(int column, Qt::Alignment alignment);

    // The text a cell shows; the title row is not part of the model.
    QString cellText(int row, int column) const;
    QString title(int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    Qt::Alignment defaultAlignment(int column) const;

    std::shared_ptr<const db::RowTable> table_;
    int blankRows_ = 0;
    int blankColumns_ = 0;
    QVector<Qt::Alignment> alignments_;  // empty flags: the default of the column
};

// How a date-and-time value is shown: "yyyy-mm-dd hh:mm:ss", without fractions of a second.
QString displayDateTime(std::string_view text);

}  // namespace forms
