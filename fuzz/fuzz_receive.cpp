// SPDX-License-Identifier: GPL-3.0-or-later
// The port hub with every session of the program on it: the main
// window's read and write and the DTMF, 2TONE, 5TONE and FleetSync windows'.
// The input is a stream of what can happen while the program runs: a button
// the user can press (Read or Write of any window, Retry and Cancel while
// the progress dialog shows, Close), a chunk the radio sends, a tick of a
// running timer, a text the user types, a port that will not open.
//
// After every step: no channel row but the one a received frame names has
// changed, no byte but an Ack has been sent from outside the frame buffer (the
// sanitizers and libstdc++'s checks catch any other access outside the
// buffers), every progress bar stands within its range, and after Cancel or
// Close the window's buttons are back.
//
// The stream, step by step: an operation byte (modulo the count of Op
// below), then its arguments. A window is a byte (0 DTMF, 1 2TONE, 2 5TONE,
// 3 FleetSync). A chunk is a length byte and that many bytes (a length of 0
// is followed by a 16-bit length, low byte first); a long chunk takes 40
// bytes, a length byte and a fill byte. An edit is a window byte (0 the main
// window, then the four in the order above, plus 1), a 16-bit field number
// and a text (a length byte and the bytes). Fields are listed in AddFields.
// A button that is disabled, or a timer that is stopped, makes the step do
// nothing, as it does for the user.
#include "Fuzz.h"
#include "FuzzFakes.h"

#include "memory/ChannelTable.h"
#include "memory/SettingsBlock.h"
#include "protocol/MainSession.h"
#include "signalling/DtmfSession.h"
#include "signalling/FiveToneSession.h"
#include "signalling/FleetSyncSession.h"
#include "signalling/TwoToneSession.h"
#include "text/Convert.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace tonvar;
using fuzz::Check;
using fuzz::CheckedPort;
using fuzz::FakeTimer;

namespace {

// A text the user can type, with the check the window runs after it.
struct Field {
    std::string *text;
    std::function<void()> afterEdit;
};

struct Program {
    CheckedPort port;
    FakeTimer tim1;
    std::array<FakeTimer, 4> timer1; // the signalling windows' own time-outs
    memory::ChannelTable table;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    link::PortHub hub{port, tim1};
    protocol::MainSession main{hub, table, settings, {[](const std::string &) {}, [](int) {}, [] {}}};
    signalling::DtmfSession dtmf{hub, timer1[0], [](const std::string &) {}};
    signalling::TwoToneSession twoTone{hub, timer1[1], [](const std::string &) {}};
    signalling::FiveToneSession fiveTone{hub, timer1[2], [](const std::string &) {}};
    signalling::FleetSyncSession fleetSync{hub, timer1[3], [](const std::string &) {}};
    std::array<signalling::SignallingLogic *, 4> windows{&dtmf, &twoTone, &fiveTone, &fleetSync};
    std::array<std::vector<Field>, 5> fields; // main, DTMF, 2TONE, 5TONE, FleetSync

    Program()
    {
        port.frame = &main.hub.link.frame;
        for (int ch = 1; ch <= memory::kChannelCount; ++ch)
            table.SetCell(ch, 0, std::to_string(ch));
        AddFields();
    }

