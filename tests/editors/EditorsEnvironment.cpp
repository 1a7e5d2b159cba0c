// The units the editors' tests need, started once for the run in the program's order (the
// control library's, then the editors') and finished after the last test.
#include "editors/vxCalc.h"
#include "editors/vxDropDownEdit.h"
#include "editors/vxEdit.h"
#include "editors/vxMaskEdit.h"
#include "editors/vxTextEdit.h"
#include "platform/gui/Forms.h"
#include "tests/controls/ControlsTestSupport.h"

#include <gtest/gtest.h>

namespace {

class EditorsEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    InitializeForms();
    Application->Initialize();
    controlstest::StartControlUnits();
    InitializevxEdit();
    InitializevxTextEdit();
    InitializevxMaskEdit();
    InitializevxDropDownEdit();
    InitializevxCalc();
  }
  void TearDown() override {
    FinalizevxCalc();
    FinalizevxDropDownEdit();
    FinalizevxMaskEdit();
    FinalizevxTextEdit();
    FinalizevxEdit();
    controlstest::StopControlUnits();
  }
};

[[maybe_unused]] ::testing::Environment* const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new EditorsEnvironment);

}  // namespace
