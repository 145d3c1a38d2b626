// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/LineSettings.h"

namespace tonvar::serial {

termios2 TermiosFor(const TCommSettings &s, const termios2 &current)
{
    termios2 tio = current;
    tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                                          IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | CIBAUD);
    tio.c_cflag |= CLOCAL | CREAD | HUPCL;

    // A break reads as a 0x00 byte unless it is ignored; the driver counts
    // it either way.
    tio.c_iflag |= IGNBRK;

    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag |= kSizes[static_cast<int>(s.ByteSize)];
    switch (s.Parity) {
    case TParity::None:
        break;
    case TParity::Odd:
        tio.c_cflag |= PARENB | PARODD;
        break;
    case TParity::Even:
        tio.c_cflag |= PARENB;
        break;
    case TParity::Mark:
        tio.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
    case TParity::Space:
        tio.c_cflag |= PARENB | CMSPAR;
        break;
    }
    if (s.StopBits != TStopBits::_1)
        tio.c_cflag |= CSTOPB; // 1.5 stop bits at 5 data bits, 2 otherwise
    if (s.Outx_CtsFlow || s.RtsControl == TRtsControl::RtsHandshake)
        tio.c_cflag |= CRTSCTS;
    if (s.Outx_XonXoffFlow)
        tio.c_iflag |= IXON;
    if (s.Inx_XonXoffFlow)
        tio.c_iflag |= IXOFF;
    // Linux replaces a byte with a parity error by 0 when parity is checked;
    // without the replacement the byte is passed as received.
    if (s.ParityCheck && s.ReplaceWhenParityError)
        tio.c_iflag |= INPCK;
    tio.c_cc[VSTART] = s.XonChar;
    tio.c_cc[VSTOP] = s.XoffChar;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;

    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = s.BaudRate;
    tio.c_ospeed = s.BaudRate;
    return tio;
}

ModemLines ModemLinesFor(const TCommSettings &s)
{
    ModemLines lines;
    if (s.DtrControl != TDtrControl::DtrHandshake)
        lines.dtr = s.DtrControl == TDtrControl::DtrEnable;
    if (s.RtsControl == TRtsControl::RtsEnable || s.RtsControl == TRtsControl::RtsDisable)
        lines.rts = s.RtsControl == TRtsControl::RtsEnable;
    return lines;
}

} // namespace tonvar::serial
