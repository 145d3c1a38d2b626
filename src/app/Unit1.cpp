// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Unit1.h"

#include "app/ChannelGrid.h"
#include "app/ErrorHandler.h"
#include "app/ScreenLayout.h"
#include "app/StationDialog.h"
#include "app/TableRules.h"
#include "app/WindowJobs.h"
#include "files/FileKind.h"
#include "ui_Unit1.h"
#include "protocol/Unit3.h"
#include "serial/PortWatcher.h"
#include "signalling/SignallingSession.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QInputDialog>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QUndoStack>

#include <algorithm>
#include <chrono>
#include <thread>

namespace tonvar::app {

namespace {

constexpr int kStatusPanelWidth = 150;
const QPoint kProgressOffset(150, 200);

// Column widths of the small-screen layout; 0 keeps the normal width.
constexpr std::array<int, memory::kColumnCount> kSmallColumnWidths{50, 0,  0,  69, 69, 50, 31, 50,
                                                                   50, 50, 50, 34, 26, 50, 50, 0};

// The panel's boxes from top to bottom.
struct PanelRow {
    int box;              // 0 for the port selector, else n of ComboBox<n>
    const char *restored; // what leaving the box empty puts back (the port
                          // selector is a list, never empty)
};
constexpr std::array<PanelRow, 8> kPanelRows{
    {{0, ""}, {4, "60"}, {3, "0"}, {9, "OPEN"}, {8, "OPEN"}, {6, "NONE"}, {7, "NONE"}, {5, "ENGLISH"}}};

QString Latin1(const std::string &s)
{
    return QString::fromLatin1(s);
}

std::string Std(const QString &s)
{
    return s.toLatin1().toStdString();
}

// The grid's row r shows channel r + 1.
int ChannelRowOf(int gridRow)
{
    return gridRow + 1;
}

// The characters the main window lets through: digits, the point and the
// letters of "NONE" and of the DCS suffixes.
bool IsAllowedCharacter(QChar c)
{
    static const QString allowed = QStringLiteral(".0123456789EINOeino");
    return allowed.contains(c);
}

// The panel's label of ComboBox<n>, without trailing blanks ("Voice ").
QString PanelLabel(int n)
{
    return Latin1(memory::SettingsCaption(n));
}

void SetEditText(QComboBox *box, const QString &text)
{
    if (box->currentText() == text)
        return;
    const QSignalBlocker blocker(box);
    const int index = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        box->setCurrentIndex(index);
    box->setEditText(text);
}

// The sessions' short pauses.
void SleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

TForm1::TForm1(QSize screen, QWidget *parent)
    : QMainWindow(parent),
      session(radio_.hub, table, settings,
              protocol::MainSessionHost{[this](const std::string &text) {
                                            RefreshControls();
                                            readDone_ = readDone_ || text == protocol::kReadSucceeded;
                                            ShowMessage(text == protocol::kWriteSucceeded ? AnnounceWrite(text)
                                                                                          : text);
                                        },
                                        SleepMs, [this] { focusNextChild(); }}),
      history_(std::make_unique<TableHistory>(table, settings)), ui(std::make_unique<Ui::TForm1>())
{
    setWindowTitle(kApplicationTitle);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    Comm1.OnReceiveData = [this](serial::TComm *, const std::uint8_t *buffer, std::uint16_t length) {
        Comm1ReceiveData(buffer, length);
    };
    // A pulled cable ends every session at once, saying what the radio may hold.
    Comm1.OnRequestHangup = [this](serial::TComm *) { Handle([this] { session.HungUp(); }); };

    Timer1.setInterval(15000);
    connect(&Tim1, &QTimer::timeout, this, &TForm1::Tim1Timer);
    connect(&Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);

    BuildLayout();
    BuildMenus();
    qApp->installEventFilter(this);
    // The status bar's clock (Timer2) wakes as each second turns; a change of
    // port refreshes it at once.
    jobs_ = std::make_unique<Jobs>(
        *this, [this](const std::function<void()> &command) { Handle(command); }, SleepMs);

    // Watching first: a cable plugged in while the ports are first listed is
    // still seen.
    auto *watcher = new serial::PortWatcher(this);
    connect(watcher, &serial::PortWatcher::devicesChanged, this, &TForm1::WMDeviceChange);
    // A USB-serial port gone right after it arrived: when brltty is installed, it took the cable.
    connect(watcher, &serial::PortWatcher::portVanishedAfterPlug, this, [](const QString &name) {
        PortSelector::VanishedAfterPlug(
            name, [](const std::string &text, const std::string &hint) { ReportFailure(text, hint); });
    });
    BuildOptionsMenu();
    FormCreate(screen);
    startSettings_ = settings;
    history_->Start();
    history_->onRestored = [this] { RefreshControls(); };
    Timer2Timer();
}

TForm1::~TForm1()
{
    qApp->removeEventFilter(this);
    Comm1.ClosePort();
    // The controls go first: an editor still open commits into the table,
    // which must still be there.
    delete Panel1;
    Panel1 = nullptr;
}

void TForm1::SetWindows(QWidget *dtmf, QWidget *twoTone, QWidget *fiveTone, QWidget *fleetSync,
                        protocol::TForm3 *progress)
{
    dtmf_ = dtmf;
    twoTone_ = twoTone;
    fiveTone_ = fiveTone;
    fleetSync_ = fleetSync;
    progress_ = progress;
    if (progress_) {
        connect(progress_, &protocol::TForm3::retryClicked, this, &TForm1::Button1Click);
        connect(progress_, &protocol::TForm3::cancelClicked, this, &TForm1::Button2Click);
    }
}

void TForm1::BuildLayout()
{
    ui->setupUi(this);
    Panel1 = ui->Panel1;
    xg = ui->xg;
    GroupBox1 = ui->GroupBox1;
    GroupBox3 = ui->GroupBox3;
    SpeedButton1 = ui->SpeedButton1;
    SpeedButton2 = ui->SpeedButton2;
    rbtn = ui->rbtn;
    wbtn = ui->wbtn;
    comcbb = ui->comcbb;
    ComboBox = {ui->ComboBox1, ui->ComboBox2, ui->ComboBox3, ui->ComboBox4, ui->ComboBox5,
                ui->ComboBox6, ui->ComboBox7, ui->ComboBox8, ui->ComboBox9, ui->ComboBox10};

    xg->SetUp(ChannelColumns(), ChannelSource(table));
    model = xg->Model();
    model->shadeFixed = true;
    model->onCommit = [this](int row, int column) { xgSetEditText(ChannelRowOf(row), column); };
    ShowColumns();
    WrapPanel();

    for (int n = 1; n <= memory::kSettingsBoxCount; ++n) {
        QComboBox *box = Box(n);
        grid::KeepTypedText(box);
        for (const std::string &item : memory::SettingsItems(n))
            box->addItem(Latin1(item));
        SetEditText(box, Latin1(settings.Box(n)));
        connect(box, &QComboBox::editTextChanged, this, [this, n](const QString &text) {
            settings.Box(n) = Std(text);
            history_->Record(QStringLiteral("Change ") + PanelLabel(n), n);
            CheckDifferences();
        });
    }

    // The port is picked from the list (WindowJobs.cpp); a path is named
    // through Port > Device Path....
    ShowChosenPort(*comcbb, session.hub.portName);
    tabOrder_.push_back(xg);
    for (const PanelRow &row : kPanelRows)
        tabOrder_.push_back(row.box == 0 ? comcbb : Box(row.box));
    tabOrder_.insert(tabOrder_.end(), {SpeedButton1, rbtn, SpeedButton2, wbtn});

    // Open and Save: the desktop theme's pictures, the style's own where the
    // theme has none.
    SpeedButton1->setIcon(
        QIcon::fromTheme(QStringLiteral("document-open"), style()->standardIcon(QStyle::SP_DialogOpenButton)));
    SpeedButton2->setIcon(
        QIcon::fromTheme(QStringLiteral("document-save"), style()->standardIcon(QStyle::SP_DialogSaveButton)));
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton2Click);
    connect(rbtn, &QPushButton::clicked, this, &TForm1::rbtnClick);
    connect(wbtn, &QPushButton::clicked, this, &TForm1::wbtnClick);

