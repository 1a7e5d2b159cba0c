// The real main window under Xvfb: its layout and captions, scans started through a
// replaced folder dialog with their lines arriving through the timer, abort, trimming of
// the log view, threshold errors, the work folder, a scan that dies, and closing during a
// scan.
#include "CvIdxBuilder/CvHviUnit.h"
#include "CvIdxBuilder/CvPathValidatorUnit.h"
#include "common/CorvaneIniUnit.h"
#include "controls/vxDataStorage.h"
#include "controls/vxFormats.h"
#include "editors/vxCalc.h"
#include "editors/vxDropDownEdit.h"
#include "editors/vxEdit.h"
#include "editors/vxMaskEdit.h"
#include "editors/vxTextEdit.h"
#include "platform/rtl/SysExceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Threads.h"
#include "scanner/ScannerMenuUnit.h"
#include "tests/controls/ControlsTestSupport.h"
#include "tests/platform/GuiTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

using testsupport::TTempDir;

namespace {

// The units the window and a scan need, started and finished once for the run in the
// program's order.
class ScannerEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    InitializeForms();
    Application->Initialize();
    // The control library and the editors (the window's number fields are editors).
    controlstest::StartControlUnits();
    InitializevxFormats();
    InitializevxDataStorage();
    InitializevxEdit();
    InitializevxTextEdit();
    InitializevxMaskEdit();
    InitializevxDropDownEdit();
    InitializevxCalc();
    // A configuration of the run's own, so that folders the configuration creates land in
    // a temp folder and not in the working directory.
    FConfigDir = std::make_unique<TTempDir>();
    TCorvaneIni::ReplaceInstance(std::make_unique<TCorvaneIni>(
        FConfigDir->File("corvane.ini"), FConfigDir->Path() + "\\"));
    InitializeCvHviUnit();
    InitializeCvPathValidatorUnit();
  }
  void TearDown() override {
    FinalizeCvPathValidatorUnit();
    FinalizeCvHviUnit();
    FinalizeCorvaneIniUnit();
    FinalizevxCalc();
    FinalizevxDropDownEdit();
    FinalizevxMaskEdit();
    FinalizevxTextEdit();
    FinalizevxEdit();
    FinalizevxDataStorage();
    FinalizevxFormats();
    controlstest::StopControlUnits();
    FinalizeForms();
    FConfigDir.reset();
  }

private:
  std::unique_ptr<TTempDir> FConfigDir;
};

[[maybe_unused]] ::testing::Environment* const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new ScannerEnvironment);

