#include "common/HvTLIntf.h"
#include "common/HvxUtil.h"

#include "platform/rtl/Registry.h"
#include "platform/rtl/Streams.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <fstream>
#include <future>
#include <regex>
#include <thread>

using testsupport::BytesEqual;
using testsupport::ReadFileBytes;
using testsupport::TTempDir;

namespace {

uint32_t Get32(const std::string& p, size_t at) {
  auto b = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(p[at + i])); };
  return b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24);
}
uint32_t TypeOf(const std::string& p) { return Get32(p, 0); }
AnsiString MessageOf(const std::string& p) { return p.substr(217, Get32(p, 16)); }
AnsiString DetailsOf(const std::string& p) { return p.substr(217 + Get32(p, 16), Get32(p, 20)); }
AnsiString FieldOf(const std::string& p, size_t at, size_t size) {
  AnsiString s = p.substr(at, size);
  return s.substr(0, s.find('\0'));
}
AnsiString GuidOf(const std::string& p) { return FieldOf(p, 32, 42); }

// Window class names private to this process, so that no other program's viewer or
// client meets the test's windows.
std::wstring UniqueClass(const wchar_t* tag) {
  static std::atomic<int> counter{0};
  return L"TFrmTraceLensTest_" + std::to_wstring(GetCurrentProcessId()) + L"_" + tag + L"_" +
         std::to_wstring(counter++);
}

// An in-process viewer window on its own thread with its own message loop, recording
// every packet it receives.
class TFakeViewer {
public:
  explicit TFakeViewer(std::wstring className, LRESULT registerAnswer = 1)
      : FClass(std::move(className)), FRegisterAnswer(registerAnswer) {
    std::promise<HWND> ready;
    auto done = ready.get_future();
    FThread = std::thread([this, &ready] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = &TFakeViewer::Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = FClass.c_str();
      RegisterClassW(&wc);  // may already exist from an earlier viewer of this test
      HWND wnd = CreateWindowExW(0, FClass.c_str(), L"TraceLens Dispatcher", WS_OVERLAPPED, 0, 0,
                                 100, 100, nullptr, nullptr, GetModuleHandleW(nullptr), this);
      ready.set_value(wnd);
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    });
    FWnd = done.get();
  }
  ~TFakeViewer() { Close(); }
  void Close() {
    if (FThread.joinable()) {
      PostMessageW(FWnd, WM_CLOSE, 0, 0);
      FThread.join();
    }
  }
  HWND Window() const { return FWnd; }
  std::vector<std::string> Packets() {
    std::lock_guard<std::mutex> g(FLock);
    return FPackets;
  }
  std::vector<uint32_t> Types() {
    std::vector<uint32_t> r;
    for (const std::string& p : Packets()) r.push_back(TypeOf(p));
    return r;
  }

private:
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE)
      SetWindowLongPtrW(wnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    auto* self = reinterpret_cast<TFakeViewer*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (msg == WM_COPYDATA && self) {
      auto* cds = reinterpret_cast<COPYDATASTRUCT*>(lp);
      std::string p(static_cast<const char*>(cds->lpData), cds->cbData);
      std::lock_guard<std::mutex> g(self->FLock);
      self->FPackets.push_back(p);
      if (cds->dwData != TypeOf(p)) return 0;  // dwData must repeat the type
      return TypeOf(p) == tlRegister ? self->FRegisterAnswer : 1;
    }
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(wnd, msg, wp, lp);
  }

  std::wstring FClass;
  LRESULT FRegisterAnswer;
  HWND FWnd = nullptr;
  std::thread FThread;
  std::mutex FLock;
  std::vector<std::string> FPackets;
};

// A client that looks for a private window class and, unless told otherwise, names a
// viewer program that does not exist.
class TTestTraceLens : public THvTraceLens {
public:
  TTestTraceLens(THvTLObjectManager* manager, const std::wstring& cls)
      : THvTraceLens(manager), ViewerClass(WideToAnsi(cls)) {}
  ~TTestTraceLens() override { UnregisterClient(); }

