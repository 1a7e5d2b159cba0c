// Cost of a position change of a visible owner-drawn scroll bar, painted at once (the picture
// goes through the bar's off-screen bitmap), in each look; and the change alone on a hidden
// bar. 1,000 changes each.
#include "bench/BenchClock.h"
#include "bench/BenchControlUnits.h"
#include "controls/vxScrollBar.h"
#include "platform/gui/Forms.h"

#include <windows.h>

#include <cstdio>

namespace {

constexpr int kChanges = 1000;

double ChangeAll(TvxScrollBar& bar, bool paint) {
  const double start = NowMicroseconds();
  for (int i = 0; i < kChanges; ++i) {
    bar.SetPosition((i * 37) % 1000);
    if (paint) bar.Update();
  }
  return (NowMicroseconds() - start) / kChanges;
}

}  // namespace

int main() {
  TBenchControlUnits units;
  {
    TForm form(nullptr);
    form.SetBounds(50, 50, 400, 120);
    auto* bar = new TvxScrollBar(&form);
    bar->SetParent(&form);
    bar->SetBounds(10, 10, 360, 17);
    bar->SetScrollParams(0, 1000, 0, 50);
    form.Show();
    Application->ProcessMessages();
    struct {
      const char* Name;
      TvxLookAndFeelKind Kind;
      bool Native;
    } looks[] = {{"standard", lfStandard, false}, {"flat", lfFlat, false}, {"ultra-flat", lfUltraFlat, false},
                 {"Office-2003-like", lfOffice11, false}, {"visual style", lfStandard, true}};
    for (const auto& look : looks) {
      bar->LookAndFeel().SetKind(look.Kind);
      bar->LookAndFeel().SetNativeStyle(look.Native);
      Application->ProcessMessages();
      std::printf("%-18s painted  %8.1f us per change\n", look.Name, ChangeAll(*bar, true));
    }
    bar->Hide();
    Application->ProcessMessages();
    std::printf("%-18s hidden   %8.1f us per change\n", "any", ChangeAll(*bar, false));
  }
  return 0;
}
