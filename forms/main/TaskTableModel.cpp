#include "forms/main/TaskTableModel.h"

#include <limits>

namespace forms {

namespace {
QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

bool isNumeric(db::ColumnKind kind) { return kind == db::ColumnKind::Integer || kind == db::ColumnKind::Decimal; }
}  // namespace

QString displayDateTime(std::string_view text)
{
    // "yyyy-mm-dd hh:mm:ss" is the first 19 characters of what the server sends; anything that
    // does not look like that is shown as it came.
    constexpr std::size_t shown = 19;
    if (text.size() > shown && text[4] == '-' && text[7] == '-' && text[10] == ' ' && text[13] == ':' && text[16] == ':'
        && text[shown] == '.')
        text = text.substr(0, shown);
    return fromUtf8(text);
}

TaskTableModel::TaskTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void TaskTableModel::setTable(std::shared_ptr<const db::RowTable> table)
{
    beginResetModel();
    table_ = std::move(table);
    blankRows_ = 0;
    blankColumns_ = 0;
    alignments_ = QVector<Qt::Alignment>(table_ ? table_->columnCount() : 0);
    endResetModel();
}

void TaskTableModel::setBlank(int rows, int columns)
{
    beginResetModel();
    table_.reset();
    blankRows_ = rows;
    blankColumns_ = columns;
    alignments_ = QVector<Qt::Alignment>(columns);
    endResetModel();
}

void TaskTableModel::setColumnAlignment(int column, Qt::Alignment alignment)
{
    alignments_[column] = alignment;
    if (rowCount() > 0)
        emit dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::TextAlignmentRole});
}

QString TaskTableModel::cellText(int row, int column) const
{
    if (!table_ || table_->isNull(static_cast<std::size_t>(row), column))
        return {};
    const std::string_view text = table_->cell(static_cast<std::size_t>(row), column);
    if (table_->columnKind(column) == db::ColumnKind::DateTime)
        return displayDateTime(text);
    return fromUtf8(text);
}

QString TaskTableModel::title(int column) const
{
    return table_ ? QString::fromStdString(table_->columnName(column)) : QString();
}

int TaskTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    if (!table_)
        return blankRows_;
    // Qt counts rows in int; a larger result shows its first rows only.
    const std::size_t rows = table_->rowCount();
    return rows > static_cast<std::size_t>(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                                            : static_cast<int>(rows);
}

int TaskTableModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return table_ ? table_->columnCount() : blankColumns_;
}

QVariant TaskTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole: return cellText(index.row(), index.column());
    case Qt::TextAlignmentRole: {
        const Qt::Alignment set = alignments_[index.column()];
        return (set ? set : defaultAlignment(index.column())).toInt();
    }
    default: return {};
    }
}

QVariant TaskTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return title(section);
    return {};
}

Qt::ItemFlags TaskTableModel::flags(const QModelIndex& index) const
{
    // A display only: cells can be selected, never edited.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

Qt::Alignment TaskTableModel::defaultAlignment(int column) const
{
    // The grid's general alignment: numbers to the right, everything else to the left.
    const bool numeric = table_ && isNumeric(table_->columnKind(column));
    return (numeric ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

}  // namespace forms
