// The owner-drawn scroll bar on a real form: its range rules, layout, thumb dragging and the
// auto-repeat of held arrows, with real mouse input.
#include "controls/vxScrollBar.h"

#include "controls/vxControls.h"
#include "platform/rtl/SysExceptions.h"
#include "ControlsTestSupport.h"
#include "tests/platform/GuiTestSupport.h"

#include <algorithm>
#include <vector>

using guitest::Pump;
using guitest::PumpUntil;

namespace {

class vxScrollBarTest : public guitest::TFormTest {
protected:
  void SetUp() override {
    TFormTest::SetUp();
    Bar = new TvxScrollBar(Host);
    Bar->SetParent(Host);
    Bar->SetBounds(20, 40, 200, 17);
    Bar->OnScroll = [this](TObject*, TScrollCode code, int& pos) {
      Codes.push_back(code);
      Positions.push_back(pos);
    };
    Pump();
  }
  void TearDown() override {
    guitest::MouseButton(false);
    Pump();
    TFormTest::TearDown();
  }
  POINT ToScreen(POINT client) { return Bar->ClientToScreen(client); }
  POINT Centre(TvxScrollBarPart part) {
    RECT r = Bar->PartRect(part);
    return ToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }
  void Press(POINT screen) {
    guitest::MouseMoveTo(screen);
    Pump();
    guitest::MouseButton(true);
    PumpUntil([&] { return Bar->PressedPart() != sbpNone; });
  }
  void MoveTo(POINT screen) {
    guitest::MouseMoveTo(screen);
    PumpUntil([&] {
      POINT p{};
      GetCursorPos(&p);
      return p.x == screen.x && p.y == screen.y;
    });
    Pump();
  }
  void Release() {
    guitest::MouseButton(false);
    PumpUntil([&] { return Bar->PressedPart() == sbpNone; });
  }

  TvxScrollBar* Bar = nullptr;
  std::vector<TScrollCode> Codes;
  std::vector<int> Positions;
};

}  // namespace

TEST_F(vxScrollBarTest, RangeThatCannotHoldThePageIsRefused) {
  struct {
    int Min, Max, Page;
    bool Taken;
  } cases[] = {
      {0, 99, 10, true},   {10, 5, 0, false},     // max below min
      {-100, 0, 10, true},                         // a range below zero, judged by its size
      {50, 100, 60, false}, {50, 100, 51, true},   // the page is larger than the range / fills it
      {0, 0, 1, true},      {0, 10, -1, true},     // a negative page counts as none
  };
  for (const auto& c : cases) {
    Bar->SetScrollParams(1, 50, 7, 5);
    bool taken = true;
    try {
      Bar->SetScrollParams(c.Min, c.Max, Bar->Position(), c.Page);
    } catch (const EInvalidOperation& e) {
      taken = false;
      EXPECT_EQ(e.Message(), AnsiString("スクロールバー プロパティが範囲を越えました"));
    }
    EXPECT_EQ(taken, c.Taken) << c.Min << ".." << c.Max << " page " << c.Page;
    if (!taken) {
      EXPECT_TRUE(Bar->Min() == 1 && Bar->Max() == 50 && Bar->PageSize() == 5 && Bar->Position() == 7);
    }
  }
  Bar->SetScrollParams(0, 10, 50, 0);
  EXPECT_EQ(Bar->Position(), 10);  // brought into the range
  Bar->SetScrollParams(0, 10, 5, -7);
  EXPECT_EQ(Bar->PageSize(), 0);
}

