// The maker's shared utilities: the application exception family, the routines that
// raise it, and small text helpers used across the common library (file extensions,
// yes/no flags, dates, GUIDs, a quote- and comment-aware line scanner, comma lists).
#pragma once

#include "common/uROClasses.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/DateTime.h"

// Base of the application's exceptions: a message plus an explicit error text. Creating
// one announces it on the global trace client as the note "Error " + message; copies made
// while the exception travels are not announced again.
class ECorvaneException : public EROException {
public:
  explicit ECorvaneException(const AnsiString& message);
  const char* ClassName() const override { return "ECorvaneException"; }
  // The explicit error text when it is not empty, else the message.
  AnsiString ErrMsg() const { return FErrMsg.empty() ? Message() : FErrMsg; }
  void SetErrMsg(const AnsiString& value) { FErrMsg = value; }

private:
  AnsiString FErrMsg;
};

// An error caused by the user's input.
class ECorvaneUserException : public ECorvaneException {
public:
  using ECorvaneException::ECorvaneException;
  const char* ClassName() const override { return "ECorvaneUserException"; }
};

// An error of the environment.
class ECorvaneEnvException : public ECorvaneException {
public:
  using ECorvaneException::ECorvaneException;
  const char* ClassName() const override { return "ECorvaneEnvException"; }
};

// A user error that is not to be shown.
class ECorvaneSilentException : public ECorvaneUserException {
public:
  using ECorvaneUserException::ECorvaneUserException;
  const char* ClassName() const override { return "ECorvaneSilentException"; }
};

// A file list over its size limit.
class ECvFileListSizeTooLarge : public ECorvaneUserException {
public:
  using ECorvaneUserException::ECorvaneUserException;
  const char* ClassName() const override { return "ECvFileListSizeTooLarge"; }
};

// A file list over its count limit.
class ECvFileListCountTooMuch : public ECorvaneUserException {
public:
  using ECorvaneUserException::ECorvaneUserException;
  const char* ClassName() const override { return "ECvFileListCountTooMuch"; }
};

// Raises an ECorvaneException with the formatted message.
[[noreturn]] void RaiseFmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Raises an ECorvaneException whose message is text as it stands (never a format).
[[noreturn]] void RaiseMsg(const AnsiString& text);
// Raises an exception of class E of the family with the formatted message.
template <class E, class... Args>
[[noreturn]] void RaiseClassFmt(const char* format, Args... args) {
  if constexpr (sizeof...(Args) == 0)
    throw E(AnsiString(format));
  else
    throw E(Format(format, args...));
}

// The extension of a file name: from the last '.' of its last path component, dot included
// (or left off with withoutDot); empty when there is none.
AnsiString GetExt(const AnsiString& fileName, bool withoutDot = false);
AnsiString BoolToYesNo(bool flag);
// "yes" and "no" in any letter case (no trimming); anything else raises.
bool YesNoToBool(const AnsiString& text);
// "dd/mm/yyyy" with the locale's date separator; empty for the value 0.
AnsiString DateToDMY(TDateTime value);
AnsiString SlashToBackslash(const AnsiString& text);
// A new GUID as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
AnsiString NewGuidString();

// States of ScanQuotedLine.
constexpr int sqOutside = -1, sqInQuote = 0, sqInBlockComment = 1, sqLineComment = 2,
              sqHashComment = 3;

// Scans one line of a PHP-like file: text gets the line without its comments and without
// blanks outside quoted strings; quoted strings keep their quotes and blanks, and a quote
// after a backslash does not close a string. state carries over between lines (set it to
// sqOutside before the first); the quote count and the positions (from 1) of the first two
// strings' opening and closing quotes accumulate in the in/out arguments.
void ScanQuotedLine(const AnsiString& line, int& state, int& quoteCount, int& firstOpen,
                    int& firstClose, int& secondOpen, int& secondClose, AnsiString& text);

// Replaces the list's contents by the trimmed items of the comma-separated text.
void SetCommaList(TStringList& list, const AnsiString& text, bool removeDoubleQuotes,
                  bool dropEmpty);

// Registers the exception family with the exception-class registry; the finalisation
// removes the classes again in the same order.
void InitializeHvxUtil();
void FinalizeHvxUtil();