    for (auto &panel : StatusPanels) {
        panel = new QLabel(ui->StatusBar1);
        panel->setFixedWidth(kStatusPanelWidth);
        ui->StatusBar1->addWidget(panel);
    }
    CompareStatus = new QLabel(ui->StatusBar1);
    CompareStatus->setObjectName(QStringLiteral("CompareStatus"));
    ui->StatusBar1->addWidget(CompareStatus, 1);
}

void TForm1::BuildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction *fresh = file->addAction(QStringLiteral("&New"), this, &TForm1::NewClick);
    fresh->setObjectName(QStringLiteral("New"));
    fresh->setShortcut(QKeySequence::New);
    QAction *open = file->addAction(QStringLiteral("&Open..."), this, &TForm1::N3Click);
    open->setObjectName(QStringLiteral("N3"));
    open->setShortcut(QKeySequence::Open);
    QAction *save = file->addAction(QStringLiteral("&Save..."), this, &TForm1::N5Click);
    save->setObjectName(QStringLiteral("N5"));
    save->setShortcut(QKeySequence::Save);
    recentMenu_ = file->addMenu(QStringLiteral("Open Recen&t"));
    recentMenu_->setObjectName(QStringLiteral("OpenRecent"));
    BuildEditMenu(file);
    BuildViewMenu();
    file->addSeparator();
    file->addAction(QStringLiteral("Back &Up Radio..."), this, &TForm1::BackUpRadioClick)
        ->setObjectName(QStringLiteral("BackUpRadio"));
    file->addAction(QStringLiteral("&Restore Radio..."), this, &TForm1::RestoreRadioClick)
        ->setObjectName(QStringLiteral("RestoreRadio"));
    file->addAction(QStringLiteral("Open Radio Ima&ge..."), this, &TForm1::OpenRadioImageClick)
        ->setObjectName(QStringLiteral("OpenRadioImage"));
    file->addAction(QStringLiteral("Save Ra&dio Image..."), this, &TForm1::SaveRadioImageClick)
        ->setObjectName(QStringLiteral("SaveRadioImage"));
    file->addSeparator();
    programmingStation_ =
        file->addAction(QStringLiteral("&Programming Station..."), this, &TForm1::ProgrammingStationClick);
    programmingStation_->setObjectName(QStringLiteral("ProgrammingStation"));
    programmingStation_->setStatusTip(QStringLiteral("Program radio after radio on this port, each with the next row of a roster"));
    file->addSeparator();
    QAction *exit = file->addAction(QStringLiteral("E&xit"), this, &TForm1::N1Click);
    exit->setObjectName(QStringLiteral("N1"));
    exit->setShortcut(QKeySequence::Quit);

