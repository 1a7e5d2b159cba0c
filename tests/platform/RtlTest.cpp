#include "platform/rtl/Classes.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysExceptions.h"
#include "platform/rtl/Threads.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using testsupport::TTempDir;

TEST(DateTime, EncodeDecodeRoundTripsAcrossCalendarEdges) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2000, 3, 1) - EncodeDate(2000, 2, 28), 2.0);  // leap day
  EXPECT_EQ(EncodeDate(1900, 3, 1) - EncodeDate(1900, 2, 28), 1.0);  // no leap day
  const int dates[][3] = {{1, 1, 1}, {1899, 12, 29}, {1970, 1, 1}, {2024, 2, 29}, {9999, 12, 31}};
  for (auto& d : dates) {
    int y, m, day;
    DecodeDate(EncodeDate(d[0], d[1], d[2]), y, m, day);
    EXPECT_EQ(y, d[0]);
    EXPECT_EQ(m, d[1]);
    EXPECT_EQ(day, d[2]);
  }
  EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 6)), 1);  // a Sunday
}

TEST(DateTime, FormatUsesLocaleSeparatorsAndMinutesAfterHours) {
  TFormatSettings fs;
  fs.DateSeparator = '-';
  fs.TimeSeparator = '.';
  TDateTime dt = EncodeDate(2026, 3, 7) + EncodeTime(9, 5, 4, 0);
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd HH:MM:ss", dt, fs), AnsiString("2026-03-07 09.05.04"));
  EXPECT_EQ(FormatDateTime("_yyyymmdd_hhnnss", dt, fs), AnsiString("_20260307_090504"));
  EXPECT_EQ(FormatDateTime("\"当初\"yy", dt, fs), AnsiString("当初26"));
  fs.TimeAMString = "午前";
  fs.TimePMString = "午後";
  EXPECT_EQ(FormatDateTime("ampm h", dt, fs), AnsiString("午前 9"));
}

TEST(Classes, StringListSortedFindAndValues) {
  TStringList l;
  l.SetSorted(true);
  l.Add("b");
  l.Add("A");
  l.Add("c");
  l.Add("B");  // duplicate ignoring case: ignored
  ASSERT_EQ(l.Count(), 3);
  EXPECT_EQ(l[0], "A");
  EXPECT_EQ(l.IndexOf("C"), 2);
  TStringList v;
  v.Add("key=value=x");
  v.Add("other=1");
  EXPECT_EQ(v.Values("KEY"), "value=x");
  v.SetValue("other", "");
  EXPECT_EQ(v.Count(), 1);
  v.SetText("a\r\nb\nc\rd");
  EXPECT_EQ(v.Count(), 4);
  EXPECT_EQ(v.Text(), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_THROW(v.Get(4), EListError);
}

TEST(Classes, HashedListFindsFirstOccurrenceAfterChanges) {
  THashedStringList h;
  h.Add("x=1");
  h.Add("Y=2");
  h.Add("x=3");
  EXPECT_EQ(h.IndexOfName("X"), 0);
  EXPECT_EQ(h.IndexOf("y=2"), 1);
  h.Delete(0);
  EXPECT_EQ(h.IndexOfName("x"), 1);
  h.Put(1, "z=4");
  EXPECT_EQ(h.IndexOfName("x"), -1);
  EXPECT_EQ(h.IndexOfName("z"), 1);
}

TEST(Classes, WideStringListFileRoundTrip) {
  TTempDir dir;
  TWideStringList l;
  l.Add(L"d:\\データ");
  l.Add(L"\tファイル.txt");
  l.SaveToFile(dir.FileW(L"w.txt"));
  std::string bytes = testsupport::ReadFileBytes(dir.FileW(L"w.txt"));
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual,
                      std::string("\xFF\xFE") + testsupport::Utf16Bytes(L"d:\\データ\r\n\tファイル.txt\r\n"),
                      bytes);
  TWideStringList r;
  r.LoadFromFile(dir.FileW(L"w.txt"));
  ASSERT_EQ(r.Count(), 2);
  EXPECT_EQ(r[1], L"\tファイル.txt");
}

TEST(Classes, ObjectQueueIsFirstInFirstOut) {
  TObjectQueue q;
  int a, b;
  q.Push(&a);
  q.Push(&b);
  EXPECT_EQ(q.Peek(), &a);
  EXPECT_EQ(q.Pop(), &a);
  EXPECT_EQ(q.Pop(), &b);
  EXPECT_EQ(q.Pop(), nullptr);
}

TEST(Streams, OpenErrorsAndShareModes) {
  TTempDir dir;
  WideString name = dir.FileW(L"日本.bin");
  EXPECT_THROW(TFileStream(name, fmOpenRead), EFOpenError);
  EXPECT_THROW(TFileStream(dir.FileW(L"no\\such\\x.bin"), fmCreate), EFCreateError);
  {
    TFileStream w(name, fmCreate);
    w.WriteString("abc");
    EXPECT_EQ(w.Size(), 3);
    // fmCreate is exclusive: a second open fails while the first is held.
    EXPECT_THROW(TFileStream(name, fmOpenRead | fmShareDenyNone), EFOpenError);
  }
  TFileStream r(name, fmOpenRead | fmShareDenyWrite);
  char buf[4] = {};
  EXPECT_THROW(r.ReadBuffer(buf, 4), EReadError);
  EXPECT_TRUE(ForceDirectoriesW(dir.FileW(L"a\\b\\c")));
  EXPECT_TRUE(DirectoryExistsW(dir.FileW(L"a\\b\\c")));
}

