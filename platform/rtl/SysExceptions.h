// The platform's exception family: a base exception with a message and the errors the
// runtime raises itself (conversion, streams, assertions, operating system).
#pragma once

#include "platform/rtl/SysStrings.h"

#include <exception>

class Exception : public std::exception {
public:
  explicit Exception(AnsiString message) : FMessage(std::move(message)) {}
  const AnsiString& Message() const { return FMessage; }
  void SetMessage(AnsiString message) { FMessage = std::move(message); }
  // The class name as the runtime's class registry and traces print it.
  virtual const char* ClassName() const { return "Exception"; }
  const char* what() const noexcept override { return FMessage.c_str(); }

private:
  AnsiString FMessage;
};

class EConvertError : public Exception {
public:
  using Exception::Exception;
  const char* ClassName() const override { return "EConvertError"; }
};

class EAbort : public Exception {
public:
  using Exception::Exception;
  const char* ClassName() const override { return "EAbort"; }
};

class EListError : public Exception {
public:
  using Exception::Exception;
  const char* ClassName() const override { return "EListError"; }
};

class EInvalidOperation : public Exception {
public:
  using Exception::Exception;
  const char* ClassName() const override { return "EInvalidOperation"; }
};

class EStreamError : public Exception {
public:
  using Exception::Exception;
  const char* ClassName() const override { return "EStreamError"; }
};

class EFCreateError : public EStreamError {
public:
  using EStreamError::EStreamError;
  const char* ClassName() const override { return "EFCreateError"; }
};

class EFOpenError : public EStreamError {
public:
  using EStreamError::EStreamError;
  const char* ClassName() const override { return "EFOpenError"; }
};

class EReadError : public EStreamError {
public:
  using EStreamError::EStreamError;
  const char* ClassName() const override { return "EReadError"; }
};

class EWriteError : public EStreamError {
public:
  using EStreamError::EStreamError;
  const char* ClassName() const override { return "EWriteError"; }
};

class EAssertionFailed : public Exception {
public:
  using Exception::Exception;
  const char* ClassName() const override { return "EAssertionFailed"; }
};

class EOSError : public Exception {
public:
  EOSError(AnsiString message, unsigned long code) : Exception(std::move(message)), FErrorCode(code) {}
  unsigned long ErrorCode() const { return FErrorCode; }
  const char* ClassName() const override { return "EOSError"; }

private:
  unsigned long FErrorCode;
};

// The system's message text for a Win32 error code (ANSI, trailing line end removed).
AnsiString SysErrorMessage(unsigned long code);
// Raises EOSError for GetLastError().
[[noreturn]] void RaiseLastOSError();

// Assertions. The handler receives the message (maybe empty), the unit's file name and the
// line; it must raise. The default raises EAssertionFailed with "msg (file, line N)"; the
// application installs its own at start-up.
using TAssertErrorProc = void (*)(const AnsiString& message, const AnsiString& file, int line);
TAssertErrorProc SetAssertErrorProc(TAssertErrorProc proc);  // returns the previous one
[[noreturn]] void AssertFailed(const AnsiString& message, const AnsiString& file, int line);
inline void Assert(bool condition, const AnsiString& message, const char* file, int line) {
  if (!condition) AssertFailed(message, file, line);
}