    BuildRadioMenu();
    QMenu *signalling = menuBar()->addMenu(QStringLiteral("&Signalling"));
    signalling->addAction(QStringLiteral("&DTMF"), this, &TForm1::DTMF1Click)->setObjectName(QStringLiteral("DTMF1"));
    signalling->addAction(QStringLiteral("&2TONE"), this, &TForm1::N2tone1Click)
        ->setObjectName(QStringLiteral("N2tone1"));
    signalling->addAction(QStringLiteral("&5TONE"), this, &TForm1::N5TONE1Click)
        ->setObjectName(QStringLiteral("N5TONE1"));
    signalling->addAction(QStringLiteral("&FleetSync"), this, &TForm1::N4Click)->setObjectName(QStringLiteral("N4"));

    QMenu *port = menuBar()->addMenu(QStringLiteral("&Port"));
    port->addAction(QStringLiteral("&Device Path..."), this, &TForm1::DevicePathClick)
        ->setObjectName(QStringLiteral("DevicePath"));
    devicePath_ = port->actions().constLast();
    closePort_ =
        port->addAction(QStringLiteral("&Close Port"), this, [this] { Handle([this] { session.hub.Release(); }); });
    closePort_->setObjectName(QStringLiteral("ClosePort"));
    closePort_->setEnabled(false); // no port is open yet
}

void TForm1::BuildOptionsMenu()
{
    QMenu *options = menuBar()->addMenu(QStringLiteral("&Options"));
    const WriteSafety &safety = jobs_->guard.safety;
    previewWrites_ = options->addAction(QStringLiteral("&Preview Writes"), this, &TForm1::PreviewWritesClick);
    previewWrites_->setObjectName(QStringLiteral("PreviewWrites"));
    previewWrites_->setCheckable(true);
    previewWrites_->setChecked(safety.preview);
    backUpBeforeWrites_ =
        options->addAction(QStringLiteral("&Back Up Before Writes"), this, &TForm1::BackUpBeforeWritesClick);
    backUpBeforeWrites_->setObjectName(QStringLiteral("BackUpBeforeWrites"));
    backUpBeforeWrites_->setCheckable(true);
    backUpBeforeWrites_->setChecked(safety.backups);
    options->addAction(QStringLiteral("Backups &Kept per Port..."), this, &TForm1::BackupsKeptClick)
        ->setObjectName(QStringLiteral("BackupsKept"));
}

