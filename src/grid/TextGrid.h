// SPDX-License-Identifier: GPL-3.0-or-later
// The one grid control of the application: a table of text cells over texts
// that live elsewhere (the channel table, a signalling window's texts), with an
// in-place editor per column, the typed character starting the editor, and a
// hook that runs after each commit.
//
// The model never owns the texts. It reads them through a TextSource and
// announces to the view only the cells whose text really changed, so a refresh
// after a received chunk never touches a cell the user is editing; the editor
// itself takes the cell's text once, when it opens, and only the user's commit
// writes it back.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>
#include <map>
#include <string>
#include <vector>

class QComboBox;
class QPalette;

namespace tonvar::grid {

// What a column's cells are edited with.
enum class Editor {
    Fixed,     // not editable (row numbers, row names)
    Text,      // a line of text
    TypedList, // a pick list that also takes typing
    PickList,  // a pick list only
};

struct ColumnSpec {
    QString caption;
    Editor editor = Editor::Text;
    QStringList items;   // the pick list
    QString defaultText; // shown by an editor that would start empty
};

// Where the texts are, rows and columns counted from 0 as the model counts
// them. Texts are 8-bit, as the radio's texts are.
struct TextSource {
    std::function<int()> rowCount;
    std::function<std::string(int row, int column)> text;
    std::function<void(int row, int column, const std::string &text)> setText;
    // Column captions; without it the specs' captions are used.
    std::function<std::string(int column)> caption;
};

// Black on a light background, white on a dark one.
QColor TextColourOn(const QColor &background);

// The background of fixed cells and of the header: the palette's button
// colour, as the desktop's buttons and headers have it.
QColor FixedColour(const QPalette &palette);
// Their text: the palette's button text where it reads on that background,
// else TextColourOn.
QColor FixedTextColour(const QPalette &palette);
// The contrast ratio of two colours (1 to 21), as the WCAG defines it.
double ContrastRatio(const QColor &a, const QColor &b);

// The background of a marked cell or control (a field that differs from the
// radio): the palette's highlight blended into its base, so that it shows on
// light and dark themes alike, with TextColourOn for its text.
QColor MarkColour(const QPalette &palette);
// Marks a control (a box, a line edit, a check box) with that colour and a
// tool tip; Unmark gives it back its own colours and tool tip.
void MarkControl(QWidget *control, const QString &toolTip);
void UnmarkControl(QWidget *control);

class TextGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TextGridModel(std::vector<ColumnSpec> columns, TextSource source, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // A commit from an editor: stores the text, runs the hook, then announces
    // what the hook rewrote.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    const ColumnSpec &Column(int column) const;
    // Gives a column another editor; for building a grid column by column.
    void SetColumnEditor(int column, Editor editor, QStringList items = {}, QString defaultText = {});
    QString Text(int row, int column) const;

    // Runs after each committed edit, with the committed cell.
    std::function<void(int row, int column)> onCommit;
    // Fixed cells and the header drawn in FixedColour of the application's
    // palette (light or dark, whatever the desktop gives).
    bool shadeFixed = false;

    // Cells drawn in MarkColour with a tool tip of their own, by row and
    // column as the model counts them; the marks before go.
    void SetMarks(std::map<std::pair<int, int>, QString> marks);
    const std::map<std::pair<int, int>, QString> &Marks() const { return marks_; }

    // The texts changed behind the model's back: tells the view which cells
    // changed, and only those.
    void Refresh();
    // The texts are going away: from now on nothing is read or written.
    void Detach();

private:
    void Snapshot();

    std::vector<ColumnSpec> columns_;
    TextSource source_;
    bool detached_ = false;
    std::vector<std::vector<QString>> shown_; // what the view was last told
    std::vector<QString> captions_;
    std::map<std::pair<int, int>, QString> marks_;
};

// The in-place editors. One delegate serves a whole grid; each editor's kind,
// pick list and default text come from its column's spec.
class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

protected:
    // Tab and Shift+Tab commit the edit and leave the grid, as they do from
    // the grid itself; Left and Right at the edge of the text, and Up and
    // Down in a text editor, commit it and move to the neighbouring cell.
    bool eventFilter(QObject *object, QEvent *event) override;
};

// An editable combo box that keeps exactly what the user types: no inline
// completion, and Enter never adds the text to the list.
void KeepTypedText(QComboBox *box);

class TextGrid : public QTableView {
    Q_OBJECT
public:
    TextGrid(std::vector<ColumnSpec> columns, TextSource source, QWidget *parent = nullptr);
    // An empty grid, as a form creates it: SetUp gives it its columns and texts.
    explicit TextGrid(QWidget *parent = nullptr);
    void SetUp(std::vector<ColumnSpec> columns, TextSource source);

    TextGridModel *Model() const { return model_; }
    // The text shown in a cell.
    QString Text(int row, int column) const { return model_->Text(row, column); }

private:
    TextGridModel *model_;
};

} // namespace tonvar::grid
