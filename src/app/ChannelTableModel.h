// The channel table as a Qt item model: rows 1..16 of the table of texts are
// the model's rows 0..15, row 0 (the captions) is the horizontal header.
// Column 0 holds the channel numbers and cannot be edited.
#pragma once

#include "memory/ChannelTable.h"

#include <QAbstractTableModel>
#include <QColor>

#include <functional>

namespace tonvar::app {

inline const QColor kFixedCellColour(235, 233, 237);

class ChannelTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ChannelTableModel(memory::ChannelTable &table, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // A commit from an editor: stores the text, then runs the edit hook.
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    // Called after each committed edit with the table row and column.
    std::function<void(int row, int column)> onCommit;

    // The table changed behind the model's back (a read, a file load).
    void Refresh();

    static int TableRow(const QModelIndex &index) { return index.row() + 1; }

private:
    memory::ChannelTable &table_;
    int shownRows_ = 0;
};

} // namespace tonvar::app
