#include "CvIdxBuilder/CvFileListIOUnit.h"

#include "platform/rtl/SysExceptions.h"
#include "tests/support/InputMutator.h"
#include "tests/support/TestSupport.h"

#include <ostream>
#include <vector>

using testsupport::TTempDir;
using testsupport::Utf16Bytes;
using testsupport::WriteFileBytes;

namespace {

struct TEntry {
  WideString Text;
  bool IsFolder;
  int64_t Line;
  bool operator==(const TEntry&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TEntry& e) {
  return os << e.Line << (e.IsFolder ? " folder " : " file ") << WideToUtf8(e.Text);
}

struct TReadResult {
  std::vector<TEntry> Entries;
  int Result = -1;
  int64_t Start = 0;
};

// Reads from start; the callback sets stopValue at its stopAfter-th call (0: never).
TReadResult ReadFrom(TFileListReader& reader, int64_t start, size_t stopAfter = 0,
                     uint8_t stopValue = kFileListStopDone) {
  TReadResult r;
  r.Start = start;
  auto callback = [&](const WideString& text, bool isFolder, int64_t line, void* data,
                      uint8_t& stop) {
    EXPECT_EQ(0, stop);
    auto* entries = static_cast<std::vector<TEntry>*>(data);
    entries->push_back({text, isFolder, line});
    if (entries->size() == stopAfter) stop = stopValue;
  };
  r.Result = reader.ReadRange(&r.Entries, r.Start, callback);
  return r;
}

// Lines beginning with TAB are files, the others folders, written as a scan writes them.
void WriteList(const WideString& file, int32_t flushEvery, const std::vector<WideString>& lines) {
  TFileListWriter writer(file, flushEvery, lines.empty() ? L"c:\\" : lines[0]);
  for (const WideString& line : lines) {
    if (!line.empty() && line[0] == L'\t') writer.AddFile(line.substr(1));
    else writer.BeginFolder(line);
  }
  writer.Flush();
  writer.Close();
}

// True when folder is current or lies above it, by whole path components.
bool IsCurrentOrAbove(const WideString& folder, WideString current) {
  for (;;) {
    if (ExcludeTrailingBackslashW(current) == ExcludeTrailingBackslashW(folder)) return true;
    size_t cut = current.find_last_of(L'\\');
    if (cut == WideString::npos || cut + 1 == current.size()) return false;
    current.erase(cut == 2 && current[1] == L':' ? cut + 1 : cut);
  }
}

// What a read from start must report, worked out line by line from the top of the list.
std::vector<TEntry> Expected(const std::vector<WideString>& lines, int64_t start) {
  std::vector<TEntry> r;
  WideString current;
  for (int64_t i = 0; i < static_cast<int64_t>(lines.size()); ++i) {
    const WideString& line = lines[i];
    if (line[0] != L'\t') {
      if (i == start || (i > start && !IsCurrentOrAbove(line, current))) r.push_back({line, true, i});
      current = line;
    } else if (i >= start) {
      size_t b = line.find_first_not_of(L"\t ");
      r.push_back({IncludeTrailingBackslashW(current) + line.substr(b), false, i});
    }
  }
  return r;
}

const std::vector<WideString> kList = {
    L"c:\\root",                    // 0
    L"\ta.txt",                     // 1
    L"\t  b.txt",                   // 2: a name beginning with blanks
    L"c:\\root\\sub",               // 3
    L"\tc.txt",                     // 4
    L"\tc2.txt",                    // 5
    L"c:\\root\\sub\\deep",         // 6
    L"\td.txt",                     // 7
    L"c:\\root\\sub",               // 8: repeat of a parent
    L"\te.txt",                     // 9
    L"c:\\root",                    // 10: repeat of a parent
    L"\tf.txt",                     // 11
    L"d:\\database",                // 12
    L"\tg.txt",                     // 13
    L"d:\\dat",                     // 14: a sibling whose name begins the previous one's
    L"\th.txt",                     // 15
    L"c:\\データ\\한국",            // 16: not all of it has a code page 932 form
    L"\t日本語.txt",                // 17
};

struct TListFixture {
  TTempDir Dir;
  WideString List = Dir.FileW(L"x_FILLST_01.txt");
  WideString Idx = Dir.FileW(L"x_FILLST_01.idx");
};

// Rewrites the index so that the blocks before block `first` point past the end of the
// list (the last of them even ends before it starts): reading any of them raises.
void PoisonBlocksBefore(const TListFixture& f, int first) {
  TFileListIdx idx(f.Idx);
  WideString text;
  for (int i = 0; i < idx.Count(); ++i) {
    const TFileListIdxItem& item = idx.Items(i);
    int64_t offset = i < first ? (int64_t{1} << 40) + i * 1000 : item.StartOffset;
    text += std::to_wstring(item.StartLine) + L"\t" + std::to_wstring(offset) + L"\t" + item.Folder + L"\r\n";
  }
  text += L"Total\t" + std::to_wstring(idx.TotalSize()) + L"\tcount\t" + std::to_wstring(idx.TotalCount());
  WriteFileBytes(f.Idx, "\xFF\xFE" + Utf16Bytes(text));
}

}  // namespace

TEST(FileListReader, FromTheStartEveryEntryWithFullPaths) {
  TListFixture f;
  WriteList(f.List, 4, kList);
  TFileListReader reader(f.List);
  TReadResult r = ReadFrom(reader, 0);
  const std::vector<TEntry> expected = {
      {L"c:\\root", true, 0},
      {L"c:\\root\\a.txt", false, 1},
      {L"c:\\root\\b.txt", false, 2},
      {L"c:\\root\\sub", true, 3},
      {L"c:\\root\\sub\\c.txt", false, 4},
      {L"c:\\root\\sub\\c2.txt", false, 5},
      {L"c:\\root\\sub\\deep", true, 6},
      {L"c:\\root\\sub\\deep\\d.txt", false, 7},
      {L"c:\\root\\sub\\e.txt", false, 9},
      {L"c:\\root\\f.txt", false, 11},
      {L"d:\\database", true, 12},
      {L"d:\\database\\g.txt", false, 13},
      {L"d:\\dat", true, 14},  // no ancestor of d:\database, so it is reported
      {L"d:\\dat\\h.txt", false, 15},
      {L"c:\\データ\\한국", true, 16},
      {L"c:\\データ\\한국\\日本語.txt", false, 17},  // the folder part stays UTF-16
  };
  EXPECT_EQ(expected, r.Entries);
  EXPECT_EQ(0, r.Result);
  EXPECT_EQ(18, r.Start);
}

TEST(FileListReader, EveryStartMatchesALineByLineWalk) {
  for (int32_t flushEvery : {1, 2, 3, 4, 5, 7, 100}) {
    TListFixture f;
    WriteList(f.List, flushEvery, kList);
    TFileListReader reader(f.List);
    for (int64_t start = 0; start <= static_cast<int64_t>(kList.size()); ++start) {
      TReadResult r = ReadFrom(reader, start);
      EXPECT_EQ(Expected(kList, start), r.Entries) << "flush " << flushEvery << " start " << start;
      EXPECT_EQ(0, r.Result);
    }
  }
}

TEST(FileListReader, StartsInsideBlocks) {
  TListFixture f;
  WriteList(f.List, 4, kList);  // blocks begin at lines 0, 4, 8, 12, 16 and 18
  TFileListReader reader(f.List);
  ASSERT_EQ(6, reader.Idx().Count());
  EXPECT_EQ(L"c:\\root\\sub", reader.Idx().Items(1).Folder);

  // The block of lines 4..7 begins with files whose folder line lies in the block before.
  TReadResult r = ReadFrom(reader, 5, 1);
  EXPECT_EQ((std::vector<TEntry>{{L"c:\\root\\sub\\c2.txt", false, 5}}), r.Entries);
  // A start on a repeated parent line reports it; the next repeat is not reported.
  r = ReadFrom(reader, 8, 4);
  EXPECT_EQ((std::vector<TEntry>{{L"c:\\root\\sub", true, 8},
                                 {L"c:\\root\\sub\\e.txt", false, 9},
                                 {L"c:\\root\\f.txt", false, 11},
                                 {L"d:\\database", true, 12}}),
            r.Entries);
  EXPECT_EQ(13, r.Start);
  r = ReadFrom(reader, 10, 1);
  EXPECT_EQ((std::vector<TEntry>{{L"c:\\root", true, 10}}), r.Entries);
}

TEST(FileListReader, CallbackStopsAndFails) {
  TListFixture f;
  WriteList(f.List, 4, kList);
  TFileListReader reader(f.List);
  struct Case {
    int64_t start;
    size_t stopAfter;
    uint8_t stop;
    size_t calls;
    int result;
    int64_t startAfter;
  };
  const Case cases[] = {
      {3, 1, kFileListStopDone, 1, 1, 4},    // exactly one call, start one line on
      {3, 1, kFileListStopFailed, 1, 2, 4},
      {0, 3, kFileListStopDone, 3, 1, 3},
      {6, 3, kFileListStopDone, 3, 1, 10},   // the skipped repeat at line 8 counts as walked
      {0, 1, 1, 16, 0, 18},                  // other values go on
      {0, 2, 4, 16, 0, 18},
  };
  for (const Case& c : cases) {
    TReadResult r = ReadFrom(reader, c.start, c.stopAfter, c.stop);
    EXPECT_EQ(c.calls, r.Entries.size()) << c.start << "/" << c.stopAfter;
    EXPECT_EQ(c.result, r.Result) << c.start << "/" << c.stopAfter;
    EXPECT_EQ(c.startAfter, r.Start) << c.start << "/" << c.stopAfter;
  }
}

TEST(FileListReader, StartAtOrBeyondTheEndReadsNothing) {
  TListFixture f;
  WriteList(f.List, 4, kList);
  PoisonBlocksBefore(f, 6);  // every block: none may be read
  TFileListReader reader(f.List);
  for (int64_t start : {18, 19, 1000000}) {
    TReadResult r = ReadFrom(reader, start);
    EXPECT_TRUE(r.Entries.empty()) << start;
    EXPECT_EQ(0, r.Result);
    EXPECT_EQ(18, r.Start);  // the first line of the last block
  }
}

TEST(FileListReader, OnlyTheBlocksOfTheRangeAreRead) {
  TListFixture f;
  WriteList(f.List, 4, kList);
  PoisonBlocksBefore(f, 2);
  TFileListReader reader(f.List);
  TReadResult r = ReadFrom(reader, 9, 3);
  EXPECT_EQ((std::vector<TEntry>{{L"c:\\root\\sub\\e.txt", false, 9},
                                 {L"c:\\root\\f.txt", false, 11},
                                 {L"d:\\database", true, 12}}),
            r.Entries);
  // The poison is real: a start in those blocks cannot be read.
  EXPECT_THROW(ReadFrom(reader, 0), EReadError);
}

TEST(FileListReader, BlocksBeyondTheListRaiseBeforeAnyAllocation) {
  // A two-line list whose index claims far more bytes than the list holds.
  const WideString lines = L"c:\\x\r\n\ta.txt\r\n";
  const int64_t size = 2 + static_cast<int64_t>(lines.size()) * 2;
  const WideString indexes[] = {
      L"0\t2\tc:\\x\r\nTotal\t1000000000\tcount\t2",
      L"0\t2\tc:\\x\r\nTotal\t2147483648\tcount\t2",  // 2,147,483,646 bytes
      L"0\t2\tc:\\x\r\n1\t" + std::to_wstring(size + 2) + L"\tc:\\x\r\nTotal\t" +
          std::to_wstring(size + 2) + L"\tcount\t2",  // an empty block after the end
  };
  for (const WideString& index : indexes) {
    TListFixture f;
    WriteFileBytes(f.List, "\xFF\xFE" + Utf16Bytes(lines));
    WriteFileBytes(f.Idx, "\xFF\xFE" + Utf16Bytes(index));
    TFileListReader reader(f.List);
    try {
      ReadFrom(reader, 0);
      ADD_FAILURE() << "read: " << WideToUtf8(index);
    } catch (const EReadError& e) {
      EXPECT_NE(AnsiString::npos, e.Message().find("File list block out of range")) << e.Message();
    }
  }
  // A block that ends exactly at the end of the list is read whole.
  TListFixture f;
  WriteFileBytes(f.List, "\xFF\xFE" + Utf16Bytes(lines));
  WriteFileBytes(f.Idx, "\xFF\xFE" + Utf16Bytes(L"0\t2\tc:\\x\r\nTotal\t" + std::to_wstring(size) +
                                               L"\tcount\t2"));
  TFileListReader reader(f.List);
  EXPECT_EQ((std::vector<TEntry>{{L"c:\\x", true, 0}, {L"c:\\x\\a.txt", false, 1}}),
            ReadFrom(reader, 0).Entries);
}

TEST(FileListIdx, IndexWithoutRecords) {
  TListFixture f;
  WriteFileBytes(f.List, "\xFF\xFE");
  WriteFileBytes(f.Idx, "\xFF\xFE" + Utf16Bytes(L"Total\t2\tcount\t0"));
  TFileListReader reader(f.List);
  EXPECT_EQ(0, reader.Idx().Count());
  TReadResult r = ReadFrom(reader, 5);
  EXPECT_TRUE(r.Entries.empty());
  EXPECT_EQ(0, r.Result);
  EXPECT_EQ(5, r.Start);
  EXPECT_THROW(reader.Idx().Items(0), EListError);
}

TEST(FileListIdx, UnfinishedOrMalformedIndexIsRefused) {
  struct Case {
    const wchar_t* idx;
    bool noClosingRecord;
  };
  const Case cases[] = {
      {L"", true},
      {L"0\t2\tc:\\x\r\n", true},                       // a scan that never finished
      {L"0\t2\tc:\\x\r\n10\t42\tc:\\x", true},         // the last record read as the closing one
      {L"0\t2\tc:\\x\r\nTotal\t2\tcount", true},
      {L"0\tx\tc:\\x\r\nTotal\t2\tcount\t0", false},    // a number that is none
      {L"0\t2\tc:\\x\r\nTotal\t2\tcount\t1e3", false},
  };
  for (const Case& c : cases) {
    TListFixture f;
    WriteFileBytes(f.List, "\xFF\xFE");
    WriteFileBytes(f.Idx, "\xFF\xFE" + Utf16Bytes(c.idx));
    try {
      TFileListReader reader(f.List);
      ADD_FAILURE() << "loaded: " << WideToUtf8(c.idx);
    } catch (const EReadError& e) {
      EXPECT_TRUE(c.noClosingRecord) << e.Message();
      EXPECT_NE(AnsiString::npos, e.Message().find("no closing record")) << e.Message();
    } catch (const EConvertError& e) {
      EXPECT_FALSE(c.noClosingRecord) << e.Message();
    }
  }
  TListFixture f;
  EXPECT_THROW(TFileListReader reader(f.List), EFOpenError);
}

TEST(FileListIdx, NumbersBeyond32Bits) {
  TListFixture f;
  const int64_t offset = 2147483650LL;  // past 2 GB
  const WideString block = L"c:\\big\r\n\tz.txt\r\n";
  {
    TFileStream list(f.List, fmCreate);
    list.WriteBuffer("\xFF\xFE", 2);
    list.SetSize(offset);  // sparse: the first block is never read
    list.Seek(offset, TSeekOrigin::soBeginning);
    list.WriteString(Utf16Bytes(block));
  }
  const int64_t total = offset + static_cast<int64_t>(block.size()) * 2;
  WriteFileBytes(f.Idx, "\xFF\xFE" + Utf16Bytes(L"0\t2\tc:\\big\r\n3000000000\t2147483650\tc:\\big\r\n"
                                                L"Total\t" + std::to_wstring(total) +
                                                L"\tcount\t3000000002"));
  TFileListReader reader(f.List);
  ASSERT_EQ(2, reader.Idx().Count());
  EXPECT_EQ(3000000000LL, reader.Idx().Items(0).EndLine);
  EXPECT_EQ(offset, reader.Idx().Items(0).EndOffset);
  EXPECT_EQ(3000000002LL, reader.Idx().TotalCount());
  EXPECT_EQ(total, reader.Idx().TotalSize());
  TReadResult r = ReadFrom(reader, 3000000000LL);
  EXPECT_EQ((std::vector<TEntry>{{L"c:\\big", true, 3000000000LL},
                                 {L"c:\\big\\z.txt", false, 3000000001LL}}),
            r.Entries);
  EXPECT_EQ(3000000002LL, r.Start);
}

TEST(FileListReader, MutatedIndexesAndListsReadOrRaiseTheirErrors) {
  TListFixture f;
  WriteList(f.List, 4, kList);
  const std::string list = testsupport::ReadFileBytes(f.List);
  const std::string idx = testsupport::ReadFileBytes(f.Idx);
  // The index as UTF-8 text, so that its numbers can be found and corrupted.
  const std::string idxText = WideToUtf8(DecodeTextBytes(idx));
  testsupport::TInputMutator mutator(20240617);
  int read = 0;
  for (int i = 0; i < 200; ++i) {
    SCOPED_TRACE(::testing::Message() << "input " << i);
    const uint32_t what = mutator.Below(4);
    std::string idxBytes = idx, listBytes = list;
    if (what == 0) idxBytes = mutator.Mutate(idx);
    if (what == 1 || what == 3)
      idxBytes = "\xFF\xFE" + Utf16Bytes(Utf8ToWide(mutator.Mutate(idxText)));
    if (what >= 2) listBytes = mutator.Mutate(list);
    WriteFileBytes(f.Idx, idxBytes);
    WriteFileBytes(f.List, listBytes);
    // A damaged index or list is refused by a conversion error or by the index's own read
    // errors, never by running out of memory or off the end of the list: every block is
    // checked against the list before it is read.
    try {
      TFileListReader reader(f.List);
      for (int64_t start : {int64_t{0}, int64_t{5}, int64_t{17}, int64_t{-3}, int64_t{1} << 40}) {
        int64_t at = start;
        size_t calls = 0;
        reader.ReadRange(nullptr, at, [&](const WideString&, bool, int64_t, void*, uint8_t& stop) {
          if (++calls == 100) stop = kFileListStopDone;
        });
      }
      ++read;
    } catch (const EReadError& e) {
      EXPECT_TRUE(e.Message().find("no closing record") != AnsiString::npos ||
                  e.Message().find("File list block out of range") != AnsiString::npos)
          << e.Message();
    } catch (const EConvertError&) {
    }
  }
  EXPECT_GT(read, 20);
}
