// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppWindows.h"

#include "app/ErrorHandler.h"
#include "signalling/SignallingSession.h"

namespace tonvar::app {

namespace {

signalling::WindowServices Services(TForm1 *form1)
{
    return {[](const std::function<void()> &handler) { return RunHandler(handler); },
            [form1](const std::string &text) {
                // A write's success names the backup made before it.
                ShowMessage(text == signalling::kWriteSucceeded ? form1->AnnounceWrite(text) : text);
            },
            [form1] { form1->RefreshControls(); }};
}

} // namespace

AppWindows::AppWindows(QSize screen)
    : Form1(std::make_unique<TForm1>(screen)),
      Form2(std::make_unique<signalling::TForm2>(Form1->session.hub, Services(Form1.get()))),
      Form4(std::make_unique<signalling::TForm4>(Form1->session.hub, Services(Form1.get()))),
      Form5(std::make_unique<signalling::TForm5>(Form1->session.hub, Services(Form1.get()))),
      Form6(std::make_unique<signalling::TForm6>(Form1->session.hub, Services(Form1.get()))),
      Form3(std::make_unique<protocol::TForm3>())
{
    Form1->SetWindows(Form2.get(), Form4.get(), Form5.get(), Form6.get(), Form3.get());
    for (signalling::SignallingWindow *w : {static_cast<signalling::SignallingWindow *>(Form2.get()),
                                            static_cast<signalling::SignallingWindow *>(Form4.get()),
                                            static_cast<signalling::SignallingWindow *>(Form5.get()),
                                            static_cast<signalling::SignallingWindow *>(Form6.get())}) {
        Form1->afterRefresh.push_back([w] { w->Refresh(); });
        TForm1 *form1 = Form1.get();
        w->onEdited = [form1] { form1->CheckDifferences(); };
        w->guardWrite = [form1, w](signalling::SignallingLogic &logic) { form1->WriteSignalling(logic, w); };
    }
    // Radio images hold the signalling windows' areas too.
    const std::array<signalling::SignallingLogic *, 4> logics{&Form2->logic, &Form6->logic, &Form4->logic,
                                                              &Form5->logic};
    Form1->showSignalling = [logics](const files::RadioImage &image) {
        for (signalling::SignallingLogic *logic : logics)
            logic->ReadImage(image);
    };
    Form1->keepSignalling = [logics](files::RadioImage &image) {
        for (const signalling::SignallingLogic *logic : logics)
            logic->WriteImage(image);
    };
}

AppWindows::~AppWindows()
{
    Form1->afterRefresh.clear();
}

} // namespace tonvar::app
