// Helpers of the drop-down editors' tests. The popup runs a modal loop inside its show
// message, so a test acts on an open popup through messages handled inside that loop.
#pragma once

#include "controls/vxContainer.h"
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

// Closes every popup still open when a test ends, and takes the mouse off the form (an edit
// of the next test would start hot under it).
inline void CloseAllPopups() {
  guitest::MouseButton(false);
  guitest::MouseMoveTo(POINT{0, 0});
  guitest::Pump();
  while (TvxCustomPopupWindow::VisiblePopupCount() > 0) TvxCustomPopupWindow::VisiblePopup(0)->CloseUp();
}

}  // namespace dropdowntest
