#include "common/HvTLIntf.h"

#include "platform/rtl/Registry.h"

#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kDispatcherKey[] = "\\Software\\Quillmark\\TraceLens\\2.0";

void Put32(std::string& p, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Copies text into a zero-filled field of size bytes, leaving room for its terminator.
void PutText(std::string& p, size_t at, size_t size, const AnsiString& text) {
  AnsiString cut = CutAnsiText(text, size - 1);
  std::memcpy(&p[at], cut.data(), cut.size());
}

size_t LengthToNul(const AnsiString& s) {
  size_t n = s.find('\0');
  return n == AnsiString::npos ? s.size() : n;
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

}  // namespace

AnsiString CutAnsiText(std::string_view s, size_t maxBytes) {
  if (s.size() <= maxBytes) return AnsiString(s);
  size_t i = 0;
  while (i < s.size()) {
    size_t next = NextCharIndex(s, i);
    if (next > maxBytes) break;
    i = next;
  }
  return AnsiString(s.substr(0, i));
}

int32_t TraceDayNumber(int year, int month, int day) {
  static const int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  int y = year - 1;
  int32_t days = y * 365 + y / 4 - y / 100 + y / 400;
  days += kDaysBefore[month - 1] + day;
  if (month > 2 && IsLeapYear(year)) ++days;
  return days;
}

std::string BuildTracePacket(const TTracePacketFields& f) {
  using namespace tlpacket;
  size_t m = LengthToNul(f.Message);
  // One closing CR LF is the caller's line end, not part of the trace text.
  if (m >= 2 && f.Message[m - 2] == '\r' && f.Message[m - 1] == '\n') m -= 2;
  size_t d = LengthToNul(f.Details);
  std::string p(Overhead + m + d, '\0');
  Put32(p, Type, f.Type);
  Put32(p, Time, static_cast<uint32_t>(f.Stamp.Time));
  Put32(p, Date, static_cast<uint32_t>(f.Stamp.Date));
  Put32(p, Bias, static_cast<uint32_t>(f.Bias));
  Put32(p, MessageLen, static_cast<uint32_t>(m));
  Put32(p, DetailsLen, static_cast<uint32_t>(d));
  Put32(p, ProcessId, f.ProcessId);
  Put32(p, ThreadId, f.ThreadId);
  PutText(p, Guid, GuidSize, f.Guid);
  PutText(p, ComputerName, ComputerNameSize, f.ComputerName);
  PutText(p, AppName, AppNameSize, f.AppName);
  PutText(p, Category, CategorySize, f.Category);
  Put32(p, CategoryColor, static_cast<uint32_t>(f.CategoryColor));
  PutText(p, TypeName, TypeNameSize, f.TypeName);
  if (m) std::memcpy(&p[Message], f.Message.data(), m);
  if (d) std::memcpy(&p[Message + m], f.Details.data(), d);
  return p;
}

std::vector<AnsiString> SplitDestinationItems(const AnsiString& value) {
  std::vector<AnsiString> items;
  std::string_view rest = value;
  while (!rest.empty()) {
    AnsiString item;
    int depth = 0;
    size_t i = 0;
    while (i < rest.size()) {
      size_t next = NextCharIndex(rest, i);
      char c = rest[i];
      bool single = next == i + 1;  // a double-byte character is never a bracket or comma
      if (single && c == ',' && depth == 0) break;
      if (single && c == '[') {
        ++depth;
      } else if (single && c == ']' && depth > 0) {
        if (--depth == 0) item += ']';
      } else if (depth == 0) {
        item.append(rest.substr(i, next - i));
      }
      i = next;
    }
    rest.remove_prefix(std::min(rest.size(), i + 1));
    if (!item.empty() && item.back() == ']' && !IsTrailByteAt(item, item.size() - 1))
      item.pop_back();
    items.push_back(Trim(item));
  }
  return items;
}

AnsiString FilterDestination(const AnsiString& value) {
  for (const AnsiString& item : SplitDestinationItems(value))
    if (SameText(item, "TCP") || SameText(item, "UDP") || SameText(item, "HTTP") ||
        SameText(item, "ALIAS"))
      return AnsiString();
  return value;
}

AnsiString DispatcherCommandLine(const AnsiString& path) {
  // The path is the whole command line; only a bare file name with blanks needs quotes,
  // or the system would take its first word for the program.
  if (path.find(' ') == AnsiString::npos || path.empty() || path[0] == '"') return path;
  DWORD attr = GetFileAttributesA(path.c_str());
  if (attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY))
    return "\"" + path + "\"";
  return path;
}

