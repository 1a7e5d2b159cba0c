// Cost of filling an inner list box in a container with 100,000 items, beside a plain platform
// list box: shown with an update bracket (WM_SETREDRAW), shown one by one (where the system
// list repaints at every item; also with 1,000 items), and hidden one by one. Then the incremental search
// when typing a prefix that only the last item has (each key walks the whole list).
#include "bench/BenchClock.h"
#include "bench/BenchControlUnits.h"
#include "controls/vxContainer.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace {

int kItems = 100000;  // or the program's first argument
constexpr int kShownItems = 1000;
constexpr int kRounds = 3;
constexpr char kPrefix[] = "last";

// Fills the list with count items (the last one is the only one starting with kPrefix);
// answers the microseconds per item.
double Fill(TCustomListBox& list, int count, bool bracket) {
  list.Items().Clear();
  Application->ProcessMessages();
  const double start = NowMicroseconds();
  if (bracket) list.Items().BeginUpdate();
  for (int i = 0; i < count - 1; ++i) list.Items().Add(Format("item %06d", i));
  list.Items().Add("last item");
  if (bracket) list.Items().EndUpdate();
  Application->ProcessMessages();
  return (NowMicroseconds() - start) / count;
}

// The median of rounds fills.
double MedianFill(TCustomListBox& list, int count, bool bracket, int rounds = kRounds) {
  std::vector<double> times(static_cast<size_t>(rounds));
  for (double& t : times) t = Fill(list, count, bracket);
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) kItems = std::atoi(argv[1]);
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  TBenchControlUnits units;
  {
    TForm form(nullptr);
    form.SetBounds(50, 50, 420, 300);
    auto* container = new TvxContainer(&form);
    container->SetParent(&form);
    container->SetBounds(10, 10, 180, 240);
    auto* inner = new TvxCustomInnerListBox(container);
    inner->SetParent(container);
    container->SetInnerControl(inner);
    auto* plain = new TListBox(&form);
    plain->SetParent(&form);
    plain->SetBounds(210, 10, 180, 240);
    form.Show();
    Application->ProcessMessages();

    std::printf("time per item (median of %d fills)      inner list   plain list\n", kRounds);
    std::printf("%6d items, shown, one by one          %7.1f us   %7.1f us\n", kShownItems,
                MedianFill(*inner, kShownItems, false), MedianFill(*plain, kShownItems, false));
    std::printf("%6d items, shown, update bracket      %7.1f us   %7.1f us\n", kItems,
                MedianFill(*inner, kItems, true), MedianFill(*plain, kItems, true));
    // The full count shown without a bracket takes minutes a fill: one fill each.
    std::printf("%6d items, shown, one by one (1 fill) %7.1f us   %7.1f us\n", kItems,
                MedianFill(*inner, kItems, false, 1), MedianFill(*plain, kItems, false, 1));
    container->Hide();
    plain->Hide();
    std::printf("%6d items, hidden, one by one         %7.1f us   %7.1f us\n", kItems,
                MedianFill(*inner, kItems, false), MedianFill(*plain, kItems, false));
    container->Show();
    plain->Show();
    Application->ProcessMessages();
    inner->SetAutoCompleteDelay(60000);  // the keys come faster than a walk takes
    inner->SetFocus();
    Application->ProcessMessages();
    const double start = NowMicroseconds();
    for (const char* key = kPrefix; *key != '\0'; ++key)
      SendMessageA(inner->Handle(), WM_CHAR, static_cast<unsigned char>(*key), 0);
    const double perKey = (NowMicroseconds() - start) / 1000.0 / (sizeof kPrefix - 1);
    std::printf("typing \"%s\" in %d items: %.2f ms per key (found item %d, \"%s\")\n", kPrefix, kItems, perKey,
                inner->ItemIndex(), inner->AutoCompleteText().c_str());
  }
  return 0;
}
