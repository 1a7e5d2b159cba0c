// Focus and the form's active control, Tab navigation, key preview and swallowed keys, modal
// forms and their state, activation, forms as child windows, closing, bitmaps and the file
// dialogs.
#include "GuiTestSupport.h"

#include "platform/gui/ComCtrls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/StdCtrls.h"
#include "tests/support/TestSupport.h"

#include <string>
#include <vector>

using guitest::Pump;

namespace {

class TLoggingEdit : public TEdit {
public:
  TLoggingEdit(TComponent* owner, std::vector<std::string>& log) : TEdit(owner), FLog(log) {}
  LRESULT WndProc(TMessage& m) override {
    switch (m.Msg) {
      case CM_ENTER: FLog.push_back("enter " + Name()); break;
      case CM_EXIT: FLog.push_back("exit " + Name()); break;
    }
    return TEdit::WndProc(m);
  }

private:
  std::vector<std::string>& FLog;
};

class TLoggingPanel : public TPanel {
public:
  TLoggingPanel(TComponent* owner, std::vector<std::string>& log) : TPanel(owner), FLog(log) {}
  LRESULT WndProc(TMessage& m) override {
    switch (m.Msg) {
      case CM_ENTER: FLog.push_back("enter " + Name()); break;
      case CM_EXIT: FLog.push_back("exit " + Name()); break;
    }
    return TPanel::WndProc(m);
  }

private:
  std::vector<std::string>& FLog;
};

// A form with two panels of two edits each and a rich edit that wants Tab:
//   panel1: edit1 (tab 0), edit2 (tab 1)   panel2: edit3, edit4   memo
class GuiFocus : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    SharedForm = new TForm(nullptr);
    SharedForm->SetBounds(50, 50, 500, 300);
    guitest::ShowAndActivate(*SharedForm);
  }
  static void TearDownTestSuite() {
    delete SharedForm;
    SharedForm = nullptr;
  }
  void SetUp() override {
    Host = new TPanel(nullptr);
    Host->SetAlign(TAlign::alClient);
    Host->SetParent(SharedForm);
    Panel1 = MakePanel("panel1", 0);
    Panel2 = MakePanel("panel2", 100);
    Edit1 = MakeEdit("edit1", Panel1, 0);
    Edit2 = MakeEdit("edit2", Panel1, 1);
    Edit3 = MakeEdit("edit3", Panel2, 0);
    Edit4 = MakeEdit("edit4", Panel2, 1);
    Memo = new TRichEdit(Host);
    Memo->SetName("memo");
    Memo->SetParent(Host);
    Memo->SetTop(200);
    Memo->SetWantTabs(true);
    SetForegroundWindow(SharedForm->Handle());
    Pump();
  }
  void TearDown() override {
    SharedForm->SetKeyPreview(false);
    SharedForm->OnKeyDown = nullptr;
    delete Host;
    SetShift(false);
  }
  TLoggingPanel* MakePanel(const char* name, int top) {
    auto* p = new TLoggingPanel(Host, Log);
    p->SetName(name);
    p->SetParent(Host);
    p->SetBounds(0, top, 400, 90);
    return p;
  }
  TLoggingEdit* MakeEdit(const char* name, TWinControl* parent, int index) {
    auto* e = new TLoggingEdit(Host, Log);
    e->SetName(name);
    e->SetParent(parent);
    e->SetBounds(10 + 150 * index, 10, 120, 21);
    return e;
  }
  static void SetShift(bool down) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
  }
  // Posts a key to the focused window and lets the message loop run it, as a key press would.
  static void PressKey(WORD key) {
    HWND target = GetFocus();
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
    Pump();
  }
  static inline TForm* SharedForm = nullptr;
  TPanel* Host = nullptr;
  TLoggingPanel *Panel1 = nullptr, *Panel2 = nullptr;
  TLoggingEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr;
  TRichEdit* Memo = nullptr;
  std::vector<std::string> Log;
};