// --- Object listing -------------------------------------------------------------------

namespace {

struct TCursorName {
  int Value;
  const char* Name;
};

constexpr TCursorName kCursorNames[] = {
    {0, "crDefault"},     {-2, "crArrow"},      {-3, "crCross"},      {-4, "crIBeam"},
    {-6, "crSizeNESW"},   {-7, "crSizeNS"},     {-8, "crSizeNWSE"},   {-9, "crSizeWE"},
    {-10, "crUpArrow"},   {-11, "crHourGlass"}, {-12, "crDrag"},      {-13, "crNoDrop"},
    {-14, "crHSplit"},    {-15, "crVSplit"},    {-16, "crMultiDrag"}, {-17, "crSQLWait"},
    {-18, "crNo"},        {-19, "crAppStart"},  {-20, "crHelp"},      {-21, "crHandPoint"},
    {-22, "crSizeAll"},   {-22, "crSize"},
};

// Up to 15 significant digits in general format, the exponent written E5 / E-5.
AnsiString DefaultFloatText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", value);
  // C writes the exponent as E+05; the class library writes E5 and E-5.
  AnsiString s = buf;
  size_t e = s.find('E');
  if (e != AnsiString::npos) {
    AnsiString mant = s.substr(0, e);
    AnsiString exp = s.substr(e + 1);
    bool neg = !exp.empty() && exp[0] == '-';
    if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) exp.erase(0, 1);
    size_t nz = exp.find_first_not_of('0');
    exp = nz == AnsiString::npos ? AnsiString("0") : exp.substr(nz);
    s = mant + "E" + (neg ? "-" : "") + exp;
  }
  return s;
}

AnsiString CursorToString(int64_t v) {
  for (const TCursorName& c : kCursorNames)
    if (c.Value == v) return c.Name;
  return IntToStr(v);
}

void ListObject(const TRttiObject& obj, int level, std::vector<AnsiString>& lines) {
  AnsiString indent(static_cast<size_t>(level) * 2, ' ');
  for (const TPropInfo& p : GetSortedPropList(obj)) {
    if (p.Kind == TTypeKind::Method || !p.Readable()) continue;
    AnsiString head = indent + p.Name + "=";
    switch (p.Kind) {
      case TTypeKind::Integer: {
        int64_t v = p.GetOrd();
        if (p.TypeName == "TColor")
          lines.push_back(head + ColorToString(static_cast<TColor>(v)));
        else if (p.TypeName == "TCursor")
          lines.push_back(head + CursorToString(v));
        else
          lines.push_back(head + IntToStr(v));
        break;
      }
      case TTypeKind::Enumeration: {
        int64_t v = p.GetOrd();
        bool named = v >= 0 && v < static_cast<int64_t>(p.ElementNames.size());
        lines.push_back(head + (named ? p.ElementNames[static_cast<size_t>(v)] : IntToStr(v)));
        break;
      }
      case TTypeKind::Float:
        lines.push_back(head + DefaultFloatText(p.GetFloat()));
        break;
      case TTypeKind::String: {
        AnsiString v = p.GetString();
        lines.push_back(v.empty() ? head : head + "'" + v + "'");
        break;
      }
      case TTypeKind::Set: {
        int64_t bits = p.GetOrd();
        lines.push_back(head + "[" + p.TypeName + "]");
        for (size_t i = 0; i < p.ElementNames.size(); ++i)
          lines.push_back(indent + "  " + p.ElementNames[i] + "=" +
                          ((bits >> i) & 1 ? "True" : "False"));
        break;
      }
      case TTypeKind::Class: {
        const TRttiObject* child = p.GetInstance();
        if (!child) {
          lines.push_back(head + "nil");
        } else if (child->IsComponent()) {
          lines.push_back(head + child->ComponentName());
        } else {
          lines.push_back(head + "(" + p.TypeName + ")");
          ListObject(*child, level + 1, lines);
        }
        break;
      }
      default:
        lines.push_back(head + "<<Not Implemented Yet>>");
        break;
    }
  }
}

}  // namespace

std::vector<AnsiString> ListPublishedProperties(const TRttiObject& obj) {
  std::vector<AnsiString> lines;
  ListObject(obj, 0, lines);
  return lines;
}

// --- Formatter list and manager ---------------------------------------------------------