  AnsiString ViewerClass;
  AnsiString ExeName = "NoSuchTraceViewer_cvtest.exe";
  AnsiString PathValue = "DispatcherPath_cvtest_none";
  std::atomic<int> Starts{0};
  bool FixedIds = false;

protected:
  AnsiString GetDispatcherClassName() override { return ViewerClass; }
  AnsiString GetDispatcherExeName() override { return ExeName; }
  AnsiString GetDispatcherPathValue() override { return PathValue; }
  void StartDispatcher(const AnsiString& path, HWND& window) override {
    ++Starts;
    THvTraceLens::StartDispatcher(path, window);
  }
  TTLTimeStamp GetTimeStamp() override {
    if (!FixedIds) return THvTraceLens::GetTimeStamp();
    TTLTimeStamp ts;
    ts.Time = 45296789;  // 12:34:56.789
    ts.Date = TraceDayNumber(2026, 12, 6);
    return ts;
  }
  uint32_t GetProcessId() override { return FixedIds ? 0x11223344u : THvTraceLens::GetProcessId(); }
  uint32_t GetThreadId() override { return FixedIds ? 0x55667788u : THvTraceLens::GetThreadId(); }

public:
  HWND WindowOfThread(DWORD threadId) { return FindDispatcherWindow(threadId); }
};

int32_t LocalBias() {
  TIME_ZONE_INFORMATION tzi{};
  GetTimeZoneInformation(&tzi);
  return tzi.Bias;
}

AnsiString ThisComputerName() {
  char buf[16] = {};
  DWORD n = sizeof buf;
  return GetComputerNameA(buf, &n) ? AnsiString(buf, n) : AnsiString();
}

// The packet assembled at its literal offsets, independent of the client's own constants.
std::string ExpectedPacket(uint32_t type, const AnsiString& guid, const AnsiString& computer,
                           const AnsiString& app, const AnsiString& category, uint32_t color,
                           const AnsiString& typeName, const AnsiString& msg,
                           const AnsiString& details) {
  std::string p(220 + msg.size() + details.size(), '\0');
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[at + i] = static_cast<char>(v >> (8 * i));
  };
  put(0, type);
  put(4, 45296789);
  put(8, 739956);  // 6 December 2026, counting 1 January of the year 1 as day 1
  put(12, static_cast<uint32_t>(LocalBias()));
  put(16, static_cast<uint32_t>(msg.size()));
  put(20, static_cast<uint32_t>(details.size()));
  put(24, 0x11223344u);
  put(28, 0x55667788u);
  p.replace(32, guid.size(), guid);
  p.replace(74, computer.size(), computer);
  p.replace(90, app.size(), app);
  p.replace(131, category.size(), category);
  put(172, color);
  p.replace(176, typeName.size(), typeName);
  p.replace(217, msg.size(), msg);
  p.replace(217 + msg.size(), details.size(), details);
  return p;
}

}  // namespace

TEST(HvTLIntfPacket, DayNumbersCountFromTheFirstOfJanuaryOfYearOne) {
  EXPECT_EQ(TraceDayNumber(1, 1, 1), 1);
  EXPECT_EQ(TraceDayNumber(1899, 12, 30), 693594);  // the class library's date zero
  EXPECT_EQ(TraceDayNumber(2000, 1, 1) - TraceDayNumber(1899, 12, 30), 36526);
  EXPECT_EQ(TraceDayNumber(2000, 3, 1) - TraceDayNumber(2000, 2, 28), 2);  // leap year
  EXPECT_EQ(TraceDayNumber(1900, 3, 1) - TraceDayNumber(1900, 2, 28), 1);  // not a leap year
  EXPECT_EQ(TraceDayNumber(2026, 12, 6), 739956);
}

TEST(HvTLIntfPacket, MessageLengthDropsOneClosingCrLfOnly) {
  struct Case {
    AnsiString msg;
    uint32_t m;
  } cases[] = {
      {"abc\r\n", 3}, {"abc\n", 4}, {"abc\r\n\r\n", 5}, {"", 0},
      {"\r\n", 0},    {"abc\r", 4}, {AnsiString("ab\0cd", 5), 2},
  };
  for (const Case& c : cases) {
    TTracePacketFields f;
    f.Message = c.msg;
    std::string p = BuildTracePacket(f);
    EXPECT_EQ(Get32(p, 16), c.m);
    EXPECT_EQ(p.size(), 220u + c.m);
    EXPECT_EQ(p.substr(217, c.m), c.msg.substr(0, c.m));
  }
  TTracePacketFields f;
  f.Details = AnsiString("x=1\r\ny\0z", 8);
  std::string p = BuildTracePacket(f);
  EXPECT_EQ(Get32(p, 20), 6u);
  EXPECT_EQ(p.size(), 226u);
  EXPECT_EQ(p.substr(217, 6), "x=1\r\ny");
  EXPECT_EQ(p.substr(p.size() - 3), std::string(3, '\0'));
}