void TForm1::PreviewWritesClick(bool on)
{
    jobs_->guard.safety.preview = on;
    previewWrites_->setChecked(on);
    SaveWriteSafety(jobs_->guard.safety);
}

void TForm1::BackUpBeforeWritesClick(bool on)
{
    jobs_->guard.safety.backups = on;
    backUpBeforeWrites_->setChecked(on);
    SaveWriteSafety(jobs_->guard.safety);
}

void TForm1::BackupsKeptClick()
{
    bool ok = false;
    const int keep = QInputDialog::getInt(
        this, QStringLiteral("Backups Kept per Port"),
        QStringLiteral("Backups kept for each port in %1 (the oldest go first):").arg(jobs_->guard.store.Folder()),
        jobs_->guard.safety.keep, 1, 10000, 1, &ok);
    if (!ok)
        return;
    jobs_->guard.safety.keep = keep;
    SaveWriteSafety(jobs_->guard.safety);
}

WriteGuard &TForm1::Writes()
{
    return jobs_->guard;
}

std::string TForm1::AnnounceWrite(const std::string &text)
{
    return jobs_ ? jobs_->guard.Announce(text) : text;
}

void TForm1::RunStep(const std::function<void()> &step)
{
    Handle(step);
}

void TForm1::TakeIn(const std::function<void()> &command)
{
    const QUndoStack &stack = history_->Stack();
    const std::pair<int, int> before{stack.index(), stack.cleanIndex()};
    command();
    if (std::pair<int, int>{stack.index(), stack.cleanIndex()} != before)
        holdsRadioData_ = true;
}

void TForm1::WriteSignalling(signalling::SignallingLogic &logic, QWidget *asking)
{
    WriteRequest request;
    request.title = QString::fromLatin1(logic.Traits().name) + QStringLiteral(" Write");
    request.areas = {logic.Traits().area};
    request.check = [&logic] {
        files::RadioImage scratch;
        logic.WriteInto(scratch);
    };
    request.after = [&logic](const files::RadioImage &radio) {
        files::RadioImage out = radio;
        logic.WriteInto(out);
        return out;
    };
    request.holdsRadioData = logic.holdsArea;
    request.write = [&logic] { logic.StartWrite(); };
    jobs_->asking = asking;
    jobs_->guard.Run(std::move(request));
}

void TForm1::FormCreate(QSize screen)
{
    // The room the window may take: the screen given, or the primary
    // screen's less its panels.
    QSize room = screen;
    if (!screen.isValid() && QGuiApplication::primaryScreen()) {
        screen = QGuiApplication::primaryScreen()->size();
        room = QGuiApplication::primaryScreen()->availableSize();
    }
    if (AdaptToSmallScreen(screen))
        KeepSmallLayout();
    else
        FitToScreen(room); // the stored layout, at least where it fits
    jobs_->ports.Fill(LoadRememberedPort());
    ShowChosenPort(*comcbb, session.hub.portName);
}

bool TForm1::AdaptToSmallScreen(QSize screen)
{
    if (!screen.isValid() || !IsSmallScreen(screen.width(), screen.height()))
        return false;
    const ScaleRatios r = RatiosForScreen(screen.width(), screen.height());
    const auto scale = [](int v, double ratio) { return RoundHalfEven(v * ratio); };
    ScaleFonts(r.font);
    for (QWidget *w : Panel1->findChildren<QWidget *>()) {
        if (w->parentWidget() == Panel1 || w->parentWidget() == GroupBox1 || w->parentWidget() == GroupBox3) {
            const QRect g = w->geometry();
            w->setGeometry(scale(g.left(), r.width), scale(g.top(), r.height), scale(g.width(), r.width),
                           scale(g.height(), r.height));
        }
    }
    const QSize panel = Panel1->minimumSize(); // the form's fixed size
    Panel1->setFixedSize(scale(panel.width(), r.width), scale(panel.height(), r.height));
    for (int c = 0; c < memory::kColumnCount; ++c) {
        const int width = kSmallColumnWidths[static_cast<std::size_t>(c)];
        if (width > 0) {
            xg->setColumnHidden(c, false);
            xg->setColumnWidth(c, std::max(width, CaptionWidth(c))); // a larger font widens it
        }
    }
    for (const auto &[n, text] : std::initializer_list<std::pair<int, const char *>>{{1, "NONE"},
                                                                                     {2, "1"},
                                                                                     {4, "60"},
                                                                                     {3, "0"},
                                                                                     {8, "OPEN"},
                                                                                     {9, "OPEN"},
                                                                                     {6, "NONE"},
                                                                                     {7, "NONE"},
                                                                                     {5, "CHINESE"},
                                                                                     {10, "OPEN"}}) {
        settings.Box(n) = text;
        SetEditText(Box(n), QString::fromLatin1(text));
    }
    session.hub.portName = "COM1"; // where no port is listed
    ShowChosenPort(*comcbb, session.hub.portName);
    // 800 x 545, or less where the screen is smaller still (a 1280 x 800
    // screen at twice the scale): the title bar, the borders and the status
    // bar stay on it, and the scaled controls fit anyway (what does not
    // scrolls).
    QSize fixed(std::max(800, Panel1->width()), 545); // wider where the panel is (1024 x 600)
    if (const QScreen *primary = QGuiApplication::primaryScreen()) {
        const QSize frame(8, 32); // borders and a title bar
        fixed = fixed.boundedTo(primary->availableSize() - frame);
    }
    setFixedSize(fixed);
    return true;
}

