// The calculator edit and its popup calculator: the clipboard held by another program, ...
#include "editors/vxCalc.h"

#include "platform/gui/Clipbrd.h"
#include "tests/editors/EditTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

namespace {

using edittest::TBeepCounter;

class TDisplayCalculator : public TvxCustomCalculator {
public:
  using TvxCustomCalculator::TvxCustomCalculator;
  AnsiString Display;

protected:
  AnsiString GetDisplayText() override { return Display; }
  void SetDisplayText(const AnsiString& text) override { Display = text; }
};

// Keeps the clipboard open from another thread, as another program would, while it lives.
class TClipboardHolder {
public:
  TClipboardHolder() {
    FThread = std::thread([this] {
      FOpened = OpenClipboard(nullptr) != FALSE;
      SetEvent(FReady);
      WaitForSingleObject(FRelease, INFINITE);
      if (FOpened) CloseClipboard();
    });
    WaitForSingleObject(FReady, INFINITE);
  }
  ~TClipboardHolder() {
    SetEvent(FRelease);
    FThread.join();
    CloseHandle(FReady);
    CloseHandle(FRelease);
  }
  bool Opened() const { return FOpened; }

private:
  HANDLE FReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE FRelease = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  bool FOpened = false;
  std::thread FThread;
};

TEST(vxCalculatorClipboard, HeldClipboardBeepsAndChangesNothing) {
  SetClipboardText("7");
  TDisplayCalculator calc(nullptr);
  calc.ButtonClick(cbNum4);
  calc.ButtonClick(cbNum2);
  TBeepCounter beeps;
  {
    TClipboardHolder holder;
    ASSERT_TRUE(holder.Opened());
    EXPECT_NO_THROW(calc.CopyToClipboard());
    EXPECT_EQ(beeps.Count, 1);
    EXPECT_NO_THROW(calc.PasteFromClipboard());
    EXPECT_EQ(beeps.Count, 2);
    EXPECT_EQ(calc.Display, "42");
    EXPECT_EQ(calc.Status(), csEntering);
    calc.SetBeepOnError(false);
    EXPECT_NO_THROW(calc.CopyToClipboard());
    EXPECT_EQ(beeps.Count, 2);
  }
  EXPECT_EQ(ClipboardText(), "7");
  calc.PasteFromClipboard();
  EXPECT_EQ(calc.Display, "7");
}

}  // namespace