TEST(Streams, ForceDirectoriesEndsOnPathsThatCannotNameAFolder) {
  TTempDir dir;
  // A ':' inside a name: the parent of "a:" is "a:" again, so the walk must stop there.
  // (Whether such a name can be made is up to the file system.)
  for (const wchar_t* name : {L"x\\a:b", L"a:b:c", L"y\\:"}) {
    WideString path = dir.FileW(name);
    EXPECT_EQ(DirectoryExistsW(path), ForceDirectoriesW(path)) << WideToAnsi(path);
  }
  // Longer than the platform takes: refused before anything is created.
  EXPECT_FALSE(ForceDirectoriesW(dir.FileW(L"long\\") + WideString(32767, L'a')));
  EXPECT_FALSE(DirectoryExistsW(dir.FileW(L"long")));
  // 32,000 trailing backslashes read as one.
  EXPECT_TRUE(ForceDirectoriesW(dir.FileW(L"t\\u") + WideString(32000, L'\\')));
  EXPECT_TRUE(DirectoryExistsW(dir.FileW(L"t\\u")));
  // Runs of backslashes inside the path too.
  EXPECT_TRUE(ForceDirectoriesW(dir.FileW(L"r\\\\\\s\\\\t")));
  EXPECT_TRUE(DirectoryExistsW(dir.FileW(L"r\\s\\t")));
  EXPECT_FALSE(ForceDirectoriesW(WideString(L"\\\\\\")));
  EXPECT_FALSE(ForceDirectoriesW(WideString()));
}

TEST(Streams, ForceDirectoriesStopsWhereThePlainPathGetsTooLong) {
  TTempDir dir;
  // The system creates folders of up to 247 units through a plain path, the longest
  // that leaves room for an 8.3 name and the NUL within MAX_PATH.
  WideString base = dir.FileW(L"n\\");
  WideString fits = base + WideString(247 - base.size(), L'f');
  WideString tooLong = base + WideString(248 - base.size(), L'g');
  EXPECT_TRUE(ForceDirectoriesW(fits));
  EXPECT_FALSE(ForceDirectoriesW(tooLong));
  // The folders above the one too long are made, as the system would make them.
  EXPECT_TRUE(DirectoryExistsW(dir.FileW(L"n")));

  // 12,000 folders: ends after the first folder too long, nothing deeper is attempted.
  WideString deep = dir.FileW(L"d");
  for (int i = 0; i < 12000; ++i) deep += L"\\a";
  EXPECT_FALSE(ForceDirectoriesW(deep));
  EXPECT_TRUE(DirectoryExistsW(deep.substr(0, 247)));
}

namespace {
class TRaisingThread : public TThread {
protected:
  void Execute() override { throw EConvertError("boom"); }
};
class TCountingThread : public TThread {
public:
  ~TCountingThread() override { WaitForEnd(); }
  int Runs = 0;

protected:
  void Execute() override { ++Runs; }
};
}  // namespace

TEST(Threads, FatalExceptionIsRecordedAndUnstartedThreadNeverRuns) {
  TRaisingThread t;
  t.Resume();
  t.WaitFor();
  EXPECT_TRUE(t.Finished());
  EXPECT_TRUE(t.HasFatalException());
  EXPECT_EQ(t.FatalExceptionMessage(), "boom");
  auto* never = new TCountingThread;
  delete never;  // must not run Execute on a half-destroyed object
  TCountingThread once;
  once.Resume();
  once.WaitFor();
  EXPECT_EQ(once.Runs, 1);
}

TEST(Threads, ExtendedPrecisionInEveryThread) {
  struct TProbe : TThread {
    ~TProbe() override { WaitForEnd(); }
    uint16_t Cw = 0;
    void Execute() override { Cw = GetFpuControlWord(); }
  } probe;
  probe.Resume();
  probe.WaitFor();
  EXPECT_EQ(probe.Cw & 0x0300, 0x0300);
}

TEST(Classes, CommaTextSplitsLikeTheClassLibrary) {
  const struct {
    const char* text;
    std::vector<AnsiString> items;
  } cases[] = {
      {"a,b c", {"a", "b", "c"}},
      {"  a , b ,", {"a", "b", ""}},
      {"\"x y\",\"say \"\"hi\"\"\"", {"x y", "say \"hi\""}},
      {"表,ソ", {"表", "ソ"}},  // 0x5C trail bytes stay inside their items
      {"a,,b", {"a", "", "b"}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommaText(c.text), c.items) << c.text;
  EXPECT_EQ(SplitCommaText(std::string_view("a\0b", 3)), std::vector<AnsiString>{"a"});
}
