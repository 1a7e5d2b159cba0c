#include "GuiTestSupport.h"

#include "platform/rtl/Streams.h"
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

void TFormTest::SetUpTestSuite() {
  SharedForm = new TForm(nullptr);
  SharedForm->SetBounds(100, 100, 400, 300);
  ShowAndActivate(*SharedForm);
}

void TFormTest::TearDownTestSuite() {
  delete SharedForm;
  SharedForm = nullptr;
}

void TFormTest::SetUp() {
  Host = new TPanel(nullptr);
  Host->SetBevelOuter(TBevelCut::bvNone);
  Host->SetAlign(TAlign::alClient);
  Host->SetParent(SharedForm);
  SetForegroundWindow(SharedForm->Handle());
  Pump();
}

void TFormTest::TearDown() {
  delete Host;
  Pump();
}

namespace {

void Send(INPUT input) { SendInput(1, &input, sizeof input); }

INPUT MouseInput(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  return input;
}

}  // namespace

void MouseMoveTo(POINT screen) {
  // Absolute coordinates run from 0 to 65535 over the primary screen.
  INPUT input = MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE);
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  input.mi.dx = static_cast<LONG>((screen.x * 65535 + width / 2) / (width - 1));
  input.mi.dy = static_cast<LONG>((screen.y * 65535 + height / 2) / (height - 1));
  Send(input);
}

void MouseButton(bool down) { Send(MouseInput(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP)); }

void MouseWheel(int delta) {
  INPUT input = MouseInput(MOUSEEVENTF_WHEEL);
  input.mi.mouseData = static_cast<DWORD>(delta);
  Send(input);
}

void Key(WORD virtualKey, bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  Send(input);
}

void TapKey(WORD virtualKey) {
  Key(virtualKey, true);
  Key(virtualKey, false);
}

void TapKeyWith(WORD modifier, WORD virtualKey) {
  Key(modifier, true);
  TapKey(virtualKey);
  Key(modifier, false);
}

void TypeText(std::wstring_view text) {
  for (wchar_t ch : text) {
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wScan = input[1].ki.wScan = ch;
    input[0].ki.dwFlags = KEYEVENTF_UNICODE;
    input[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
  }
}

void SaveArtifact(TBitmap& picture, const AnsiString& fileName) {
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  // <build>\tests\<program>\<program>.exe -> <build>\artifacts
  const AnsiString folder =
      ExtractFilePath(ExcludeTrailingBackslash(ExtractFilePath(ExcludeTrailingBackslash(ExtractFilePath(exe))))) +
      "artifacts";
  ForceDirectories(folder);
  try {
    picture.SaveToFile(folder + "\\" + fileName);
  } catch (const Exception& e) {
    ADD_FAILURE() << "picture not saved: " << e.Message();
  }
}

}  // namespace guitest