void TTLFormatterList::Clear() {
  // Front to back, as the formatters were added.
  while (!FItems.empty()) FItems.erase(FItems.begin());
}

THvTLObjectManager::THvTLObjectManager() : FDefaultDestination("Viewer") {}

THvTLObjectManager::~THvTLObjectManager() {
  std::vector<THvTraceLens*> clients;
  {
    std::lock_guard<std::mutex> guard(FLock);
    clients.swap(FClients);
  }
  for (THvTraceLens* c : clients) delete c;
}

int THvTLObjectManager::GetClientCount() {
  std::lock_guard<std::mutex> guard(FLock);
  return static_cast<int>(FClients.size());
}

TTLFormatterList& THvTLObjectManager::GetFormatters() {
  std::lock_guard<std::mutex> guard(FLock);
  if (!FFormatters) FFormatters = std::make_unique<TTLFormatterList>();
  return *FFormatters;
}

void THvTLObjectManager::SetDefaultDestination(const AnsiString& value) {
  AnsiString filtered = FilterDestination(value);
  std::vector<THvTraceLens*> clients;
  {
    std::lock_guard<std::mutex> guard(FLock);
    FDefaultDestination = filtered;
    clients = FClients;
  }
  for (THvTraceLens* c : clients) c->SetDestinationDetails(filtered);
}

AnsiString THvTLObjectManager::DefaultDestination() {
  std::lock_guard<std::mutex> guard(FLock);
  return FDefaultDestination;
}

// --- Client -----------------------------------------------------------------------------

THvTraceLens::THvTraceLens(THvTLObjectManager* manager) : FManager(manager) {
  TIME_ZONE_INFORMATION tzi{};
  if (GetTimeZoneInformation(&tzi) != TIME_ZONE_ID_INVALID) FTimeZoneBias = tzi.Bias;
}

THvTraceLens::~THvTraceLens() {
  try {
    UnregisterClient();
  } catch (...) {
    // A destructor must not throw; the viewer only misses the goodbye.
  }
}

AnsiString THvTraceLens::Category() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  return FCategory;
}
void THvTraceLens::SetCategory(const AnsiString& value) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  FCategory = value;
}
TColor THvTraceLens::CategoryColor() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  return FCategoryColor;
}
void THvTraceLens::SetCategoryColor(TColor value) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  FCategoryColor = value;
}
char THvTraceLens::QuoteChar() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  return FQuoteChar;
}
void THvTraceLens::SetQuoteChar(char value) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  FQuoteChar = value;
}
AnsiString THvTraceLens::DestinationDetails() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  return FDestinationDetails;
}
AnsiString THvTraceLens::DateTimeFormat() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  return FDateTimeFormat;
}
void THvTraceLens::SetDateTimeFormat(const AnsiString& value) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  FDateTimeFormat = value;
}
int32_t THvTraceLens::HexViewWidth() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  return FHexViewWidth;
}
void THvTraceLens::SetHexViewWidth(int32_t value) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  FHexViewWidth = value;
}
AnsiString THvTraceLens::HexNumPrefix() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  return FHexNumPrefix;
}
void THvTraceLens::SetHexNumPrefix(const AnsiString& value) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  FHexNumPrefix = value;
}
AnsiString THvTraceLens::Name() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  return FName;
}
void THvTraceLens::SetName(const AnsiString& value) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  FName = value;
}
AnsiString THvTraceLens::GuidText() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  return FGuid;
}
HWND THvTraceLens::DispatcherWindow() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  return FDispatcherWindow;
}

void THvTraceLens::SetDestinationDetails(const AnsiString& value) {
  AnsiString filtered = FilterDestination(value);
  std::lock_guard<std::recursive_mutex> guard(FLock);
  if (SameText(filtered, FDestinationDetails)) return;
  UnregisterClient();
  FDestinationDetails = filtered;
  RegisterClient();
}

AnsiString THvTraceLens::ComponentName() const {
  // FName is only written on the owner's thread before any listing; a plain read suffices.
  return FName;
}

