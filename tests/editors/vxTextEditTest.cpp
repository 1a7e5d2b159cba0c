// The inner text edit in a small text editor: double-byte characters typed, sent by the input
// method and sent byte by byte reach the EDIT whole; byte positions; WM_GETTEXT never splits a
// character; the window's style and dialog codes; password echo; clipboard messages of a
// read-only editor; Tab; keys that change the text.
#include "EditTestSupport.h"

#include "platform/gui/Clipbrd.h"
#include "platform/gui/StdCtrls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using edittest::Settle;
using edittest::TTestEdit;
using guitest::Pump;

namespace {

class vxInnerTextEdit : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Edit = new TTestEdit(Host);
    Edit->SetParent(Host);
    Pump();
    Inner = Edit->Inner();
    Text = Edit->TextInner();
  }
  void Focus() {
    Edit->SetFocus();
    Pump();
    ASSERT_EQ(GetFocus(), Inner->Handle());
  }
  // What the EDIT holds selected, in its own units (characters under Wine).
  std::pair<DWORD, DWORD> EditSel() {
    DWORD start = 0, end = 0;
    SendMessageA(Inner->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
  }
  static std::string Hex(const AnsiString& s) {
    std::string out;
    for (unsigned char c : s) out += Format("%02X ", c);
    return out;
  }

  TTestEdit* Edit = nullptr;
  TvxCustomInnerTextEdit* Inner = nullptr;
  IvxInnerTextEdit* Text = nullptr;
};

TEST_F(vxInnerTextEdit, TypedDoubleByteCharactersReachTheEditWhole) {
  Focus();
  // ア 83 41, ソ 83 5C, 表 95 5C, Ｂ 82 61: trail bytes a letter and a backslash.
  guitest::TypeText(L"アソ表Ｂb");
  Settle();
  EXPECT_EQ(Hex(Inner->Text()), "83 41 83 5C 95 5C 82 61 62 ");
  EXPECT_EQ(EditSel(), (std::pair<DWORD, DWORD>{5, 5}));
  EXPECT_EQ(Text->GetSelStart(), 9);
  EXPECT_TRUE(Edit->ModifiedAfterEnter());

  // The input method's character and bytes sent one by one.
  SendMessageA(Inner->Handle(), WM_IME_CHAR, 0x8341, 1);
  Pump();
  SendMessageA(Inner->Handle(), WM_CHAR, 0x83, 1);
  EXPECT_EQ(Text->GetImeLastChar(), '\x83') << "the lead byte waits";
  SendMessageA(Inner->Handle(), WM_CHAR, 0x63, 1);  // ツ
  EXPECT_EQ(Text->GetImeLastChar(), '\0');
  EXPECT_EQ(Inner->Text(), "アソ表Ｂbアツ");

  // A lead byte without its trail byte is dropped.
  SendMessageA(Inner->Handle(), WM_CHAR, 0x83, 1);
  SendMessageA(Inner->Handle(), WM_CHAR, '1', 1);
  EXPECT_EQ(Inner->Text(), "アソ表Ｂbアツ1");
}

TEST_F(vxInnerTextEdit, PositionsCountBytesAndBackspaceTakesAWholeCharacter) {
  Focus();
  Inner->SetText("アソbc");
  Text->SetSelStart(4);
  EXPECT_EQ(EditSel(), (std::pair<DWORD, DWORD>{2, 2})) << "byte 4 stands after ソ";
  Text->SetSelStart(3);
  EXPECT_EQ(Text->GetSelStart(), 2) << "inside ソ means before it";
  Text->SetSelStart(4);
  guitest::TapKey(VK_BACK);
  Settle();
  EXPECT_EQ(Inner->Text(), "アbc");
  EXPECT_EQ(Text->GetSelStart(), 2);
  EXPECT_TRUE(Edit->ModifiedAfterEnter());

  guitest::TapKey(VK_END);
  Settle();
  EXPECT_EQ(Text->GetCaretPosition(), 4);
  guitest::TapKey(VK_HOME);
  guitest::TapKey(VK_RIGHT);
  Settle();
  EXPECT_EQ(Text->GetCaretPosition(), 2) << "the caret stands after ア";
}

