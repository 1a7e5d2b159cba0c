// Shared helpers of the test executables: private temp folders, whole-file reads and
// byte-for-byte comparisons that print a hex window around the first difference.
#pragma once

#include "platform/rtl/SysStrings.h"

#include <gtest/gtest.h>

#include <string>

namespace testsupport {

// A fresh folder under the system temp folder, removed with everything in it on destruction.
class TTempDir {
public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const WideString& PathW() const { return FPath; }  // no trailing backslash
  AnsiString Path() const { return WideToAnsi(FPath); }
  WideString FileW(const WideString& name) const { return FPath + L"\\" + name; }
  AnsiString File(const AnsiString& name) const { return Path() + "\\" + name; }

private:
  WideString FPath;
};

void RemoveTree(const WideString& path);
std::string ReadFileBytes(const WideString& path);
void WriteFileBytes(const WideString& path, const std::string& bytes);
void MakeDirs(const WideString& path);
// UTF-16LE bytes of a wide text (no byte-order mark).
std::string Utf16Bytes(const WideString& text);

// gtest assertion: equal byte strings, or a message with a hex window around the first
// difference. Use as EXPECT_PRED_FORMAT2(testsupport::BytesEqual, expected, actual).
::testing::AssertionResult BytesEqual(const char* expectedExpr, const char* actualExpr,
                                      const std::string& expected, const std::string& actual);

}  // namespace testsupport
