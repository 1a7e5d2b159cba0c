#include "GuiTestSupport.h"

#include "platform/rtl/SysExceptions.h"

namespace guitest {

namespace {

// The forms layer lives for the whole test run, as it does for a program.
class GuiEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    InitializeForms();
    Application->Initialize();
  }
  void TearDown() override { FinalizeForms(); }
};

[[maybe_unused]] ::testing::Environment* const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace

void Pump() { Application->ProcessMessages(); }

bool PumpUntil(const std::function<bool()>& done, int maxRounds) {
  for (int i = 0; i < maxRounds && !done(); ++i) {
    Application->ProcessMessages();
    if (done()) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return done();
}

TExceptionCatcher::TExceptionCatcher() : FPrevious(Application->OnException) {
  Application->OnException = [this](TObject*, const std::exception& e) {
    FMessages.push_back(e.what());
    auto* ex = dynamic_cast<const Exception*>(&e);
    FClasses.push_back(ex != nullptr ? ex->ClassName() : "std::exception");
  };
}

TExceptionCatcher::~TExceptionCatcher() { Application->OnException = FPrevious; }

void ShowAndActivate(TCustomForm& form) {
  form.Show();
  SetForegroundWindow(form.Handle());
  SetActiveWindow(form.Handle());
  Pump();
}

}  // namespace guitest