TEST_F(vxInnerTextEdit, GetTextNeverSplitsACharacter) {
  Inner->SetText("アイ");
  const struct {
    WPARAM Size;
    LRESULT Count;
  } cases[] = {{0, 0}, {1, 0}, {2, 0}, {3, 2}, {4, 2}, {5, 4}, {64, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Size);
    char buffer[80];
    std::fill(std::begin(buffer), std::end(buffer), '\x7F');
    EXPECT_EQ(SendMessageA(Inner->Handle(), WM_GETTEXT, c.Size, reinterpret_cast<LPARAM>(buffer)), c.Count);
    if (c.Size == 0) {
      EXPECT_EQ(buffer[0], '\x7F') << "nothing is written into no room";
      continue;
    }
    EXPECT_EQ(AnsiString(buffer, static_cast<size_t>(c.Count)), AnsiString("アイ").substr(0, c.Count));
    EXPECT_EQ(buffer[c.Count], '\0');
  }
  EXPECT_EQ(Inner->Text(), "アイ");
}

TEST_F(vxInnerTextEdit, WindowStyleMarginsAndDialogCodes) {
  HWND window = Inner->Handle();
  EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME), 0);
  EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_NE(GetWindowLongA(window, GWL_STYLE) & ES_AUTOHSCROLL, 0);
  Inner->SetBounds(Inner->Left(), Inner->Top(), 90, Inner->Height());
  EXPECT_EQ(SendMessageA(window, EM_GETMARGINS, 0, 0), MAKELONG(0, 1));
  EXPECT_EQ(SendMessageA(window, WM_ERASEBKGND, 0, 0), 1);

  LRESULT code = SendMessageA(window, WM_GETDLGCODE, 0, 0);
  EXPECT_EQ(code & (DLGC_WANTCHARS | DLGC_WANTTAB), DLGC_WANTCHARS | DLGC_WANTTAB);
  EXPECT_EQ(code & DLGC_WANTALLKEYS, 0);
  Edit->SetKeys(kAll);
  code = SendMessageA(window, WM_GETDLGCODE, 0, 0);
  EXPECT_NE(code & DLGC_WANTALLKEYS, 0);

  // Right alignment stays left while editing unless the properties say otherwise.
  Text->SetAlignment(TAlignment::taRightJustify);
  EXPECT_EQ(GetWindowLongA(Inner->Handle(), GWL_STYLE) & ES_RIGHT, 0);
  Edit->Properties()->SetUseLeftAlignmentOnEditing(false);
  Text->SetAlignment(TAlignment::taRightJustify);
  EXPECT_NE(GetWindowLongA(Inner->Handle(), GWL_STYLE) & ES_RIGHT, 0);
}

TEST_F(vxInnerTextEdit, PasswordModeShowsItsCharacterOrAStar) {
  auto shown = [&] { return static_cast<char>(SendMessageA(Inner->Handle(), EM_GETPASSWORDCHAR, 0, 0)); };
  Text->SetPasswordChar('#');
  EXPECT_EQ(shown(), '\0') << "a password character shows only in password mode";
  Text->SetEchoMode(eemPassword);
  EXPECT_EQ(shown(), '#');
  Text->SetPasswordChar('\0');
  EXPECT_EQ(shown(), '*');
  Text->SetEchoMode(eemNormal);
  EXPECT_EQ(shown(), '\0');
}