void TForm1::ScaleFonts(double ratio)
{
    // Every control's font, and the window's own, is scaled once from the size
    // it has now. A font set on a control stops it following its parent, so
    // all sizes are read before any is changed.
    std::vector<std::pair<QWidget *, QFont>> fonts{{this, font()}};
    for (QWidget *w : findChildren<QWidget *>())
        if (!w->isWindow())
            fonts.emplace_back(w, w->font());
    for (auto &[widget, font] : fonts) {
        if (font.pointSize() > 0)
            font.setPointSize(std::max(1, RoundHalfEven(font.pointSize() * ratio)));
        widget->setFont(font);
    }
}

template <typename F>
void TForm1::Handle(F &&handler)
{
    RunHandler([&] {
        try {
            handler();
        } catch (...) {
            RefreshControls(); // the failure box shows over the state as it stands
            throw;
        }
    });
    RefreshControls();
    // A read is one step, however it ended: done, cancelled or failed.
    if (readStep_ && !session.ReadRunning()) {
        readStep_ = false;
        history_->RecordRead(readDone_);
        holdsRadioData_ = holdsRadioData_ || readDone_;
    }
    readDone_ = false;
}

void TForm1::Change(const QString &name, const std::function<void()> &change)
{
    jobs_->document.Change(name, change);
}

void TForm1::RefreshControls()
{
    // One session at a time on the port: Read and Write are disabled while
    // any session of any window runs.
    const bool free = session.hub.MayStart();
    rbtn->setEnabled(free);
    wbtn->setEnabled(free);
    comcbb->setEnabled(session.PortFree());
    // The port is chosen only while it is closed, by the selector or a path.
    if (devicePath_)
        devicePath_->setEnabled(session.PortFree());
    if (closePort_)
        closePort_->setEnabled(session.hub.HeldIdle());
    if (programmingStation_)
        programmingStation_->setEnabled(free);
    const QString why =
        session.PortFree() ? QString()
        : free ? QStringLiteral("The port is open for the signalling windows: Port > Close Port releases it.")
               : QStringLiteral("A read or write runs on the port.");
    if (comcbb->toolTip() != why)
        comcbb->setToolTip(why);
    setEnabled(session.Editable());
    ShowChosenPort(*comcbb, session.hub.portName);
    for (int n = 1; n <= memory::kSettingsBoxCount; ++n)
        SetEditText(Box(n), Latin1(settings.Box(n)));
    model->Refresh();
    if (progress_)
        progress_->Display(session.progress, frameGeometry().topLeft() + kProgressOffset);
    for (const auto &refresh : afterRefresh)
        refresh();
    CheckDifferences();
}

void TForm1::rbtnClick()
{
    Handle([this] { session.StartRead(); });
    if (session.ReadRunning())
        readStep_ = true;
}

void TForm1::wbtnClick()
{
    Handle([this] {
        if (session.hub.AnyRunning())
            return;
        CommitOpenEditor();
        WriteRequest request;
        request.title = QStringLiteral("Write");
        request.areas = {protocol::kAreaChannels, protocol::kAreaSettings};
        request.check = [this] { protocol::CheckBeforeWrite(table, settings, &session.Known()); };
        request.after = [this](const files::RadioImage &radio) {
            return WithChannelsWritten(radio, table, settings, session.Known());
        };
        request.holdsRadioData = holdsRadioData_;
        request.write = [this] { session.StartWrite(); };
        jobs_->asking = nullptr; // previewed over this window
        jobs_->guard.Run(std::move(request));
    });
}