bool PumpUntil(const std::function<bool()>& done, int maxRounds = 6000) {
  for (int i = 0; i < maxRounds && !done(); ++i) {
    Application->ProcessMessages();
    if (done()) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return done();
}

void Click(TButton* button) { SendMessageA(button->Handle(), BM_CLICK, 0, 0); }

AnsiString WindowText(TWinControl* control) {
  char buffer[256] = {};
  GetWindowTextA(control->Handle(), buffer, sizeof buffer);
  return buffer;
}

std::vector<AnsiString> FilesMatching(const AnsiString& pattern) {
  std::vector<AnsiString> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(data.cFileName);
  while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

// The log file's lines as the view shows them: each TAB with a blank before it.
std::vector<AnsiString> LogFileAsShown(const AnsiString& folder) {
  std::vector<AnsiString> logs = FilesMatching(folder + "\\J010_FILLST_00_*.log");
  EXPECT_EQ(logs.size(), 1u) << "one scan log in " << folder;
  if (logs.empty()) return {};
  const std::string bytes = testsupport::ReadFileBytes(AnsiToWide(folder + "\\" + logs[0]));
  std::vector<AnsiString> lines;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find("\r\n", pos);
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(StringReplaceAll(bytes.substr(pos, end - pos), "\t", " \t"));
    pos = end + 2;
  }
  return lines;
}

void MakeTree(const WideString& root, int folders, int filesPerFolder) {
  testsupport::MakeDirs(root);
  for (int f = 0; f < folders; ++f) {
    const WideString folder = root + L"\\sub" + std::to_wstring(f);
    testsupport::MakeDirs(folder);
    for (int i = 0; i < filesPerFolder; ++i) testsupport::WriteFileBytes(folder + L"\\f" + std::to_wstring(i) + L".txt", "");
  }
}

// How long a test waits for a worker it holds or lets go before it gives up on it.
constexpr DWORD kWorkerBoundMs = 60000;

// Holds a scan's worker inside its walk until the test has acted on the running scan, so that
// what the test does meets a worker that has neither finished nor passed its stop tests. The
// walk builds the path filter when its first folder opens (after the folder's stop test,
// before its first entry's), and the filter takes its settings from a source the test may
// replace: the hold sits in that source. Released, the worker meets a stop given meanwhile at
// its first entry. Only the first walk after Arm is held.
class TWalkHold {
public:
  TWalkHold() = default;
  ~TWalkHold() {
    Release();
    TCvPathValidator::SetSettingsSource(nullptr);
  }
  TWalkHold(const TWalkHold&) = delete;
  TWalkHold& operator=(const TWalkHold&) = delete;

  // The next walk builds the filter afresh, through the hold.
  void Arm() {
    FHeld.ResetEvent();
    FOpen.ResetEvent();
    FStopOf = nullptr;
    TCvPathValidator::ReplaceInstance(nullptr);
    TCvPathValidator::SetSettingsSource([this] {
      Hold();
      return TCvPathValidatorSettings::FromStartup();
    });
  }
  // Waits, with a bound, until the worker is held; false when it never came.
  bool WaitUntilHeld() { return FHeld.WaitFor(kWorkerBoundMs) == TWaitResult::wrSignaled; }
  void Release() { FOpen.SetEvent(); }
  // Releases the worker as soon as it is told to stop: for a stop that then waits for the
  // worker on the test's own thread (closing the window), where the test cannot release it.
  void ReleaseOnStopOf(TCvBatchThread& worker) { FStopOf = &worker; }

private:
  void Hold() {
    FHeld.SetEvent();
    // The stop command is a locked byte with nothing to wait on: it is looked at between short
    // waits for the release. The bound only keeps a test that never acts from hanging; the
    // scan then runs to its end and the test's checks say so.
    constexpr DWORD kLookMs = 5;
    for (DWORD waited = 0; waited < kWorkerBoundMs; waited += kLookMs) {
      if (FOpen.WaitFor(kLookMs) == TWaitResult::wrSignaled) return;
      TCvBatchThread* worker = FStopOf;
      if (worker != nullptr && worker->Command().Value() == bcStop) return;
    }
  }

  TEvent FHeld, FOpen;
  std::atomic<TCvBatchThread*> FStopOf{nullptr};
};

// The lines of a scan log that say the walk was stopped.
int AbortedLines(const std::vector<AnsiString>& lines) {
  int aborted = 0;
  for (const AnsiString& line : lines) aborted += line.find("ABORTED") != AnsiString::npos ? 1 : 0;
  return aborted;
}

class MainWindow : public ::testing::Test {
protected:
  void SetUp() override {
    Desktop = Temp.Path() + "\\Desktop";
    ForceDirectories(Desktop);
    FPreviousBrowse = SetBrowseForFolderFunc([this](HWND, const AnsiString& caption, const AnsiString& root,
                                                    AnsiString& chosen) {
      BrowseCaptions.push_back(caption);
      BrowseRoots.push_back(root);
      if (BrowseAnswer.empty()) return false;
      chosen = BrowseAnswer;
      return true;
    });
    FPreviousHandler = Application->OnException;
    Application->OnException = [this](TObject*, const std::exception& e) {
      auto* ex = dynamic_cast<const Exception*>(&e);
      Errors.push_back(AnsiString(ex != nullptr ? ex->ClassName() : "?") + ": " + e.what());
    };
    Form = MakeForm(Desktop);
  }
  void TearDown() override {
    Hold.Release();  // a test that failed while its worker was held
    delete Form;
    SetBrowseForFolderFunc(FPreviousBrowse);
    Application->OnException = FPreviousHandler;
  }
  TForm1* MakeForm(const AnsiString& desktop) {
    TForm1Environment environment;
    environment.DesktopFolder = [desktop] { return desktop; };
    environment.OpenFolder = [this](HWND, const AnsiString& folder) { Opened.push_back(folder); };
    auto* form = new TForm1(nullptr, environment);
    form->AfterConstruction();
    form->Show();
    Application->ProcessMessages();
    return form;
  }
  AnsiString WorkFolder() const { return Desktop + "\\CvFolderScanner"; }
  // Starts a scan of the folder the dialog will answer and waits until the window is idle.
  // The worker ends before the timer is let in, so one tick takes the whole scan: however
  // slow the scan, the log view is trimmed once, as after a scan that ended within a tick.
  void ScanAndWait(const AnsiString& target) {
    BrowseAnswer = target;
    Click(Form->CrawlButton);
    ASSERT_NE(Form->Runner(), nullptr) << "the scan did not start";
    ASSERT_EQ(WaitForSingleObject(Form->Runner()->Thread()->Handle(), kWorkerBoundMs), WAIT_OBJECT_0)
        << "the worker did not end";
    ASSERT_TRUE(PumpUntil([&] { return Form->Runner() == nullptr; })) << "the scan did not end";
  }
  // Starts a scan of the folder the dialog will answer and holds its worker inside the walk
  // (TWalkHold): until the test lets it go, the scan runs and cannot end.
  void StartHeldScan(const AnsiString& target) {
    Hold.Arm();
    BrowseAnswer = target;
    Click(Form->CrawlButton);
    ASSERT_NE(Form->Runner(), nullptr) << "the scan did not start";
    ASSERT_TRUE(Hold.WaitUntilHeld()) << "the walk did not begin";
    ASSERT_EQ(Form->Runner()->GetState(), rsRunning);
  }
  std::vector<AnsiString> ViewLines() {
    std::vector<AnsiString> lines;
    TRichEditStrings& view = Form->LogMemo->Lines();
    for (int i = 0; i < view.Count(); ++i) lines.push_back(view.Strings(i));
    return lines;
  }
  void ExpectIdle() {
    EXPECT_EQ(Form->Runner(), nullptr);
    EXPECT_TRUE(Form->CrawlButton->Enabled());
    EXPECT_TRUE(IsWindowEnabled(Form->CrawlButton->Handle()));
    EXPECT_FALSE(Form->AbortButton->Visible());
    EXPECT_FALSE(IsWindowVisible(Form->AbortButton->Handle()));
    EXPECT_FALSE(Form->AbortLabel->Visible());
    EXPECT_FALSE(Form->LogTimer->Enabled());
  }

  TTempDir Temp;
  TWalkHold Hold;
  AnsiString Desktop;
  TForm1* Form = nullptr;
  AnsiString BrowseAnswer;
  std::vector<AnsiString> BrowseCaptions, BrowseRoots, Opened, Errors;

private:
  TBrowseForFolderFunc FPreviousBrowse;
  TExceptionEvent FPreviousHandler;
};

// Saves what the window looks like under Xvfb among the build's artifacts.
void SaveScreenshot(TForm1& form) {
  RECT r{};
  GetWindowRect(form.Handle(), &r);
  TBitmap shot;
  shot.SetSize(r.right - r.left, r.bottom - r.top);
  HDC window = GetWindowDC(form.Handle());
  BitBlt(shot.Canvas().Handle(), 0, 0, shot.Width(), shot.Height(), window, 0, 0, SRCCOPY);
  ReleaseDC(form.Handle(), window);
  guitest::SaveArtifact(shot, "main_window.bmp");
}

TEST_F(MainWindow, ControlsAndCaptionsAreLaidOutAsDesigned) {
  EXPECT_EQ(WindowText(Form), "フォルダ一覧・ファイル一覧作成ツール");
  const RECT bounds = Form->BoundsRect();
  EXPECT_EQ(bounds.left, 232);
  EXPECT_EQ(bounds.top, 136);
  EXPECT_EQ(Form->Width(), 854);
  EXPECT_EQ(Form->Height(), 600);
  EXPECT_EQ(Form->Color(), clBtnFace);
  EXPECT_EQ(Form->Font().Name(), "ＭＳ Ｐゴシック");
  EXPECT_EQ(Form->Font().Charset(), SHIFTJIS_CHARSET);
  EXPECT_EQ(Form->Font().Height(), -12);

  struct Expected {
    const char* name;
    TWinControl* control;
    TWinControl* parent;
    const char* text;
    bool visible;
  };
  const Expected controls[] = {
      {"WorkFolder", Form->WorkFolder, Form->Panel3, "作業フォルダ", true},
      {"WorkFolderEdit", Form->WorkFolderEdit, Form->Panel3, nullptr, true},
      {"SelectWorkButton", Form->SelectWorkButton, Form->Panel3, "選択", true},
      {"OpenWorkButton", Form->OpenWorkButton, Form->Panel3, "作業フォルダを開く", true},
      {"CrawlButton", Form->CrawlButton, Form->Panel3, "ファイル名・フォルダ名の一覧を作成", true},
      {"MinSizeEdit", Form->MinSizeEdit, Form->Panel3, "100", true},
      {"Label1", Form->Label1, Form->Panel3, "MB以上または", true},
      {"MinCountEdit", Form->MinCountEdit, Form->Panel3, "1000", true},
      {"Label2", Form->Label2, Form->Panel3, "ファイル以上のフォルダをリスト出力", true},
      {"FileListCheck", Form->FileListCheck, Form->Panel3, "ファイル一覧も作成", true},
      {"AbortButton", Form->AbortButton, Form->Panel1, "処理中止", false},
      {"AbortLabel", Form->AbortLabel, Form->Panel1, "中止します", false},
      {"LogMemo", Form->LogMemo, Form, "", true},
  };
  for (const Expected& c : controls) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.control->Parent(), c.parent);
    if (c.text != nullptr) {
      EXPECT_EQ(WindowText(c.control), c.text);
    }
    EXPECT_EQ(c.control->Visible(), c.visible);
    EXPECT_EQ(IsWindowVisible(c.control->Handle()) != FALSE, c.visible);
    EXPECT_EQ(c.control->Font().Name(), "ＭＳ Ｐゴシック");
  }
  EXPECT_FALSE(Form->FileListCheck->Checked());

  // The panels hold the top and bottom edges; the log view fills the rest of the client area.
  const RECT client = Form->ClientRect();
  EXPECT_EQ(Form->Panel3->Align(), TAlign::alTop);
  EXPECT_EQ(Form->Panel3->Height(), 73);
  EXPECT_EQ(Form->Panel3->Top(), 0);
  EXPECT_EQ(Form->Panel3->Width(), client.right);
  EXPECT_EQ(Form->Panel1->Align(), TAlign::alBottom);
  EXPECT_EQ(Form->Panel1->Height(), 41);
  EXPECT_EQ(Form->Panel1->Top(), client.bottom - 41);
  EXPECT_EQ(Form->LogMemo->Top(), 73);
  EXPECT_EQ(Form->LogMemo->Height(), client.bottom - 73 - 41);
  EXPECT_EQ(Form->LogMemo->Width(), client.right);
  // The log view keeps the Tab key, and shows both scroll bars once its lines outgrow it
  // (long lines are not wrapped).
  EXPECT_TRUE(SendMessageA(Form->LogMemo->Handle(), WM_GETDLGCODE, VK_TAB, 0) & DLGC_WANTTAB);
  for (int i = 0; i < 100; ++i) Form->LogMemo->Lines().Add(AnsiString(300, 'x'));
  Application->ProcessMessages();
  const DWORD memoStyle = static_cast<DWORD>(GetWindowLongA(Form->LogMemo->Handle(), GWL_STYLE));
  EXPECT_EQ(memoStyle & (WS_HSCROLL | WS_VSCROLL), static_cast<DWORD>(WS_HSCROLL | WS_VSCROLL));
  EXPECT_EQ(Form->LogMemo->Lines().Count(), 100);
  Form->LogMemo->Lines().Clear();

  EXPECT_FALSE(Form->LogTimer->Enabled());
  EXPECT_EQ(Form->LogTimer->Interval(), 1000u);
  EXPECT_EQ(Form->FileListSaveDialog->DefaultExt, "txt");
  EXPECT_EQ(Form->FileListSaveDialog->FileName, "FileNameList");
  EXPECT_EQ(Form->FileListSaveDialog->Title, "リストファイル名を指定してください");
  ExpectIdle();
  SaveScreenshot(*Form);
}

