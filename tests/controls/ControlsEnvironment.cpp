// The units the control library's tests need, started once for the run in the program's order
// and finished after the last test. The GUI layer's own environment (GuiTestSupport.cpp) may run
// before or after this one: starting the forms again is harmless, and the library's shutdown
// does not need them.
#include "ControlsTestSupport.h"

#include "platform/gui/Forms.h"

#include <gtest/gtest.h>

namespace {

class ControlsEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    InitializeForms();
    Application->Initialize();
    controlstest::StartControlUnits();
  }
  void TearDown() override { controlstest::StopControlUnits(); }
};

[[maybe_unused]] ::testing::Environment* const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new ControlsEnvironment);

}  // namespace
