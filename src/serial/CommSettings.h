// SPDX-License-Identifier: GPL-3.0-or-later
// The serial port component's properties and the values it reports, free of
// any platform or toolkit so that plain functions can work on them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tonvar::serial {

enum class TParity { None, Odd, Even, Mark, Space };
enum class TStopBits { _1, _1_5, _2 };
enum class TByteSize { _5, _6, _7, _8 };
enum class TDtrControl { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };

// Line-error bits of OnReceiveError.
inline constexpr std::uint32_t kErrorRxOver = 0x0001;   // input buffer overflow
inline constexpr std::uint32_t kErrorOverrun = 0x0002;  // hardware overrun
inline constexpr std::uint32_t kErrorRxParity = 0x0004; // parity error
inline constexpr std::uint32_t kErrorFrame = 0x0008;    // framing error
inline constexpr std::uint32_t kErrorBreak = 0x0010;    // break received
// Bits of OnModemStateChange.
inline constexpr std::uint32_t kModemRing = 4;
inline constexpr std::uint32_t kModemCarrier = 8;

inline constexpr std::size_t kChunkSize = 4096;

// The properties, with the values construction gives them.
struct TCommSettings {
    std::string CommName = "COM2";
    std::uint32_t BaudRate = 9600;
    bool ParityCheck = false;
    bool Outx_CtsFlow = false;
    bool Outx_DsrFlow = false;
    TDtrControl DtrControl = TDtrControl::DtrEnable;
    bool DsrSensitivity = false;
    bool TxContinueOnXoff = true;
    bool Outx_XonXoffFlow = true;
    bool Inx_XonXoffFlow = true;
    bool ReplaceWhenParityError = false;
    bool IgnoreNullChar = false;
    TRtsControl RtsControl = TRtsControl::RtsEnable;
    std::uint16_t XonLimit = 500;
    std::uint16_t XoffLimit = 500;
    TByteSize ByteSize = TByteSize::_8;
    TParity Parity = TParity::None;
    TStopBits StopBits = TStopBits::_1;
    std::uint8_t XonChar = 0x11;
    std::uint8_t XoffChar = 0x13;
    std::uint8_t ReplacedChar = 0x00;
    std::uint32_t ReadIntervalTimeout = 100;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;

    bool operator==(const TCommSettings &) const = default;
};

} // namespace tonvar::serial