TEST_F(MainWindow, WorkFolderIsMadeOnTheDesktopAtStartUp) {
  EXPECT_EQ(Form->WorkFolderEdit->Text(), WorkFolder());
  EXPECT_TRUE(DirectoryExists(WorkFolder()));
  // Without a desktop the text stands on its own and nothing is created at a drive root.
  TForm1* bare = MakeForm("");
  EXPECT_EQ(bare->WorkFolderEdit->Text(), "\\CvFolderScanner");
  delete bare;
}

TEST_F(MainWindow, ScanLinesArriveThroughTheTimerAndTheButtonsFollow) {
  const WideString target = Temp.PathW() + L"\\Target";
  MakeTree(target, 2, 3);
  Form->FileListCheck->SetChecked(true);
  BrowseAnswer = Temp.Path() + "\\TARGET";
  Click(Form->CrawlButton);
  ASSERT_NE(Form->Runner(), nullptr);
  // Running: one scan at a time, abort offered.
  EXPECT_FALSE(Form->CrawlButton->Enabled());
  EXPECT_TRUE(Form->AbortButton->Visible());
  EXPECT_TRUE(IsWindowVisible(Form->AbortButton->Handle()));
  EXPECT_FALSE(Form->AbortLabel->Visible());
  EXPECT_TRUE(Form->LogTimer->Enabled());
  EXPECT_EQ(BrowseCaptions, std::vector<AnsiString>{"スキャン対象フォルダを選択してください"});
  EXPECT_EQ(BrowseRoots, std::vector<AnsiString>{""});
  ASSERT_TRUE(PumpUntil([&] { return Form->Runner() == nullptr; }));
  ExpectIdle();

  // The view shows exactly the scan's log lines, nothing more: a normal scan looks as it did.
  const std::vector<AnsiString> view = ViewLines();
  EXPECT_EQ(view, LogFileAsShown(WorkFolder()));
  ASSERT_GE(view.size(), 2u);
  EXPECT_NE(view.front().find("START crawling: " + AnsiLowerCase(Temp.Path()) + "\\target"), AnsiString::npos)
      << view.front();
  EXPECT_NE(view.back().find("folders scanned"), AnsiString::npos) << view.back();
  for (const char* kind : {"FILLST", "ERRLST", "DIRLST"})
    EXPECT_EQ(FilesMatching(WorkFolder() + "\\J010_" + kind + "_00.txt").size(), 1u) << kind;
  EXPECT_TRUE(Errors.empty());
}

