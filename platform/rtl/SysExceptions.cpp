#include "platform/rtl/SysExceptions.h"

#include <windows.h>

AnsiString SysErrorMessage(unsigned long code) {
  char* buf = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<char*>(&buf), 0, nullptr);
  AnsiString r = n && buf ? AnsiString(buf, n) : Format("System error %lu", code);
  if (buf) LocalFree(buf);
  return TrimRight(r);
}

void RaiseLastOSError() {
  DWORD code = GetLastError();
  throw EOSError(Format("System Error.  Code: %lu.\r\n%s", static_cast<unsigned long>(code),
                        SysErrorMessage(code).c_str()),
                 code);
}

namespace {
// The runtime's own assertion handler; the application may install another one.
[[noreturn]] void DefaultAssertError(const AnsiString& message, const AnsiString& file, int line) {
  AnsiString text = message.empty() ? AnsiString("Assertion failure") : message;
  throw EAssertionFailed(Format("%s (%s, line %d)", text.c_str(), file.c_str(), line));
}

TAssertErrorProc& AssertErrorProc() {
  static TAssertErrorProc proc = &DefaultAssertError;
  return proc;
}
}  // namespace

TAssertErrorProc SetAssertErrorProc(TAssertErrorProc proc) {
  TAssertErrorProc old = AssertErrorProc();
  AssertErrorProc() = proc ? proc : &DefaultAssertError;
  return old;
}

void AssertFailed(const AnsiString& message, const AnsiString& file, int line) {
  AssertErrorProc()(message, file, line);
  // A handler that returns has broken its contract; the assertion still must not pass.
  DefaultAssertError(message, file, line);
}
