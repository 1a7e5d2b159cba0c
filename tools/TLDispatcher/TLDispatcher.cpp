// A stand-in for the TraceLens Dispatcher, the outside trace viewer: a top-level window of
// class "TFrmTraceLens" captioned "TraceLens Dispatcher" that accepts the trace client's
// WM_COPYDATA packets, answers non-zero to a register packet and shows every packet as
// one readable line (time, type, category, message, program, client id).
//
// Options (for tests):
//   -log FILE        append every line to FILE as well (ANSI, CR LF)
//   -class NAME      register the window under another class name
//   -refuse          answer 0 to register packets
//   -startdelay MS   wait before creating the window (a viewer slow to come up)
//   -pidfile FILE    write the process id to FILE at start (so a test can end it by id)
// Unknown arguments are ignored.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct TOptions {
  std::wstring LogFile;
  std::wstring ClassName = L"TFrmTraceLens";
  bool Refuse = false;
  DWORD StartDelay = 0;
  std::wstring PidFile;
};

TOptions GOptions;
HWND GList = nullptr;

// Packet layout of the trace client: 217 header bytes, message, details, three zeros.
constexpr size_t kHeader = 217, kOverhead = 220;

uint32_t Get32(const unsigned char* p, size_t at) {
  return p[at] | (p[at + 1] << 8) | (p[at + 2] << 16) | (static_cast<uint32_t>(p[at + 3]) << 24);
}

std::string FieldText(const unsigned char* p, size_t at, size_t size) {
  const char* s = reinterpret_cast<const char*>(p + at);
  return std::string(s, strnlen(s, size));
}

const char* TypeName(uint32_t type) {
  switch (type) {
    case 0: return "Message";
    case 1: return "Note";
    case 2: return "Error";
    case 4: return "Object";
    case 9: return "Enter";
    case 10: return "Exit";
    case 41: return "Register";
    case 42: return "Unregister";
    default: return nullptr;
  }
}

// Day 1 is 1 January of the year 1.
void DayNumberToDate(int32_t dayNumber, int& y, int& m, int& d) {
  int64_t days = dayNumber - 1;  // days since 0001-01-01
  y = 1;
  int64_t n400 = days / 146097;
  days %= 146097;
  int64_t n100 = days / 36524;
  if (n100 == 4) n100 = 3;
  days -= n100 * 36524;
  int64_t n4 = days / 1461;
  days %= 1461;
  int64_t n1 = days / 365;
  if (n1 == 4) n1 = 3;
  days -= n1 * 365;
  y = static_cast<int>(1 + n400 * 400 + n100 * 100 + n4 * 4 + n1);
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  static const int kLen[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  m = 1;
  for (int i = 0; i < 12; ++i) {
    int len = kLen[i] + (i == 1 && leap ? 1 : 0);
    if (days < len) break;
    days -= len;
    ++m;
  }
  d = static_cast<int>(days) + 1;
}

// One readable line per packet; an object listing follows on indented lines.
std::string FormatPacket(const unsigned char* p, size_t size, uint32_t& type) {
  type = Get32(p, 0);
  int32_t ms = static_cast<int32_t>(Get32(p, 4));
  int32_t day = static_cast<int32_t>(Get32(p, 8));
  uint32_t m = Get32(p, 16), d = Get32(p, 20);
  int y = 0, mo = 0, dd = 0;
  DayNumberToDate(day, y, mo, dd);
  char head[64];
  std::snprintf(head, sizeof head, "%04d/%02d/%02d %02d:%02d:%02d.%03d", y, mo, dd, ms / 3600000,
                ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
  const char* name = TypeName(type);
  char typeText[32];
  if (!name) {
    std::snprintf(typeText, sizeof typeText, "Type %u", type);
    name = typeText;
  }
  std::string message(reinterpret_cast<const char*>(p + kHeader), m);
  std::string line = std::string(head) + "\t" + name + "\t" + FieldText(p, 131, 41) + "\t" +
                     message + "\t" + FieldText(p, 90, 41) + "\t" + FieldText(p, 32, 42);
  std::string typeName = FieldText(p, 176, 41);
  if (!typeName.empty()) line += "\t" + typeName;
  std::string details(reinterpret_cast<const char*>(p + kHeader + m), d);
  size_t start = 0;
  while (start < details.size()) {
    size_t end = details.find("\r\n", start);
    if (end == std::string::npos) end = details.size();
    line += "\r\n\t" + details.substr(start, end - start);
    start = end + 2;
  }
  (void)size;
  return line;
}

void AppendToLog(const std::string& line) {
  if (GOptions.LogFile.empty()) return;
  HANDLE h = CreateFileW(GOptions.LogFile.c_str(), FILE_APPEND_DATA,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  std::string bytes = line + "\r\n";
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

LRESULT OnCopyData(const COPYDATASTRUCT* cds) {
  if (!cds || !cds->lpData || cds->cbData < kOverhead) return 0;
  const auto* p = static_cast<const unsigned char*>(cds->lpData);
  uint32_t m = Get32(p, 16), d = Get32(p, 20);
  if (static_cast<uint64_t>(m) + d + kOverhead != cds->cbData) return 0;  // not our layout
  uint32_t type = 0;
  std::string line = FormatPacket(p, cds->cbData, type);
  AppendToLog(line);
  if (GList) {
    size_t first = line.find("\r\n");
    SendMessageA(GList, LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(line.substr(0, first).c_str()));
  }
  if (type == 41 && GOptions.Refuse) return 0;
  return 1;
}

LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    switch (msg) {
      case WM_CREATE:
        GList = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 0,
                                0, wnd, nullptr, GetModuleHandleA(nullptr), nullptr);
        return 0;
      case WM_SIZE:
        if (GList) MoveWindow(GList, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        return 0;
      case WM_COPYDATA:
        return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lp));
      case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
  } catch (...) {
    // Nothing may escape into the system's dispatch; the packet is simply refused.
    return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

void ParseOptions() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return;
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"-log" && i + 1 < argc) GOptions.LogFile = argv[++i];
    else if (a == L"-class" && i + 1 < argc) GOptions.ClassName = argv[++i];
    else if (a == L"-refuse") GOptions.Refuse = true;
    else if (a == L"-startdelay" && i + 1 < argc) GOptions.StartDelay = wcstoul(argv[++i], nullptr, 10);
    else if (a == L"-pidfile" && i + 1 < argc) GOptions.PidFile = argv[++i];
  }
  LocalFree(argv);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  ParseOptions();
  if (!GOptions.PidFile.empty()) {
    HANDLE h = CreateFileW(GOptions.PidFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      std::string pid = std::to_string(GetCurrentProcessId());
      DWORD written = 0;
      WriteFile(h, pid.data(), static_cast<DWORD>(pid.size()), &written, nullptr);
      CloseHandle(h);
    }
  }
  if (GOptions.StartDelay) Sleep(GOptions.StartDelay);
  WNDCLASSW wc{};
  wc.lpfnWndProc = &WndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = GOptions.ClassName.c_str();
  if (!RegisterClassW(&wc)) return 1;
  HWND wnd = CreateWindowExW(0, GOptions.ClassName.c_str(), L"TraceLens Dispatcher",
                             WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 800, 500, nullptr,
                             nullptr, instance, nullptr);
  if (!wnd) return 1;
  ShowWindow(wnd, show);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