    void AddFields()
    {
        const auto plain = [](std::vector<Field> &to, std::initializer_list<std::string *> texts) {
            for (std::string *t : texts)
                to.push_back({t, [] {}});
        };
        for (int r = 1; r < table.RowCount(); ++r)
            for (std::string &cell : table.Row(r))
                fields[0].push_back({&cell, [] {}});
        for (std::string &box : settings.boxes)
            fields[0].push_back({&box, [] {}});

        auto &d = dtmf.texts;
        plain(fields[1], {&d.speed, &d.firstDigitTime, &d.firstDigitDelay, &d.hashStarTime, &d.dCode, &d.idCode,
                          &d.groupCode, &d.autoReset, &d.callAlert, &d.transpond});
        for (int row = 1; row <= signalling::kAutodialMemories; ++row)
            fields[1].push_back(
                {&d.autodial[static_cast<std::size_t>(row - 1)], [this, row] { dtmf.AutodialEdited(row); }});

        auto &t = twoTone.texts;
        plain(fields[2],
              {&t.firstTime, &t.secondTime, &t.interval, &t.toneA, &t.toneB, &t.toneC, &t.toneD, &t.restTime});
        for (std::size_t i = 0; i < t.first.size(); ++i)
            plain(fields[2], {&t.first[i], &t.second[i]});
        for (int row = 1; row <= signalling::kTwoToneRows; ++row)
            for (int col = 1; col <= signalling::kTwoToneDecodeColumns; ++col)
                fields[2].push_back({&t.Decode(row, col), [this, row, col] { twoTone.DecodeCellEdited(row, col); }});

        auto &f = fiveTone.texts;
        fields[3].push_back({&f.shownStandard, [this] { fiveTone.StandardChanged(); }});
        plain(fields[3],
              {&f.firstFrameDelay, &f.secondFrameDelay, &f.thirdFrameDelay, &f.firstToneExtension, &f.resetTime});
        for (auto &standard : f.standards)
            for (std::string &cell : standard)
                plain(fields[3], {&cell});
        for (int row = 1; row <= signalling::kFiveToneRows; ++row) {
            for (int col = 1; col <= signalling::kEncodeColumns; ++col)
                fields[3].push_back({&f.Encode(row, col), [this, row, col] { fiveTone.EncodeCellEdited(row, col); }});
            for (int col = 1; col <= signalling::kDecodeColumns; ++col)
                fields[3].push_back({&f.Decode(row, col), [this, row, col] { fiveTone.DecodeCellEdited(row, col); }});
        }

        auto &s = fleetSync.texts;
        plain(fields[4], {&s.ownFleet, &s.ownId, &s.baudRate, &s.modulationDelay, &s.messageTimer});
        for (std::size_t i = 0; i < s.fleet.size(); ++i)
            plain(fields[4], {&s.fleet[i], &s.id[i]});
    }