TEST_F(vxInnerTextEdit, ReadOnlyEditorCopiesOnCutAndIgnoresPaste) {
  Edit->Properties()->SetReadOnly(true);
  ASSERT_TRUE(Inner->ReadOnly());
  Inner->SetText("kept");
  SetClipboardText("clip");
  Inner->SelectAll();
  SendMessageA(Inner->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(Inner->Text(), "kept");
  SendMessageA(Inner->Handle(), WM_CUT, 0, 0);
  EXPECT_EQ(Inner->Text(), "kept");
  EXPECT_EQ(ClipboardText(), "kept");
  SendMessageA(Inner->Handle(), WM_CLEAR, 0, 0);
  EXPECT_EQ(Inner->Text(), "kept");

  Edit->Properties()->SetReadOnly(false);
  SetClipboardText("clip");
  Inner->SelectAll();
  SendMessageA(Inner->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(Inner->Text(), "clip");
}

TEST_F(vxInnerTextEdit, TabAndShiftTabMoveThroughTheEditorsUnlessTabIsKept) {
  auto* second = new TTestEdit(Host);
  second->SetParent(Host);
  second->SetTop(50);
  Pump();
  Focus();
  guitest::TapKey(VK_TAB);
  Settle();
  EXPECT_EQ(GetFocus(), second->Inner()->Handle());
  guitest::TapKeyWith(VK_SHIFT, VK_TAB);
  Settle();
  EXPECT_EQ(GetFocus(), Inner->Handle());
  Edit->Properties()->SetKeepTab(true);
  guitest::TapKey(VK_TAB);
  Settle();
  EXPECT_EQ(GetFocus(), Inner->Handle());
  EXPECT_EQ(Inner->Text(), "") << "Tab types nothing";
}

TEST_F(vxInnerTextEdit, DeleteIsAChangeAndTheNavigationKeysAreNot) {
  Edit->SetEditValue(Variant(AnsiString("abc")));
  Focus();
  std::vector<WORD> after;
  Edit->OnAfterKeyDown = [&](TObject*, WORD& key, TShiftState) { after.push_back(key); };
  guitest::TapKey(VK_HOME);
  Settle();
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  guitest::TapKey(VK_LEFT);  // at the start: nothing moves
  Settle();
  EXPECT_EQ(after, std::vector<WORD>{VK_LEFT});
  guitest::TapKey(VK_DELETE);
  Settle();
  EXPECT_EQ(Inner->Text(), "bc");
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  guitest::TapKey(VK_ESCAPE);
  Settle();
  EXPECT_EQ(Inner->Text(), "abc");
}

TEST_F(vxInnerTextEdit, InputMethodCharacterCanLeaveTheSelectionWhereItWas) {
  Focus();
  Inner->SetText("abcd");
  Inner->SetSel(1, 3);
  Edit->RestoreSelection = true;
  SendMessageA(Inner->Handle(), WM_IME_CHAR, 0x8341, 1);
  EXPECT_EQ(Text->GetSelStart(), 1) << "the saved selection answers while the character is composed";
  EXPECT_EQ(Text->GetSelLength(), 2);
  Pump();
  EXPECT_EQ(Inner->Text(), "aアd");
  int start = 0, end = 0;
  Inner->GetSel(start, end);
  EXPECT_EQ(start, 1);
  EXPECT_EQ(end, 3);
}


TEST_F(vxInnerTextEdit, AnInputMethodCharacterDoesNotOutliveAFocusChange) {
  auto* other = new TButton(Host);
  other->SetParent(Host);
  other->SetBounds(10, 60, 80, 24);
  Focus();
  Inner->SetText("abcd");
  Inner->SetSel(1, 3);
  SendMessageA(Inner->Handle(), WM_IME_CHAR, 0x8341, 1);
  ASSERT_EQ(Text->GetImeLastChar(), '\x83') << "the character is being composed";
  other->SetFocus();
  EXPECT_EQ(Text->GetImeLastChar(), '\0');
  Inner->SetSel(0, 0);
  EXPECT_EQ(Text->GetSelStart(), 0) << "the window's selection answers again";
  EXPECT_EQ(Text->GetSelLength(), 0);
  Pump();
}

}  // namespace
