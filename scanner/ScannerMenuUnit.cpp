#include "scanner/ScannerMenuUnit.h"

#include "common/HvTLIntf.h"
#include "common/WindowsFolderUnit.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/Streams.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <limits>

TBatchScanThread::TBatchScanThread(std::unique_ptr<TCrawlTargets> targets, bool recursive,
                                   int32_t reportInterval, int32_t flushInterval,
                                   bool makeFileList, bool makeDirList, int64_t minSize,
                                   int64_t minCount, const AnsiString& workFolder)
    : TBatchCrawlThread(std::move(targets), recursive, reportInterval, flushInterval, makeFileList,
                        makeDirList, minSize, minCount) {
  // The thread is created suspended, so the folder is in place before the body runs.
  FOutputFolder = workFolder;
}

// ---------------------------------------------------------------------------------------------
// The main window

namespace {

// The log view keeps at most this many lines before a tick trims it...
constexpr int kLogViewMaxLines = 300;
// ...by this many from the top (one more than a round hundred, as users know it).
constexpr int kLogViewTrimLines = 101;
constexpr int64_t kBytesPerMB = 1048576;
// Worker settings of a scan started from the window.
constexpr int32_t kReportInterval = 10000;
constexpr int32_t kFlushInterval = 10000;
// Lines of a peek copy per write of the output file.
constexpr int32_t kPeekFlushEvery = 100;

// Locale-aware lower case of a wide text (full-width letters included), as the shell's
// paths are compared elsewhere.
WideString LocaleLowerCase(WideString text) {
  if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

template <class T>
T* Place(T* control, TWinControl* parent, int left, int top, int width, int height) {
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The list-peek group's copy

int64_t PeekValueToInt64(long double value) {
  if (std::isnan(value)) return 0;
  const long double rounded = std::round(value);  // half away from zero
  // 2^63 is exact in extended precision; everything at or beyond it would not convert.
  constexpr long double kLimit = 9223372036854775808.0L;
  if (rounded >= kLimit) return std::numeric_limits<int64_t>::max();
  if (rounded < -kLimit) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(rounded);
}

void TForm1::PrintListLine(const WideString& text, bool, int64_t lineNo, void* data, uint8_t& stop) {
  auto& param = *static_cast<TPrintListParam*>(data);
  // Tested before the write, so that a count below 1 copies nothing.
  if (param.Remaining() > 0) {
    param.Writer()->AddLine(std::to_wstring(lineNo) + L"\t" + text);
    param.SetRemaining(param.Remaining() - 1);
  }
  if (param.Remaining() <= 0) stop = kFileListStopDone;
}

void CopyFileListRange(TFileListReader& reader, TStringListWriter& writer, int64_t start, int64_t count) {
  TPrintListParam param;
  param.SetRemaining(count);
  param.SetWriter(&writer);
  // Before line 0 the reader would take the list's first folder line for a repeat of the
  // folder it starts in and drop it.
  int64_t line = std::max<int64_t>(start, 0);
  if (count > 0) {
    try {
      reader.ReadRange(&param, line, TForm1::PrintListLine);
    } catch (...) {
      // The lines copied before the failure are kept; the read's error is the one to report.
      try {
        writer.Flush();
      } catch (...) {
      }
      throw;
    }
  }
  writer.Flush();
}

TForm1Environment TForm1Environment::Default() {
  TForm1Environment e;
  e.DesktopFolder = [] { return WindowsFolderList != nullptr ? WindowsFolderList->Folder(wfDesktop) : AnsiString(); };
  e.OpenFolder = [](HWND owner, const AnsiString& folder) {
    ShellExecuteA(owner, nullptr, folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  };
  return e;
}

TForm1::TForm1(TComponent* owner, TForm1Environment environment)
    : TForm(owner), FEnvironment(std::move(environment)) {
  SetCaption("フォルダ一覧・ファイル一覧作成ツール");
  SetBounds(232, 136, 854, 600);
  SetColor(clBtnFace);
  Font().SetName("ＭＳ Ｐゴシック");
  Font().SetCharset(SHIFTJIS_CHARSET);
  Font().SetHeight(-12);
  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };

  FileListSaveDialog = new TSaveDialog(this);
  FileListSaveDialog->DefaultExt = "txt";
  FileListSaveDialog->FileName = "FileNameList";
  FileListSaveDialog->Title = "リストファイル名を指定してください";

  LogTimer = new TTimer(this);
  LogTimer->SetEnabled(false);
  LogTimer->SetOnTimer([this](TObject* sender) { LogTimerTimer(sender); });

  // The panels take the top and bottom edges first, so the log view fills what they leave.
  Panel3 = Place(new TPanel(this), this, 0, 0, 846, 73);
  Panel3->SetAlign(TAlign::alTop);
  Panel1 = Place(new TPanel(this), this, 0, 525, 846, 41);
  Panel1->SetAlign(TAlign::alBottom);
  LogMemo = Place(new TRichEdit(this), this, 0, 73, 846, 452);
  LogMemo->SetAlign(TAlign::alClient);
  LogMemo->SetPlainText(true);
  LogMemo->SetWordWrap(false);  // one log line per line of the view, for the trimming count
  LogMemo->SetScrollBars(TScrollStyle::ssBoth);
  LogMemo->SetWantTabs(true);

  AbortButton = Place(new TButton(this), Panel1, 8, 8, 89, 25);
  AbortButton->SetCaption("処理中止");
  AbortButton->SetVisible(false);
  AbortButton->OnClick = [this](TObject* sender) { AbortButtonClick(sender); };
  AbortLabel = Place(new TLabel(this), Panel1, 112, 14, 60, 12);
  AbortLabel->SetCaption("中止します");
  AbortLabel->SetVisible(false);

  WorkFolderEdit = Place(new TEdit(this), Panel3, 80, 8, 457, 20);
  WorkFolder = Place(new TLabel(this), Panel3, 8, 12, 66, 12);
  WorkFolder->SetCaption("作業フォルダ");
  CrawlButton = Place(new TButton(this), Panel3, 8, 38, 225, 27);
  CrawlButton->SetCaption("ファイル名・フォルダ名の一覧を作成");
  CrawlButton->OnClick = [this](TObject* sender) { CrawlButtonClick(sender); };
  OpenWorkButton = Place(new TButton(this), Panel3, 600, 6, 121, 25);
  OpenWorkButton->SetCaption("作業フォルダを開く");
  OpenWorkButton->OnClick = [this](TObject* sender) { OpenWorkButtonClick(sender); };
  SelectWorkButton = Place(new TButton(this), Panel3, 544, 6, 49, 25);
  SelectWorkButton->SetCaption("選択");
  SelectWorkButton->OnClick = [this](TObject* sender) { SelectWorkButtonClick(sender); };
  Label1 = Place(new TLabel(this), Panel3, 298, 46, 74, 12);
  Label1->SetCaption("MB以上または");
  MinSizeEdit = Place(new TEdit(this), Panel3, 244, 42, 49, 20);
  MinSizeEdit->SetText("100");
  MinCountEdit = Place(new TEdit(this), Panel3, 378, 42, 49, 20);
  MinCountEdit->SetText("1000");
  Label2 = Place(new TLabel(this), Panel3, 432, 46, 204, 12);
  Label2->SetCaption("ファイル以上のフォルダをリスト出力");
  FileListCheck = Place(new TCheckBox(this), Panel3, 648, 44, 137, 17);
  FileListCheck->SetCaption("ファイル一覧も作成");
  FileListCheck->SetChecked(false);

  // The list-peek group, below the top panel; nothing shows it. Its controls stand in one
  // row in the order they are declared.
  GroupBox5 = Place(new TGroupBox(this), this, 0, 73, 846, 88);
  GroupBox5->SetAlign(TAlign::alTop);
  GroupBox5->SetCaption("ファイルリストを覗く");
  GroupBox5->SetVisible(false);
  Label3 = Place(new TLabel(this), GroupBox5, 12, 32, 60, 12);
  Label3->SetCaption("先頭行：");
  Label10 = Place(new TLabel(this), GroupBox5, 76, 32, 30, 12);
  Label10->SetCaption("から");
  StartPeekEdit = Place(new TvxCalcEdit(this), GroupBox5, 112, 28, 121, 21);
  StartPeekEdit->SetValue(0);
  RangeEdit = Place(new TvxCalcEdit(this), GroupBox5, 240, 28, 121, 21);
  RangeEdit->SetValue(20);
  ShowFileListButton = Place(new TButton(this), GroupBox5, 368, 26, 75, 25);
  ShowFileListButton->SetCaption("保存");
  ShowFileListButton->OnClick = [this](TObject* sender) { ShowFileListButtonClick(sender); };
  SaveDialog1 = new TSaveDialog(this);
  OpenDialog1 = new TOpenDialog(this);
  Button1 = Place(new TButton(this), GroupBox5, 452, 26, 89, 25);
  Button1->SetCaption("抽出テスト");

  // Tab order as the controls appear on the window, left to right and top to bottom.
  int order = 0;
  for (TWinControl* c : std::initializer_list<TWinControl*>{WorkFolderEdit, SelectWorkButton, OpenWorkButton, CrawlButton,
                                                            MinSizeEdit, MinCountEdit, FileListCheck})
    c->SetTabOrder(order++);
}

TForm1::~TForm1() {
  // The worker uses the path filter and the special-folder table, which the unit
  // finalisations free after the windows are gone: it must have ended before that.
  if (FRunner) {
    FRunner->Stop(true);
    FRunner.reset();
  }
}

void TForm1::FormCreate(TObject*) {
  const AnsiString desktop = FEnvironment.DesktopFolder ? FEnvironment.DesktopFolder() : AnsiString();
  const AnsiString folder = desktop + "\\CvFolderScanner";
  WorkFolderEdit->SetText(folder);
  // Without a desktop the text is only root-relative; creating it would put a folder at the
  // root of whatever drive is current, so it is left to the scan to create or refuse.
  if (!desktop.empty()) ForceDirectories(folder);  // a failure shows when a scan starts
}

void TForm1::FormClose(TObject*, TCloseAction&) { StopAndWaitForScan(); }

void TForm1::CrawlButtonClick(TObject*) {
  const AnsiString workFolder = ExcludeTrailingBackslash(WorkFolderEdit->Text());
  // A threshold that is not an integer raises here, before anything else happens.
  const int64_t minSize = static_cast<int64_t>(StrToInt(MinSizeEdit->Text())) * kBytesPerMB;
  const int64_t minCount = StrToInt(MinCountEdit->Text());

  const AnsiString root = WindowsFolderList != nullptr ? WindowsFolderList->Folder(wfDrives) : AnsiString();
  AnsiString chosen;
  if (!BrowseForFolder(Handle(), "スキャン対象フォルダを選択してください", root, chosen)) return;
  const WideString target = LocaleLowerCase(AnsiToWide(chosen));

  auto targets = std::make_unique<TCrawlTargets>(true);
  targets->Add(target);
  auto worker = std::make_unique<TBatchScanThread>(std::move(targets), true, kReportInterval, kFlushInterval,
                                                   FileListCheck->Checked(), true, minSize, minCount, workFolder);
  EnterRunningState();
  FRunner = std::make_unique<TCvThreadRunner>();
  FRunner->Start(std::move(worker));
  LogTimer->SetEnabled(true);
}

void TForm1::SelectWorkButtonClick(TObject*) {
  AnsiString chosen;
  if (BrowseForFolder(Handle(), "作業フォルダを選択してください", "", chosen)) WorkFolderEdit->SetText(chosen);
}

void TForm1::OpenWorkButtonClick(TObject*) {
  const AnsiString folder = WorkFolderEdit->Text();
  if (DirectoryExists(folder) && FEnvironment.OpenFolder) FEnvironment.OpenFolder(Handle(), folder);
}

void TForm1::AbortButtonClick(TObject*) {
  AbortLabel->SetVisible(true);
  if (FRunner) FRunner->Stop(false);
}

void TForm1::DrainMessages() {
  while (FRunner->HasMsg()) {
    const AnsiString text = FRunner->PopMsg();
    LogMemo->Lines().Add(text);
    SendTraceMsg(text);
  }
}

void TForm1::LogTimerTimer(TObject*) {
  if (!FRunner) return;
  TRichEditStrings& lines = LogMemo->Lines();
  if (lines.Count() > kLogViewMaxLines)
    for (int i = 0; i < kLogViewTrimLines; ++i) lines.Delete(0);
  // The state is taken before the drain, so every line posted before the finish is shown.
  const TRunnerState state = FRunner->GetState();
  DrainMessages();
  if (state != rsFinished) return;
  // A worker that died of an exception leaves no line of its own: say that it failed, and why.
  TCvBatchThread* worker = FRunner->Thread();
  if (worker != nullptr && worker->HasFatalException()) {
    const AnsiString text =
        "スキャンが異常終了しました: " + worker->ResultMessage() + ": " + worker->FatalExceptionMessage();
    lines.Add(text);
    SendTraceMsg(text);
  }
  LeaveRunningState();
}


void TForm1::ShowFileListButtonClick(TObject*) {
  OpenDialog1->Title = "読み込むファイル";
  SaveDialog1->Title = "書き出しファイル";
  if (!OpenDialog1->Execute(Handle())) return;
  if (!SaveDialog1->Execute(Handle())) return;
  const int64_t start = PeekValueToInt64(StartPeekEdit->Value());
  const int64_t count = PeekValueToInt64(RangeEdit->Value());
  TFileListReader reader(AnsiToWide(OpenDialog1->FileName));
  TStringListWriter writer(AnsiToWide(SaveDialog1->FileName), kPeekFlushEvery);
  CopyFileListRange(reader, writer, start, count);
}

void TForm1::StopAndWaitForScan() {
  if (!FRunner) return;
  FRunner->Stop(true);
  DrainMessages();
  LeaveRunningState();
}

void TForm1::EnterRunningState() {
  CrawlButton->SetEnabled(false);
  AbortButton->SetVisible(true);
  AbortLabel->SetVisible(false);
}

void TForm1::LeaveRunningState() {
  LogTimer->SetEnabled(false);
  FRunner.reset();  // frees the worker and its targets
  CrawlButton->SetEnabled(true);
  AbortLabel->SetVisible(false);
  AbortButton->SetVisible(false);
}