void THvTraceLens::GetPublishedProperties(TPropList& props) const {
  auto* self = const_cast<THvTraceLens*>(this);
  props.push_back(IntegerProp("CategoryColor", "TColor", [self] { return self->CategoryColor(); }));
  props.push_back(StringProp("Category", [self] { return self->Category(); }));
  props.push_back(StringProp("DateTimeFormat", [self] { return self->DateTimeFormat(); }));
  props.push_back(StringProp("DestinationDetails", [self] { return self->DestinationDetails(); }));
  props.push_back(BooleanProp("Enabled", [self] { return self->Enabled(); }));
  props.push_back(StringProp("HexNumPrefix", [self] { return self->HexNumPrefix(); }));
  props.push_back(IntegerProp("HexViewWidth", "Integer", [self] { return self->HexViewWidth(); }));
  props.push_back(StringProp("Name", [self] { return self->Name(); }));
  TPropInfo quote;
  quote.Name = "QuoteChar";
  quote.TypeName = "Char";
  quote.GetString = [self] { return AnsiString(1, self->QuoteChar()); };
  props.push_back(quote);
  props.push_back(IntegerProp("Tag", "Integer", [] { return 0; }));
}

// --- Senders ------------------------------------------------------------------------------

void THvTraceLens::SendMsg(const AnsiString& text) { SendMsgOfType(tlMessage, text); }

void THvTraceLens::SendMsgOfType(uint32_t type, const AnsiString& text) {
  if (!Enabled()) return;
  SendPacket(type, text, AnsiString(), AnsiString());
}

void THvTraceLens::SendFormatted(uint32_t type, const AnsiString& prefix, const char* format,
                                 va_list args) {
  try {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0) throw EConvertError(Format("Format '%s' invalid or incompatible with argument", format));
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(n));
    SendPacket(type, prefix + text, AnsiString(), AnsiString());
  } catch (...) {
    SendException();
  }
}

void THvTraceLens::SendFmt(uint32_t type, const char* format, ...) {
  if (!Enabled()) return;
  va_list args;
  va_start(args, format);
  SendFormatted(type, AnsiString(), format, args);
  va_end(args);
}

void THvTraceLens::SendError(const AnsiString& text) { SendMsgOfType(tlError, text); }

void THvTraceLens::SendNote(const AnsiString& text) { SendMsgOfType(tlNote, text); }

void THvTraceLens::SendException() {
  AnsiString cls = "Exception", msg;
  try {
    throw;
  } catch (const Exception& e) {
    cls = e.ClassName();
    msg = e.Message();
  } catch (const std::exception& e) {
    cls = "std::exception";
    msg = e.what();
  } catch (...) {
    msg = "unknown exception";
  }
  char module[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  AnsiString text = Format("Exception %s in module %s at %08X.\n%s%s", cls.c_str(),
                           ExtractFileName(module).c_str(), 0u, msg.c_str(),
                           !msg.empty() && msg.back() == '.' ? "" : ".");
  try {
    SendError(CutAnsiText(text, 1024));
  } catch (...) {
    // Reporting must never raise into the handler that called it.
  }
}

void THvTraceLens::SendNameValue(const AnsiString& name, const AnsiString& value) {
  char q = QuoteChar();
  SendFmt(tlMessage, "%s = %c%s%c", name.c_str(), q, value.c_str(), q);
}

bool THvTraceLens::CheckObject(const AnsiString& name, const TRttiObject* obj) {
  if (!obj) {
    SendMsgOfType(tlError, name + ": Call to SendObject with nil object");
    return false;
  }
  if (!obj->HasTypeInfo()) {
    SendMsgOfType(tlError, name + ": Object has no RTTI");
    return false;
  }
  return true;
}

void THvTraceLens::SendObject(const AnsiString& name, const TRttiObject* obj) {
  if (!Enabled() || !CheckObject(name, obj)) return;
  AnsiString details;
  for (const AnsiString& line : ListPublishedProperties(*obj)) details += line + "\r\n";
  SendPacket(tlObject, CutAnsiText(name, 255), details, obj->ClassName());
}

AnsiString THvTraceLens::MethodText(const TRttiObject* obj, const AnsiString& name) const {
  if (!obj) return name;
  if (obj->IsComponent())
    return obj->ClassName() + "( " + obj->ComponentName() + " )." + name;
  return obj->ClassName() + "." + name;
}

void THvTraceLens::EnterMethod(const AnsiString& name) { SendMsgOfType(tlEnterMethod, name); }

void THvTraceLens::EnterMethod(const TRttiObject* obj, const AnsiString& name) {
  SendMsgOfType(tlEnterMethod, MethodText(obj, name));
}

void THvTraceLens::EnterMethodFmt(const AnsiString& name, const char* format, ...) {
  if (!Enabled()) return;
  va_list args;
  va_start(args, format);
  SendFormatted(tlEnterMethod, name + " - ", format, args);
  va_end(args);
}

void THvTraceLens::ExitMethod(const AnsiString& name) { SendMsgOfType(tlExitMethod, name); }

void THvTraceLens::ExitMethod(const TRttiObject* obj, const AnsiString& name) {
  SendMsgOfType(tlExitMethod, MethodText(obj, name));
}

void THvTraceLens::ExitMethodFmt(const AnsiString& name, const char* format, ...) {
  if (!Enabled()) return;
  va_list args;
  va_start(args, format);
  SendFormatted(tlExitMethod, name + " - ", format, args);
  va_end(args);
}

// --- Registration -------------------------------------------------------------------------

void THvTraceLens::RegisterClient() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  FBusy = true;
  try {
    if (FGuid.empty()) {
      GUID g;
      wchar_t text[40] = {};
      if (SUCCEEDED(CoCreateGuid(&g)) && StringFromGUID2(g, text, 40) == 39) {
        FGuid = WideToAnsi(text);
        AnsiString dest = FDestinationDetails;
        if (dest.empty() && FManager) dest = FManager->DefaultDestination();
        if (SendPacket(tlRegister, dest, AnsiString(), AnsiString()) == 0) SetEnabled(false);
      }
    }
    // Filled only now, so the first register packet carries them empty.
    if (FComputerName.empty()) FComputerName = GetComputerName();
    if (FAppName.empty()) FAppName = GetAppName();
    if (FGuid.empty()) SetEnabled(false);
  } catch (...) {
    FBusy = false;
    throw;
  }
  FBusy = false;
}

