// Helpers of the drop-down editors' tests. The popup runs a modal loop inside its show
// message, so a test acts on an open popup through messages handled inside that loop.
#pragma once

#include "controls/vxContainer.h"
#include "editors/vxDropDownEdit.h"
#include "tests/platform/GuiTestSupport.h"

#include <windows.h>

#include <functional>
#include <utility>

namespace dropdowntest {

constexpr UINT WM_TEST_RUN = WM_APP + 17;

// Runs a queued action when its message arrives (inside the popup's modal loop).
class TActionPanel : public TPanel {
public:
  using TPanel::TPanel;
  LRESULT WndProc(TMessage& m) override {
    if (m.Msg == WM_TEST_RUN) {
      if (auto action = std::move(FAction)) action();
      return 0;
    }
    return TPanel::WndProc(m);
  }
  void Queue(std::function<void()> action) {
    FAction = std::move(action);
    PostMessageA(Handle(), WM_TEST_RUN, 0, 0);
  }

private:
  std::function<void()> FAction;
};

// The middle of an editor's first button (the drop-down button), on the screen.
inline POINT ButtonCentre(TvxCustomEdit* edit) {
  const RECT button = edit->EditViewInfo()->ButtonsInfo.at(0)->Bounds;
  return edit->ClientToScreen(POINT{(button.left + button.right) / 2, (button.top + button.bottom) / 2});
}

// A press and a release of the left button at a point of the screen (queued only).
inline void ClickAt(POINT screen) {
  guitest::MouseMoveTo(screen);
  guitest::MouseButton(true);
  guitest::MouseButton(false);
}

// Drags a popup's size grip with the real mouse from its middle by (dx, dy), through the
// half-way point, and waits until the sizing has ended.
inline void DragGrip(TvxCustomEditPopupWindow& popup, int dx, int dy) {
  const RECT grip = popup.ViewInfo()->SizeGripSizingRect;
  const POINT start = popup.ClientToScreen(POINT{(grip.left + grip.right) / 2, (grip.top + grip.bottom) / 2});
  guitest::MouseMoveTo(start);
  guitest::Pump();
  guitest::MouseButton(true);
  guitest::PumpUntil([&] { return popup.IsSizing(); }, 100);
  guitest::MouseMoveTo(POINT{start.x + dx / 2, start.y + dy / 2});
  guitest::Pump();
  guitest::MouseMoveTo(POINT{start.x + dx, start.y + dy});
  guitest::Pump();
  guitest::MouseButton(false);
  guitest::PumpUntil([&] { return !popup.IsSizing(); }, 100);
  guitest::Pump();
}

// Closes every popup still open when a test ends, and takes the mouse off the form (an edit
// of the next test would start hot under it).
inline void CloseAllPopups() {
  guitest::MouseButton(false);
  guitest::MouseMoveTo(POINT{0, 0});
  guitest::Pump();
  while (TvxCustomPopupWindow::VisiblePopupCount() > 0) TvxCustomPopupWindow::VisiblePopup(0)->CloseUp();
}

}  // namespace dropdowntest