TEST_F(MainWindow, CancelledDialogOrBadThresholdStartsNothing) {
  BrowseAnswer.clear();  // the dialog is cancelled
  Click(Form->CrawlButton);
  ExpectIdle();
  EXPECT_EQ(BrowseCaptions.size(), 1u);
  EXPECT_TRUE(Errors.empty());

  struct Case {
    const char* size;
    const char* count;
  };
  const Case cases[] = {{"abc", "1000"}, {"100", "1e3"}, {"", "1000"}, {"100", "１０００"}, {"99999999999", "1000"}};
  BrowseAnswer = Temp.Path();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.size) + " / " + c.count);
    Errors.clear();
    Form->MinSizeEdit->SetText(c.size);
    Form->MinCountEdit->SetText(c.count);
    Click(Form->CrawlButton);
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_EQ(Errors[0].rfind("EConvertError: ", 0), 0u) << Errors[0];
    ExpectIdle();
  }
  EXPECT_EQ(BrowseCaptions.size(), 1u) << "the folder dialog never opened";
  EXPECT_TRUE(ViewLines().empty());
}

TEST_F(MainWindow, ChosenFolderIsScannedLowerCased) {
  // Work folders whose names end in a double-byte character with a 0x5C trail byte ("ソ"),
  // given with and without a real trailing backslash: only a real one may be taken off.
  struct Case {
    const char* chosen;
    const char* listed;
    const char* work;
    const char* typed;
  };
  const Case cases[] = {{"D:\\Data", "d:\\data", "\\一ソ", "\\一ソ\\"},
                        {"D:\\ＤＡＴＡ\\Ｘ", "d:\\ｄａｔａ\\ｘ", "\\二ソ", "\\二ソ"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen);
    Form->WorkFolderEdit->SetText(Temp.Path() + c.typed);
    Form->LogMemo->Lines().Clear();
    ScanAndWait(c.chosen);
    const std::vector<AnsiString> view = ViewLines();
    ASSERT_FALSE(view.empty());
    EXPECT_NE(view.front().find(AnsiString("START crawling: ") + c.listed), AnsiString::npos) << view.front();
    EXPECT_EQ(FilesMatching(Temp.Path() + c.work + "\\J010_FILLST_00_*.log").size(), 1u) << c.work;
  }
}

