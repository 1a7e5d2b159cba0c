// The inner list box in a container on real windows: the incremental search (a pause longer
// than the delay starts a new text, a double-byte character in two messages, Backspace over
// double-byte characters), the look-and-feel scroll bars over the system's with the corner
// between them, steps on them scrolling the list, and keys and focus reaching the container.
#include "controls/vxContainer.h"

#include "ControlsTestSupport.h"
#include "tests/platform/GuiTestSupport.h"

#include <string>

using guitest::Pump;
using guitest::PumpUntil;

namespace {

// The search reads the test's clock instead of the system's.
class TTestListBox : public TvxCustomInnerListBox {
public:
  using TvxCustomInnerListBox::TvxCustomInnerListBox;
  DWORD Now = 100000;

protected:
  DWORD KeyTickCount() override { return Now; }
};

// Can keep the system from painting the list's frame.
class TTestContainer : public TvxContainer {
public:
  using TvxContainer::TvxContainer;
  bool TakeFramePainting = false;

protected:
  bool InnerControlDefaultHandler(TMessage& m) override { return TakeFramePainting && m.Msg == WM_NCPAINT; }
};

class vxInnerListBoxTest : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Container = new TTestContainer(Host);
    Container->SetParent(Host);
    Container->SetBounds(20, 20, 160, 120);
    ListBox = new TTestListBox(Container);
    ListBox->SetParent(Container);
    Container->SetInnerControl(ListBox);
    Pump();
  }
  void Fill(std::initializer_list<const char*> items) {
    for (const char* item : items) ListBox->Items().Add(item);
  }
  // Sixty items and a scroll width: both bars show.
  void FillForBothBars() {
    for (int i = 0; i < 60; ++i) ListBox->Items().Add(Format("item %d", i));
    ListBox->SetScrollWidth(600);
    Pump();
  }
  void SendChars(const std::string& bytes) {
    for (char c : bytes) SendMessageA(ListBox->Handle(), WM_CHAR, static_cast<unsigned char>(c), 0);
  }

  TTestContainer* Container = nullptr;
  TTestListBox* ListBox = nullptr;
};

}  // namespace

TEST_F(vxInnerListBoxTest, KeysWithinTheDelayLengthenTheTextALongerPauseStartsAnew) {
  Fill({"Ant", "Bee", "Beetle", "Eel"});
  int clicks = 0;
  Container->OnClick = [&](TObject*) { ++clicks; };
  ListBox->SetFocus();
  Pump();
  const struct { DWORD Pause; const char* Text; int Index; } cases[] = {
      {400, "be", 1}, {500, "be", 1}, {501, "e", 3}, {600, "e", 3}};
  for (const auto& c : cases) {
    ListBox->Now += 10000;
    guitest::TapKey('B');
    ASSERT_TRUE(PumpUntil([&] { return ListBox->AutoCompleteText() == "b"; })) << c.Pause;
    ListBox->Now += c.Pause;
    guitest::TapKey('E');
    EXPECT_TRUE(PumpUntil([&] { return ListBox->AutoCompleteText() == c.Text; })) << c.Pause;
    EXPECT_EQ(ListBox->ItemIndex(), c.Index) << c.Pause;
  }
  EXPECT_EQ(clicks, 8);  // each search found an item and clicked it
}

