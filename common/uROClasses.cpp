#include "common/uROClasses.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <set>

namespace {

// The registry and its companion lists live from start-up to shutdown only.
struct TExceptionRegistry {
  std::vector<TExceptionClass> Classes;
  std::vector<void*> Plain;
  std::set<AnsiString> Names;
  std::set<AnsiString> Aliases;
};

struct TRemotingState {
  std::vector<void*> Objects;  // the library's process-wide object list
  int Timeout = 0;
  int64_t PerformanceFrequency = 0;
  bool MSXML[3] = {false, false, false};
  std::unique_ptr<TExceptionRegistry> Registry;
};

TRemotingState& State() {
  static TRemotingState state;
  return state;
}

AnsiString SystemFolder() {
  char buf[MAX_PATH + 1] = {};
  UINT n = GetSystemDirectoryA(buf, MAX_PATH);
  return n && n <= MAX_PATH ? IncludeTrailingBackslash(AnsiString(buf, n)) : AnsiString();
}

}  // namespace

void RegisterExceptionClass(TExceptionClass cls) {
  if (auto& reg = State().Registry) reg->Classes.push_back(cls);
}

void UnregisterExceptionClass(TExceptionClass cls) {
  auto& reg = State().Registry;
  if (!reg) return;
  auto it = std::find(reg->Classes.begin(), reg->Classes.end(), cls);
  if (it != reg->Classes.end()) reg->Classes.erase(it);
}

std::vector<TExceptionClass> RegisteredExceptionClasses() {
  auto& reg = State().Registry;
  return reg ? reg->Classes : std::vector<TExceptionClass>();
}

bool MSXMLLibraryPresent(TMSXMLLibrary lib) { return State().MSXML[static_cast<int>(lib)]; }

void InitializeuROClasses() {
  TRemotingState& s = State();
  // Which MSXML versions the system has; version 4 is probed but never used.
  static const char* const names[3] = {"msxml2.dll", "msxml3.dll", "msxml4.dll"};
  AnsiString sys = SystemFolder();
  for (int i = 0; i < 3; ++i) {
    DWORD attr = sys.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA((sys + names[i]).c_str());
    s.MSXML[i] = attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
  }
  s.MSXML[static_cast<int>(TMSXMLLibrary::MSXML4)] = false;
  s.Objects.clear();
  s.Timeout = 30;
  LARGE_INTEGER freq{};
  s.PerformanceFrequency = QueryPerformanceFrequency(&freq) ? freq.QuadPart : 0;
  s.Registry = std::make_unique<TExceptionRegistry>();
}

void FinalizeuROClasses() {
  TRemotingState& s = State();
  s.Registry.reset();
  s.Objects.clear();
  s.Objects.shrink_to_fit();
}