void TForm1::Comm1ReceiveData(const std::uint8_t *buffer, std::uint16_t length)
{
    Handle([&] { session.hub.Receive(buffer, length); });
}

void TForm1::Tim1Timer()
{
    // A tick may send the next block (the Acks of a block's copies waited
    // for) or find the radio silent: the dialog shows it.
    Handle([this] { session.hub.Tick(); });
}

void TForm1::Timer1Timer()
{
    Timer1.stop();
    Handle([this] { session.MarkIdle(); });
}

void TForm1::Button1Click()
{
    Handle([this] { session.Retry(); });
}

void TForm1::Button2Click()
{
    Handle([this] { session.Cancel(); });
}

void TForm1::xgSetEditText(int row, int column)
{
    const std::string &caption =
        memory::ColumnCaptions().at(static_cast<std::size_t>(std::clamp(column, 0, memory::kColumnCount - 1)));
    Change(QStringLiteral("Edit %1 of channel %2").arg(QString::fromLatin1(caption)).arg(row),
           [&] { app::CompleteCellEdit(table, row, column); });
}

void TForm1::BackUpRadioClick()
{
    jobs_->images.BackUp();
}

void TForm1::RestoreRadioClick()
{
    jobs_->asking = nullptr; // previewed over this window
    jobs_->images.Restore();
}

void TForm1::OpenFile(const QString &path)
{
    const std::string name = path.toStdString();
    const files::FileKind kind = files::KindOfFile(name);
    const bool unknown = kind == files::FileKind::None || kind == files::FileKind::Other;
    if (kind == files::FileKind::RadioImage || (unknown && path.endsWith(QStringLiteral(".radio")))) {
        TakeIn([this, path] { jobs_->images.Open(path); });
    } else if (kind == files::FileKind::ChannelCsv) {
        TakeIn([this, path] { jobs_->csv.Import(path); });
    } else if (kind == files::FileKind::ChannelFile || unknown) {
        TakeIn([this, path] { jobs_->files.Open(path); });
    } else {
        Handle([&] {
            throw text::Failure("Cannot open \"" + name + "\": it is " + files::KindName(kind) +
                                ", not a channel file, a radio image or a CSV channel list.");
        });
    }
}

void TForm1::OpenRadioImageClick()
{
    TakeIn([this] { jobs_->images.Open(); });
}

void TForm1::SaveRadioImageClick()
{
    jobs_->images.Save();
}

void TForm1::ImportCsvClick()
{
    TakeIn([this] { jobs_->csv.Import(); });
}

void TForm1::ExportCsvClick()
{
    jobs_->csv.Export();
}

void TForm1::N3Click()
{
    TakeIn([this] { jobs_->files.Open(); });
}

void TForm1::N5Click()
{
    jobs_->files.Save();
}

bool TForm1::Modified() const
{
    return !history_->Saved();
}

void TForm1::SpeedButton1Click()
{
    focusNextChild(); // an edit in progress is committed first
    N3Click();
}

void TForm1::SpeedButton2Click()
{
    focusNextChild();
    N5Click();
}

QComboBox *TForm1::PanelBox(QObject *w) const
{
    for (QObject *o = w; o != nullptr && o != this; o = o->parent()) {
        if (o == comcbb)
            return comcbb;
        for (const PanelRow &row : kPanelRows)
            if (row.box != 0 && o == Box(row.box))
                return Box(row.box);
        if (o != w)
            break; // the box itself or its line edit, nothing further out
    }
    return nullptr;
}

void TForm1::PanelExit(QComboBox *box)
{
    if (box == comcbb || !box->currentText().isEmpty())
        return; // the port selector is never emptied
    for (const PanelRow &row : kPanelRows) {
        if ((row.box == 0 ? comcbb : Box(row.box)) != box)
            continue;
        SetEditText(box, QString::fromLatin1(row.restored));
        settings.Box(row.box) = row.restored;
        history_->Record(QStringLiteral("Change ") + PanelLabel(row.box), row.box);
    }
}

