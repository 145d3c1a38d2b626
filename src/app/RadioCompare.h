// SPDX-License-Identifier: GPL-3.0-or-later
// Radio > Compare with Radio: the areas the windows hold (channels and
// settings, and the areas of the signalling windows that are open) read from
// the radio into an image of their own, never into a window, and compared
// field by field with what the windows hold, built as Save Radio Image
// builds it. The differences stay shown until anything the windows hold
// changes or another session starts; a compare that fails or is cancelled
// shows nothing. Nothing here changes the table, the settings, the
// signalling windows' texts or the undo history.
#pragma once

#include "app/Document.h"
#include "files/RadioImage.h"
#include "link/Transfer.h"
#include "protocol/MainSession.h"
#include "signalling/RadioAreas.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tonvar::app {

// The transfers of a compare: channels and settings, then each of
// `signallingAreas` (protocol::kAreaDtmf, ...), in the whole radio's order.
std::vector<link::TransferPlan> ComparePlans(const std::vector<std::uint8_t> &signallingAreas);

// The fields of `areas` whose text differs between what the windows hold
// (`window`) and the radio, in the order of ImageFields.
std::vector<signalling::PlacedDifference> WindowDifferences(const files::RadioImage &window,
                                                            const files::RadioImage &radio,
                                                            const std::vector<std::uint8_t> &areas);

// "Channel 3, RX Freq: window '145.50000', radio '146.00000'".
std::string DifferenceLine(const signalling::FieldDifference &d);

class RadioComparison {
public:
    struct Hooks {
        // What the windows hold as an image; throws text::Failure for a text
        // a write would refuse.
        std::function<files::RadioImage()> windowImage;
        // The signalling areas of the windows that are open.
        std::function<std::vector<std::uint8_t>()> openAreas;
        // Every text the windows hold that a compare judges: when it changes,
        // the differences go.
        std::function<std::vector<std::string>()> state;
        // The differences shown changed: a compare ended, or they went.
        std::function<void()> changed;
    };

    RadioComparison(Document document, protocol::MainSession &session, std::function<void(int milliseconds)> sleep,
                    Hooks hooks);

    // Reads the areas from the radio under the progress dialog; nothing
    // starts while a session runs.
    void Start();
    // After every handler: the differences go once what the windows hold
    // changed or a session runs.
    void Check();
    void Clear();

    // A compare's result is shown.
    bool Shown() const { return shown_; }
    const std::vector<signalling::PlacedDifference> &Differences() const { return differences_; }
    // "3 differences from the radio", "1 difference from the radio", "The
    // radio holds what the window shows"; empty when nothing is shown.
    std::string Summary() const;
    // The radio's text of the field shown at `place`, where it differs.
    std::optional<std::string> RadioText(const signalling::FieldPlace &place) const;
    // The difference gone to last (-1: none yet).
    int Current() const { return current_; }
    // Goes to the next difference after the current one, wrapping; -1 when
    // there is none.
    int Next();
    void GoTo(int index);

private:
    Document document_;
    protocol::MainSession &session_;
    std::function<void(int milliseconds)> sleep_;
    Hooks hooks_;
    files::RadioImage radio_; // what the compare reads into
    bool shown_ = false;
    std::vector<signalling::PlacedDifference> differences_;
    std::vector<std::string> state_; // what the windows held when it was shown
    int current_ = -1;
};

} // namespace tonvar::app
