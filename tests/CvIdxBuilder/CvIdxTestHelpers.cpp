#include "tests/CvIdxBuilder/CvIdxTestHelpers.h"

#include <regex>

namespace cvidxtest {

using namespace testsupport;

std::string ListImage(const std::vector<WideString>& lines) {
  std::string r = "\xFF\xFE";
  for (const WideString& l : lines) r += Utf16Bytes(l + L"\r\n");
  return r;
}

WideString IdxRecord(int64_t lines, int64_t bytes, const WideString& folder) {
  return std::to_wstring(lines) + L"\t" + std::to_wstring(bytes) + L"\t" + folder + L"\r\n";
}

AnsiString MaskTime(const AnsiString& line, bool required) {
  static const std::regex time("\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}");
  std::smatch m;
  if (!std::regex_search(line, m, time)) {
    if (required) ADD_FAILURE() << "no time stamp in: " << line;
    return line;
  }
  return m.prefix().str() + "<T>" + m.suffix().str();
}

std::vector<AnsiString> LogLines(const WideString& path) {
  std::string bytes = ReadFileBytes(path);
  std::vector<AnsiString> lines;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find("\r\n", pos);
    if (end == std::string::npos) {
      ADD_FAILURE() << "log does not end with CR LF";
      break;
    }
    lines.push_back(MaskTime(bytes.substr(pos, end - pos)));
    pos = end + 2;
  }
  return lines;
}

void MakeFile(const WideString& path, int64_t size) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << WideToUtf8(path);
  if (size > 0) {
    LARGE_INTEGER li;
    li.QuadPart = size;
    SetFilePointerEx(h, li, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
  }
  CloseHandle(h);
}

void MakeHidden(const WideString& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  SetFileAttributesW(path.c_str(), a | FILE_ATTRIBUTE_HIDDEN);
}

std::vector<WideString> EnumOrder(const WideString& folder) {
  std::vector<WideString> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    WideString n = fd.cFileName;
    if (n != L"." && n != L"..") names.push_back(n);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return names;
}

static std::unique_ptr<TCrawlTargets> OneTarget(const WideString& target) {
  auto t = std::make_unique<TCrawlTargets>(true);
  t->Add(target);
  return t;
}

TTestCrawler::TTestCrawler(const WideString& target, const AnsiString& outputFolder, bool fileList,
                           int32_t reportInterval, int64_t minSize, int64_t minCount,
                           int32_t flushInterval)
    : TBatchCrawlThread(OneTarget(target), true, reportInterval, flushInterval, fileList, true,
                        minSize, minCount) {
  FOutputFolder = outputFolder;
}

std::vector<AnsiString> TTestCrawler::Drain() {
  std::vector<AnsiString> r;
  while (HasMsg()) r.push_back(MaskTime(PopMsg(), false));
  return r;
}

void RunToEnd(TCvBatchThread& worker) {
  worker.Resume();
  worker.WaitFor();
}

}  // namespace cvidxtest