TEST_F(GuiFocus, EnterAndExitFollowTheFocusThroughContainers) {
  Edit1->SetFocus();
  Pump();
  ASSERT_EQ(GetFocus(), Edit1->Handle());
  EXPECT_EQ(SharedForm->ActiveControl(), Edit1);
  Log.clear();
  Edit2->SetFocus();
  EXPECT_EQ(Log, (std::vector<std::string>{"exit edit1", "enter edit2"}));
  Log.clear();
  Edit4->SetFocus();
  EXPECT_EQ(Log, (std::vector<std::string>{"exit edit2", "exit panel1", "enter panel2", "enter edit4"}));
  EXPECT_EQ(SharedForm->ActiveControl(), Edit4);
  EXPECT_TRUE(Edit4->Focused());
}

TEST_F(GuiFocus, TabMovesInTabOrderSkippingWhatCannotTakeTheFocus) {
  Edit2->SetTabOrder(0);  // panel1 now tabs edit2, edit1
  Edit3->SetEnabled(false);
  Edit1->SetFocus();
  Pump();
  struct Step {
    bool shift;
    TWinControl* expected;
  };
  // Forward: edit1 -> panel2's edit4 (edit3 disabled) -> memo -> edit2 (wraps round)...
  const Step steps[] = {{false, Edit4}, {false, Memo}, {false, Memo}, {true, Memo}};
  // The memo wants Tab: pressing it there keeps the focus, Shift included.
  for (const Step& step : {steps[0], steps[1]}) {
    SetShift(step.shift);
    PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), step.expected->Handle()) << step.expected->Name();
  }
  for (const Step& step : {steps[2], steps[3]}) {
    SetShift(step.shift);
    PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), step.expected->Handle()) << "the memo keeps the Tab";
  }
  Memo->SetWantTabs(false);
  SetShift(false);
  PressKey(VK_TAB);
  EXPECT_EQ(GetFocus(), Edit2->Handle()) << "wraps to the first tab stop";
  SetShift(true);
  PressKey(VK_TAB);
  EXPECT_EQ(GetFocus(), Memo->Handle()) << "Shift+Tab goes back";
  Edit4->SetTabStop(false);
  Edit4->SetVisible(true);
  Edit2->SetFocus();
  SetShift(false);
  PressKey(VK_TAB);
  EXPECT_EQ(GetFocus(), Edit1->Handle());
  PressKey(VK_TAB);
  EXPECT_EQ(GetFocus(), Memo->Handle()) << "edit3 disabled, edit4 no tab stop";
}

TEST_F(GuiFocus, KeyPreviewAndHandlersCanSwallowKeys) {
  std::vector<std::string> keys;
  Edit1->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { keys.push_back("edit down " + IntToStr(key)); };
  Edit1->OnKeyPress = [&](TObject*, char& key) {
    keys.push_back(std::string("edit press ") + key);
    if (key == 'a') key = 0;
  };
  SharedForm->SetKeyPreview(true);
  SharedForm->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
    keys.push_back("form down " + IntToStr(key));
    if (key == VK_F5) key = 0;
  };
  Edit1->SetFocus();
  Pump();
  HWND edit = Edit1->Handle();
  PostMessageA(edit, WM_KEYDOWN, VK_F5, 1);
  PostMessageA(edit, WM_KEYDOWN, VK_F6, 1);
  PostMessageA(edit, WM_CHAR, 'a', 1);
  PostMessageA(edit, WM_CHAR, 'b', 1);
  Pump();
  EXPECT_EQ(keys, (std::vector<std::string>{"form down 116", "form down 117", "edit down 117", "edit press a",
                                            "edit press b"}));
  EXPECT_EQ(Edit1->Text(), "b");
}

// Records the form's state when the button loses the focus.
class TFocusLossButton : public TButton {
public:
  using TButton::TButton;
  std::vector<std::string> Seen;
  LRESULT WndProc(TMessage& m) override {
    if (m.Msg == WM_KILLFOCUS) {
      TCustomForm* form = GetParentForm(this);
      Seen.push_back(std::string((form->FormState() & fsModal) ? "modal" : "modeless") +
                     (form->Visible() ? " visible " : " hidden ") + std::to_string(form->ModalResult()));
    }
    return TButton::WndProc(m);
  }
};