TEST(HvTLIntfPacket, TextsAreCutToTheirFieldsWithoutSplittingCharacters) {
  AnsiString fifty(50, 'c');
  AnsiString app39kanji = AnsiString(39, 'a') + "表示";  // a cut at 40 would split 表
  TTracePacketFields f;
  f.Category = fifty;
  f.AppName = app39kanji;
  f.TypeName = AnsiString(38, 't') + "ソフト";
  f.ComputerName = AnsiString(14, 'h') + "表";
  f.Guid = AnsiString(45, 'g');
  std::string p = BuildTracePacket(f);
  EXPECT_EQ(FieldOf(p, 131, 41), AnsiString(40, 'c'));
  EXPECT_EQ(FieldOf(p, 90, 41), AnsiString(39, 'a'));
  EXPECT_EQ(FieldOf(p, 176, 41), AnsiString(38, 't') + "ソ");
  EXPECT_EQ(FieldOf(p, 74, 16), AnsiString(14, 'h'));
  EXPECT_EQ(FieldOf(p, 32, 42), AnsiString(41, 'g'));
  EXPECT_EQ(CutAnsiText("表示", 3), "表");
  EXPECT_EQ(CutAnsiText("表示", 4), "表示");
  EXPECT_EQ(CutAnsiText("表示", 1), "");
}

TEST(HvTLIntfDestination, ItemsSplitOutsideBracketsAndTransportsClearTheValue) {
  using V = std::vector<AnsiString>;
  struct Case {
    AnsiString value;
    V items;
    AnsiString kept;
  } cases[] = {
      {"Viewer,TCP[host]", {"Viewer", "TCP"}, ""},
      {"Viewer[x,y],File", {"Viewer", "File"}, "Viewer[x,y],File"},
      {"", {}, ""},
      {"Viewer", {"Viewer"}, "Viewer"},
      {" udp ", {"udp"}, ""},
      {"Http[a[b,c]d],x", {"Http", "x"}, ""},
      {"Alias", {"Alias"}, ""},
      {"TCPX,File", {"TCPX", "File"}, "TCPX,File"},
      {"a]b,c", {"a]b", "c"}, "a]b,c"},
      {"表示[x],ソ", {"表示", "ソ"}, "表示[x],ソ"},
      {"Viewer,", {"Viewer"}, "Viewer,"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitDestinationItems(c.value), c.items) << c.value;
    EXPECT_EQ(FilterDestination(c.value), c.kept) << c.value;
  }
}

TEST(HvTLIntfLaunch, CommandLineQuotesOnlyAnExistingFileWithBlanks) {
  TTempDir tmp;
  testsupport::MakeDirs(tmp.FileW(L"dir with blanks"));
  AnsiString exe = tmp.File("dir with blanks\\viewer.exe");
  testsupport::WriteFileBytes(AnsiToWide(exe), "MZ");
  EXPECT_EQ(DispatcherCommandLine(exe), "\"" + exe + "\"");
  EXPECT_EQ(DispatcherCommandLine("\"" + exe + "\" -log x"), "\"" + exe + "\" -log x");
  EXPECT_EQ(DispatcherCommandLine("TLDispatcher.exe"), "TLDispatcher.exe");
  EXPECT_EQ(DispatcherCommandLine("viewer.exe -log x"), "viewer.exe -log x");
  AnsiString longLine = "TLDispatcher.exe -tag " + AnsiString(300, 'x');
  EXPECT_EQ(DispatcherCommandLine(longLine), longLine);  // never cut
}