bool TForm1::PanelKeyPress(QComboBox *box, QKeyEvent *key)
{
    // Selecting and copying change nothing.
    if (key->matches(QKeySequence::SelectAll) || key->matches(QKeySequence::Copy))
        return false;
    // Qt does not step back out of an editable combo box (its line edit
    // follows it in the focus chain), so Shift+Tab is done here.
    if (key->key() == Qt::Key_Backtab || (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier))) {
        const auto at = std::find(tabOrder_.begin(), tabOrder_.end(), box);
        if (at == tabOrder_.begin() || at == tabOrder_.end())
            return false;
        (*std::prev(at))->setFocus(Qt::BacktabFocusReason);
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        focusNextChild();
        return true;
    }
    const QString text = key->text();
    if (text.isEmpty() || text[0] == QLatin1Char('\t') || text[0].unicode() == 0x7F || text[0].unicode() == 0x1B)
        return false; // keys without a character keep their effect
    if (box == Box(memory::SettingsTexts::kTimeOut))
        return !(text[0].isDigit() || text[0] == QLatin1Char('\b'));
    return true; // chosen from the list, never typed
}

void TForm1::Timer2Timer()
{
    jobs_->clock.Tick();
}

void TForm1::FormActivate()
{
    for (int ch = 1; ch <= memory::kChannelCount; ++ch)
        table.SetCell(ch, memory::kColChannel, std::to_string(ch));
    history_->AcceptChannelNumbers();
    model->Refresh();
}

void TForm1::ShowSignallingWindow(QWidget *window)
{
    // Showing a window needs no radio: what an opened image holds can be
    // looked at with no cable attached. The window's Read or Write opens the
    // port, and says so there when it cannot.
    Handle([&] {
        if (window) {
            // First shown in the middle of the screen, whole on it even a
            // small one (1280 x 800), title bar included; after that where
            // the user left it.
            if (!window->property("placed").toBool() && screen()) {
                const QRect avail = screen()->availableGeometry();
                constexpr int kFrame = 40; // a title bar and borders
                window->resize(window->size().boundedTo(avail.size() - QSize(kFrame, kFrame)));
                window->move(avail.x() + std::max(0, (avail.width() - window->width()) / 2),
                             avail.y() + std::max(0, (avail.height() - window->height() - kFrame) / 2));
                window->setProperty("placed", true);
            }
            window->show();
            window->raise();
            window->activateWindow();
        }
    });
}

void TForm1::DTMF1Click()
{
    ShowSignallingWindow(dtmf_);
}

void TForm1::N2tone1Click()
{
    ShowSignallingWindow(twoTone_);
}

void TForm1::N5TONE1Click()
{
    ShowSignallingWindow(fiveTone_);
}

void TForm1::N4Click()
{
    ShowSignallingWindow(fleetSync_);
}

void TForm1::N1Click()
{
    close();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    // Changes not saved are saved, dropped or kept open, as the user says.
    if (!jobs_->files.MayClose()) {
        event->ignore();
        return;
    }
    // Closing the main window ends the application, open signalling windows
    // and all.
    event->accept();
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void TForm1::WMDeviceChange()
{
    jobs_->ports.DevicesChanged();
    ShowChosenPort(*comcbb, session.hub.portName);
}

void TForm1::AddDevicePath(const QString &path)
{
    if (path.isEmpty())
        return;
    jobs_->ports.AddDevicePath(path);
    SaveRememberedPort(jobs_->ports.Remembered());
    RefreshControls();
    Timer2Timer();
}

void TForm1::DevicePathClick()
{
    bool ok = false;
    const QString path = QInputDialog::getText(
        this, QStringLiteral("Device Path"), QStringLiteral("Serial device (for example /dev/ttyUSB0 or /dev/pts/3):"),
        QLineEdit::Normal, QString(), &ok);
    if (ok)
        AddDevicePath(path.trimmed());
}

void TForm1::ProgrammingStationClick()
{
    // One session at a time on the port: the station is one.
    if (!session.hub.MayStart()) {
        ReportFailure("The programming station cannot start while a read or write runs",
                      "Wait until it has ended, or cancel it, then try again.");
        return;
    }
    // The station opens the port itself, afresh for each radio: the port
    // held open for the signalling windows is released (Port > Close Port).
    Handle([this] { session.hub.Release(); });
    if (!session.PortFree())
        return;
    StationDialog dialog(QString::fromStdString(session.hub.portName), this);
    // Nothing else uses the port while the station runs: every window waits.
    dialog.setWindowModality(Qt::ApplicationModal);
    if (onStationDialog)
        onStationDialog(dialog);
    dialog.exec();
    RefreshControls();
}

bool TForm1::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QMainWindow::event(event);
}

