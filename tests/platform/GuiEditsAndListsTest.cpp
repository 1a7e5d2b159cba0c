// Edit selections in bytes over double-byte text, subclassing a control's window, moving a
// control between parents, the list box (text search in owner-drawn lists, drawing, measuring,
// clicks, recreation) and clipboard text.
#include "GuiTestSupport.h"

#include "platform/gui/Clipbrd.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/SysExceptions.h"

#include <string>
#include <vector>

using guitest::Pump;

namespace {

using GuiEditsAndLists = guitest::TFormTest;

// "アソbc表ツＢ": ア 83 41, ソ 83 5C, b, c, 表 95 5C, ツ 83 63, Ｂ 82 61 (trail bytes 0x5C and
// ASCII letters): 12 bytes, 7 characters.
const char* const kMixed = "アソbc表ツＢ";

TEST_F(GuiEditsAndLists, EditSelectionCountsBytesAndRoundsDownInsideACharacter) {
  auto* edit = new TEdit(Host);
  edit->SetParent(Host);
  edit->SetText(kMixed);
  ASSERT_EQ(edit->Text().size(), 12u);
  struct Case {
    int start, end;            // bytes asked for
    int gotStart, gotEnd;      // bytes read back
    DWORD editStart, editEnd;  // what the EDIT holds (characters)
  };
  const Case cases[] = {
      {4, 4, 4, 4, 2, 2},     // after "ソ"
      {3, 3, 2, 2, 1, 1},     // inside "ソ" (trail 0x5C): its start
      {1, 7, 0, 6, 0, 4},     // inside "ア" and inside "表"
      {8, 12, 8, 12, 5, 7},   // "ツＢ"
      {11, 12, 10, 12, 6, 7}, // inside "Ｂ" (trail 'a')
      {0, -1, 0, 12, 0, 7},   // everything
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << ".." << c.end);
    edit->SetSel(c.start, c.end);
    int start = -1, end = -1;
    edit->GetSel(start, end);
    EXPECT_EQ(start, c.gotStart);
    EXPECT_EQ(end, c.gotEnd);
    DWORD editStart = 0, editEnd = 0;
    SendMessageA(edit->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&editStart), reinterpret_cast<LPARAM>(&editEnd));
    EXPECT_EQ(editStart, c.editStart);
    EXPECT_EQ(editEnd, c.editEnd);
  }
  edit->SetSelStart(6);
  edit->SetSelLength(3);  // ends inside "ツ"
  EXPECT_EQ(edit->SelLength(), 2);
  EXPECT_EQ(edit->SelText(), "表");
  edit->SetSelText("x");
  EXPECT_EQ(edit->Text(), "アソbcxツＢ");
  // A position inside a character stands where the character does.
  EXPECT_EQ(edit->PosFromChar(3).x, edit->PosFromChar(2).x);
  EXPECT_GT(edit->PosFromChar(4).x, edit->PosFromChar(2).x);
}

TEST_F(GuiEditsAndLists, SubclassedWindowChainsToThePlatformUntilRestoredOrRecreated) {
  auto* edit = new TEdit(Host);
  edit->SetParent(Host);
  HWND window = edit->Handle();
  const LONG_PTR platformProc = GetWindowLongPtrA(window, GWLP_WNDPROC);
  std::vector<UINT> seen;
  TObjectInstance instance([&](TMessage& m) {
    if (m.Msg == WM_APP) throw EConvertError("bad value");
    seen.push_back(m.Msg);
    if (m.Msg == WM_CHAR && m.WParam == 'x') return;  // swallowed before the edit sees it
    instance.CallPrevious(m);
  });
  instance.Install(window);
  TObjectInstance second([](TMessage&) {});
  EXPECT_THROW(second.Install(window), EInvalidOperation);

  SendMessageA(window, WM_CHAR, 'x', 1);
  SendMessageA(window, WM_CHAR, 'y', 1);
  EXPECT_EQ(edit->Text(), "y") << "the platform's procedure and the EDIT run under the instance";
  EXPECT_EQ(std::count(seen.begin(), seen.end(), WM_CHAR), 2);
  {
    guitest::TExceptionCatcher caught;
    EXPECT_EQ(SendMessageA(window, WM_APP, 0, 0), 0);
    ASSERT_EQ(caught.Classes(), std::vector<std::string>{"EConvertError"});
  }
  instance.Restore();
  EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), platformProc);
  SendMessageA(window, WM_CHAR, 'x', 1);
  EXPECT_EQ(edit->Text(), "yx");

  // A window made anew under the instance is left alone by a later restore.
  instance.Install(window);
  edit->SetAlignment(TAlignment::taRightJustify);  // recreates the window
  EXPECT_EQ(instance.Window(), nullptr);
  instance.Restore();
  EXPECT_EQ(GetWindowLongPtrA(edit->Handle(), GWLP_WNDPROC), platformProc);
  EXPECT_NE(GetWindowLongA(edit->Handle(), GWL_STYLE) & ES_RIGHT, 0);
  EXPECT_EQ(edit->Text(), "yx");
}

