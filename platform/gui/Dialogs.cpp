#include "platform/gui/Dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

namespace {

// The dialog function in force; empty means the shell's dialog.
TBrowseForFolderFunc& BrowseHook() {
  static TBrowseForFolderFunc hook;
  return hook;
}

bool ShellBrowseForFolder(HWND owner, const AnsiString& caption, const AnsiString& root, AnsiString& chosen) {
  PIDLIST_ABSOLUTE rootList = nullptr;
  if (!root.empty()) {
    const WideString wideRoot = AnsiToWide(root);
    if (FAILED(SHParseDisplayName(wideRoot.c_str(), nullptr, &rootList, 0, nullptr))) rootList = nullptr;
  }
  char display[MAX_PATH] = {};
  BROWSEINFOA info{};
  info.hwndOwner = owner;
  info.pidlRoot = rootList;
  info.pszDisplayName = display;
  info.lpszTitle = caption.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  PIDLIST_ABSOLUTE result = SHBrowseForFolderA(&info);
  if (rootList != nullptr) CoTaskMemFree(rootList);
  if (result == nullptr) return false;
  char path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListA(result, path) != FALSE;
  CoTaskMemFree(result);
  if (ok) chosen = path;
  return ok;
}

}  // namespace

bool BrowseForFolder(HWND owner, const AnsiString& caption, const AnsiString& root, AnsiString& chosen) {
  if (BrowseHook()) return BrowseHook()(owner, caption, root, chosen);
  return ShellBrowseForFolder(owner, caption, root, chosen);
}

TBrowseForFolderFunc SetBrowseForFolderFunc(TBrowseForFolderFunc func) {
  TBrowseForFolderFunc previous = std::move(BrowseHook());
  BrowseHook() = std::move(func);
  return previous;
}

AnsiString DialogFilterBuffer(const AnsiString& filter) {
  // A "|" can be the second byte of a double-byte character ("ポ" is 83 7C): only a "|" that
  // starts a character separates.
  AnsiString buffer = filter;
  for (size_t i = 0; i < buffer.size(); i = NextCharIndex(buffer, i))
    if (buffer[i] == '|') buffer[i] = '\0';
  buffer.push_back('\0');
  buffer.push_back('\0');
  return buffer;
}

namespace {

TFileDialogFunc& FileDialogHook() {
  static TFileDialogFunc hook;
  return hook;
}

}  // namespace

TFileDialogFunc SetFileDialogFunc(TFileDialogFunc func) {
  TFileDialogFunc previous = std::move(FileDialogHook());
  FileDialogHook() = std::move(func);
  return previous;
}

bool TOpenDialog::Execute(HWND owner) {
  if (FileDialogHook()) return FileDialogHook()(owner, *this);
  return RunSystemDialog(owner);
}

bool TOpenDialog::RunSystemDialog(HWND owner) {
  return RunFileNameDialog(owner, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ENABLESIZING, false);
}

bool TSaveDialog::RunSystemDialog(HWND owner) {
  return RunFileNameDialog(owner, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_ENABLESIZING, true);
}

bool TOpenDialog::RunFileNameDialog(HWND owner, DWORD flags, bool save) {
  const AnsiString filter = DialogFilterBuffer(Filter);
  char file[MAX_PATH] = {};
  lstrcpynA(file, FileName.c_str(), MAX_PATH);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
  ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
  ofn.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
  ofn.Flags = flags;
  if (!(save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn))) return false;
  FileName = file;
  return true;
}