void TForm1::FunctionKey(const QKeyEvent *key)
{
    // A session that starts disables the window, and its keys with it: the
    // press that started it, travelling on to the focused control's parents,
    // starts no second one.
    if (!isEnabled() || (key->key() != Qt::Key_F11 && key->key() != Qt::Key_F12))
        return;
    // A session that could not start leaves the window enabled, and the error
    // box it showed may have taken the focus away meanwhile: the same press
    // (the same event, stamped with the same time) starts nothing more.
    if (key->timestamp() != 0 && key == lastFunctionKey_ && key->timestamp() == lastFunctionKeyTime_)
        return;
    lastFunctionKey_ = key;
    lastFunctionKeyTime_ = key->timestamp();
    if (key->key() == Qt::Key_F11)
        rbtnClick();
    else if (key->key() == Qt::Key_F12)
        wbtnClick();
}

bool TForm1::FilterInputMethod(QObject *watched, QInputMethodEvent *event)
{
    // Text committed by an input method or a dead key meets the same rules as
    // typed characters.
    const QString commit = event->commitString();
    if (commit.isEmpty())
        return false;
    QComboBox *box = PanelBox(watched);
    QString kept;
    for (const QChar c : commit) {
        if (!IsAllowedCharacter(c))
            continue;
        const QChar upper = c.toUpper();
        if (box && !(box == Box(memory::SettingsTexts::kTimeOut) && upper.isDigit()))
            continue; // the panel's lists are chosen from, "TOT" takes digits
        kept += upper;
    }
    if (kept == commit)
        return false;
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QCoreApplication::sendEvent(watched, &filtered);
    return true;
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    // Undo and redo are the window's also where a panel box has the focus;
    // its line edit would keep the keys for its own text.
    if (event->type() == QEvent::ShortcutOverride && PanelBox(watched)) {
        const QKeyCombination key = static_cast<QKeyEvent *>(event)->keyCombination();
        if (key == (Qt::CTRL | Qt::Key_Z) || key == (Qt::CTRL | Qt::SHIFT | Qt::Key_Z) || key == (Qt::CTRL | Qt::Key_Y))
            return true; // not taken: the Edit menu's shortcut runs
    }
    if (event->type() == QEvent::FocusOut && watched->isWidgetType()) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (QComboBox *box = PanelBox(watched); box && reason != Qt::PopupFocusReason)
            PanelExit(box);
        return false;
    }
    const bool keyPress = event->type() == QEvent::KeyPress;
    if ((!keyPress && event->type() != QEvent::InputMethod) || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (widget->window() != this)
        return false;
    if (!keyPress)
        return FilterInputMethod(watched, static_cast<QInputMethodEvent *>(event));
    auto *key = static_cast<QKeyEvent *>(event);

    // Look at each key once, where it is delivered first.
    QWidget *focus = QApplication::focusWidget();
    if (widget != focus && !(focus == nullptr && widget == this))
        return false;

    // F11 and F12 start a read or a write; the key still goes on.
    FunctionKey(key);

    // The character filter: only what a channel value can hold gets typed.
    // A refused character is dropped, not the key: Space still presses a
    // focused button, Enter still moves on.
    const QString text = key->text();
    if (text.size() == 1 && text[0].unicode() >= 0x20 && text[0].unicode() != 0x7F) {
        const QChar c = text[0];
        if (!IsAllowedCharacter(c)) {
            // The focused control alone sees the key, without its character,
            // as a control sees a key whose character was refused. The table
            // is left out: it would open a cell editor on the bare key.
            if (qobject_cast<QAbstractItemView *>(watched))
                return true;
            QKeyEvent dropped(QEvent::KeyPress, key->key(), key->modifiers(), key->nativeScanCode(),
                              key->nativeVirtualKey(), key->nativeModifiers(), QString(), key->isAutoRepeat(),
                              static_cast<quint16>(key->count()));
            dropped.setTimestamp(key->timestamp());
            watched->event(&dropped);
            return true;
        }
        if (c.isLower()) {
            QKeyEvent raised(QEvent::KeyPress, key->key(), key->modifiers() | Qt::ShiftModifier, key->nativeScanCode(),
                             key->nativeVirtualKey(), key->nativeModifiers(), text.toUpper(), key->isAutoRepeat(),
                             static_cast<quint16>(key->count()));
            raised.setTimestamp(key->timestamp());
            QCoreApplication::sendEvent(watched, &raised); // meets the rules below on its way
            return true;
        }
    }
    // What passed the window's filter meets the panel box's own rule.
    if (QComboBox *box = PanelBox(watched))
        return PanelKeyPress(box, key);
    return false;
}

} // namespace tonvar::app
