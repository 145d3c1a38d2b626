// The FleetSync window's sessions: memory area 2, three blocks. Blocks go to
// the radio as 32 bytes without a checksum, and a write is not resent.
//
//   block 0   4..5 own fleet, 6..7 own ID, 8 baud / 100, 9..10 modulation
//             delay (ms), 11 message mode timer (s), 12 side tone,
//             24..31 fleet and ID of list entries 1 and 2
//   block n   list entries 7(n-1)+3 .. 7(n-1)+9: fleet, ID, 2 bytes each
#pragma once

#include "signalling/SignallingSession.h"

#include <array>
#include <string>

namespace tonvar::signalling {

inline constexpr int kFleetEntries = 16;

struct FleetSyncTexts {
    std::string ed1 = "100";                      // Fleet[Own]
    std::string ed2 = "1000";                     // ID[Own]
    std::string cb1 = "2400";                     // FleetSync Baud Rate[bps]
    std::string ed3 = "400";                      // Data TX Modulation Delay Time[ms]
    std::string ed4 = "10";                       // Message Mode Timer [s]
    bool CheckBox1 = true;                        // PTT ID Side Tone
    std::array<std::string, kFleetEntries> fleet; // xg1 rows 1..16, "Fleet"
    std::array<std::string, kFleetEntries> id;    // and "ID"

    bool operator==(const FleetSyncTexts &) const = default;
};

class FleetSyncSession : public SignallingLogic {
public:
    FleetSyncSession(protocol::MainSession &main, protocol::Timer &timer1,
                     std::function<void(const std::string &)> showMessage);

    FleetSyncTexts texts;

    void rbtnClick();
    using SignallingLogic::wbtnClick;
    void BlockReceived() override;
    void BlockAcknowledged() override;

private:
    void DecodeEntry(int entry, std::size_t at);
    void EncodeEntry(int entry, std::size_t at);

protected:
    void StartWriting() override;
};

} // namespace tonvar::signalling
