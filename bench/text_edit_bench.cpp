// Cost of a keystroke in a text editor: 1,000 keystrokes (key down, character, key up, as the
// window gets them from the keyboard) at the start, in the middle and at the end of a text of
// 2,000 and then 20,000 bytes, half of them double-byte characters; then 8 keystrokes of
// incremental search over 10,000 lookup items, typing a prefix only the last item has, so
// that each search walks the whole list.
#include "bench/BenchClock.h"
#include "bench/BenchControlUnits.h"
#include "controls/vxContainer.h"
#include "controls/vxEditPaintUtils.h"
#include "controls/vxEditUtils.h"
#include "controls/vxFormats.h"
#include "editors/vxEdit.h"
#include "editors/vxTextEdit.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

namespace {

constexpr int kKeystrokes = 1000;
constexpr int kItems = 10000;
constexpr char kPrefix[] = "last ite";

// Starts the editors' units on top of the control library's and finishes them in reverse.
class TEditorUnits {
public:
  TEditorUnits() {
    InitializevxPopupWindows();
    InitializevxEditPaintUtils();
    InitializevxEditUtils();
    InitializevxFormats();
    InitializevxEdit();
    InitializevxTextEdit();
  }
  ~TEditorUnits() {
    FinalizevxTextEdit();
    FinalizevxEdit();
    FinalizevxFormats();
    FinalizevxEditUtils();
    FinalizevxEditPaintUtils();
    FinalizevxPopupWindows();
  }
  TEditorUnits(const TEditorUnits&) = delete;
  TEditorUnits& operator=(const TEditorUnits&) = delete;
};

// bytes of text: "ア" and "a" in turn (half of the bytes double-byte).
AnsiString MakeText(int bytes) {
  AnsiString text;
  while (static_cast<int>(text.size()) + 3 <= bytes) text += "アa";
  while (static_cast<int>(text.size()) < bytes) text += "b";
  return text;
}

// One keystroke as the window gets it from the keyboard.
void Keystroke(HWND window, char key) {
  const WORD vk = VkKeyScanA(key) & 0xFF;
  SendMessageA(window, WM_KEYDOWN, vk, 1);
  SendMessageA(window, WM_CHAR, static_cast<unsigned char>(key), 1);
  SendMessageA(window, WM_KEYUP, vk, 0xC0000001);
}

// Microseconds per keystroke of kKeystrokes typed into window; text reads the text back to see
// that every keystroke was typed.
double TimeKeystrokes(HWND window, const std::function<AnsiString()>& text) {
  const size_t before = text().size();
  const double start = NowMicroseconds();
  for (int i = 0; i < kKeystrokes; ++i) Keystroke(window, static_cast<char>('a' + i % 26));
  Application->ProcessMessages();
  const double perKey = (NowMicroseconds() - start) / kKeystrokes;
  if (text().size() != before + kKeystrokes) std::printf("  (the text did not grow as typed)\n");
  return perKey;
}

// kKeystrokes typed at position (bytes) of a text of bytes.
double TypeAt(TvxTextEdit& edit, int bytes, int position) {
  edit.SetEditValue(Variant(MakeText(bytes)));
  Application->ProcessMessages();
  edit.SetSelStart(position);
  edit.SetSelLength(0);
  return TimeKeystrokes(edit.InnerTextEditControl()->Handle(), [&] { return edit.Text(); });
}

// The same in a plain platform edit.
double TypeAt(TEdit& edit, int bytes, int position) {
  edit.SetText(MakeText(bytes));
  Application->ProcessMessages();
  edit.SetSelStart(position);
  edit.SetSelLength(0);
  return TimeKeystrokes(edit.Handle(), [&] { return edit.Text(); });
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  TBenchControlUnits units;
  TEditorUnits editors;
  {
    TForm form(nullptr);
    form.SetBounds(50, 50, 420, 200);
    auto* edit = new TvxTextEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 380, 24);
    edit->Properties()->SetIncrementalSearch(false);
    form.Show();
    Application->ProcessMessages();
    edit->SetFocus();
    Application->ProcessMessages();

    auto* plain = new TEdit(&form);
    plain->SetParent(&form);
    plain->SetBounds(10, 50, 380, 24);
    Application->ProcessMessages();

    std::printf("time per keystroke (%d keystrokes)      start      middle     end\n", kKeystrokes);
    for (const int bytes : {2000, 20000}) {
      // The middle of the text, on the boundary of a character.
      const int middle = bytes / 2 - bytes / 2 % 3;
      edit->SetFocus();
      const double atStart = TypeAt(*edit, bytes, 0);
      const double atMiddle = TypeAt(*edit, bytes, middle);
      const double atEnd = TypeAt(*edit, bytes, bytes);
      std::printf("%6d bytes, text edit                %7.1f us %7.1f us %7.1f us\n", bytes, atStart, atMiddle, atEnd);
      plain->SetFocus();
      const double plainStart = TypeAt(*plain, bytes, 0);
      const double plainMiddle = TypeAt(*plain, bytes, middle);
      const double plainEnd = TypeAt(*plain, bytes, bytes);
      std::printf("%6d bytes, plain edit               %7.1f us %7.1f us %7.1f us\n", bytes, plainStart, plainMiddle,
                  plainEnd);
    }
    edit->SetFocus();

    // The prefix over many items (each search walks them all) and over a few (the rest of a
    // keystroke: the completed text shown, the layout and the repaint).
    for (const int count : {kItems, 10}) {
      TStringList items;
      for (int i = 0; i < count - 1; ++i) items.Add(Format("item %05d", i));
      items.Add("last item");
      edit->Properties()->SetLookupItems(items);
      edit->Properties()->SetIncrementalSearch(true);
      edit->SetEditValue(Variant(AnsiString()));
      Application->ProcessMessages();
      const HWND window = edit->InnerTextEditControl()->Handle();
      const double start = NowMicroseconds();
      for (const char* key = kPrefix; *key != '\0'; ++key) Keystroke(window, *key);
      Application->ProcessMessages();
      const double perKey = (NowMicroseconds() - start) / 1000.0 / (sizeof kPrefix - 1);
      std::printf("typing \"%s\" over %5d items: %.2f ms per keystroke (text \"%s\", %d selected)\n", kPrefix,
                  count, perKey, edit->Text().c_str(), edit->SelLength());
    }
  }
  return 0;
}
