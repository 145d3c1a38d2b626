#include "app/CellEditors.h"

#include "memory/ChannelTexts.h"

#include <QComboBox>
#include <QLineEdit>

namespace tonvar::app {

CellEditorDelegate::CellEditorDelegate(int column, QObject *parent)
    : QStyledItemDelegate(parent), column_(column), kind_(KindOf(column))
{
}

CellEditorDelegate::Kind CellEditorDelegate::KindOf(int column)
{
    if (column == memory::kColRxFreq || column == memory::kColTxFreq)
        return Kind::Text;
    if (column == memory::kColDecodeTone || column == memory::kColEncodeTone)
        return Kind::TypedList;
    return Kind::PickList;
}

QWidget *CellEditorDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const
{
    if (kind_ == Kind::Text) {
        auto *edit = new QLineEdit(parent);
        edit->setFrame(false);
        return edit;
    }
    auto *box = new QComboBox(parent);
    box->setEditable(kind_ == Kind::TypedList);
    for (const std::string &item : memory::PickList(column_))
        box->addItem(QString::fromLatin1(item));
    box->setMaxVisibleItems(16);
    return box;
}

void CellEditorDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    QString text = index.data(Qt::EditRole).toString();
    const QString fallback = QString::fromLatin1(memory::EditorDefault(column_));
    if (auto *edit = qobject_cast<QLineEdit *>(editor)) {
        edit->setText(text.isEmpty() ? fallback : text);
        edit->selectAll(); // the first key typed replaces it
        return;
    }
    auto *box = static_cast<QComboBox *>(editor);
    if (kind_ == Kind::TypedList) {
        box->setEditText(text.isEmpty() ? fallback : text);
        box->lineEdit()->selectAll();
        return;
    }
    int at = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at < 0)
        at = box->findText(fallback, Qt::MatchExactly | Qt::MatchCaseSensitive);
    box->setCurrentIndex(at);
}

void CellEditorDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    QString text;
    if (auto *edit = qobject_cast<QLineEdit *>(editor))
        text = edit->text();
    else
        text = static_cast<QComboBox *>(editor)->currentText();
    model->setData(index, text, Qt::EditRole);
}

} // namespace tonvar::app