void THvTraceLens::ReregisterClient() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  FBusy = true;
  try {
    AnsiString dest = FDestinationDetails;
    if (dest.empty() && FManager) dest = FManager->DefaultDestination();
    if (SendPacket(tlRegister, dest, AnsiString(), AnsiString()) == 0) SetEnabled(false);
  } catch (...) {
    FBusy = false;
    throw;
  }
  FBusy = false;
}

void THvTraceLens::UnregisterClient() {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  if (FGuid.empty()) return;
  SendPacket(tlUnregister, AnsiString(), AnsiString(), AnsiString());
  FGuid.clear();
}

void THvTraceLens::CheckDispatcher(HWND window) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  if (FGuid.empty())
    RegisterClient();
  else if (!FBusy && window && window != FDispatcherWindow)
    ReregisterClient();  // the viewer was restarted: same identity, new window
}

void THvTraceLens::ConnectDispatcher(bool launch) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  HWND window = FindDispatcher(launch);
  CheckDispatcher(window);
  FDispatcherWindow = window;
}

// --- Finding and starting the viewer -------------------------------------------------------

AnsiString THvTraceLens::GetDispatcherClassName() { return "TFrmTraceLens"; }
AnsiString THvTraceLens::GetDispatcherCaption() { return "TraceLens Dispatcher"; }
AnsiString THvTraceLens::GetDispatcherPathValue() { return "DispatcherPath"; }
AnsiString THvTraceLens::GetDispatcherExeName() { return "TLDispatcher.exe"; }

HWND THvTraceLens::FindDispatcher(bool launch) {
  HWND window = FindWindowA(GetDispatcherClassName().c_str(), GetDispatcherCaption().c_str());
  // Once tracing is off a second viewer start would only repeat the failure (and its wait).
  if (window || !launch || !Enabled()) return window;
  AnsiString path;
  {
    TRegistry reg(HKEY_LOCAL_MACHINE);
    if (reg.OpenKeyReadOnly(kDispatcherKey)) {
      try {
        path = reg.ReadString(GetDispatcherPathValue());
      } catch (const Exception&) {
        path.clear();  // a value of the wrong type names no program
      }
    }
  }
  if (path.empty()) path = GetDispatcherExeName();
  HWND found = nullptr;
  StartDispatcher(path, found);
  return found;
}

void THvTraceLens::StartDispatcher(const AnsiString& path, HWND& window) {
  // CreateProcessA may write into the command line, so it gets its own buffer, sized to
  // fit rather than cut.
  AnsiString command = DispatcherCommandLine(path);
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    SetEnabled(false);
    return;
  }
  // A viewer that does not come up within the bound counts as not found.
  DWORD idle = WaitForInputIdle(pi.hProcess, kDispatcherIdleTimeoutMs);
  if (idle == 0) window = FindDispatcherWindow(pi.dwThreadId);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  if (idle == 0)
    RegisterClient();
  else
    SetEnabled(false);
}

