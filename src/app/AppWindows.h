// SPDX-License-Identifier: GPL-3.0-or-later
// The application's six windows, created once in their order: the main
// window, DTMF, 2TONE, 5TONE, FleetSync, and the progress dialog.
#pragma once

#include "app/Unit1.h"
#include "protocol/Unit3.h"
#include "signalling/SignallingWindows.h"
#include "signalling/Unit2.h"
#include "signalling/Unit4.h"
#include "signalling/Unit5.h"
#include "signalling/Unit6.h"

#include <memory>

namespace tonvar::app {

struct AppWindows {
    explicit AppWindows(QSize screen = {});
    ~AppWindows();
    AppWindows(const AppWindows &) = delete;
    AppWindows &operator=(const AppWindows &) = delete;

    // Destroyed in reverse order: everything else goes before the main
    // window, which owns the port they use.
    std::unique_ptr<TForm1> Form1;
    std::unique_ptr<signalling::TForm2> Form2;
    std::unique_ptr<signalling::TForm4> Form4;
    std::unique_ptr<signalling::TForm5> Form5;
    std::unique_ptr<signalling::TForm6> Form6;
    std::unique_ptr<protocol::TForm3> Form3;
};

} // namespace tonvar::app