TEST(HvTLIntfClient, PacketsGoOutByteForByteAfterRegistering) {
  THvTLObjectManager manager;
  std::wstring cls = UniqueClass(L"bytes");
  TFakeViewer viewer(cls);
  TTestTraceLens client(&manager, cls);
  client.FixedIds = true;
  client.SetCategory(AnsiString(45, 'k'));
  client.SetCategoryColor(0x00123456);
  client.SendMsg("first line\r\n");
  std::vector<std::string> packets = viewer.Packets();
  ASSERT_EQ(packets.size(), 2u);
  AnsiString guid = client.GuidText();
  ASSERT_TRUE(std::regex_match(guid, std::regex("\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}")))
      << guid;
  AnsiString cat(40, 'k');
  // The first register packet goes out before the names are cached.
  EXPECT_PRED_FORMAT2(BytesEqual,
                      ExpectedPacket(41, guid, "", "", cat, 0x00123456, "", "Viewer", ""),
                      packets[0]);
  EXPECT_PRED_FORMAT2(BytesEqual,
                      ExpectedPacket(0, guid, ThisComputerName(), "common_tests", cat, 0x00123456,
                                     "", "first line", ""),
                      packets[1]);
  EXPECT_EQ(client.DispatcherWindow(), viewer.Window());
}

TEST(HvTLIntfClient, SendersProduceTheirTypesAndTexts) {
  THvTLObjectManager manager;
  std::wstring cls = UniqueClass(L"senders");
  TFakeViewer viewer(cls);
  TTestTraceLens client(&manager, cls);
  client.SetName("Trace1");
  client.SendNameValue("aExt", "doc");
  client.SendNote("n");
  client.SendError("e");
  client.SendMsgOfType(7, "seven");
  client.SendFmt(tlMessage, "%d-%s", 5, "x");
  client.EnterMethod("Run");
  client.EnterMethod(&client, "Run");
  client.EnterMethodFmt("Load", "%d items", 3);
  client.ExitMethod(nullptr, "Run");
  client.ExitMethodFmt("Load", "%s", "done");
  try {
    throw EConvertError("bad number");
  } catch (...) {
    client.SendException();
  }
  std::vector<std::string> p = viewer.Packets();
  ASSERT_EQ(p.size(), 12u);
  std::vector<std::pair<uint32_t, AnsiString>> expected = {
      {41, "Viewer"},
      {0, "aExt = 'doc'"},
      {1, "n"},
      {2, "e"},
      {7, "seven"},
      {0, "5-x"},
      {9, "Run"},
      {9, "THvTraceLens( Trace1 ).Run"},
      {9, "Load - 3 items"},
      {10, "Run"},
      {10, "Load - done"},
  };
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(TypeOf(p[i]), expected[i].first) << i;
    EXPECT_EQ(MessageOf(p[i]), expected[i].second) << i;
  }
  EXPECT_EQ(TypeOf(p[11]), 2u);
  EXPECT_EQ(MessageOf(p[11]),
            "Exception EConvertError in module common_tests.exe at 00000000.\nbad number.");
  client.SetQuoteChar('"');
  client.SendNameValue("k", "v");
  EXPECT_EQ(MessageOf(viewer.Packets().back()), "k = \"v\"");
}

namespace {
class TSample : public TRttiObject {
public:
  AnsiString ClassName() const override { return "TSample"; }
  void GetPublishedProperties(TPropList& props) const override {
    props.push_back(IntegerProp("Width", "Integer", [] { return 120; }));
    props.push_back(IntegerProp("Color", "TColor", [] { return static_cast<int64_t>(clWindow); }));
    props.push_back(IntegerProp("Tint", "TColor", [] { return 0x00123456; }));
    props.push_back(IntegerProp("Cursor", "TCursor", [] { return -22; }));
    props.push_back(IntegerProp("DragCursor", "TCursor", [] { return 5; }));
    props.push_back(EnumProp("Align", "TAlign", {"alNone", "alTop"}, [] { return 1; }));
    props.push_back(FloatProp("Ratio", [] { return 1.5; }));
    props.push_back(StringProp("Caption", [] { return AnsiString("表示"); }));
    props.push_back(StringProp("Hint", [] { return AnsiString(); }));
    props.push_back(SetTypeProp("Anchors", "TAnchors", {"akLeft", "akTop", "akRight"}, [] { return 5; }));
    props.push_back(ObjectProp("Font", "TFont", [this] { return &FFont; }));
    props.push_back(ObjectProp("PopupMenu", "TPopupMenu", [] { return nullptr; }));
    props.push_back(MethodProp("OnClick"));
    TPropInfo noRead;
    noRead.Name = "WriteOnly";
    noRead.Kind = TTypeKind::Integer;
    props.push_back(noRead);
    TPropInfo variant;
    variant.Name = "Value";
    variant.GetString = [] { return AnsiString("v"); };
    props.push_back(variant);
  }

private:
  class TFont : public TRttiObject {
  public:
    AnsiString ClassName() const override { return "TFont"; }
    void GetPublishedProperties(TPropList& props) const override {
      props.push_back(IntegerProp("Size", "Integer", [] { return 9; }));
      props.push_back(StringProp("Name", [] { return AnsiString("MS UI Gothic"); }));
    }
  } FFont;
};

class TNoRtti : public TRttiObject {
public:
  AnsiString ClassName() const override { return "TNoRtti"; }
  bool HasTypeInfo() const override { return false; }
};
}  // namespace

