#include "app/ChannelTableModel.h"

namespace tonvar::app {

ChannelTableModel::ChannelTableModel(memory::ChannelTable &table, QObject *parent)
    : QAbstractTableModel(parent), table_(table), shownRows_(table.RowCount() - 1)
{
}

int ChannelTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : shownRows_;
}

int ChannelTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : memory::kColumnCount;
}

QVariant ChannelTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::fromLatin1(table_.Cell(TableRow(index), index.column()));
    case Qt::BackgroundRole:
        if (index.column() == memory::kColChannel)
            return kFixedCellColour;
        return {};
    default:
        return {};
    }
}

QVariant ChannelTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QString::fromLatin1(table_.Cell(0, section));
    if (orientation == Qt::Horizontal && role == Qt::BackgroundRole)
        return kFixedCellColour;
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags ChannelTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.column() == memory::kColChannel)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool ChannelTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    table_.SetCell(TableRow(index), index.column(), value.toString().toLatin1().toStdString());
    if (onCommit)
        onCommit(TableRow(index), index.column());
    // The hook may have rewritten the whole row.
    Q_EMIT dataChanged(this->index(index.row(), 0), this->index(index.row(), memory::kColumnCount - 1));
    return true;
}

void ChannelTableModel::Refresh()
{
    const int rows = table_.RowCount() - 1;
    if (rows != shownRows_) {
        beginResetModel();
        shownRows_ = rows;
        endResetModel();
        return;
    }
    if (shownRows_ > 0)
        Q_EMIT dataChanged(index(0, 0), index(shownRows_ - 1, memory::kColumnCount - 1));
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, memory::kColumnCount - 1);
}

} // namespace tonvar::app
