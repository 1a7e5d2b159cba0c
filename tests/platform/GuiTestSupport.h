// Helpers of the GUI layer's tests: the application object for the whole run, a form that
// frees itself, pumping messages until a condition holds, and collecting routed exceptions.
#pragma once

#include "platform/gui/Forms.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
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

}  // namespace guitest
