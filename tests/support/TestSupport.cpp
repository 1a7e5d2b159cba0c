#include "tests/support/TestSupport.h"

#include <windows.h>

#include <atomic>
#include <fstream>
#include <stdexcept>

namespace testsupport {

TTempDir::TTempDir() {
  static std::atomic<unsigned> counter{0};
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  for (;;) {
    FPath = ExcludeTrailingBackslashW(base) + L"\\cvtest_" +
            std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(counter++) + L"_" +
            std::to_wstring(GetTickCount());
    if (CreateDirectoryW(FPath.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create temp dir");
  }
}

TTempDir::~TTempDir() { RemoveTree(FPath); }

void RemoveTree(const WideString& path) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      WideString name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      WideString full = path + L"\\" + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full);
      else DeleteFileW(full.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(path.c_str());
}

std::string ReadFileBytes(const WideString& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + WideToUtf8(path));
  std::string r;
  char buf[65536];
  DWORD n = 0;
  while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) r.append(buf, n);
  CloseHandle(h);
  return r;
}

void WriteFileBytes(const WideString& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + WideToUtf8(path));
  DWORD n = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(h);
}

void MakeDirs(const WideString& path) {
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
  }
}

std::string Utf16Bytes(const WideString& text) {
  std::string r;
  for (wchar_t c : text) {
    r += static_cast<char>(c & 0xFF);
    r += static_cast<char>((c >> 8) & 0xFF);
  }
  return r;
}

static std::string HexWindow(const std::string& s, size_t at) {
  size_t from = at >= 16 ? at - 16 : 0, to = std::min(s.size(), at + 16);
  std::string r;
  char buf[8];
  for (size_t i = from; i < to; ++i) {
    std::snprintf(buf, sizeof buf, i == at ? "[%02X]" : " %02X",
                  static_cast<unsigned char>(s[i]));
    r += buf;
  }
  return r;
}

::testing::AssertionResult BytesEqual(const char* expectedExpr, const char* actualExpr,
                                      const std::string& expected, const std::string& actual) {
  if (expected == actual) return ::testing::AssertionSuccess();
  size_t i = 0;
  while (i < expected.size() && i < actual.size() && expected[i] == actual[i]) ++i;
  return ::testing::AssertionFailure()
         << actualExpr << " differs from " << expectedExpr << " at byte " << i << " (sizes "
         << expected.size() << " and " << actual.size() << ")\n  expected:" << HexWindow(expected, i)
         << "\n  actual:  " << HexWindow(actual, i);
}

}  // namespace testsupport
