// Helpers of the GUI layer's tests: the application object for the whole run, a form that
// frees itself, pumping messages until a condition holds, and collecting routed exceptions.
#pragma once

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace guitest {

// Handles waiting messages until done() answers true or maxRounds rounds of waiting have
// passed (a round ends at the next message or after 10 ms). Answers done().
bool PumpUntil(const std::function<bool()>& done, int maxRounds = 500);
void Pump();  // handles every waiting message

// Replaces the application's exception handler for one test and records what reaches it.
class TExceptionCatcher {
public:
  TExceptionCatcher();
  ~TExceptionCatcher();
  const std::vector<std::string>& Messages() const { return FMessages; }
  const std::vector<std::string>& Classes() const { return FClasses; }

private:
  TExceptionEvent FPrevious;
  std::vector<std::string> FMessages;
  std::vector<std::string> FClasses;
};

// Puts the form in the foreground so focus changes work under a bare X server.
void ShowAndActivate(TCustomForm& form);

// One shown, active form for a suite (hiding a window costs Wine a wait for the window
// manager); each test builds its controls on a fresh host panel that fills the form.
class TFormTest : public ::testing::Test {
protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;
  static inline TForm* SharedForm = nullptr;
  TPanel* Host = nullptr;
};

// Saves a picture for people (not an assertion) into the build's artifacts folder
// (<build>\artifacts, beside the test programs' folders); a failure to save fails the test.
void SaveArtifact(TBitmap& picture, const AnsiString& fileName);

// Real input through SendInput, so key state, capture and hooks see what a user would cause.
// Each call only queues the input: pump messages to let it act.
void MouseMoveTo(POINT screen);
void MouseButton(bool down);  // the left button
void MouseWheel(int delta);
void Key(WORD virtualKey, bool down);
void TapKey(WORD virtualKey);
// A key with a modifier (Shift, Ctrl, Alt) held.
void TapKeyWith(WORD modifier, WORD virtualKey);
// Characters typed as themselves (UTF-16), whatever the keyboard layout.
void TypeText(std::wstring_view text);

}  // namespace guitest