namespace {
struct TWindowSearch {
  std::string Caption;
  HWND Found = nullptr;
};

// Runs inside EnumThreadWindows: it compares without allocating, so nothing can be thrown
// across the system's frame.
BOOL CALLBACK FindCaptionProc(HWND wnd, LPARAM param) noexcept {
  auto* search = reinterpret_cast<TWindowSearch*>(param);
  if (GetParent(wnd)) return TRUE;
  char text[256] = {};
  int n = GetWindowTextA(wnd, text, 256);
  std::string_view caption(text, n > 0 ? static_cast<size_t>(n) : 0);
  if (caption == search->Caption) {
    search->Found = wnd;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND THvTraceLens::FindDispatcherWindow(DWORD threadId) {
  // The search result lives in this call's own record, so two threads never share it.
  TWindowSearch search{GetDispatcherCaption(), nullptr};
  EnumThreadWindows(threadId, &FindCaptionProc, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

// --- Packets ---------------------------------------------------------------------------------

TTLTimeStamp THvTraceLens::GetTimeStamp() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  TTLTimeStamp ts;
  ts.Time = ((st.wHour * 60 + st.wMinute) * 60 + st.wSecond) * 1000 + st.wMilliseconds;
  ts.Date = TraceDayNumber(st.wYear, st.wMonth, st.wDay);
  return ts;
}

uint32_t THvTraceLens::GetProcessId() { return GetCurrentProcessId(); }
uint32_t THvTraceLens::GetThreadId() { return GetCurrentThreadId(); }

AnsiString THvTraceLens::GetComputerName() {
  char buf[16] = {};
  DWORD size = sizeof buf;
  if (!::GetComputerNameA(buf, &size)) return AnsiString();
  return AnsiString(buf, size);
}

AnsiString THvTraceLens::GetAppName() {
  char module[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(nullptr, module, MAX_PATH);
  AnsiString name = ExtractFileName(AnsiString(module, n));
  return CutAnsiText(ChangeFileExt(name, ""), 40);
}

int32_t THvTraceLens::SendPacket(uint32_t type, const AnsiString& message,
                                 const AnsiString& details, const AnsiString& typeName) {
  std::lock_guard<std::recursive_mutex> guard(FLock);
  TTracePacketFields f;
  f.Stamp = GetTimeStamp();
  ConnectDispatcher(type != tlUnregister);
  f.Type = type;
  f.Bias = FTimeZoneBias;
  f.ProcessId = GetProcessId();
  f.ThreadId = GetThreadId();
  f.Guid = FGuid;
  f.ComputerName = FComputerName;
  f.AppName = FAppName;
  f.Category = FCategory;
  f.CategoryColor = FCategoryColor;
  f.TypeName = typeName;
  f.Message = message;
  f.Details = details;
  std::string packet = BuildTracePacket(f);
  if (!FDispatcherWindow) return 0;
  COPYDATASTRUCT cds{};
  cds.dwData = type;
  cds.cbData = static_cast<DWORD>(packet.size());
  cds.lpData = packet.data();
  return static_cast<int32_t>(
      SendMessageA(FDispatcherWindow, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)));
}

// --- Global client -----------------------------------------------------------------------------

namespace {
struct TGlobalTrace {
  std::unique_ptr<THvTLObjectManager> Manager;
  std::unique_ptr<THvTraceLens> Client;
};
TGlobalTrace& Global() {
  static TGlobalTrace g;
  return g;
}
}  // namespace

THvTLObjectManager* HvTLObjectManager() { return Global().Manager.get(); }
THvTraceLens* HvTraceLens() { return Global().Client.get(); }

void SendTraceMsg(const AnsiString& text) {
  if (THvTraceLens* c = HvTraceLens()) c->SendMsg(text);
}

void SendTraceValue(const AnsiString& name, const AnsiString& value) {
  if (THvTraceLens* c = HvTraceLens()) c->SendNameValue(name, value);
}

void InitializeHvTLIntf() {
  TGlobalTrace& g = Global();
  g.Manager = std::make_unique<THvTLObjectManager>();
  g.Client = std::make_unique<THvTraceLens>(g.Manager.get());
}

void FinalizeHvTLIntf() {
  TGlobalTrace& g = Global();
  g.Client.reset();
  g.Manager.reset();
}
