#include "signalling/SignallingWindows.h"

#include "signalling/SignallingSession.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tonvar::signalling {

namespace {

QString Latin1(const std::string &s)
{
    return QString::fromLatin1(s);
}

std::string Std(const QString &s)
{
    return s.toLatin1().toStdString();
}

} // namespace

std::vector<std::string> NumberTexts(int from, int to, int step)
{
    std::vector<std::string> out;
    for (int v = from; v <= to; v += step)
        out.push_back(std::to_string(v));
    return out;
}

SignallingWindow::SignallingWindow(const QString &caption, WindowServices services, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      services_(std::move(services))
{
    setWindowTitle(caption);
    body_ = new QVBoxLayout(this);
    Timer1.setInterval(kSessionTimeoutMs);
    resize(760, 560);
}

std::function<void(const std::string &)> SignallingWindow::MessageSink()
{
    return [this](const std::string &text) {
        Refresh();
        if (services_.showMessage)
            services_.showMessage(text);
    };
}

void SignallingWindow::Handle(const std::function<void()> &handler)
{
    if (services_.run)
        services_.run(handler);
    else
        handler();
    Refresh();
}

void SignallingWindow::AddButtons(SignallingLogic &logic, std::function<void()> read, std::function<void()> write,
                                  std::function<void()> close)
{
    logic_ = &logic;
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    body_->addWidget(ProgressBar1);
    auto *buttons = new QHBoxLayout;
    rbtn = new QPushButton(QStringLiteral("Read"), this);
    wbtn = new QPushButton(QStringLiteral("Write"), this);
    Button3 = new QPushButton(QStringLiteral("Close"), this);
    rbtn->setObjectName(QStringLiteral("rbtn"));
    wbtn->setObjectName(QStringLiteral("wbtn"));
    Button3->setObjectName(QStringLiteral("Button3"));
    for (QPushButton *b : {rbtn, wbtn, Button3})
        buttons->addWidget(b);
    body_->addLayout(buttons);
    connect(rbtn, &QPushButton::clicked, this, [this, read] { Handle(read); });
    connect(wbtn, &QPushButton::clicked, this, [this, write] { Handle(write); });
    connect(Button3, &QPushButton::clicked, this, [this, close] {
        Handle(close);
        hide();
    });
    connect(&Timer1, &QTimer::timeout, this, [this] { Handle([this] { logic_->Timer1Timer(); }); });
}

void SignallingWindow::Refresh()
{
    refreshing_ = true;
    for (const auto &show : shows_)
        show();
    refreshing_ = false;
    if (!logic_)
        return;
    rbtn->setEnabled(logic_->rbtnEnabled);
    wbtn->setEnabled(logic_->wbtnEnabled);
    ProgressBar1->setRange(0, logic_->progress.maximum);
    ProgressBar1->setValue(logic_->progress.position);
    ProgressBar1->setVisible(logic_->progress.visible);
}

QComboBox *SignallingWindow::BoundCombo(std::string &text, const std::vector<std::string> &items, bool editable)
{
    auto *box = new QComboBox(this);
    box->setEditable(editable);
    for (const std::string &item : items)
        box->addItem(Latin1(item));
    const auto edited = [this, &text](const QString &t) {
        if (!refreshing_)
            text = Std(t);
    };
    if (editable)
        connect(box, &QComboBox::editTextChanged, this, edited);
    else
        connect(box, &QComboBox::currentTextChanged, this, edited);
    shows_.push_back([box, &text, editable] {
        const QString t = Latin1(text);
        if (box->currentText() == t)
            return;
        const QSignalBlocker blocker(box);
        const int at = box->findText(t, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (at >= 0 || !editable)
            box->setCurrentIndex(at);
        if (editable)
            box->setEditText(t);
    });
    return box;
}

QLineEdit *SignallingWindow::BoundEdit(std::string &text, int maxLength)
{
    auto *edit = new QLineEdit(this);
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    connect(edit, &QLineEdit::textChanged, this, [this, &text](const QString &t) {
        if (!refreshing_)
            text = Std(t);
    });
    shows_.push_back([edit, &text] {
        if (edit->text() != Latin1(text)) {
            const QSignalBlocker blocker(edit);
            edit->setText(Latin1(text));
        }
    });
    return edit;
}

QCheckBox *SignallingWindow::BoundCheck(bool &checked, const QString &caption)
{
    auto *box = new QCheckBox(caption, this);
    connect(box, &QCheckBox::toggled, this, [this, &checked](bool on) {
        if (!refreshing_)
            checked = on;
    });
    shows_.push_back([box, &checked] {
        const QSignalBlocker blocker(box);
        box->setChecked(checked);
    });
    return box;
}

QTableWidget *SignallingWindow::BoundGrid(const QStringList &headers, int rows, std::vector<CellText> columns,
                                          std::function<void(int row, int column)> edited, QStringList rowNames)
{
    auto *grid = new QTableWidget(rows, static_cast<int>(columns.size()) + 1, this);
    grid->setHorizontalHeaderLabels(headers);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                          QAbstractItemView::EditKeyPressed);
    for (int r = 0; r < rows; ++r) {
        // FormCreate's "1" to "16", or the rows' names.
        auto *number = new QTableWidgetItem(r < rowNames.size() ? rowNames[r] : QString::number(r + 1));
        number->setFlags(Qt::ItemIsEnabled);
        grid->setItem(r, 0, number);
        for (int c = 1; c <= static_cast<int>(columns.size()); ++c)
            grid->setItem(r, c, new QTableWidgetItem);
    }
    grid->resizeColumnsToContents(); // wide enough for the headers
    connect(grid, &QTableWidget::itemChanged, this, [this, columns, edited](QTableWidgetItem *item) {
        const int c = item->column();
        if (refreshing_ || c < 1 || c > static_cast<int>(columns.size()))
            return;
        columns[static_cast<std::size_t>(c - 1)](item->row() + 1) = Std(item->text());
        if (edited)
            edited(item->row() + 1, c);
        Refresh();
    });
    shows_.push_back([grid, rows, columns] {
        for (int r = 0; r < rows; ++r)
            for (int c = 1; c <= static_cast<int>(columns.size()); ++c) {
                const QString t = Latin1(columns[static_cast<std::size_t>(c - 1)](r + 1));
                QTableWidgetItem *item = grid->item(r, c);
                if (item->text() != t)
                    item->setText(t);
            }
    });
    return grid;
}

void SignallingWindow::ColumnEditor(QTableWidget *grid, int column, const std::vector<std::string> &items,
                                    const std::string &defaultText, bool editable)
{
    QStringList list;
    for (const std::string &item : items)
        list << Latin1(item);
    grid->setItemDelegateForColumn(column, new CellDelegate(Latin1(defaultText), list, editable, grid));
}

CellDelegate::CellDelegate(QString defaultText, QStringList items, bool editable, QObject *parent)
    : QStyledItemDelegate(parent), default_(std::move(defaultText)), items_(std::move(items)), editable_(editable)
{
}

QWidget *CellDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (items_.isEmpty())
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto *box = new QComboBox(parent);
    box->setEditable(editable_);
    box->addItems(items_);
    return box;
}

void CellDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    QString text = index.data(Qt::EditRole).toString();
    if (text.isEmpty())
        text = default_;
    if (auto *edit = qobject_cast<QLineEdit *>(editor)) {
        edit->setText(text);
        edit->selectAll();
    } else if (auto *box = qobject_cast<QComboBox *>(editor)) {
        const int at = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        box->setCurrentIndex(at);
        if (editable_) {
            box->setEditText(text);
            box->lineEdit()->selectAll();
        }
    } else {
        QStyledItemDelegate::setEditorData(editor, index);
    }
}

void CellDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (auto *box = qobject_cast<QComboBox *>(editor))
        model->setData(index, box->currentText(), Qt::EditRole);
    else
        QStyledItemDelegate::setModelData(editor, model, index);
}

} // namespace tonvar::signalling