TEST(HvTLIntfClient, ObjectListingCoversEveryPropertyKind) {
  TSample sample;
  std::vector<AnsiString> expected = {
      "Align=alTop",
      "Anchors=[TAnchors]",
      "  akLeft=True",
      "  akTop=False",
      "  akRight=True",
      "Caption='表示'",
      "Color=clWindow",
      "Cursor=crSizeAll",
      "DragCursor=5",
      "Font=(TFont)",
      "  Name='MS UI Gothic'",
      "  Size=9",
      "Hint=",
      "PopupMenu=nil",
      "Ratio=1.5",
      "Tint=$00123456",
      "Value=<<Not Implemented Yet>>",
      "Width=120",
  };
  EXPECT_EQ(ListPublishedProperties(sample), expected);

  THvTLObjectManager manager;
  std::wstring cls = UniqueClass(L"object");
  TFakeViewer viewer(cls);
  TTestTraceLens client(&manager, cls);
  client.SendObject("sample", &sample);
  client.SendObject("none", nullptr);
  TNoRtti bare;
  client.SendObject("bare", &bare);
  client.SendObject(AnsiString(300, 'n'), &sample);
  std::vector<std::string> p = viewer.Packets();
  ASSERT_EQ(p.size(), 5u);
  EXPECT_EQ(TypeOf(p[1]), 4u);
  EXPECT_EQ(MessageOf(p[1]), "sample");
  EXPECT_EQ(FieldOf(p[1], 176, 41), "TSample");
  AnsiString details;
  for (const AnsiString& line : expected) details += line + "\r\n";
  EXPECT_EQ(DetailsOf(p[1]), details);
  EXPECT_EQ(TypeOf(p[2]), 2u);
  EXPECT_EQ(MessageOf(p[2]), "none: Call to SendObject with nil object");
  EXPECT_EQ(MessageOf(p[3]), "bare: Object has no RTTI");
  EXPECT_EQ(MessageOf(p[4]), AnsiString(255, 'n'));
}

TEST(HvTLIntfLifecycle, RegistersOnceAndReregistersWithAStartedAgainViewer) {
  THvTLObjectManager manager;
  std::wstring cls = UniqueClass(L"restart");
  auto first = std::make_unique<TFakeViewer>(cls);
  auto client = std::make_unique<TTestTraceLens>(&manager, cls);
  client->SendMsg("one");
  client->SendMsg("two");
  EXPECT_EQ(first->Types(), (std::vector<uint32_t>{41, 0, 0}));
  AnsiString guid = client->GuidText();
  EXPECT_EQ(guid.size(), 38u);
  first->Close();

  TFakeViewer second(cls);
  client->SendMsg("three");
  std::vector<std::string> p = second.Packets();
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(TypeOf(p[0]), 41u);
  EXPECT_EQ(GuidOf(p[0]), guid);  // same identity
  EXPECT_EQ(MessageOf(p[1]), "three");
  EXPECT_EQ(GuidOf(p[1]), guid);
  EXPECT_EQ(client->Starts.load(), 0);

  client.reset();  // unregisters
  p = second.Packets();
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(TypeOf(p[2]), 42u);
  EXPECT_EQ(MessageOf(p[2]), "");
  EXPECT_EQ(GuidOf(p[2]), guid);
}

