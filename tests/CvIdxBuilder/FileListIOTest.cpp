// Output formats of the list writers and the scan log, byte for byte.
#include "CvIdxBuilder/CvBatchCrawlerUnit.h"
#include "CvIdxBuilder/CvFileListIOUnit.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/SysExceptions.h"
#include "tests/CvIdxBuilder/CvIdxTestHelpers.h"

#include <regex>

using namespace testsupport;
using namespace cvidxtest;

namespace {

std::string Bom() { return "\xFF\xFE"; }

TEST(StringListWriter, WritesBlocksOfLinesAndLosesWhatWasNotFlushed) {
  TTempDir tmp;
  const WideString name = tmp.FileW(L"err.txt");
  {
    TStringListWriter w(name, 2);
    EXPECT_EQ(w.Size(), 2);  // the byte-order mark alone
    w.AddLine(L"c:\\a");
    EXPECT_EQ(w.Size(), 2);  // buffered
    w.AddLine(L"c:\\日本語\\b c");  // the second line completes a block
    EXPECT_EQ(w.Size(), static_cast<int64_t>(ListImage({L"c:\\a", L"c:\\日本語\\b c"}).size()));
    // Nobody else opens the list while it is written.
    EXPECT_THROW(ReadFileBytes(name), std::runtime_error);
    w.AddLine(L"lost");
    EXPECT_EQ(w.Count(), 3);
  }
  EXPECT_PRED_FORMAT2(BytesEqual, ListImage({L"c:\\a", L"c:\\日本語\\b c"}), ReadFileBytes(name));
}

TEST(StringListWriter, RefusesFlushIntervalBelowOneAndMissingFolder) {
  TTempDir tmp;
  for (int every : {0, -1}) {
    EXPECT_THROW(TStringListWriter(tmp.FileW(L"x.txt"), every), EListError) << every;
  }
  EXPECT_THROW(TStringListWriter(tmp.FileW(L"no\\x.txt"), 10), EFCreateError);
}

TEST(FileListWriter, EmptyListHasFirstAndClosingIndexRecords) {
  TTempDir tmp;
  const WideString list = tmp.FileW(L"J010_FILLST_00.txt");
  {
    TFileListWriter w(list, 10000, L"c:\\data");
    w.Flush();
  }
  EXPECT_PRED_FORMAT2(BytesEqual, Bom(), ReadFileBytes(list));
  EXPECT_PRED_FORMAT2(BytesEqual,
                      Bom() + Utf16Bytes(L"0\t2\tc:\\data\r\n0\t2\tc:\\data\r\nTotal\t2\tcount\t0"),
                      ReadFileBytes(tmp.FileW(L"J010_FILLST_00.idx")));
}

TEST(FileListWriter, IndexRecordPerBlockWithTheFolderCurrentThere) {
  TTempDir tmp;
  const WideString list = tmp.FileW(L"l.txt");
  {
    TFileListWriter w(list, 3, L"d:\\t");
    w.BeginFolder(L"d:\\t");
    w.AddFile(L"a.doc");
    w.BeginFolder(L"d:\\t\\サブ");  // third line: block written, record with this folder
    w.AddFile(L" b");
    w.Flush();
    w.Close();
  }
  std::vector<WideString> lines = {L"d:\\t", L"\ta.doc", L"d:\\t\\サブ", L"\t b"};
  EXPECT_PRED_FORMAT2(BytesEqual, ListImage(lines), ReadFileBytes(list));
  const int64_t block1 = static_cast<int64_t>(ListImage({L"d:\\t", L"\ta.doc", L"d:\\t\\サブ"}).size());
  const int64_t all = static_cast<int64_t>(ListImage(lines).size());
  EXPECT_PRED_FORMAT2(BytesEqual,
                      Bom() + Utf16Bytes(IdxRecord(0, 2, L"d:\\t") + IdxRecord(3, block1, L"d:\\t\\サブ") +
                                         IdxRecord(4, all, L"d:\\t\\サブ") + L"Total\t" +
                                         std::to_wstring(all) + L"\tcount\t4"),
                      ReadFileBytes(tmp.FileW(L"l.idx")));
}

TEST(FileListWriter, TenThousandLinesGiveOneRecordAndARepeatAtTheEnd) {
  TTempDir tmp;
  const WideString list = tmp.FileW(L"big.txt");
  {
    TFileListWriter w(list, 10000, L"e:\\");
    for (int i = 0; i < 10000; ++i) w.AddFile(L"f");
    w.Flush();  // the end-of-target flush repeats the record
  }
  const int64_t size = 2 + 10000 * 8;  // TAB, f, CR, LF in UTF-16
  EXPECT_PRED_FORMAT2(BytesEqual,
                      Bom() + Utf16Bytes(IdxRecord(0, 2, L"e:\\") + IdxRecord(10000, size, L"e:\\") +
                                         IdxRecord(10000, size, L"e:\\") + L"Total\t" +
                                         std::to_wstring(size) + L"\tcount\t10000"),
                      ReadFileBytes(tmp.FileW(L"big.idx")));
}

TEST(DirListWriter, HeaderAndRowInColumnOrderWithTruncatedMegabytes) {
  TTempDir tmp;
  const WideString name = tmp.FileW(L"d.txt");
  TFolderStats s;
  StatsClear(s);
  s.Level = 2;
  s.Files = 123;
  s.Size = 1572864;  // 1.5 MB shows as 1
  for (int c = 0; c < kExtCategoryCount; ++c) {
    s.Counts[c] = c + 1;                  // slot number + 1, to see the column order
    s.Bytes[c] = 1048576LL * (c + 1) - 1;  // one byte short: truncates to c MB
  }
  {
    TDirListWriter w(name);
    w.AddFolder(L"c:\\データ", s);
    w.Flush();
  }
  const WideString header =
      L"folder\tlevel\tfiles\tsize\tdoc\tdoc(MB)\txls\txls(MB)\tppt\tppt(MB)\tpdf\tpdf(MB)\txdw\txdw(MB)"
      L"\timg\timg(MB)\tdwg\tdwg(MB)\tdxf\tdxf(MB)\ttxt\ttxt(MB)\thtm\thtm(MB)\texe\texe(MB)\tzip\tzip(MB)";
  // Columns doc xls ppt pdf xdw img dwg dxf txt htm exe zip are slots 0-5, 8, 9, 6, 7, 10, 11.
  const WideString row = L"c:\\データ\t2\t123\t1\t1\t0\t2\t1\t3\t2\t4\t3\t5\t4\t6\t5\t9\t8\t10\t9\t7\t6"
                         L"\t8\t7\t11\t10\t12\t11";
  EXPECT_PRED_FORMAT2(BytesEqual, ListImage({header, row}), ReadFileBytes(name));
}

TEST(LogAppender, LinesAndTheirDisplayForm) {
  TTempDir tmp;
  const WideString name = tmp.FileW(L"J010_FILLST_00_20260101_000000.log");
  TLogAppender log(WideToAnsi(name));
  EXPECT_FALSE(FileExistsW(name));  // created by the first line
  AnsiString display;
  log.Append(TLogLevel::llInfo, "START crawling: c:\\data", display);
  EXPECT_EQ(MaskTime(display), "INFO \t<T> \tSTART crawling: c:\\data");
  log.AppendCheckpoint(" nodes, 5 files in 2 folders scanned", 10000, display);
  EXPECT_EQ(MaskTime(display), "CHKPT \t<T> \t10000 \t nodes, 5 files in 2 folders scanned");
  log.Append(TLogLevel::llDone, "当初10000件までは1000件毎に報告します", display);
  log.Append(TLogLevel::llWarn, "ABORTED", display);
  log.Append(TLogLevel::llError, "disk full", display);
  EXPECT_EQ(LogLines(name), (std::vector<AnsiString>{
                                "INFO\t<T>\tSTART crawling: c:\\data",
                                "CHKPT\t<T>\t10000\t nodes, 5 files in 2 folders scanned",
                                "DONE\t<T>\t当初10000件までは1000件毎に報告します",
                                "WARN\t<T>\tABORTED", "ERROR\t<T>\tdisk full"}));
  // Code page 932 bytes, no byte-order mark: 当 is 93 96.
  std::string bytes = ReadFileBytes(name);
  EXPECT_EQ(bytes.substr(0, 5), "INFO\t");
  EXPECT_NE(bytes.find("\x93\x96\x8F\x89"), std::string::npos);  // 当初
}

TEST(LogAppender, TimeStampIsTheLocalTimeWithTheLocaleSeparators) {
  struct TScopedSettings {
    TFormatSettings Saved = GetFormatSettings();
    ~TScopedSettings() { SetFormatSettings(Saved); }
  } scoped;
  TFormatSettings fs = scoped.Saved;
  fs.DateSeparator = '-';
  fs.TimeSeparator = '.';
  SetFormatSettings(fs);
  TTempDir tmp;
  TLogAppender log(tmp.File("t.log"));
  AnsiString display;
  const AnsiString before = FormatDateTime("yyyymmddhhnnss", Now());
  log.Append(TLogLevel::llWarn, "ABORTED", display);
  const AnsiString after = FormatDateTime("yyyymmddhhnnss", Now());
  // Year, month, day, 24-hour hour, minutes, seconds: "MM" after the hour is the minutes.
  static const std::regex line(R"(WARN \t(\d{4})-(\d{2})-(\d{2}) (\d{2})\.(\d{2})\.(\d{2}) \tABORTED)");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(display, m, line)) << display;
  AnsiString stamp;
  for (size_t i = 1; i <= 6; ++i) stamp += m[i].str();
  EXPECT_LE(before, stamp);
  EXPECT_LE(stamp, after);
  EXPECT_PRED_FORMAT2(BytesEqual, StringReplaceAll(display, " \t", "\t") + "\r\n",
                      ReadFileBytes(tmp.FileW(L"t.log")));
}

TEST(LogAppender, OpenByAnotherWriterRaisesAndReleasesTheLock) {
  TTempDir tmp;
  const WideString name = tmp.FileW(L"a.log");
  TLogAppender log(WideToAnsi(name));
  AnsiString display;
  log.Append(TLogLevel::llInfo, "one", display);
  {
    TFileStream holder(name, fmOpenReadWrite | fmShareDenyWrite);
    EXPECT_THROW(log.Append(TLogLevel::llInfo, "two", display), EFOpenError);
  }
  log.Append(TLogLevel::llInfo, "three", display);  // would hang if the lock were kept
  EXPECT_EQ(LogLines(name), (std::vector<AnsiString>{"INFO\t<T>\tone", "INFO\t<T>\tthree"}));
}

}  // namespace