// The folder statistics list as text (UTF-16LE after its byte-order mark).
WideString DirListText(const AnsiString& work) {
  const std::string bytes = testsupport::ReadFileBytes(AnsiToWide(work + "\\J010_DIRLST_00.txt"));
  WideString text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  return text;
}

TEST_F(MainWindow, SizeThresholdIsMegabytesInSixtyFourBits) {
  // A folder two levels down with one byte in one file is listed only when it reaches a
  // threshold: 2048 MB is 2147483648 bytes, which must not wrap round to a negative number.
  const WideString target = Temp.PathW() + L"\\tree";
  testsupport::MakeDirs(target + L"\\a\\b");
  testsupport::WriteFileBytes(target + L"\\a\\b\\one.txt", "x");
  struct Case {
    const char* megabytes;
    bool listed;
  };
  const Case cases[] = {{"2048", false}, {"4095", false}, {"0", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.megabytes);
    const AnsiString work = Temp.Path() + "\\size" + c.megabytes;
    Form->WorkFolderEdit->SetText(work);
    Form->MinSizeEdit->SetText(c.megabytes);
    ScanAndWait(WideToAnsi(target));
    const WideString deep = WideLowerCase(target) + L"\\a\\b\t";
    EXPECT_EQ(DirListText(work).find(deep) != WideString::npos, c.listed);
  }
}