TEST_F(vxInnerListBoxTest, DoubleByteCharacterInTwoMessagesIsSearchedWhole) {
  Fill({"A", "アイ"});
  // Posted: Wine joins the two bytes and hands them to the window procedure one after the
  // other, with nothing left in the queue. Sent: each byte comes on its own.
  for (bool posted : {true, false}) {
    ListBox->Now += 10000;
    ListBox->SetItemIndex(-1);
    if (posted) {
      PostMessageA(ListBox->Handle(), WM_CHAR, 0x83, 0);
      PostMessageA(ListBox->Handle(), WM_CHAR, 0x41, 0);
      Pump();
    } else {
      SendChars("\x83");
      EXPECT_EQ(ListBox->AutoCompleteText(), "");  // a lead byte alone is never searched
      EXPECT_EQ(ListBox->ItemIndex(), -1);
      SendChars("\x41");
    }
    EXPECT_EQ(ListBox->AutoCompleteText(), "ア") << posted;
    EXPECT_EQ(ListBox->ItemIndex(), 1) << posted;
  }
  // A lead byte followed by no trail byte is dropped.
  ListBox->Now += 10000;
  SendChars("\x83\x1b" "a");
  EXPECT_EQ(ListBox->AutoCompleteText(), "a");
  EXPECT_EQ(ListBox->ItemIndex(), 0);
  // A lead byte typed longer ago than the delay goes with the text it would have joined: a
  // later "A" is a letter, not the second byte of "ア".
  ListBox->Now += 10000;
  SendChars("\x83");
  ListBox->Now += ListBox->AutoCompleteDelay() + 1;
  SendChars("A");
  EXPECT_EQ(ListBox->AutoCompleteText(), "A");
  EXPECT_EQ(ListBox->ItemIndex(), 0);
}

TEST_F(vxInnerListBoxTest, BackspaceRemovesTheWholeLastCharacter) {
  Fill({"a", "aソ", "メ", "メa"});
  // メ ends in 0x81, a lead byte's value; ソ ends in 0x5C. Left: the text after Backspace.
  const struct { const char* Typed; const char* Left; int Index; } cases[] = {
      {"メa", "メ", 2}, {"aソ", "a", 0}, {"メメ", "メ", 2}, {"a", "", 0}};
  for (const auto& c : cases) {
    ListBox->Now += 10000;
    SendChars(c.Typed);
    ASSERT_EQ(ListBox->AutoCompleteText(), c.Typed);
    SendChars("\b");
    EXPECT_EQ(ListBox->AutoCompleteText(), c.Left) << c.Typed;
    EXPECT_EQ(ListBox->ItemIndex(), c.Index) << c.Typed;
  }
}

TEST_F(vxInnerListBoxTest, OwnBarsLieOverTheSystemBarsAndTheCornerIsButtonFace) {
  FillForBothBars();
  TvxScrollBar* bars[] = {ListBox->HScrollBar(), ListBox->VScrollBar()};
  for (int i : {0, 1}) {
    ASSERT_TRUE(bars[i]->Visible());
    SCROLLBARINFO info{sizeof info};
    GetScrollBarInfo(ListBox->Handle(), i == 0 ? OBJID_HSCROLL : OBJID_VSCROLL, &info);
    EXPECT_EQ(bars[i]->BoundsRect(), vxMapWindowRect(nullptr, Container->Handle(), info.rcScrollBar)) << i;
    SCROLLINFO si{sizeof si, SIF_ALL};
    GetScrollInfo(ListBox->Handle(), i == 0 ? SB_HORZ : SB_VERT, &si);
    EXPECT_EQ(bars[i]->Max(), si.nMax) << i;
    EXPECT_EQ(bars[i]->PageSize(), static_cast<int>(si.nPage)) << i;
  }
  // The corner between the bars, read back from the list's window. The system paints it too,
  // so its frame painting is held back (the container takes WM_NCPAINT) and the corner is made
  // red before each of the two ways of repainting it.
  const RECT h = bars[0]->BoundsRect(), v = bars[1]->BoundsRect();
  RECT window;
  GetWindowRect(ListBox->Handle(), &window);
  POINT corner = Container->ClientToScreen(POINT{v.left + 2, h.top + 2});
  corner = POINT{corner.x - window.left, corner.y - window.top};
  auto cornerPixel = [&](COLORREF paint) {
    HDC frame = GetWindowDC(ListBox->Handle());
    if (paint != CLR_INVALID) SetPixel(frame, corner.x, corner.y, paint);
    const COLORREF result = GetPixel(frame, corner.x, corner.y);
    ReleaseDC(ListBox->Handle(), frame);
    return result;
  };
  Container->TakeFramePainting = true;
  for (bool resized : {false, true}) {
    ASSERT_EQ(cornerPixel(RGB(255, 0, 0)), RGB(255, 0, 0));
    if (resized)
      ListBox->SetBounds(ListBox->Left(), ListBox->Top(), ListBox->Width() - 1, ListBox->Height());
    else
      SendMessageA(ListBox->Handle(), WM_NCPAINT, 1, 0);
    EXPECT_EQ(cornerPixel(CLR_INVALID), ColorToRGB(clBtnFace)) << resized;
  }
  Container->TakeFramePainting = false;

  ListBox->SetTopIndex(10);
  EXPECT_EQ(bars[1]->Position(), 10);
  ListBox->Items().Clear();
  EXPECT_FALSE(bars[1]->Visible());
}