TEST(GuiForms, ModalFormEndsWithTheButtonsResultAndReenablesTheOthers) {
  TForm owner(nullptr);
  owner.SetBounds(10, 10, 200, 100);
  owner.Show();
  auto* dialog = new TForm(&owner);
  dialog->SetBorderStyle(TBorderStyle::bsDialog);
  auto* ok = new TFocusLossButton(dialog);
  ok->SetParent(dialog);
  ok->ModalResult = mrOk;
  PostMessageA(ok->Handle(), BM_CLICK, 0, 0);
  bool ownerDisabledDuringModal = false;
  dialog->OnShow = [&](TObject*) { ownerDisabledDuringModal = !IsWindowEnabled(owner.Handle()); };
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_TRUE(ownerDisabledDuringModal);
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
  EXPECT_FALSE(dialog->Visible());
  EXPECT_EQ(dialog->FormState() & fsModal, 0u);
  // A control losing the focus as a modal form closes with a result sees why (an editor then
  // validates silently).
  ASSERT_FALSE(ok->Seen.empty());
  EXPECT_EQ(ok->Seen.back(), "modal hidden 1");
}

class TActivationProbe : public TForm {
public:
  using TForm::TForm;
  HWND SeenOnDeactivate = nullptr;

protected:
  void Deactivate() override {
    SeenOnDeactivate = OtherActivationWindow();
    TForm::Deactivate();
  }
};

TEST(GuiForms, DeactivatedFormKnowsTheWindowTakingTheActivation) {
  TActivationProbe first(nullptr);
  first.SetBounds(30, 30, 200, 100);
  TForm second(nullptr);
  second.SetBounds(260, 30, 200, 100);
  guitest::ShowAndActivate(first);
  guitest::ShowAndActivate(second);
  EXPECT_EQ(first.SeenOnDeactivate, second.Handle());
}

TEST(GuiForms, FormTakesAParentAsChildWindowAndBecomesTopLevelAgain) {
  TForm host(nullptr);
  host.SetBounds(40, 40, 400, 300);
  host.Show();
  TForm inner(nullptr);
  inner.SetBounds(500, 40, 200, 150);
  auto* edit = new TEdit(&inner);
  edit->SetParent(&inner);
  edit->SetText("kept");
  inner.SetBorderStyle(TBorderStyle::bsNone);
  inner.SetParent(&host);
  inner.SetBounds(10, 10, 150, 100);
  inner.Show();
  Pump();
  HWND window = inner.Handle();
  EXPECT_NE(GetWindowLongA(window, GWL_STYLE) & WS_CHILD, 0);
  EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & WS_POPUP, 0);
  EXPECT_EQ(GetParent(window), host.Handle());
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(GetParentForm(edit), &host);
  EXPECT_EQ(edit->Text(), "kept");

  inner.SetParent(nullptr);
  inner.SetBorderStyle(TBorderStyle::bsSingle);  // a new border style keeps a shown form shown
  Pump();
  window = inner.Handle();
  EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & WS_CHILD, 0);
  EXPECT_NE(GetWindowLongA(window, GWL_STYLE) & WS_CAPTION, 0);
  EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(edit->Text(), "kept");
}

TEST(GuiDialogs, BothFileDialogsGoThroughTheReplaceableFunction) {
  std::vector<std::string> asked;
  TFileDialogFunc previous = SetFileDialogFunc([&](HWND, TOpenDialog& dialog) {
    asked.push_back(std::string(dialog.ForSaving() ? "save " : "open ") + dialog.Title);
    dialog.FileName = "c:\\data\\list.txt";
    return !dialog.ForSaving();
  });
  TOpenDialog open(nullptr);
  open.Title = "読み込むファイル";
  TSaveDialog save(nullptr);
  save.Title = "書き出しファイル";
  EXPECT_TRUE(open.Execute());
  EXPECT_FALSE(save.Execute());
  EXPECT_EQ(open.FileName, "c:\\data\\list.txt");
  EXPECT_EQ(asked, (std::vector<std::string>{"open 読み込むファイル", "save 書き出しファイル"}));
  SetFileDialogFunc(previous);
}

TEST(GuiForms, ClosingTheMainFormEndsTheMessageLoopUnlessRefused) {
  TForm form(nullptr);
  TCustomForm* previous = Application->MainForm();
  Application->SetMainForm(&form);
  form.Show();
  bool allow = false;
  int closes = 0;
  form.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = allow; };
  form.OnClose = [&](TObject*, TCloseAction&) { ++closes; };
  SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_FALSE(Application->Terminated());
  EXPECT_EQ(closes, 0);
  allow = true;
  SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(closes, 1);
  Application->ResetTerminated();
  Application->SetMainForm(previous);
}