TEST_F(vxScrollBarTest, LayoutFollowsTheSystemSizesAndTheKind) {
  const int arrow = GetSystemMetrics(SM_CXHSCROLL);
  EXPECT_EQ(Bar->PartRect(sbpLineUp), (RECT{0, 0, arrow, 17}));
  EXPECT_EQ(Bar->PartRect(sbpLineDown), (RECT{200 - arrow, 0, 200, 17}));
  RECT thumb = Bar->PartRect(sbpThumb);
  EXPECT_EQ(thumb.left, arrow);  // position 0
  EXPECT_EQ(thumb.right - thumb.left, std::max(GetSystemMetrics(SM_CXHTHUMB), Bar->MinThumbSize()));

  // Page 10 of 101 positions: a tenth of the track, at least the minimum.
  Bar->SetScrollParams(0, 100, 0, 10);
  thumb = Bar->PartRect(sbpThumb);
  EXPECT_EQ(thumb.right - thumb.left, std::max(MulDiv(10, 200 - 2 * arrow, 101), Bar->MinThumbSize()));
  EXPECT_EQ(Bar->PartRect(sbpPageDown), (RECT{thumb.right, 0, 200 - arrow, 17}));

  // No range, no thumb: the track is one page area.
  Bar->SetScrollParams(5, 5, 5, 0);
  EXPECT_TRUE(IsRectEmpty(&(thumb = Bar->PartRect(sbpThumb))));
  EXPECT_EQ(Bar->HitTest(POINT{100, 8}), sbpPageUp);

  Bar->SetKind(TScrollBarKind::sbVertical);
  EXPECT_TRUE(Bar->Width() == 17 && Bar->Height() == 200);
  EXPECT_EQ(Bar->PartRect(sbpLineDown), (RECT{0, 200 - GetSystemMetrics(SM_CYVSCROLL), 17, 200}));

  // Arrows never take more than half of a short bar.
  Bar->SetBounds(0, 0, 17, 20);
  EXPECT_EQ(Bar->PartRect(sbpLineUp), (RECT{0, 0, 17, 10}));
}

TEST_F(vxScrollBarTest, ThumbDraggedToTheEndStandsForTheLastPage) {
  Bar->SetScrollParams(20, 120, 20, 10);
  Press(Centre(sbpThumb));
  ASSERT_EQ(Bar->PressedPart(), sbpThumb);
  MoveTo(ToScreen(POINT{215, 8}));  // past the end, within the slack along the bar
  EXPECT_EQ(Bar->Position(), 111);
  EXPECT_EQ(Codes.back(), scTrack);

  // Far off the bar the thumb goes back to where it was grabbed.
  MoveTo(ToScreen(POINT{215, 8 + 160}));
  EXPECT_EQ(Bar->Position(), 20);
  MoveTo(ToScreen(POINT{215, 8}));
  Codes.clear();
  Release();
  EXPECT_EQ(Bar->Position(), 20 + 91);
  EXPECT_EQ(Codes, (std::vector<TScrollCode>{scPosition, scEndScroll}));
  RECT thumb = Bar->PartRect(sbpThumb), last = Bar->PartRect(sbpLineDown);
  EXPECT_EQ(thumb.right, last.left);
}

TEST_F(vxScrollBarTest, ThumbThatFillsTheTrackStandsForTheStart) {
  Bar->SetScrollParams(20, 120, 50, 101);
  RECT thumb = Bar->PartRect(sbpThumb);
  EXPECT_EQ(thumb.right, Bar->PartRect(sbpLineDown).left);
  Press(Centre(sbpThumb));
  MoveTo(ToScreen(POINT{150, 8}));
  Release();
  EXPECT_EQ(Bar->Position(), 20);
}

