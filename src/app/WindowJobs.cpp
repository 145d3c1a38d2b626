// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowJobs.h"

#include "app/ErrorHandler.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace tonvar::app {

namespace {

// The port selector as the port list sees it: each item shows its label
// and holds its port.
class ComboPortBox : public PortBox {
public:
    explicit ComboPortBox(QComboBox &box) : box_(box) {}
    std::string Port() const override { return box_.currentData().toString().toLatin1().toStdString(); }
    void SetItems(const std::vector<PortItem> &items) override
    {
        const QSignalBlocker blocker(&box_);
        const QVariant port = box_.currentData();
        box_.clear();
        for (const PortItem &item : items) {
            box_.addItem(item.label, QString::fromLatin1(item.port));
            box_.setItemData(box_.count() - 1, item.label, Qt::ToolTipRole);
        }
        box_.setCurrentIndex(box_.findData(port)); // none when it went
        // The list opens wide enough for the cables' names.
        box_.view()->setMinimumWidth(box_.view()->sizeHintForColumn(0) + 2 * box_.view()->frameWidth());
    }
    int Count() const override { return box_.count(); }
    void Select(int index) override
    {
        const QSignalBlocker blocker(&box_);
        box_.setCurrentIndex(index);
    }

private:
    QComboBox &box_;
};

} // namespace

ChannelFiles::Unsaved AskUnsaved(QWidget *parent, const QString &question)
{
    QMessageBox box(QMessageBox::Question, kApplicationTitle,
                    QStringLiteral("The channels or settings have changes that are not saved."), QMessageBox::NoButton,
                    parent);
    box.setInformativeText(question);
    QPushButton *save = box.addButton(QStringLiteral("&Save..."), QMessageBox::AcceptRole);
    QPushButton *discard = box.addButton(QStringLiteral("&Discard"), QMessageBox::DestructiveRole);
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    ExecOnTop(box);
    if (box.clickedButton() == discard)
        return ChannelFiles::Unsaved::Discard;
    if (box.clickedButton() == save)
        return ChannelFiles::Unsaved::Save;
    return ChannelFiles::Unsaved::Cancel;
}

namespace {

bool AskToRestore(QWidget *parent, const QString &name)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Restore Radio"),
                    QStringLiteral("Write every area of %1 into the radio?").arg(QFileInfo(name).fileName()),
                    QMessageBox::Yes | QMessageBox::Cancel, parent);
    box.setInformativeText(QStringLiteral("The channels, the settings and the DTMF, FleetSync, 2TONE and "
                                          "5TONE areas the radio holds now are replaced."));
    box.setDefaultButton(QMessageBox::Cancel);
    return ExecOnTop(box) == QMessageBox::Yes;
}

// The preview of a write: what changes, and Write or Cancel. Escape cancels.
bool AskToWrite(QWidget *parent, const WriteQuestion &question)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("WritePreview"));
    dialog.setWindowTitle(question.title);
    auto *layout = new QVBoxLayout(&dialog);
    auto *heading = new QLabel(question.Heading(), &dialog);
    heading->setObjectName(QStringLiteral("heading"));
    heading->setWordWrap(true);
    layout->addWidget(heading);
    auto *list = new QPlainTextEdit(question.Details(), &dialog);
    list->setObjectName(QStringLiteral("changes"));
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    list->setFocusPolicy(Qt::ClickFocus); // Enter goes to the default button
    list->setMinimumSize(560, 240);
    layout->addWidget(list);
    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *write = buttons->addButton(QStringLiteral("&Write"), QDialogButtonBox::AcceptRole);
    QPushButton *cancel = buttons->addButton(QDialogButtonBox::Cancel);
    write->setObjectName(QStringLiteral("write"));
    cancel->setObjectName(QStringLiteral("cancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    QPushButton *byDefault = question.cancelDefault ? cancel : write;
    for (QPushButton *b : {write, cancel}) {
        b->setAutoDefault(b == byDefault);
        b->setDefault(b == byDefault);
    }
    byDefault->setFocus();
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    return dialog.exec() == QDialog::Accepted;
}

// Restore Radio offers the newest backups first; "Other file..." asks for
// any image. Empty when the user cancels.
QString AskForImageToRestore(QWidget *parent, const BackupStore &store, const QString &title)
{
    const QStringList backups = store.Newest();
    if (!backups.isEmpty()) {
        constexpr int kListed = 20;
        QStringList items;
        for (const QString &path : backups.mid(0, kListed))
            items << QFileInfo(path).fileName();
        const QString other = QStringLiteral("Other file...");
        items << other;
        bool ok = false;
        const QString item = QInputDialog::getItem(parent, title, QStringLiteral("Backups, newest first:"), items, 0,
                                                   false, &ok);
        if (!ok)
            return {};
        if (item != other)
            return QDir(store.Folder()).filePath(item);
    }
    return ChoosePath(parent, title, QStringLiteral("Radio images (*.radio)"), QString(), false);
}

QString AskForChannelFile(TForm1 &w, bool save)
{
    if (w.ChooseFile)
        return w.ChooseFile(save);
    // Any file may be opened (tonvar-cli saves names without a suffix); a
    // name saved without one gets ".wh".
    return ChoosePath(&w, save ? QStringLiteral("Save Channel File") : QStringLiteral("Open Channel File"),
                      QStringLiteral("Channel files (*.wh)"), save ? QStringLiteral("wh") : QString(), save);
}

QString AskForCsvFile(TForm1 &w, bool save)
{
    if (w.ChooseCsvFile)
        return w.ChooseCsvFile(save);
    return ChoosePath(&w, save ? QStringLiteral("Export CSV File") : QStringLiteral("Import CSV File"),
                      QStringLiteral("CSV files (*.csv)"), QStringLiteral("csv"), save);
}

void ShowStatus(const std::array<QLabel *, 3> &panels, const StatusClock::Texts &texts)
{
    for (std::size_t i = 0; i < panels.size(); ++i) {
        QString shown = texts[i];
        if (i == 0) {
            // The port's panel widens for a long device path where the
            // status bar has room (the date's and time's panels and a
            // third of their width for the compare's count stay); what
            // still does not fit gives way in its middle
            // ("/dev/serial/by-…-port0") after the caption, which stays
            // whole; the whole of it on hover.
            const QFontMetrics metrics = panels[i]->fontMetrics();
            const int margins = panels[i]->width() - panels[i]->contentsRect().width();
            const int least = panels[1]->minimumWidth(); // as wide as the date's panel
            const int others = panels[1]->width() + panels[2]->width();
            const int bar = panels[i]->parentWidget() ? panels[i]->parentWidget()->width() : 0;
            const int wanted = metrics.horizontalAdvance(shown) + margins + 2;
            const int width = std::max(least, std::min(wanted, bar - others - others / 3));
            if (panels[i]->width() != width)
                panels[i]->setFixedWidth(width);
            const int inner = width - margins;
            const qsizetype colon = shown.indexOf(QChar(0xFF1A)) + 1;
            const QString caption = shown.left(colon);
            if (metrics.horizontalAdvance(shown) > inner)
                shown = caption + metrics.elidedText(shown.mid(colon), Qt::ElideMiddle,
                                                     std::max(0, inner - metrics.horizontalAdvance(caption)));
        }
        if (panels[i]->text() != shown)
            panels[i]->setText(shown);
    }
    if (panels[0]->toolTip() != texts[0])
        panels[0]->setToolTip(texts[0]);
}

} // namespace