TEST(HvTLIntfLifecycle, StartedViewerIsFoundAmongItsThreadsWindowsByCaption) {
  THvTLObjectManager manager;
  std::wstring cls = UniqueClass(L"thread");
  TFakeViewer viewer(cls);
  TTestTraceLens client(&manager, UniqueClass(L"other"));
  DWORD viewerThread = GetWindowThreadProcessId(viewer.Window(), nullptr);
  EXPECT_EQ(client.WindowOfThread(viewerThread), viewer.Window());
  // This thread has no window captioned "TraceLens Dispatcher".
  EXPECT_EQ(client.WindowOfThread(GetCurrentThreadId()), nullptr);
  SetWindowTextW(viewer.Window(), L"TraceLens Dispatcher 2");
  EXPECT_EQ(client.WindowOfThread(viewerThread), nullptr);  // the caption must match exactly
}

TEST(HvTLIntfLifecycle, NoViewerAndNoProgramSwitchesTracingOff) {
  THvTLObjectManager manager;
  TTestTraceLens client(&manager, UniqueClass(L"none"));
  client.SendMsg("lost");
  EXPECT_FALSE(client.Enabled());
  EXPECT_GE(client.Starts.load(), 1);
  int starts = client.Starts.load();
  client.SendMsg("ignored");
  client.SendNameValue("a", "b");
  EXPECT_EQ(client.Starts.load(), starts);  // off: no further search or start
}

TEST(HvTLIntfLifecycle, RefusedRegistrationSwitchesTracingOff) {
  THvTLObjectManager manager;
  std::wstring cls = UniqueClass(L"refuse");
  TFakeViewer viewer(cls, 0);
  TTestTraceLens client(&manager, cls);
  client.SendMsg("a");
  EXPECT_FALSE(client.Enabled());
  client.SendMsg("b");
  EXPECT_EQ(viewer.Types(), (std::vector<uint32_t>{41, 0}));
}

TEST(HvTLIntfLifecycle, DisabledClientLooksForNoViewer) {
  THvTLObjectManager manager;
  std::wstring cls = UniqueClass(L"disabled");
  TFakeViewer viewer(cls);
  TTestTraceLens client(&manager, cls);
  client.SetEnabled(false);
  client.SendMsg("x");
  client.SendObject("o", &client);
  client.EnterMethod("m");
  EXPECT_TRUE(viewer.Packets().empty());
  EXPECT_EQ(client.GuidText(), "");
}

TEST(HvTLIntfLifecycle, UnregisterAtShutdownNeverStartsAViewer) {
  THvTLObjectManager manager;
  std::wstring cls = UniqueClass(L"shutdown");
  auto viewer = std::make_unique<TFakeViewer>(cls);
  TTestTraceLens client(&manager, cls);
  client.SendMsg("x");
  viewer.reset();  // the viewer goes away
  client.UnregisterClient();
  EXPECT_EQ(client.Starts.load(), 0);
  EXPECT_EQ(client.GuidText(), "");
  EXPECT_TRUE(client.Enabled());
}

TEST(HvTLIntfLifecycle, DestinationChangeReregistersOnlyForAnotherText) {
  THvTLObjectManager manager;
  std::wstring cls = UniqueClass(L"dest");
  TFakeViewer viewer(cls);
  TTestTraceLens client(&manager, cls);
  client.SetDestinationDetails("Console");
  std::vector<std::string> p = viewer.Packets();
  ASSERT_EQ(p.size(), 1u);  // nothing to unregister yet, then a register
  EXPECT_EQ(TypeOf(p[0]), 41u);
  EXPECT_EQ(MessageOf(p[0]), "Console");
  AnsiString guid = client.GuidText();
  client.SetDestinationDetails("CONSOLE");
  EXPECT_EQ(viewer.Packets().size(), 1u);
  EXPECT_EQ(client.DestinationDetails(), "Console");
  client.SetDestinationDetails("Viewer,TCP[host]");  // becomes empty: the default applies
  p = viewer.Packets();
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(TypeOf(p[1]), 42u);
  EXPECT_EQ(GuidOf(p[1]), guid);
  EXPECT_EQ(TypeOf(p[2]), 41u);
  EXPECT_EQ(MessageOf(p[2]), "Viewer");
  EXPECT_NE(GuidOf(p[2]), guid);
  EXPECT_EQ(client.DestinationDetails(), "");
}

