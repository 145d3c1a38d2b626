// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/TextGrid.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QAbstractItemView>
#include <QLineEdit>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace tonvar::grid {

namespace {

QString Latin1(const std::string &s)
{
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

std::string Std(const QString &s)
{
    return s.toLatin1().toStdString();
}

// An editor takes its cell's text once, when it opens; later refreshes of the
// model leave what the user is typing alone.
constexpr const char *kLoaded = "tonvarEditorLoaded";

} // namespace

void KeepTypedText(QComboBox *box)
{
    box->setCompleter(nullptr);
    box->setInsertPolicy(QComboBox::NoInsert);
}

TextGridModel::TextGridModel(std::vector<ColumnSpec> columns, TextSource source, QObject *parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)), source_(std::move(source))
{
    Snapshot();
}

void TextGridModel::Snapshot()
{
    const int rows = detached_ ? 0 : std::max(0, source_.rowCount());
    shown_.assign(static_cast<std::size_t>(rows), std::vector<QString>(columns_.size()));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columnCount(); ++c)
            shown_[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = Latin1(source_.text(r, c));
    captions_.resize(columns_.size());
    for (int c = 0; c < columnCount(); ++c)
        captions_[static_cast<std::size_t>(c)] =
            source_.caption && !detached_ ? Latin1(source_.caption(c)) : Column(c).caption;
}

int TextGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int TextGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

const ColumnSpec &TextGridModel::Column(int column) const
{
    return columns_.at(static_cast<std::size_t>(column));
}

void TextGridModel::SetColumnEditor(int column, Editor editor, QStringList items, QString defaultText)
{
    ColumnSpec &spec = columns_.at(static_cast<std::size_t>(column));
    spec.editor = editor;
    spec.items = std::move(items);
    spec.defaultText = std::move(defaultText);
}

QString TextGridModel::Text(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    return shown_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

QColor TextColourOn(const QColor &background)
{
    return background.lightnessF() > 0.5 ? QColor(Qt::black) : QColor(Qt::white);
}

QColor FixedColour(const QPalette &palette)
{
    return palette.color(QPalette::Active, QPalette::Button);
}

double ContrastRatio(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto channel = [](float v) {
            return v <= 0.03928f ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor FixedTextColour(const QPalette &palette)
{
    constexpr double kReadable = 4.5; // the WCAG's least contrast for normal text
    const QColor background = FixedColour(palette);
    const QColor text = palette.color(QPalette::Active, QPalette::ButtonText);
    return ContrastRatio(text, background) >= kReadable ? text : TextColourOn(background);
}

QColor MarkColour(const QPalette &palette)
{
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    const QColor mark = palette.color(QPalette::Active, QPalette::Highlight);
    constexpr double kShare = 0.45; // of the highlight
    const auto blend = [](double a, double b) { return a + (b - a) * kShare; };
    return QColor::fromRgbF(static_cast<float>(blend(base.redF(), mark.redF())),
                            static_cast<float>(blend(base.greenF(), mark.greenF())),
                            static_cast<float>(blend(base.blueF(), mark.blueF())));
}

namespace {

constexpr const char *kMarkedToolTip = "tonvarUnmarkedToolTip";

} // namespace

void MarkControl(QWidget *control, const QString &toolTip)
{
    if (!control->property(kMarkedToolTip).isValid())
        control->setProperty(kMarkedToolTip, control->toolTip());
    QPalette p = control->palette();
    const QColor mark = MarkColour(QApplication::palette(control));
    const QColor text = TextColourOn(mark);
    for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Button, QPalette::Window}) {
        p.setColor(QPalette::Active, role, mark);
        p.setColor(QPalette::Inactive, role, mark);
    }
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText}) {
        p.setColor(QPalette::Active, role, text);
        p.setColor(QPalette::Inactive, role, text);
    }
    control->setPalette(p);
    control->setAutoFillBackground(true);
    control->setToolTip(toolTip);
}

void UnmarkControl(QWidget *control)
{
    const QVariant tip = control->property(kMarkedToolTip);
    if (!tip.isValid())
        return;
    control->setPalette(QPalette());
    control->setAutoFillBackground(false);
    control->setToolTip(tip.toString());
    control->setProperty(kMarkedToolTip, QVariant());
}

