// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/LineSettings.h"

#include <gtest/gtest.h>

using namespace tonvar::serial;

namespace {

// The main window's Comm1: the defaults with software flow control off.
TCommSettings Comm1()
{
    TCommSettings s;
    s.ReadIntervalTimeout = 20;
    s.Outx_XonXoffFlow = false;
    s.Inx_XonXoffFlow = false;
    return s;
}

// What a port may hold before we set it up: every flag on, cooked mode,
// another speed both ways.
termios2 Dirty()
{
    termios2 t{};
    t.c_iflag = ~tcflag_t{0};
    t.c_oflag = ~tcflag_t{0};
    t.c_lflag = ~tcflag_t{0};
    t.c_cflag = ~tcflag_t{0};
    t.c_ispeed = t.c_ospeed = 115200;
    for (auto &c : t.c_cc)
        c = 0x55;
    return t;
}

bool Has(tcflag_t flags, tcflag_t bits)
{
    return (flags & bits) == bits;
}
bool HasNone(tcflag_t flags, tcflag_t bits)
{
    return (flags & bits) == 0;
}

} // namespace

TEST(LineSettings, TheRadiosLineFromAnyStartingPoint)
{
    for (const termios2 &start : {termios2{}, Dirty()}) {
        const termios2 t = TermiosFor(Comm1(), start);
        // Raw and binary.
        EXPECT_TRUE(HasNone(t.c_lflag, ECHO | ECHONL | ICANON | ISIG | IEXTEN));
        EXPECT_TRUE(HasNone(t.c_oflag, OPOST));
        EXPECT_TRUE(HasNone(t.c_iflag, ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IMAXBEL | INPCK | IGNPAR | PARMRK));
        // 8N1, no flow control of any kind.
        EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_TRUE(HasNone(t.c_cflag, PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS));
        EXPECT_TRUE(HasNone(t.c_iflag, IXON | IXOFF | IXANY));
        EXPECT_TRUE(Has(t.c_cflag, CLOCAL | CREAD | HUPCL));
        // 9600 both ways: the speed bits of both directions say "other", the
        // rate itself is in the speed fields.
        EXPECT_EQ(t.c_cflag & CBAUD, static_cast<tcflag_t>(BOTHER));
        EXPECT_EQ(t.c_cflag & CIBAUD, static_cast<tcflag_t>(BOTHER) << IBSHIFT);
        EXPECT_EQ(t.c_ospeed, 9600u);
        EXPECT_EQ(t.c_ispeed, 9600u);
        EXPECT_EQ(t.c_cc[VMIN], 1);
        EXPECT_EQ(t.c_cc[VTIME], 0);
        EXPECT_EQ(t.c_cc[VSTART], 0x11);
        EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    }
}

TEST(LineSettings, AReceivedBreakIsNoDataByte)
{
    const termios2 t = TermiosFor(Comm1(), Dirty());
    EXPECT_TRUE(Has(t.c_iflag, IGNBRK));
    EXPECT_TRUE(HasNone(t.c_iflag, BRKINT | PARMRK)) << "no signal, no marked 0xFF 0x00 0x00 either";
}

TEST(LineSettings, FlowControlAndItsOneMissingRule)
{
    TCommSettings s = Comm1();
    s.Outx_XonXoffFlow = true;
    EXPECT_EQ(TermiosFor(s, {}).c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON));
    s.Outx_XonXoffFlow = false;
    s.Inx_XonXoffFlow = true;
    EXPECT_EQ(TermiosFor(s, {}).c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXOFF));
    // Going on sending after asking the far end to stop has no switch on
    // Linux; IXANY (any byte restarts output) is another rule and stays off.
    for (bool go : {false, true}) {
        s.TxContinueOnXoff = go;
        EXPECT_TRUE(HasNone(TermiosFor(s, Dirty()).c_iflag, IXANY)) << go;
    }
    s = Comm1();
    s.Outx_CtsFlow = true;
    EXPECT_TRUE(Has(TermiosFor(s, {}).c_cflag, CRTSCTS));
    s = Comm1();
    s.RtsControl = TRtsControl::RtsHandshake;
    EXPECT_TRUE(Has(TermiosFor(s, {}).c_cflag, CRTSCTS));
    s.XonChar = 0x01;
    s.XoffChar = 0x02;
    EXPECT_EQ(TermiosFor(s, {}).c_cc[VSTART], 0x01);
    EXPECT_EQ(TermiosFor(s, {}).c_cc[VSTOP], 0x02);
}