TEST(HvTLIntfLifecycle, TwoThreadsShareOneRegistration) {
  THvTLObjectManager manager;
  std::wstring cls = UniqueClass(L"threads");
  TFakeViewer viewer(cls);
  TTestTraceLens client(&manager, cls);
  std::atomic<bool> go{false};
  auto work = [&](char tag) {
    while (!go.load()) std::this_thread::yield();
    for (int i = 0; i < 150; ++i) client.SendMsg(AnsiString(1, tag) + IntToStr(i));
  };
  std::thread a(work, 'a'), b(work, 'b');
  go = true;
  a.join();
  b.join();
  std::vector<std::string> p = viewer.Packets();
  ASSERT_EQ(p.size(), 301u);
  int registers = 0;
  for (const std::string& packet : p) {
    if (TypeOf(packet) == tlRegister) ++registers;
    EXPECT_EQ(GuidOf(packet), client.GuidText());
  }
  EXPECT_EQ(registers, 1);
  EXPECT_EQ(TypeOf(p[0]), tlRegister);
  EXPECT_TRUE(client.Enabled());
}

TEST(HvTLIntfGlobal, ApplicationExceptionsAnnounceThemselves) {
  // Without the global client (as in every other test) nothing is sent anywhere.
  ASSERT_EQ(HvTraceLens(), nullptr);
  SendTraceMsg("nowhere");
  SendTraceValue("a", "b");
  ECorvaneException quiet("quiet");

  TFakeViewer viewer(L"TFrmTraceLens");
  InitializeHvTLIntf();
  ASSERT_NE(HvTraceLens(), nullptr);
  {
    ECorvaneUserException e("boom");
    ECorvaneUserException copy = e;  // copies are not announced again
  }
  SendTraceValue("aExt", "doc");
  FinalizeHvTLIntf();
  EXPECT_EQ(HvTraceLens(), nullptr);
  // Only this process's packets count: another program's client could find this window.
  std::vector<std::pair<uint32_t, AnsiString>> mine;
  for (const std::string& p : viewer.Packets())
    if (Get32(p, 24) == GetCurrentProcessId()) mine.push_back({TypeOf(p), MessageOf(p)});
  std::vector<std::pair<uint32_t, AnsiString>> expected = {
      {41, "Viewer"}, {1, "Error boom"}, {0, "aExt = 'doc'"}, {42, ""}};
  EXPECT_EQ(mine, expected);
}

// --- Across processes, with the stand-in viewer ------------------------------------------

namespace {

AnsiString DispatcherExe() {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  AnsiString beside = ExtractFilePath(module) + "TLDispatcher.exe";
  if (FileExists(beside)) return beside;
  AnsiString built = TLDISPATCHER_PATH;
  // The build runs on the host: its absolute paths are on Wine's drive Z:.
  if (!built.empty() && built[0] == '/') {
    for (char& c : built)
      if (c == '/') c = '\\';
    built = "Z:" + built;
  }
  return built;
}

// A DispatcherPath value private to this process under the viewer's registry key; the key
// (and its parents) are removed again when the test created them.
class TDispatcherPathValue {
public:
  explicit TDispatcherPathValue(const AnsiString& commandLine)
      : FName("DispatcherPath_cvtest_" + IntToStr(GetCurrentProcessId())) {
    TRegistry reg(HKEY_LOCAL_MACHINE);
    // The first missing level is what this creates, and removes again.
    for (const char* level : {kCompany, kProduct, kKey})
      if (FCreatedFrom.empty() && !reg.KeyExists(level)) FCreatedFrom = level;
    if (reg.OpenKey(kKey, true)) reg.WriteString(FName, commandLine);
  }
  ~TDispatcherPathValue() {
    TRegistry reg(HKEY_LOCAL_MACHINE);
    if (!FCreatedFrom.empty()) {
      reg.DeleteKey(FCreatedFrom);
    } else if (reg.OpenKey(kKey, false)) {
      reg.DeleteValue(FName);
    }
  }
  const AnsiString& Name() const { return FName; }

private:
  static constexpr const char* kCompany = "\\Software\\Quillmark";
  static constexpr const char* kProduct = "\\Software\\Quillmark\\TraceLens";
  static constexpr const char* kKey = "\\Software\\Quillmark\\TraceLens\\2.0";
  AnsiString FName;
  AnsiString FCreatedFrom;
};

void EndProcess(DWORD pid) {
  HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!h) return;
  TerminateProcess(h, 0);
  WaitForSingleObject(h, 10000);
  CloseHandle(h);
}