TEST_F(MainWindow, LogViewOverThreeHundredLinesLosesItsFirst101) {
  const WideString target = Temp.PathW() + L"\\empty";
  testsupport::MakeDirs(target);
  for (int prefill : {300, 301, 450}) {
    SCOPED_TRACE(prefill);
    AnsiString text;
    for (int i = 0; i < prefill; ++i) text += "line " + IntToStr(i) + "\r\n";
    Form->LogMemo->SetText(text);
    ASSERT_EQ(Form->LogMemo->Lines().Count(), prefill);
    // Each scan writes its own log; keep one per folder.
    const AnsiString work = Temp.Path() + "\\work" + IntToStr(prefill);
    Form->WorkFolderEdit->SetText(work);
    ScanAndWait(WideToAnsi(target));
    const std::vector<AnsiString> lines = ViewLines();
    const std::vector<AnsiString> scan = LogFileAsShown(work);
    const int kept = prefill > 300 ? prefill - 101 : prefill;
    ASSERT_EQ(lines.size(), static_cast<size_t>(kept) + scan.size());
    EXPECT_EQ(lines.front(), "line " + IntToStr(prefill - kept));
    EXPECT_EQ(lines[static_cast<size_t>(kept) - 1], "line " + IntToStr(prefill - 1));
    EXPECT_EQ(std::vector<AnsiString>(lines.begin() + kept, lines.end()), scan);
  }
}