void TextGridModel::SetMarks(std::map<std::pair<int, int>, QString> marks)
{
    if (marks == marks_)
        return;
    marks_ = std::move(marks);
    if (rowCount() > 0 && columnCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole, Qt::ForegroundRole, Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
}

QVariant TextGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this)
        return {};
    const auto mark = marks_.find({index.row(), index.column()});
    const bool marked = mark != marks_.end();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return Text(index.row(), index.column());
    case Qt::BackgroundRole:
        if (marked)
            return MarkColour(QApplication::palette());
        if (shadeFixed && Column(index.column()).editor == Editor::Fixed)
            return FixedColour(QApplication::palette());
        return {};
    case Qt::ForegroundRole:
        if (marked)
            return TextColourOn(MarkColour(QApplication::palette()));
        // A text colour that reads on the fixed colour, whatever the
        // desktop's palette.
        if (shadeFixed && Column(index.column()).editor == Editor::Fixed)
            return FixedTextColour(QApplication::palette());
        return {};
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        if (marked)
            return mark->second;
        return {};
    default:
        return {};
    }
}

QVariant TextGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < columnCount()) {
        if (role == Qt::DisplayRole)
            return captions_[static_cast<std::size_t>(section)];
        if (role == Qt::BackgroundRole && shadeFixed)
            return FixedColour(QApplication::palette());
        if (role == Qt::ForegroundRole && shadeFixed)
            return FixedTextColour(QApplication::palette());
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TextGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return Qt::NoItemFlags;
    if (Column(index.column()).editor == Editor::Fixed)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool TextGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (detached_ || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    source_.setText(index.row(), index.column(), Std(value.toString()));
    if (onCommit)
        onCommit(index.row(), index.column());
    Refresh();
    return true;
}

void TextGridModel::Refresh()
{
    if (detached_)
        return;
    const int rows = std::max(0, source_.rowCount());
    if (rows != rowCount()) {
        beginResetModel();
        Snapshot();
        endResetModel();
        return;
    }
    for (int r = 0; r < rows; ++r) {
        auto &shown = shown_[static_cast<std::size_t>(r)];
        int first = -1;
        const auto announce = [&](int last) {
            if (first >= 0)
                Q_EMIT dataChanged(index(r, first), index(r, last), {Qt::DisplayRole, Qt::EditRole});
            first = -1;
        };
        for (int c = 0; c < columnCount(); ++c) {
            QString text = Latin1(source_.text(r, c));
            if (text == shown[static_cast<std::size_t>(c)]) {
                announce(c - 1);
                continue;
            }
            shown[static_cast<std::size_t>(c)] = std::move(text);
            if (first < 0)
                first = c;
        }
        announce(columnCount() - 1);
    }
    if (source_.caption) {
        int first = -1, last = -1;
        for (int c = 0; c < columnCount(); ++c) {
            QString caption = Latin1(source_.caption(c));
            if (caption == captions_[static_cast<std::size_t>(c)])
                continue;
            captions_[static_cast<std::size_t>(c)] = std::move(caption);
            if (first < 0)
                first = c;
            last = c;
        }
        if (first >= 0)
            Q_EMIT headerDataChanged(Qt::Horizontal, first, last);
    }
}

void TextGridModel::Detach()
{
    detached_ = true;
    onCommit = nullptr;
}

QWidget *GridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    const auto *model = qobject_cast<const TextGridModel *>(index.model());
    if (!model)
        return nullptr;
    const ColumnSpec &spec = model->Column(index.column());
    switch (spec.editor) {
    case Editor::Fixed:
        return nullptr;
    case Editor::Text: {
        auto *edit = new QLineEdit(parent);
        edit->setFrame(false);
        return edit;
    }
    case Editor::TypedList:
    case Editor::PickList: {
        auto *box = new QComboBox(parent);
        box->setEditable(spec.editor == Editor::TypedList);
        box->addItems(spec.items);
        box->setMaxVisibleItems(16);
        if (box->isEditable())
            KeepTypedText(box);
        return box;
    }
    }
    return nullptr;
}

void GridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (editor->property(kLoaded).toBool())
        return;
    editor->setProperty(kLoaded, true);
    const auto *model = qobject_cast<const TextGridModel *>(index.model());
    if (!model)
        return;
    const ColumnSpec &spec = model->Column(index.column());
    const QString text = index.data(Qt::EditRole).toString();
    if (auto *edit = qobject_cast<QLineEdit *>(editor)) {
        edit->setText(text.isEmpty() ? spec.defaultText : text);
        edit->selectAll(); // the first key typed replaces it
        return;
    }
    auto *box = qobject_cast<QComboBox *>(editor);
    if (!box)
        return;
    if (box->isEditable()) {
        box->setEditText(text.isEmpty() ? spec.defaultText : text);
        box->lineEdit()->selectAll();
        return;
    }
    // A pick-only list selects the entry equal to the text; with none, the
    // column's default text.
    int at = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at < 0)
        at = box->findText(spec.defaultText, Qt::MatchExactly | Qt::MatchCaseSensitive);
    box->setCurrentIndex(at);
}

void GridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    QString text;
    if (auto *edit = qobject_cast<QLineEdit *>(editor))
        text = edit->text();
    else if (auto *box = qobject_cast<QComboBox *>(editor))
        text = box->currentText();
    else
        return;
    model->setData(index, text, Qt::EditRole);
}

bool GridDelegate::eventFilter(QObject *object, QEvent *event)
{
    auto *editor = qobject_cast<QWidget *>(object);
    if (editor && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool tab = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
        const bool backtab =
            key->key() == Qt::Key_Backtab || (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
        // The arrow keys leave the editor as in a spreadsheet: Right at the
        // end of the text, Left at its start (with a pick list closed), and
        // Up and Down in a text commit the edit and move to the neighbouring
        // cell.
        bool arrow = false;
        if (!(key->modifiers() & ~Qt::KeypadModifier)) {
            auto *combo = qobject_cast<QComboBox *>(editor);
            QLineEdit *line = combo ? combo->lineEdit() : qobject_cast<QLineEdit *>(editor);
            const bool listOpen = combo && combo->view() && combo->view()->isVisible();
            switch (key->key()) {
            case Qt::Key_Up:
            case Qt::Key_Down:
                arrow = !combo; // in a pick list they choose, as in any list box
                break;
            case Qt::Key_Right:
                arrow =
                    !listOpen && (!line || (!line->hasSelectedText() && line->cursorPosition() == line->text().size()));
                break;
            case Qt::Key_Left:
                arrow = !listOpen && (!line || (!line->hasSelectedText() && line->cursorPosition() == 0));
                break;
            default:
                break;
            }
        }
        if (tab || backtab || arrow) {
            QWidget *view = editor->parentWidget() ? editor->parentWidget()->parentWidget() : nullptr;
            const int code = tab ? Qt::Key_Tab : backtab ? Qt::Key_Backtab : key->key();
            Q_EMIT commitData(editor);
            Q_EMIT closeEditor(editor, NoHint);
            if (view) {
                // The grid has the focus back; the key moves it on from there.
                QKeyEvent move(QEvent::KeyPress, code, backtab ? Qt::ShiftModifier : Qt::NoModifier);
                QCoreApplication::sendEvent(view, &move);
            }
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

TextGrid::TextGrid(std::vector<ColumnSpec> columns, TextSource source, QWidget *parent)
    : QTableView(parent), model_(new TextGridModel(std::move(columns), std::move(source), this))
{
    setModel(model_);
    setItemDelegate(new GridDelegate(this));
    verticalHeader()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::EditKeyPressed);
    // Tab leaves the grid for the next control; the arrow keys move between cells.
    setTabKeyNavigation(false);
}

TextGrid::TextGrid(QWidget *parent) : TextGrid({}, TextSource{[] { return 0; }, {}, {}, {}}, parent) {}

void TextGrid::SetUp(std::vector<ColumnSpec> columns, TextSource source)
{
    TextGridModel *old = model_;
    QItemSelectionModel *oldSelection = selectionModel();
    model_ = new TextGridModel(std::move(columns), std::move(source), this);
    setModel(model_);
    delete oldSelection;
    delete old;
}

} // namespace tonvar::grid
