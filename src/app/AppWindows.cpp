#include "app/AppWindows.h"

namespace tonvar::app {

AppWindows::AppWindows(QSize screen)
    : Form1(std::make_unique<TForm1>(screen)),
      Form2(std::make_unique<signalling::TForm2>()),
      Form4(std::make_unique<signalling::TForm4>()),
      Form5(std::make_unique<signalling::TForm5>()),
      Form6(std::make_unique<signalling::TForm6>()),
      Form3(std::make_unique<protocol::TForm3>())
{
    Form1->SetWindows(Form2.get(), Form4.get(), Form5.get(), Form6.get(), Form3.get());
}

AppWindows::~AppWindows() = default;

} // namespace tonvar::app