TEST_F(MainWindow, ScanThatDiesSaysWhyInTheLogView) {
  testsupport::WriteFileBytes(Temp.FileW(L"blocker"), "a file where a folder should be");
  const AnsiString work = Temp.File("blocker") + "\\work";
  Form->WorkFolderEdit->SetText(work);
  ScanAndWait(Temp.Path());
  ExpectIdle();
  const AnsiString reason = "作業フォルダを作成できません: " + work;
  const std::vector<AnsiString> expected{"スキャンが異常終了しました: Fatal Exception: " + reason};
  EXPECT_EQ(ViewLines(), expected);
}

TEST_F(MainWindow, AbortStopsTheScanAndTwiceIsLikeOnce) {
  const WideString target = Temp.PathW() + L"\\tree";
  MakeTree(target, 2, 3);
  Form->FileListCheck->SetChecked(true);
  ASSERT_NO_FATAL_FAILURE(StartHeldScan(WideToAnsi(target)));
  Click(Form->AbortButton);
  EXPECT_TRUE(Form->AbortLabel->Visible());
  EXPECT_TRUE(IsWindowVisible(Form->AbortLabel->Handle()));
  Click(Form->AbortButton);
  EXPECT_EQ(Form->Runner()->GetState(), rsRunning) << "both clicks reached a running worker";
  Hold.Release();
  ASSERT_TRUE(PumpUntil([&] { return Form->Runner() == nullptr; }));
  ExpectIdle();
  const std::vector<AnsiString> view = ViewLines();
  EXPECT_EQ(view, LogFileAsShown(WorkFolder()));
  // Stopped at the target's first entry: one line, however often the button was pressed.
  EXPECT_EQ(AbortedLines(view), 1);
  EXPECT_TRUE(Errors.empty());
}

// The scan was stopped inside its walk (one "ABORTED" line) and still closed its lists: the
// index of the file list ends with its closing record, the log with its closing counts.
void ExpectStoppedWithListsClosed(const AnsiString& work) {
  const std::string idx = testsupport::ReadFileBytes(AnsiToWide(work + "\\J010_FILLST_00.idx"));
  const std::string total = testsupport::Utf16Bytes(L"Total\t");
  EXPECT_NE(idx.rfind(total), std::string::npos) << "the index has no closing record";
  const std::vector<AnsiString> log = LogFileAsShown(work);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(AbortedLines(log), 1) << "the scan was not stopped while it ran";
  EXPECT_NE(log.back().find("folders scanned"), AnsiString::npos) << log.back();
}