TEST_F(vxInnerListBoxTest, StepsOnTheOwnBarsScrollTheList) {
  FillForBothBars();
  TvxScrollBar* vertical = ListBox->VScrollBar();
  const int page = vertical->PageSize();
  ASSERT_GT(page, 1);
  const struct { int Code, Position, Top; } cases[] = {
      {SB_LINEDOWN, 0, 6}, {SB_LINEUP, 0, 4}, {SB_PAGEDOWN, 0, 5 + page}, {SB_THUMBPOSITION, 20, 20},
      {SB_THUMBTRACK, 30, 30}, {SB_BOTTOM, 0, 60 - page}, {SB_TOP, 0, 0}};
  for (const auto& c : cases) {
    ListBox->SetTopIndex(5);
    SendMessageA(vertical->Handle(), CN_VSCROLL, MAKEWPARAM(c.Code, c.Position), 0);
    EXPECT_EQ(ListBox->TopIndex(), c.Top) << c.Code;
    EXPECT_EQ(vertical->Position(), c.Top) << c.Code;
  }
  // Sideways: a dragged thumb moves the list too.
  TvxScrollBar* horizontal = ListBox->HScrollBar();
  for (int code : {SB_LINEDOWN, SB_THUMBTRACK}) {
    const int before = GetScrollPos(ListBox->Handle(), SB_HORZ);
    SendMessageA(horizontal->Handle(), CN_HSCROLL, MAKEWPARAM(code, 100), 0);
    EXPECT_GT(GetScrollPos(ListBox->Handle(), SB_HORZ), before) << code;
    EXPECT_EQ(horizontal->Position(), GetScrollPos(ListBox->Handle(), SB_HORZ)) << code;
  }
}

TEST_F(vxInnerListBoxTest, KeysAndFocusReachTheContainer) {
  EXPECT_EQ(SendMessageA(ListBox->Handle(), WM_GETDLGCODE, 0, 0) & (DLGC_WANTCHARS | DLGC_WANTTAB),
            DLGC_WANTCHARS | DLGC_WANTTAB);
  auto* after = new TEdit(Host);
  after->SetParent(Host);
  after->SetBounds(200, 20, 60, 20);
  ListBox->SetFocus();
  Pump();
  EXPECT_EQ(Container->ViewInfo()->ContainerState, vxcsFocused);
  guitest::TapKey(VK_TAB);
  EXPECT_TRUE(PumpUntil([&] { return GetFocus() == after->Handle(); }));
  EXPECT_EQ(Container->ViewInfo()->ContainerState, vxcsNormal);
}

TEST_F(vxInnerListBoxTest, ContainerFreedWithTheFocusedListEndsQuietly) {
  guitest::TExceptionCatcher catcher;
  FillForBothBars();
  ListBox->SetFocus();
  Pump();
  delete Container;
  Pump();
  EXPECT_TRUE(catcher.Messages().empty());
}

// A setting change that the form hears reaches the list box, whose bars follow the system's
// again.
TEST_F(vxInnerListBoxTest, SettingChangeReachesTheListAndItsBars) {
  FillForBothBars();
  TvxScrollBar* vertical = ListBox->VScrollBar();
  ASSERT_EQ(vertical->Position(), 0);
  SetScrollPos(ListBox->Handle(), SB_VERT, 7, FALSE);  // behind the list box's back
  ASSERT_EQ(vertical->Position(), 0);
  SendMessageA(Host->Handle(), WM_SETTINGCHANGE, 0, 0);
  EXPECT_EQ(vertical->Position(), 7);
}