    void CheckProgress() const
    {
        const auto within = [](const protocol::ProgressState &p) { return p.position >= 0 && p.position <= p.maximum; };
        Check(within(main.progress), "the main progress bar left its range");
        for (const signalling::SignallingLogic *w : windows)
            Check(within(w->progress), "a signalling progress bar left its range");
    }
};

// FUZZ_TRACE=1 in the environment prints each step, to read a finding by.
const bool kTrace = std::getenv("FUZZ_TRACE") != nullptr;

enum Op : std::uint8_t {
    kMainRead,
    kMainWrite,
    kChunk,
    kLongChunk,
    kTickTim1,
    kRetry,
    kCancel,
    kWindowRead,
    kWindowWrite,
    kTickTimer1,
    kClose,
    kShowWindow,
    kEdit,
    kEditAnywhere,
    kPortFails,
    kOpCount
};

void Receive(Program &p, const std::vector<std::uint8_t> &chunk)
{
    if (kTrace) {
        std::fprintf(stderr, "  %zu bytes:", chunk.size());
        for (std::size_t i = 0; i < chunk.size() && i < 8; ++i)
            std::fprintf(stderr, " %02X", chunk[i]);
        std::fprintf(stderr, "\n");
    }
    const memory::ChannelTable before = p.table;
    // Only a DataFrame decodes into the table, into the row its block byte
    // names; the channel numbers never change. The block byte of a chunk too
    // short to hold one is whatever an earlier chunk left in the buffer.
    const int block = chunk.size() > 2 ? chunk[2] : p.main.hub.link.rx.buffer[2];
    const int named = chunk[0] == protocol::kFrameStart ? block : -1;
    p.main.hub.Receive(chunk.data(), static_cast<std::uint16_t>(chunk.size()));
    Check(p.table.RowCount() == before.RowCount(), "a received chunk changed the number of rows");
    for (int r = 0; r < p.table.RowCount(); ++r) {
        Check(p.table.Cell(r, memory::kColChannel) == before.Cell(r, memory::kColChannel),
              "a received chunk changed a channel number");
        if (r != named || r < 1 || r > memory::kChannelCount)
            Check(p.table.Row(r) == before.Row(r), "a received chunk wrote a row it does not name");
    }
}

constexpr const char *kOpNames[kOpCount] = {"main Read", "main Write",  "chunk",       "long chunk",    "Tim1 tick",
                                            "Retry",     "Cancel",      "window Read", "window Write",  "Timer1 tick",
                                            "Close",     "show window", "edit",        "edit anywhere", "port fails"};

void Step(Program &p, fuzz::Reader &in)
{
    protocol::MainSession &m = p.main;
    const auto mainButtonsUsable = [&] { return m.Editable(); };
    const std::uint8_t op = in.Byte() % kOpCount;
    if (kTrace)
        std::fprintf(stderr, "step: %s (awaiting %s)\n", kOpNames[op], m.Awaited().c_str());
    switch (op) {
    case kMainRead:
        if (mainButtonsUsable() && !m.ReadRunning())
            m.StartRead();
        break;
    case kMainWrite:
        if (mainButtonsUsable() && !m.WriteRunning())
            m.StartWrite();
        break;
    case kChunk: {
        // What the serial port hands over: 1 to 4096 bytes; a length byte
        // of 0 is followed by a longer length.
        const std::uint8_t length = in.Byte();
        const std::size_t n = length != 0 ? std::size_t{length} : std::size_t{1} + in.Word() % 4096u;
        std::vector<std::uint8_t> chunk = in.Bytes(n);
        if (!chunk.empty())
            Receive(p, chunk);
        break;
    }
    case kLongChunk: {
        // Longer than the receive buffers: the rest is dropped.
        std::vector<std::uint8_t> chunk = in.Bytes(40);
        chunk.resize(protocol::kBufferSize + in.Byte(), in.Byte());
        Receive(p, chunk);
        break;
    }
    case kTickTim1:
        if (p.tim1.active)
            m.hub.Tick();
        break;
    case kRetry:
        if (m.progress.visible)
            m.Retry();
        break;
    case kCancel:
        if (m.progress.visible) {
            try {
                m.Cancel();
            } catch (const text::Failure &) {
                // a write cancelled half-way says so
            }
            Check(!m.ReadRunning() && !m.WriteRunning() && m.PortFree() && m.Editable(),
                  "Cancel left the main window's controls disabled");
            // Tim1 is shared: it may go on for a signalling session still
            // waiting under it, never for the main session.
            bool othersWait = false;
            for (const signalling::SignallingLogic *w : p.windows)
                othersWait = othersWait || m.hub.link.ResendUsedBy(link::LinkUser(*w));
            Check(!m.hub.link.ResendUsedBy(link::LinkUser(m)) && (!p.tim1.active || othersWait) && !p.port.open,
                  "Cancel left the resend running or the port open");
        }
        break;
    case kWindowRead: {
        const std::uint8_t w = in.Byte() % 4;
        if (!p.windows[w]->ReadRunning())
            p.windows[w]->StartRead();
        break;
    }
    case kWindowWrite: {
        const std::uint8_t w = in.Byte() % 4;
        if (!p.windows[w]->WriteRunning())
            p.windows[w]->StartWrite();
        break;
    }
    case kTickTimer1: {
        const std::uint8_t w = in.Byte() % 4;
        if (p.timer1[w].active)
            p.windows[w]->TimeOut();
        break;
    }
    case kClose: {
        const std::uint8_t w = in.Byte() % 4;
        p.windows[w]->Close();
        Check(!p.windows[w]->Running(), "Close left a window's buttons disabled");
        break;
    }
    case kShowWindow:
        m.hub.Hold();
        break;
    case kEdit: {
        std::vector<Field> &fields = p.fields[in.Byte() % p.fields.size()];
        Field &field = fields[in.Word() % fields.size()];
        *field.text = in.Text();
        field.afterEdit();
        break;
    }
    case kEditAnywhere: {
        // The edit checks with any coordinates at all.
        const int row = static_cast<std::int8_t>(in.Byte());
        const int column = static_cast<std::int8_t>(in.Byte());
        p.dtmf.AutodialEdited(row);
        p.twoTone.DecodeCellEdited(row, column);
        p.fiveTone.EncodeCellEdited(row, column);
        p.fiveTone.DecodeCellEdited(row, column);
        break;
    }
    case kPortFails:
        p.port.failOpen = !p.port.failOpen;
        break;
    default:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Program p;
    fuzz::Reader in(data, size);
    while (!in.Empty()) {
        try {
            Step(p, in);
        } catch (const text::Failure &) {
            // Shown in the error box; the action stops where it was.
        }
        Check(p.table.RowCount() == memory::kTableRows, "the table's number of rows changed");
        Check(p.table.Row(0) == memory::ColumnCaptions(), "the captions changed");
        int running = (p.main.ReadRunning() || p.main.WriteRunning()) ? 1 : 0;
        for (const signalling::SignallingLogic *w : p.windows)
            running += (w->ReadRunning() || w->WriteRunning()) ? 1 : 0;
        Check(running <= 1, "two sessions ran at once on the port");
        p.CheckProgress();
    }
    return 0;
}