TEST(GuiGraphics, BitmapSavesAsTwentyFourBitBottomUpBmp) {
  testsupport::TTempDir dir;
  TBitmap bitmap;
  bitmap.SetSize(3, 2);
  bitmap.Canvas().Brush().SetColor(clRed);
  bitmap.Canvas().FillRect(RECT{0, 0, 3, 2});
  bitmap.Canvas().Brush().SetColor(clBlue);
  bitmap.Canvas().FillRect(RECT{0, 0, 1, 1});  // top left pixel
  bitmap.SaveToFile(dir.File("b.bmp"));
  const std::string bytes = testsupport::ReadFileBytes(dir.FileW(L"b.bmp"));
  // 14 + 40 header bytes, then rows of 3 pixels padded to 12 bytes, bottom row first.
  std::string expected("BM", 2);
  auto le32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) expected.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  auto le16 = [&](uint16_t v) {
    expected.push_back(static_cast<char>(v & 0xFF));
    expected.push_back(static_cast<char>(v >> 8));
  };
  le32(78);
  le32(0);
  le32(54);
  le32(40);
  le32(3);
  le32(2);
  le16(1);
  le16(24);
  le32(BI_RGB);
  le32(24);  // image bytes
  le32(0);
  le32(0);
  le32(0);
  le32(0);
  const std::string red("\x00\x00\xFF", 3), blue("\xFF\x00\x00", 3), pad(3, '\0');
  expected += red + red + red + pad;   // bottom row
  expected += blue + red + red + pad;  // top row
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, expected, bytes);
}

TEST(GuiDialogs, FilterSeparatorsBecomeNulsButNotTheSecondByteOfACharacter) {
  // "ポ" is 83 7C in code page 932: its second byte is a "|" that separates nothing.
  struct Case {
    const char* filter;
    std::string expected;
  };
  const Case cases[] = {
      {"Text|*.txt|All|*.*", std::string("Text\0*.txt\0All\0*.*\0\0", 20)},
      {"レポート|*.rpt", std::string("レポート") + std::string("\0*.rpt\0\0", 8)},
      {"", std::string("\0\0", 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    EXPECT_PRED_FORMAT2(testsupport::BytesEqual, c.expected, DialogFilterBuffer(c.filter));
  }
}

}  // namespace

namespace {

// An edit that, as its window goes, has the form activated: what happens when another
// program hands the activation back while a panel of controls is being freed.
class TActivatingEdit : public TEdit {
public:
  using TEdit::TEdit;
  LRESULT WndProc(TMessage& m) override {
    if (m.Msg == WM_DESTROY) {
      if (TCustomForm* form = GetParentForm(this)) SendMessageA(form->Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    }
    return TEdit::WndProc(m);
  }
};

TEST(GuiForms, FreeingFocusedControlsLeavesNoDanglingFocus) {
  TForm form(nullptr);
  form.SetBounds(20, 20, 300, 200);
  guitest::ShowAndActivate(form);
  auto* survivor = new TEdit(&form);
  survivor->SetParent(&form);
  for (bool activateWhileFreed : {false, true}) {
    SCOPED_TRACE(activateWhileFreed);
    // host > inner > edit, the edit focused: destroying its window moves the focus to the
    // dying panel around it.
    auto* host = new TPanel(nullptr);
    host->SetParent(&form);
    auto* inner = new TPanel(host);
    inner->SetParent(host);
    TEdit* edit = activateWhileFreed ? new TActivatingEdit(host) : new TEdit(host);
    edit->SetParent(inner);
    edit->SetFocus();
    Pump();
    ASSERT_EQ(form.FocusedControl(), edit);
    delete host;
    TWinControl* focused = form.FocusedControl();
    EXPECT_TRUE(focused == nullptr || focused == &form || focused == survivor);
    TWinControl* active = form.ActiveControl();
    EXPECT_TRUE(active == nullptr || active == survivor);
    survivor->SetFocus();  // walks from the remembered control: must not touch freed ones
    Pump();
    EXPECT_EQ(form.FocusedControl(), survivor);
  }
}

}  // namespace
