// Panels and the window timer of the class library.
#pragma once

#include "platform/gui/Controls.h"

enum class TBevelCut { bvNone, bvLowered, bvRaised };

// A raised (or lowered) area that holds other controls; its bevels and border width are taken
// off the area its aligned children share.
class TPanel : public TCustomControl {
public:
  explicit TPanel(TComponent* owner);
  const char* ClassName() const override { return "TPanel"; }

  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut value);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut value);
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int value);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  LRESULT WndProc(TMessage& m) override;

protected:
  void AdjustClientRect(RECT& rect) override;
  void Paint() override;

private:
  void Changed();
  TBevelCut FBevelOuter = TBevelCut::bvRaised;
  TBevelCut FBevelInner = TBevelCut::bvNone;
  int FBevelWidth = 1;
  int FBorderWidth = 0;
  TAlignment FAlignment = TAlignment::taCenter;
};

// A window timer with its own hidden window. It runs while Enabled, Interval is not 0 and
// OnTimer is set; an exception from OnTimer goes to the application's handler.
class TTimer : public TComponent {
public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;
  const char* ClassName() const override { return "TTimer"; }

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  unsigned Interval() const { return FInterval; }
  void SetInterval(unsigned value);
  void SetOnTimer(TNotifyEvent handler);
  const TNotifyEvent& OnTimer() const { return FOnTimer; }
  bool Running() const { return FRunning; }

protected:
  virtual void Timer();

private:
  void UpdateTimer();
  void WndProc(TMessage& m);
  HWND FWindow = nullptr;
  bool FEnabled = true;
  unsigned FInterval = 1000;
  TNotifyEvent FOnTimer;
  bool FRunning = false;
};