void ShowChosenPort(QComboBox &box, const std::string &port)
{
    const QString name = QString::fromLatin1(port);
    const int index = box.findData(name);
    if (box.currentIndex() != index) {
        const QSignalBlocker blocker(&box);
        box.setCurrentIndex(index);
    }
    if (box.placeholderText() != name)
        box.setPlaceholderText(name);
}

TForm1::Jobs::Jobs(TForm1 &w, std::function<void(const std::function<void()> &)> run, std::function<void(int)> sleep)
    : document{w.table, w.settings, *w.history_, std::move(run),
               [&w](const std::string &text) {
                   // The window as it stands now (no progress dialog of a
                   // session that ended) under the message.
                   w.RefreshControls();
                   ShowMessage(text);
               },
               [&w] { w.CommitOpenEditor(); }},
      files(
          document, [&w](bool save) { return AskForChannelFile(w, save); }, [&w] { return AskUnsaved(&w, QStringLiteral("Save them to a channel file before quitting?")); }),
      csv(document, [&w](bool save) { return AskForCsvFile(w, save); }), guard(w.session, sleep),
      images(document, w.session, sleep),
      clock(
          w.Timer2, [&w] { return QString::fromLatin1(w.session.hub.portName); },
          [&w](const StatusClock::Texts &texts) { ShowStatus(w.StatusPanels, texts); }),
      portBox(std::make_unique<ComboPortBox>(*w.comcbb)), ports(*portBox, w.session.hub.portName),
      compare(document, w.session, std::move(sleep),
              {[this] { return images.WrittenImage(); }, [&w] { return w.OpenSignallingAreas(); },
               [&w] { return w.ComparedTexts(); }, [&w] { w.ShowDifferences(); }}),
      recent(w.recentMenu_, [&w](const QString &path) { w.OpenFile(path); })
{
    // A file opened or saved goes on top of File > Open Recent, and the next
    // file dialog starts in its folder.
    const auto used = [this](const QString &path) { recent.Used(path); };
    files.fileUsed = used;
    csv.fileUsed = used;
    images.fileUsed = used;
    // A port the user picks is what sessions open, and is chosen again at
    // the next start.
    QObject::connect(w.comcbb, &QComboBox::activated, &w, [&w, this](int index) {
        SaveRememberedPort(ports.Choose(index));
        w.RefreshControls();
        w.Timer2Timer();
    });
    guard.safety = LoadWriteSafety();
    guard.confirm = [&w, this](const WriteQuestion &question) {
        // Over the window that asked (a signalling window stays on top of
        // the main window), so that what is written is seen.
        QWidget *over = asking ? asking.data() : &w;
        asking = nullptr;
        return w.ConfirmWrite ? w.ConfirmWrite(question) : AskToWrite(over, question);
    };
    // The question comes once the read's last answer has been dealt with,
    // as a handler of its own.
    guard.later = [&w](std::function<void()> step) {
        QTimer::singleShot(0, &w, [&w, step = std::move(step)] { w.RunStep(step); });
    };
    guard.tell = document.tell;
    images.guard = &guard;
    images.choose = [&w, this](const QString &title, bool save) {
        if (w.ChooseImageFile)
            return w.ChooseImageFile(save);
        if (!save && title == QStringLiteral("Restore Radio"))
            return AskForImageToRestore(&w, guard.store, title);
        return ChoosePath(&w, title, QStringLiteral("Radio images (*.radio)"),
                          save ? QStringLiteral("radio") : QString(), save);
    };
    images.confirmRestore = [&w](const QString &name) {
        return w.ConfirmRestore ? w.ConfirmRestore(name) : AskToRestore(&w, name);
    };
    images.showSignalling = [&w](const files::RadioImage &image) {
        if (w.showSignalling)
            w.showSignalling(image);
    };
    images.keepSignalling = [&w](files::RadioImage &image) {
        if (w.keepSignalling)
            w.keepSignalling(image);
    };
}

} // namespace tonvar::app
