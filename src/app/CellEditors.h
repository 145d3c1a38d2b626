// The channel table's in-place editors, one kind per column: a text editor
// for the frequencies, a pick list that also takes typing for the tones, and
// pick-only lists for everything else. An editor that would start empty shows
// its column's default text instead.
#pragma once

#include <QStyledItemDelegate>

namespace tonvar::app {

class CellEditorDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum class Kind { Text, TypedList, PickList };
    CellEditorDelegate(int column, QObject *parent);

    static Kind KindOf(int column);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

private:
    int column_;
    Kind kind_;
};

} // namespace tonvar::app