std::vector<AnsiString> LogLines(const AnsiString& file) {
  std::vector<AnsiString> lines;
  if (!FileExists(file)) return lines;
  std::string bytes = ReadFileBytes(AnsiToWide(file));
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::vector<AnsiString> Fields(const AnsiString& line) {
  std::vector<AnsiString> f;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    f.push_back(line.substr(start, tab == AnsiString::npos ? AnsiString::npos : tab - start));
    if (tab == AnsiString::npos) return f;
    start = tab + 1;
  }
}

}  // namespace

TEST(HvTLIntfProcess, StartsTheViewerFromALongCommandLineAndTalksToIt) {
  AnsiString exe = DispatcherExe();
  ASSERT_TRUE(FileExists(exe)) << exe;
  TTempDir tmp;
  std::wstring cls = UniqueClass(L"process");
  AnsiString log = tmp.File("trace log.txt"), pidFile = tmp.File("pid.txt");
  // Longer than the 255 characters a fixed buffer would hold.
  AnsiString line = "\"" + exe + "\" -class " + WideToAnsi(cls) + " -log \"" + log +
                    "\" -pidfile \"" + pidFile + "\" -tag " + AnsiString(260, 'x');
  ASSERT_GT(line.size(), 300u);
  TDispatcherPathValue value(line);
  THvTLObjectManager manager;
  auto client = std::make_unique<TTestTraceLens>(&manager, cls);
  client->PathValue = value.Name();
  client->SetCategory("scan");
  client->SendMsg("表示 line\r\n");
  client->SendNameValue("aExt", "doc");
  AnsiString guid = client->GuidText();
  HWND window = client->DispatcherWindow();
  EXPECT_TRUE(client->Enabled());
  EXPECT_EQ(client->Starts.load(), 1);
  ASSERT_NE(window, nullptr);
  client.reset();  // unregisters

  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  std::vector<AnsiString> lines = LogLines(log);
  EndProcess(pid);
  EXPECT_EQ(LogLines(pidFile), std::vector<AnsiString>{IntToStr(pid)});
  ASSERT_EQ(lines.size(), 4u);
  std::vector<std::vector<AnsiString>> f;
  for (const AnsiString& l : lines) f.push_back(Fields(l));
  std::regex stamp("\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3}");
  EXPECT_TRUE(std::regex_match(f[0][0], stamp)) << f[0][0];
  EXPECT_EQ((std::vector<AnsiString>{f[0][1], f[0][2], f[0][3], f[0][5]}),
            (std::vector<AnsiString>{"Register", "scan", "Viewer", guid}));
  EXPECT_EQ((std::vector<AnsiString>{f[1][1], f[1][3], f[1][4], f[1][5]}),
            (std::vector<AnsiString>{"Message", "表示 line", "common_tests", guid}));
  EXPECT_EQ(f[2][3], "aExt = 'doc'");
  EXPECT_EQ(f[3][1], "Unregister");
}

TEST(HvTLIntfProcess, ViewerThatNeverComesUpCountsAsNotFound) {
  AnsiString exe = DispatcherExe();
  ASSERT_TRUE(FileExists(exe)) << exe;
  TTempDir tmp;
  std::wstring cls = UniqueClass(L"slow");
  AnsiString pidFile = tmp.File("pid.txt");
  TDispatcherPathValue value("\"" + exe + "\" -class " + WideToAnsi(cls) + " -pidfile \"" +
                             pidFile + "\" -startdelay 60000");
  THvTLObjectManager manager;
  TTestTraceLens client(&manager, cls);
  client.PathValue = value.Name();
  client.SendMsg("x");  // returns once the bounded wait is over
  EXPECT_FALSE(client.Enabled());
  EXPECT_EQ(client.Starts.load(), 1);  // no second start once tracing is off
  EXPECT_EQ(client.DispatcherWindow(), nullptr);
  std::vector<AnsiString> pid = LogLines(pidFile);
  ASSERT_EQ(pid.size(), 1u);
  EndProcess(static_cast<DWORD>(StrToInt(pid[0])));
}
