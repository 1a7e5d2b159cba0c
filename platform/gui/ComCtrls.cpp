#include "platform/gui/ComCtrls.h"

#include "platform/rtl/SysExceptions.h"

#include <richedit.h>

#include <algorithm>

namespace {

void LoadRichEditLibrary() {
  static HMODULE library = nullptr;
  if (library == nullptr) library = LoadLibraryA("riched20.dll");
  if (library == nullptr) throw EOSError("The rich-edit library cannot be loaded", GetLastError());
}

// The largest text a rich edit takes once its default limit of 32 KB is lifted.
constexpr LPARAM kRichEditTextLimit = 0x7FFFFFF0;

}  // namespace

TRichEdit::TRichEdit(TComponent* owner) : TCustomEdit(owner), FLines(std::make_unique<TRichEditStrings>(*this)) {
  SetBounds(0, 0, 185, 89);
  SetAutoSelect(false);
}

TRichEdit::~TRichEdit() { Destroying(); }

void TRichEdit::CreateParams(TCreateParams& params) {
  LoadRichEditLibrary();
  TCustomEdit::CreateParams(params);
  CreateSubClass(params, RICHEDIT_CLASSA);
  params.Style &= ~ES_AUTOHSCROLL;
  params.Style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
  if (!FWordWrap) params.Style |= ES_AUTOHSCROLL;
  if (FScrollBars == TScrollStyle::ssVertical || FScrollBars == TScrollStyle::ssBoth) params.Style |= WS_VSCROLL;
  if (FScrollBars == TScrollStyle::ssHorizontal || FScrollBars == TScrollStyle::ssBoth) params.Style |= WS_HSCROLL;
}

void TRichEdit::CreateWnd() {
  const AnsiString text = FText;
  FText.clear();
  TCustomEdit::CreateWnd();
  HWND window = Handle();
  SendMessageA(window, EM_EXLIMITTEXT, 0, kRichEditTextLimit);
  // Without a target device a rich edit wraps at the window edge; with a line width of 1 it
  // does not wrap at all, so each line of text is one line of the control.
  SendMessageA(window, EM_SETTARGETDEVICE, 0, FWordWrap ? 0 : 1);
  if (FPlainText) SendMessageA(window, EM_SETTEXTMODE, TM_PLAINTEXT | TM_MULTILEVELUNDO | TM_MULTICODEPAGE, 0);
  if (!text.empty()) SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

AnsiString TRichEdit::GetText() {
  if (!HandleAllocated()) return FText;
  GETTEXTLENGTHEX lengthInfo{GTL_USECRLF | GTL_PRECISE | GTL_NUMBYTES, CP_ACP};
  const LRESULT bytes = SendMessageA(Handle(), EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&lengthInfo), 0);
  if (bytes <= 0) return AnsiString();
  AnsiString text(static_cast<size_t>(bytes) + 2, '\0');
  GETTEXTEX textInfo{};
  textInfo.cb = static_cast<DWORD>(text.size());
  textInfo.flags = GT_USECRLF;
  textInfo.codepage = CP_ACP;
  const LRESULT got = SendMessageA(Handle(), EM_GETTEXTEX, reinterpret_cast<WPARAM>(&textInfo),
                                   reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(std::max<LRESULT>(0, std::min<LRESULT>(got, bytes))));
  return text;
}

void TRichEdit::SetScrollBars(TScrollStyle value) {
  if (value == FScrollBars) return;
  FScrollBars = value;
  RecreateWnd();
}

void TRichEdit::SetWordWrap(bool value) {
  if (value == FWordWrap) return;
  FWordWrap = value;
  RecreateWnd();
}

void TRichEdit::SetPlainText(bool value) {
  if (value == FPlainText) return;
  FPlainText = value;
  RecreateWnd();
}

LRESULT TRichEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE: {
      LRESULT code = TCustomEdit::WndProc(m);
      code = FWantTabs ? (code | DLGC_WANTTAB) : (code & ~DLGC_WANTTAB);
      if (!FWantReturns) code &= ~DLGC_WANTALLKEYS;
      return code;
    }
  }
  return TCustomEdit::WndProc(m);
}

int TRichEditStrings::Count() const {
  HWND window = FOwner.Handle();
  int count = static_cast<int>(SendMessageA(window, EM_GETLINECOUNT, 0, 0));
  const LRESULT lastStart = SendMessageA(window, EM_LINEINDEX, static_cast<WPARAM>(count - 1), 0);
  if (count > 0 && lastStart >= 0 && SendMessageA(window, EM_LINELENGTH, static_cast<WPARAM>(lastStart), 0) == 0) --count;
  return count;
}

AnsiString TRichEditStrings::Strings(int index) const {
  HWND window = FOwner.Handle();
  const LRESULT start = SendMessageA(window, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
  if (start < 0) throw EListError(Format("List index out of bounds (%d)", index));
  // EM_LINELENGTH counts characters; a double-byte character takes two bytes of the buffer.
  const LRESULT chars = SendMessageA(window, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  AnsiString buffer(static_cast<size_t>(chars) * 2 + 4, '\0');
  *reinterpret_cast<WORD*>(buffer.data()) = static_cast<WORD>(buffer.size());
  const LRESULT got = SendMessageA(window, EM_GETLINE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
  buffer.resize(static_cast<size_t>(got));
  while (!buffer.empty() && (buffer.back() == '\r' || buffer.back() == '\n')) buffer.pop_back();
  return buffer;
}

void TRichEditStrings::Insert(int index, const AnsiString& text) {
  HWND window = FOwner.Handle();
  LRESULT start = SendMessageA(window, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
  AnsiString insert;
  if (start >= 0) {
    insert = text + "\r\n";
  } else {
    // After a last line without a line break: break it first.
    start = SendMessageA(window, EM_LINEINDEX, static_cast<WPARAM>(index - 1), 0);
    if (start < 0) return;
    start += SendMessageA(window, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
    insert = "\r\n" + text;
  }
  SendMessageA(window, EM_SETSEL, static_cast<WPARAM>(start), start);
  SendMessageA(window, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(insert.c_str()));
}

void TRichEditStrings::Delete(int index) {
  HWND window = FOwner.Handle();
  const LRESULT start = SendMessageA(window, EM_LINEINDEX, static_cast<WPARAM>(index), 0);
  if (start < 0) return;
  LRESULT end = SendMessageA(window, EM_LINEINDEX, static_cast<WPARAM>(index + 1), 0);
  if (end < 0) end = start + SendMessageA(window, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
  SendMessageA(window, EM_SETSEL, static_cast<WPARAM>(start), end);
  SendMessageA(window, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(""));
}

void TRichEditStrings::Clear() { SendMessageA(FOwner.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("")); }