// The window as the application's main window, with a scan held inside its walk until the
// window stops it; Leave puts the application back as it was.
class MainWindowScanning : public MainWindow {
protected:
  void Start() {
    const WideString target = Temp.PathW() + L"\\tree";
    MakeTree(target, 2, 3);
    Form->FileListCheck->SetChecked(true);
    FPreviousMain = Application->MainForm();
    Application->SetMainForm(Form);
    ASSERT_NO_FATAL_FAILURE(StartScanToClose(WideToAnsi(target)));
  }
  // A held scan that the window's end lets go: it stops the worker and waits for it on this
  // thread.
  void StartScanToClose(const AnsiString& target) {
    ASSERT_NO_FATAL_FAILURE(StartHeldScan(target));
    Hold.ReleaseOnStopOf(*Form->Runner()->Thread());
  }
  // Waits for the application to end (a closed main window ends it); answers whether it did.
  bool Leave() {
    PumpUntil([] { return Application->Terminated(); }, 500);
    const bool ended = Application->Terminated();
    Application->ResetTerminated();
    Application->SetMainForm(FPreviousMain);
    return ended;
  }

private:
  TCustomForm* FPreviousMain = nullptr;
};

TEST_F(MainWindowScanning, ClosingDuringAScanWaitsForItAndKeepsTheLists) {
  ASSERT_NO_FATAL_FAILURE(Start());
  SendMessageA(Form->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(Form->Runner(), nullptr) << "closing waits for the scan and lets it go";
  ExpectIdle();
  EXPECT_TRUE(Leave());
  ExpectStoppedWithListsClosed(WorkFolder());
  // The lines of the stopped scan reached the view before it closed.
  EXPECT_EQ(ViewLines(), LogFileAsShown(WorkFolder()));

  // Freeing the window without closing it waits as well.
  const AnsiString work2 = Temp.Path() + "\\work2";
  Form->WorkFolderEdit->SetText(work2);
  ASSERT_NO_FATAL_FAILURE(StartScanToClose(BrowseAnswer));
  delete Form;
  Form = nullptr;
  ExpectStoppedWithListsClosed(work2);
}

TEST_F(MainWindowScanning, AltF4InTheOpenCalculatorClosesAndKeepsTheLists) {
  Form->GroupBox5->SetVisible(true);
  guitest::ShowAndActivate(*Form);
  ASSERT_NO_FATAL_FAILURE(Start());
  Form->StartPeekEdit->SetFocus();
  Application->ProcessMessages();
  bool opened = false;
  Form->StartPeekEdit->Properties()->OnPopup = [&](TObject*) {
    opened = true;
    guitest::TapKeyWith(VK_MENU, VK_F4);
  };
  Form->StartPeekEdit->SetDroppedDown(true);
  EXPECT_TRUE(Leave()) << "Alt+F4 reached the main window";
  EXPECT_TRUE(opened);
  EXPECT_EQ(Form->Runner(), nullptr) << "closing waited for the scan";
  ExpectStoppedWithListsClosed(WorkFolder());
  EXPECT_TRUE(Errors.empty());
}

TEST_F(MainWindow, WorkFolderButtonsUseTheDialogAndTheShell) {
  BrowseAnswer = Temp.Path() + "\\選んだ作業フォルダ";
  Click(Form->SelectWorkButton);
  EXPECT_EQ(BrowseCaptions, std::vector<AnsiString>{"作業フォルダを選択してください"});
  EXPECT_EQ(Form->WorkFolderEdit->Text(), BrowseAnswer);
  Click(Form->OpenWorkButton);  // does not exist: nothing happens
  EXPECT_TRUE(Opened.empty());
  ForceDirectories(BrowseAnswer);
  Click(Form->OpenWorkButton);
  EXPECT_EQ(Opened, std::vector<AnsiString>{BrowseAnswer});
  BrowseAnswer.clear();  // cancelled: the text stays
  Click(Form->SelectWorkButton);
  EXPECT_EQ(Form->WorkFolderEdit->Text(), Temp.Path() + "\\選んだ作業フォルダ");
}

}  // namespace