TEST_F(GuiEditsAndLists, WindowedControlMovedToAnotherParentKeepsItsWindow) {
  auto* left = new TPanel(Host);
  left->SetParent(Host);
  auto* right = new TPanel(Host);
  right->SetParent(Host);
  right->SetLeft(200);
  auto* edit = new TEdit(Host);
  edit->SetParent(left);
  edit->SetText("ソ表");
  edit->SetSel(2, 4);
  HWND window = edit->Handle();
  TObjectInstance subclass([&](TMessage& m) { subclass.CallPrevious(m); });
  subclass.Install(window);
  edit->SetParent(right);
  EXPECT_EQ(edit->Handle(), window);
  EXPECT_EQ(GetParent(window), right->Handle());
  EXPECT_EQ(subclass.Window(), window);
  EXPECT_EQ(edit->SelText(), "表");
  std::vector<TWinControl*> order;
  right->GetTabOrderList(order);
  EXPECT_EQ(order, std::vector<TWinControl*>{edit});
  // Towards a parent without a window the window goes; the text stays.
  subclass.Restore();
  TPanel unshown(nullptr);
  edit->SetParent(&unshown);
  EXPECT_FALSE(edit->HandleAllocated());
  edit->SetParent(left);
  EXPECT_EQ(edit->Text(), "ソ表");
  EXPECT_THROW(left->SetParent(edit), EInvalidOperation);
}

TEST_F(GuiEditsAndLists, OwnerDrawnListSearchesTextDrawsSelectionAndClicksOnUserChange) {
  auto* list = new TListBox(Host);
  list->SetStyle(TListBoxStyle::lbOwnerDrawFixed);
  list->SetItemHeight(18);
  list->SetBounds(10, 10, 150, 120);
  for (const char* item : {"apple", "Banana", "アイ", "ア表"}) list->Items().Add(item);
  list->SetParent(Host);
  Pump();
  HWND window = list->Handle();
  // The items keep their text although the list draws them: the system search compares it.
  EXPECT_EQ(SendMessageA(window, LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("ba")), 1);
  EXPECT_EQ(SendMessageA(window, LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("ア表")), 3);
  EXPECT_EQ(list->Items().IndexOf("APPLE"), 0);
  EXPECT_EQ(list->ItemHeight(), 18);

  int clicks = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  list->SetItemIndex(0);  // by code: no click
  list->Repaint();
  HDC dc = GetDC(window);
  const RECT first = list->ItemRect(0), second = list->ItemRect(1);
  EXPECT_EQ(first.bottom - first.top, 18);
  EXPECT_EQ(GetPixel(dc, first.right - 3, first.top + 9), ColorToRGB(clHighlight));
  EXPECT_EQ(GetPixel(dc, second.right - 3, second.top + 9), ColorToRGB(clWindow));
  ReleaseDC(window, dc);
  EXPECT_EQ(clicks, 0);

  const POINT onSecond = list->ClientToScreen(POINT{20, (second.top + second.bottom) / 2});
  guitest::MouseMoveTo(onSecond);
  guitest::MouseButton(true);
  guitest::MouseButton(false);
  ASSERT_TRUE(guitest::PumpUntil([&] { return clicks > 0; }));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(list->ItemIndex(), 1);
}

TEST_F(GuiEditsAndLists, VariableHeightsHorizontalExtentAndItemsSurviveANewWindow) {
  auto* list = new TListBox(Host);
  list->SetBounds(10, 10, 120, 150);
  list->SetParent(Host);
  int payload = 7;
  list->Items().Add("first", &payload);
  list->Items().Add("second");
  list->Items().Add("third");
  list->SetTopIndex(1);
  list->SetItemIndex(2);
  list->OnMeasureItem = [](TWinControl*, int index, int& height) { height = 10 + 5 * index; };
  list->SetStyle(TListBoxStyle::lbOwnerDrawVariable);  // a new window, items measured one by one
  ASSERT_EQ(list->Count(), 3);
  EXPECT_EQ(list->Items().Strings(1), "second");
  EXPECT_EQ(list->Items().Objects(0), &payload);
  EXPECT_EQ(list->ItemIndex(), 2);
  for (int i = 0; i < 3; ++i) {
    const RECT r = list->ItemRect(i);
    EXPECT_EQ(r.bottom - r.top, 10 + 5 * i) << i;
  }
  SCROLLBARINFO bar{sizeof bar};
  GetScrollBarInfo(list->Handle(), OBJID_HSCROLL, &bar);
  EXPECT_NE(bar.rgstate[0] & STATE_SYSTEM_INVISIBLE, 0u);
  list->SetScrollWidth(400);
  GetScrollBarInfo(list->Handle(), OBJID_HSCROLL, &bar);
  EXPECT_EQ(bar.rgstate[0] & STATE_SYSTEM_INVISIBLE, 0u) << "an extent wider than the list shows the bar";
}

TEST_F(GuiEditsAndLists, ClipboardTextKeepsDoubleByteCharactersWithBackslashTrailBytes) {
  SetClipboardText("表示\\ソ");
  EXPECT_TRUE(ClipboardHasText());
  EXPECT_EQ(ClipboardText(), "表示\\ソ");
  SetClipboardText("");
  EXPECT_EQ(ClipboardText(), "");
}

}  // namespace
