#include "platform/gui/Clipbrd.h"

#include "platform/gui/Controls.h"

#include <cstring>
#include <new>

namespace {

// Opens the clipboard for as long as it lives. SetClipboardData needs an owner window after
// EmptyClipboard, so a hidden window of ours owns it meanwhile; the data stays after the
// window is gone (it is not rendered on request).
class TOpenClipboard {
public:
  TOpenClipboard() : FWindow(AllocateHWnd(nullptr)) {
    for (int attempt = 0; attempt < 10; ++attempt) {
      if (OpenClipboard(FWindow)) return;
      Sleep(10);
    }
    DeallocateHWnd(FWindow);
    throw EClipboardException("Cannot open clipboard");
  }
  ~TOpenClipboard() {
    CloseClipboard();
    DeallocateHWnd(FWindow);
  }
  TOpenClipboard(const TOpenClipboard&) = delete;
  TOpenClipboard& operator=(const TOpenClipboard&) = delete;

private:
  HWND FWindow;
};

}  // namespace

bool ClipboardHasText() { return IsClipboardFormatAvailable(CF_TEXT) != FALSE; }

AnsiString ClipboardText() {
  TOpenClipboard open;
  HANDLE data = GetClipboardData(CF_TEXT);
  if (data == nullptr) return AnsiString();
  const auto* bytes = static_cast<const char*>(GlobalLock(data));
  if (bytes == nullptr) return AnsiString();
  // The text ends at its NUL, never beyond the memory block.
  const AnsiString text(bytes, strnlen(bytes, GlobalSize(data)));
  GlobalUnlock(data);
  return text;
}

void SetClipboardText(const AnsiString& text) {
  TOpenClipboard open;
  EmptyClipboard();
  HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  if (data == nullptr) throw std::bad_alloc();
  auto* bytes = static_cast<char*>(GlobalLock(data));
  std::memcpy(bytes, text.c_str(), text.size() + 1);
  GlobalUnlock(data);
  if (SetClipboardData(CF_TEXT, data) == nullptr) {
    GlobalFree(data);
    throw EClipboardException("Cannot set the clipboard's text");
  }
}
