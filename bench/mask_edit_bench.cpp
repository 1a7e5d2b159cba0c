// Cost of a keystroke in a focused regular-expression mask edit: 1,000 keystrokes (a typed
// character and a Backspace, in turn, so the text keeps its size) at the start, the middle and
// the end of a text of 2,000 and then 20,000 bytes, half of them double-byte characters. Each
// keystroke goes the whole way a typed one goes: WM_KEYDOWN, WM_CHAR and WM_KEYUP to the inner
// edit, the editor's key handling, the mask mode and the EDIT. Prints the time per keystroke
// for each case and how it grows from the short text to the long one; then the same keys given
// to the mask mode alone over a text held in memory, which shows what the mask adds.
#include "bench/BenchClock.h"
#include "bench/BenchControlUnits.h"
#include "controls/vxContainer.h"
#include "controls/vxEditPaintUtils.h"
#include "controls/vxEditUtils.h"
#include "editors/vxEdit.h"
#include "editors/vxMaskEdit.h"
#include "editors/vxTextEdit.h"
#include "platform/gui/Forms.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr int kKeystrokes = 1000;
const int kSizes[] = {2000, 20000};
// Letters and the katakana of the mask, half of the bytes in double-byte characters.
constexpr char kMask[] = "(\\w|ア|イ)*";
constexpr char kUnit[] = "abア";  // 2 single bytes, 2 bytes of one double-byte character

