// Common dialogs: the shell's folder-browse dialog behind a replaceable function (tests put
// their own answer there), and the save-file dialog component.
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

class TSaveDialog : public TComponent {
public:
  explicit TSaveDialog(TComponent* owner) : TComponent(owner) {}
  const char* ClassName() const override { return "TSaveDialog"; }
  AnsiString DefaultExt;
  AnsiString FileName;
  AnsiString Filter;  // "Text|*.txt|All|*.*"
  AnsiString Title;
  AnsiString InitialDir;
  // Shows the dialog owned by the given window; true when a file name was chosen.
  bool Execute(HWND owner = nullptr);
};