TEST(LineSettings, FrameShapesAndSpeeds)
{
    TCommSettings s = Comm1();
    const std::pair<TByteSize, tcflag_t> sizes[] = {
        {TByteSize::_5, CS5}, {TByteSize::_6, CS6}, {TByteSize::_7, CS7}, {TByteSize::_8, CS8}};
    for (const auto &[size, bits] : sizes) {
        s.ByteSize = size;
        EXPECT_EQ(TermiosFor(s, Dirty()).c_cflag & CSIZE, bits);
    }
    const std::pair<TParity, tcflag_t> parities[] = {{TParity::None, 0},
                                                     {TParity::Odd, PARENB | PARODD},
                                                     {TParity::Even, PARENB},
                                                     {TParity::Mark, PARENB | PARODD | CMSPAR},
                                                     {TParity::Space, PARENB | CMSPAR}};
    for (const auto &[parity, bits] : parities) {
        s.Parity = parity;
        EXPECT_EQ(TermiosFor(s, Dirty()).c_cflag & (PARENB | PARODD | CMSPAR), bits);
    }
    s.StopBits = TStopBits::_1_5;
    EXPECT_TRUE(Has(TermiosFor(s, {}).c_cflag, CSTOPB));
    s.StopBits = TStopBits::_2;
    EXPECT_TRUE(Has(TermiosFor(s, {}).c_cflag, CSTOPB));
    s.BaudRate = 250000; // no standard rate
    const termios2 t = TermiosFor(s, Dirty());
    EXPECT_EQ(t.c_ospeed, 250000u);
    EXPECT_EQ(t.c_ispeed, 250000u);
}

TEST(LineSettings, ParityErrorsBecomeZeroOnlyWhenCheckedAndReplaced)
{
    TCommSettings s = Comm1();
    s.Parity = TParity::Even;
    s.ParityCheck = true;
    EXPECT_TRUE(HasNone(TermiosFor(s, {}).c_iflag, INPCK));
    s.ReplaceWhenParityError = true;
    const termios2 t = TermiosFor(s, {});
    EXPECT_TRUE(Has(t.c_iflag, INPCK));
    EXPECT_TRUE(HasNone(t.c_iflag, IGNPAR | PARMRK));
}

TEST(LineSettings, BitsThisMappingDoesNotOwnAreKept)
{
    termios2 start{};
    start.c_cflag = HUPCL;
    start.c_oflag = ONLCR; // meaningless without OPOST, and not ours
    start.c_cc[VINTR] = 3;
    const termios2 t = TermiosFor(Comm1(), start);
    EXPECT_TRUE(Has(t.c_oflag, ONLCR));
    EXPECT_EQ(t.c_cc[VINTR], 3);
}

TEST(LineSettings, ModemLinesHeldOrLeftToTheDriver)
{
    TCommSettings s = Comm1();
    EXPECT_EQ(ModemLinesFor(s).dtr, true);
    EXPECT_EQ(ModemLinesFor(s).rts, true);
    s.DtrControl = TDtrControl::DtrDisable;
    s.RtsControl = TRtsControl::RtsDisable;
    EXPECT_EQ(ModemLinesFor(s).dtr, false);
    EXPECT_EQ(ModemLinesFor(s).rts, false);
    s.DtrControl = TDtrControl::DtrHandshake;
    s.RtsControl = TRtsControl::RtsTransmissionAvailable;
    EXPECT_FALSE(ModemLinesFor(s).dtr.has_value());
    EXPECT_FALSE(ModemLinesFor(s).rts.has_value());
    s.RtsControl = TRtsControl::RtsHandshake;
    EXPECT_FALSE(ModemLinesFor(s).rts.has_value());
}