void Key(HWND inner, WORD key, char ch) {
  SendMessageA(inner, WM_KEYDOWN, key, 1);
  if (ch != 0) SendMessageA(inner, WM_CHAR, static_cast<unsigned char>(ch), 1);
  SendMessageA(inner, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
}

// Microseconds per keystroke with the caret at position (bytes).
double Run(TvxMaskEdit& edit, const AnsiString& text, int position) {
  edit.SetEditValue(Variant(text));
  Application->ProcessMessages();
  edit.SetSelStart(position);
  edit.SetSelLength(0);
  const HWND inner = edit.InnerTextEditControl()->Handle();
  const double start = NowMicroseconds();
  for (int i = 0; i < kKeystrokes; ++i) {
    if (i % 2 == 0)
      Key(inner, 'X', 'x');
    else
      Key(inner, VK_BACK, '\b');
  }
  const double perKey = (NowMicroseconds() - start) / kKeystrokes;
  if (edit.InnerTextEditControl()->Text() != text) std::printf("  (the text changed: the keys did not all work)\n");
  return perKey;
}

// The mask mode's view of an edit, over a text in memory: a key that goes on is applied as the
// EDIT would apply it.
class TMemoryEdit : public IvxMaskModeEdit {
public:
  explicit TMemoryEdit(TvxCustomMaskEditProperties* AProperties) : FProperties(AProperties) {}
  AnsiString Text;
  int SelStart = 0;

  AnsiString MaskText() override { return Text; }
  void SetMaskText(const AnsiString& AText) override { Text = AText; }
  int MaskSelStart() override { return SelStart; }
  void SetMaskSelStart(int AValue) override { SelStart = AValue; }
  int MaskSelLength() override { return 0; }
  void SetMaskSelLength(int) override {}
  int MaskCaretPosition() override { return SelStart; }
  bool MaskFocused() override { return true; }
  bool MaskDesigning() override { return false; }
  bool MaskShiftDown() override { return false; }
  TvxCustomMaskEditProperties* MaskProperties() override { return FProperties; }
  void SendMaskKey(WORD) override {}
  void SendMaskChar(char) override {}
  void MaskBeep() override {}
  bool IsMaskCharValid(char&, int) override { return true; }
  void UpdateMaskDisplay() override {}
  void SetMaskEditValue(const AnsiString&) override {}

private:
  TvxCustomMaskEditProperties* FProperties;
};

double RebuildMicroseconds = 0;

double RunMode(const AnsiString& text, int position) {
  TvxMaskEditProperties properties(nullptr);
  properties.SetMaskKind(emkRegExpr);
  properties.SetEditMask(kMask);
  TMemoryEdit edit(&properties);
  std::unique_ptr<TvxMaskEditCustomMode> mode = properties.CreateMode(&edit);
  mode->SetMask(kMask);
  edit.Text = text;
  edit.SelStart = position;
  mode->SyncSelection();
  // The first key rebuilds head and tail from the text and checks the whole tail (once per
  // caret placed from outside); it is timed apart.
  double start = NowMicroseconds();
  for (int i = 0; i <= kKeystrokes; ++i) {
    if (i == 1) {
      RebuildMicroseconds = NowMicroseconds() - start;
      start = NowMicroseconds();
    }
    if (i % 2 == 0) {
      char c = 'x';
      if (mode->PressSymbol(c)) edit.Text.insert(static_cast<size_t>(edit.SelStart++), 1, c);
    } else if (mode->PressBackspace()) {
      edit.Text.erase(static_cast<size_t>(--edit.SelStart), 1);
    }
  }
  const double perKey = (NowMicroseconds() - start) / kKeystrokes;
  if (edit.Text.size() != text.size() + 1) std::printf("  (the keys did not all work)\n");
  return perKey;
}

void Report(const char* title, double (*run)(const AnsiString&, int, void*), void* context) {
  std::printf("%s\n", title);
  std::printf("  %-8s %14s %14s %14s\n", "bytes", "start us/key", "middle us/key", "end us/key");
  double first[3] = {};
  for (const int size : kSizes) {
    AnsiString text;
    while (static_cast<int>(text.size()) < size) text += kUnit;
    const int positions[3] = {0, size / 2, size};
    double times[3];
    for (int i = 0; i < 3; ++i) times[i] = run(text, positions[i], context);
    std::printf("  %-8d %14.2f %14.2f %14.2f\n", size, times[0], times[1], times[2]);
    if (RebuildMicroseconds > 0) std::printf("  %-8s first key (rebuild, whole tail checked) %.0f us\n", "", RebuildMicroseconds);
    if (size == kSizes[0]) {
      for (int i = 0; i < 3; ++i) first[i] = times[i];
    } else {
      std::printf("  %-8s %13.2fx %13.2fx %13.2fx\n", "growth", times[0] / first[0], times[1] / first[1],
                  times[2] / first[2]);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  // "plain": the same keys without a mask, for comparison.
  const bool plain = argc > 1 && std::string(argv[1]) == "plain";
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  TBenchControlUnits units;
  InitializevxPopupWindows();
  InitializevxEditPaintUtils();
  InitializevxEditUtils();
  InitializevxEdit();
  InitializevxTextEdit();
  InitializevxMaskEdit();
  {
    TForm form(nullptr);
    form.SetBounds(50, 50, 420, 120);
    auto* edit = new TvxMaskEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 380, 24);
    edit->Properties()->SetMaskKind(emkRegExpr);
    if (!plain) edit->Properties()->SetEditMask(kMask);
    form.Show();
    SetForegroundWindow(form.Handle());
    edit->SetFocus();
    Application->ProcessMessages();

    Report(plain ? "Text edit without a mask, 1000 keystrokes per case (character, Backspace)"
                 : "Regular-expression mask edit, 1000 keystrokes per case (character, Backspace)",
           [](const AnsiString& text, int position, void* context) {
             return Run(*static_cast<TvxMaskEdit*>(context), text, position);
           },
           edit);
    form.Hide();
  }
  if (!plain)
    Report("The mask mode alone (the same keys on a text in memory)",
           [](const AnsiString& text, int position, void*) { return RunMode(text, position); }, nullptr);
  FinalizevxMaskEdit();
  FinalizevxTextEdit();
  FinalizevxEdit();
  FinalizevxEditUtils();
  FinalizevxEditPaintUtils();
  FinalizevxPopupWindows();
  return 0;
}