TEST_F(vxScrollBarTest, HeldArrowRepeatsAfter400ThenEvery60Milliseconds) {
  Bar->SetScrollParams(0, 100, 0, 0);
  const UINT_PTR timerID = Bar->RepeatTimer().TimerID();
  Press(Centre(sbpLineDown));
  EXPECT_EQ(Bar->Position(), 1);  // one step at once
  EXPECT_TRUE(Bar->RepeatTimer().TimerOn());
  EXPECT_EQ(Bar->RepeatTimer().Interval(), 400u);
  // The ticks are driven here rather than waited for.
  SendMessageA(vxTimerWindow().Handle(), WM_TIMER, timerID, 0);
  EXPECT_GE(Bar->Position(), 2);
  EXPECT_EQ(Bar->RepeatTimer().Interval(), 60u);
  const int held = Bar->Position();
  SendMessageA(vxTimerWindow().Handle(), WM_TIMER, timerID, 0);
  EXPECT_GE(Bar->Position(), held + 1);
  EXPECT_EQ(Bar->RepeatTimer().Interval(), 60u);

  // Off the arrow the repeat pauses.
  MoveTo(ToScreen(POINT{100, 8}));
  EXPECT_FALSE(Bar->RepeatTimer().TimerOn());
  Release();
  EXPECT_EQ(Codes.back(), scEndScroll);
  EXPECT_TRUE(std::all_of(Codes.begin(), Codes.end() - 1, [](TScrollCode c) { return c == scLineDown; }));
}

TEST_F(vxScrollBarTest, DisablingCancelsTheTracking) {
  Bar->SetScrollParams(0, 100, 0, 10);
  Press(Centre(sbpThumb));
  MoveTo(ToScreen(POINT{120, 8}));
  const int tracked = Bar->Position();
  EXPECT_GT(tracked, 0);
  Bar->SetEnabled(false);
  EXPECT_EQ(Bar->PressedPart(), sbpNone);
  EXPECT_EQ(Bar->Position(), tracked);
  EXPECT_EQ(Codes.back(), scEndScroll);
  Release();
}

TEST_F(vxScrollBarTest, MovedThumbUncoversThePageArea) {
  Bar->LookAndFeel().SetKind(lfStandard);
  Bar->SetScrollParams(0, 100, 0, 30);
  auto pixelAt = [&](POINT p) {
    Bar->Update();
    HDC dc = GetDC(Bar->Handle());
    const COLORREF colour = GetPixel(dc, p.x, p.y);
    ReleaseDC(Bar->Handle(), dc);
    return colour;
  };
  // A pixel where the page pattern shows the highlight colour, and the face on the thumb.
  auto oddCentre = [&](TvxScrollBarPart part) {
    RECT r = Bar->PartRect(part);
    POINT p{(r.left + r.right) / 2, 8};
    if ((p.x + p.y) % 2 == 0) ++p.x;
    return p;
  };
  const POINT oldThumb = oddCentre(sbpThumb);
  EXPECT_EQ(pixelAt(oldThumb), ColorToRGB(clBtnFace));
  Bar->SetPosition(100);
  EXPECT_EQ(pixelAt(oldThumb), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(pixelAt(oddCentre(sbpThumb)), ColorToRGB(clBtnFace));
}

// A pressed arrow's glyph reaches a pixel into the part beside it; once released, the bar looks
// as one never pressed.
TEST_F(vxScrollBarTest, ReleasedArrowLeavesNoTraceOnItsNeighbour) {
  auto* other = new TvxScrollBar(Host);
  other->SetParent(Host);
  other->SetBounds(20, 80, 200, 17);
  for (TvxScrollBar* bar : {Bar, other}) {
    bar->LookAndFeel().SetKind(lfStandard);
    bar->SetScrollParams(0, 100, 0, 10);  // the thumb stands right of the first arrow
  }
  Pump();
  Press(Centre(sbpLineUp));
  Release();
  auto picture = [](TvxScrollBar* bar) {
    bar->Update();
    controlstest::TPaintBitmap copy(200, 17);
    HDC dc = GetDC(bar->Handle());
    BitBlt(copy.Canvas().Handle(), 0, 0, 200, 17, dc, 0, 0, SRCCOPY);
    ReleaseDC(bar->Handle(), dc);
    return copy.ReadPixels32();
  };
  EXPECT_EQ(Bar->Position(), 0);
  EXPECT_EQ(picture(Bar), picture(other));
}
