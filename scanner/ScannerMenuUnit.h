// The main window's unit: the main window and the scan worker it starts.
#pragma once

#include "CvIdxBuilder/CvBatchCrawlerUnit.h"
#include "CvIdxBuilder/CvFileListIOUnit.h"
#include "CvIdxBuilder/CvThreadRunnerUnit.h"
#include "editors/vxCalc.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

#include <functional>

// The scan worker the main window creates: a crawl whose output goes to the work folder.
class TBatchScanThread : public TBatchCrawlThread {
public:
  TBatchScanThread(std::unique_ptr<TCrawlTargets> targets, bool recursive, int32_t reportInterval,
                   int32_t flushInterval, bool makeFileList, bool makeDirList, int64_t minSize,
                   int64_t minCount, const AnsiString& workFolder);
  const char* ClassName() const override { return "TBatchScanThread"; }
};

// What the main window asks of its surroundings, replaceable in tests: the desktop folder
// (where the work folder goes by default) and opening a folder in the shell.
struct TForm1Environment {
  std::function<AnsiString()> DesktopFolder;
  std::function<void(HWND owner, const AnsiString& folder)> OpenFolder;
  // The shell's desktop folder and ShellExecuteA.
  static TForm1Environment Default();
};

// The state of one copy of the peek group: the lines still to copy and the output writer
// (not owned).
class TPrintListParam {
public:
  int64_t Remaining() const { return FRemaining; }
  void SetRemaining(int64_t value) { FRemaining = value; }
  TStringListWriter* Writer() const { return FWriter; }
  void SetWriter(TStringListWriter* value) { FWriter = value; }

private:
  int64_t FRemaining = 0;
  TStringListWriter* FWriter = nullptr;
};

// A number field's value as a line number or count: rounded half away from zero, clamped to
// the 64-bit range (NaN counts as 0).
int64_t PeekValueToInt64(long double value);

// Copies count entries of the reader's file list from line start on into the writer, each line
// "number TAB folder or full path", and flushes. A start below 0 reads from line 0; a count
// below 1 copies nothing. When the reading fails, what was copied is flushed before the error
// goes on (a failing flush does not replace it).
void CopyFileListRange(TFileListReader& reader, TStringListWriter& writer, int64_t start, int64_t count);

// The main window: the work folder and the two thresholds, the scan button, the log view
// that shows the running scan's lines once a second, abort, and opening the work folder.
// Its controls are owned by the form (component owner model); Runner is the running scan,
// owned by the form for the length of one scan.
class TForm1 : public TForm {
public:
  explicit TForm1(TComponent* owner, TForm1Environment environment = TForm1Environment::Default());
  // Stops and waits for a scan that still runs (see FormClose).
  ~TForm1() override;
  const char* ClassName() const override { return "TForm1"; }

  // Design-time fields, in declaration order.
  TSaveDialog* FileListSaveDialog;
  TTimer* LogTimer;
  TRichEdit* LogMemo;
  TPanel* Panel1;
  TButton* AbortButton;
  TLabel* AbortLabel;
  TPanel* Panel3;
  TEdit* WorkFolderEdit;
  TLabel* WorkFolder;
  TButton* CrawlButton;
  TButton* OpenWorkButton;
  TButton* SelectWorkButton;
  TLabel* Label1;
  TEdit* MinSizeEdit;
  TEdit* MinCountEdit;
  TLabel* Label2;
  TCheckBox* FileListCheck;
  // The list-peek group: never shown. Its two number fields are calculator edits.
  TGroupBox* GroupBox5;
  TLabel* Label3;
  TLabel* Label10;
  TvxCalcEdit* StartPeekEdit;
  TvxCalcEdit* RangeEdit;
  TButton* ShowFileListButton;
  TSaveDialog* SaveDialog1;
  TOpenDialog* OpenDialog1;
  TButton* Button1;

  // Event handlers.
  void FormCreate(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);
  void CrawlButtonClick(TObject* sender);
  void SelectWorkButtonClick(TObject* sender);
  void OpenWorkButtonClick(TObject* sender);
  void AbortButtonClick(TObject* sender);
  void LogTimerTimer(TObject* sender);
  // Asks for a file list and an output file, then copies RangeEdit lines from line
  // StartPeekEdit on (see CopyFileListRange).
  void ShowFileListButtonClick(TObject* sender);
  // The reader's callback of a copy: data is the TPrintListParam. Writes one line and asks to
  // stop once the count is reached; with nothing left to copy it writes nothing.
  static void PrintListLine(const WideString& text, bool isFolder, int64_t lineNo, void* data, uint8_t& stop);

  // The running scan's runner, or none when idle.
  TCvThreadRunner* Runner() const { return FRunner.get(); }

private:
  void EnterRunningState();
  void LeaveRunningState();
  // Moves every waiting mailbox line into the log view and to the trace client.
  void DrainMessages();
  // Stops a running scan, waits for its end and takes its last lines.
  void StopAndWaitForScan();

  TForm1Environment FEnvironment;
  std::unique_ptr<TCvThreadRunner> FRunner;
};
