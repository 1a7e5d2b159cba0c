// Common dialogs: the shell's folder-browse dialog and the open and save file dialogs, each
// behind a replaceable function (tests put their own answer there).
#pragma once

#include "platform/gui/Components.h"

#include <windows.h>

#include <functional>

// Asks for a folder. root: a folder path to start the tree at, empty for the whole shell
// namespace. Answers false when cancelled; otherwise chosen holds the file-system path.
using TBrowseForFolderFunc =
    std::function<bool(HWND owner, const AnsiString& caption, const AnsiString& root, AnsiString& chosen)>;

bool BrowseForFolder(HWND owner, const AnsiString& caption, const AnsiString& root, AnsiString& chosen);
// Replaces the dialog (an empty function restores the shell's); answers the previous one.
TBrowseForFolderFunc SetBrowseForFolderFunc(TBrowseForFolderFunc func);

// A filter "Text|*.txt|All|*.*" as the file dialogs take it: every "|" a NUL, a double NUL at
// the end.
AnsiString DialogFilterBuffer(const AnsiString& filter);

class TOpenDialog;

// Runs a file dialog: answers false when cancelled, otherwise the dialog's FileName holds the
// file chosen. dialog.ForSaving() tells the save dialog from the open one.
using TFileDialogFunc = std::function<bool(HWND owner, TOpenDialog& dialog)>;
// Replaces both file dialogs (an empty function restores the system's); answers the previous one.
TFileDialogFunc SetFileDialogFunc(TFileDialogFunc func);

// The open-file dialog component.
class TOpenDialog : public TComponent {
public:
  explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}
  const char* ClassName() const override { return "TOpenDialog"; }
  AnsiString DefaultExt;
  AnsiString FileName;
  AnsiString Filter;  // "Text|*.txt|All|*.*"
  AnsiString Title;
  AnsiString InitialDir;
  // Shows the dialog owned by the given window; true when a file name was chosen.
  bool Execute(HWND owner = nullptr);
  virtual bool ForSaving() const { return false; }

protected:
  // The system's dialog (GetOpenFileName; GetSaveFileName for the save dialog).
  virtual bool RunSystemDialog(HWND owner);
  bool RunFileNameDialog(HWND owner, DWORD flags, bool save);
};

// The save-file dialog component (asks before overwriting a file).
class TSaveDialog : public TOpenDialog {
public:
  explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}
  const char* ClassName() const override { return "TSaveDialog"; }
  bool ForSaving() const override { return true; }

protected:
  bool RunSystemDialog(HWND owner) override;
};
