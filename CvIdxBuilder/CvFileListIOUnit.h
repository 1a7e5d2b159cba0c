// Writers of a scan's output files: a buffered UTF-16 line writer (the error list and the
// peek output use it as it is), the file list writer with its companion index, the folder
// statistics list writer, and the scan log appender.
//
// List files are UTF-16LE with a byte-order mark and CR LF line ends. Lines are buffered and
// written in blocks, so a scan touches its list files once per block, not per entry.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysStrings.h"
#include "platform/rtl/Threads.h"

#include <cstdint>
#include <functional>
#include <memory>

struct TFolderStats;

// Buffered line writer of one UTF-16 text file. The file is created (or truncated) by the
// constructor and held exclusively while the writer lives. Freeing the writer does not
// flush: the owner flushes first, unflushed lines are lost.
class TStringListWriter {
public:
  using TFlushEvent = std::function<void(TStringListWriter& sender)>;

  // flushEvery: lines per automatic flush, at least 1.
  TStringListWriter(const WideString& fileName, int32_t flushEvery);
  virtual ~TStringListWriter();
  TStringListWriter(const TStringListWriter&) = delete;
  TStringListWriter& operator=(const TStringListWriter&) = delete;

  void AddLine(const WideString& text);
  // Writes every buffered line, each with CR LF, at the end of the file.
  void Flush();
  // Lines added since creation, flushed or not.
  int64_t Count() const { return FCount; }
  // The file's byte size so far (byte-order mark and flushed lines only).
  int64_t Size() { return FStream->Size(); }
  void SetOnAfterFlush(TFlushEvent handler) { FOnAfterFlush = std::move(handler); }
  void SetOnBeforeFlush(TFlushEvent handler) { FOnBeforeFlush = std::move(handler); }

private:
  std::unique_ptr<TTntStringList> FBuffer;
  int32_t FFlushEvery;
  std::unique_ptr<TTntFileStream> FStream;
  TFlushEvent FOnAfterFlush;
  TFlushEvent FOnBeforeFlush;
  int64_t FCount = 0;
  std::string FBytes;  // reused between flushes: one write per block
};

// The file list: a folder line when the walk enters a folder (and again when files of the
// folder follow a subfolder), a TAB plus the name for each file. Beside it the index
// (".idx") gets one record per flush, "lines TAB bytes TAB folder", so a reader can jump
// to any block; Close appends the closing record "Total TAB bytes TAB count TAB lines".
class TFileListWriter : public TStringListWriter {
public:
  // Creates the list and its index and flushes once, which writes the first index record.
  TFileListWriter(const WideString& fileName, int32_t flushEvery, const WideString& startFolder);
  // Writes the closing record when Close was not called; a failure is swallowed here
  // because a destructor cannot raise.
  ~TFileListWriter() override;

  void BeginFolder(const WideString& folder);
  void AddFile(const WideString& name);
  const WideString& CurrentFolder() const { return FCurrentFolder; }
  // Appends the closing record and closes the index; raises on a write failure.
  void Close();

private:
  void WriteIdxRecord();
  WideString FCurrentFolder;
  std::unique_ptr<TTntFileStream> FIdxStream;
  WideString FRecord;
};

// The folder statistics list: a 28-column header, then one row per folder that
// qualifies. Flushes every 1000 lines.
class TDirListWriter : public TStringListWriter {
public:
  explicit TDirListWriter(const WideString& fileName);
  void AddFolder(const WideString& folder, const TFolderStats& stats);
  // Whole megabytes, truncated: 1048575 bytes is 0.
  static int64_t BytesToMB(int64_t bytes) { return bytes / 1024 / 1024; }
};

enum class TLogLevel : uint8_t { llCheckpoint = 0, llDone = 1, llInfo = 2, llWarn = 3, llError = 4 };

// The scan log: ANSI lines "LEVEL TAB yyyy/mm/dd HH:MM:ss TAB message CR LF". The file is
// opened and closed per line so it can be read while a scan runs.
class TLogAppender {
public:
  explicit TLogAppender(const AnsiString& fileName);
  TLogAppender(const TLogAppender&) = delete;
  TLogAppender& operator=(const TLogAppender&) = delete;

  // Writes one line; display gets the line as the log view shows it (no line end, a blank
  // before every TAB).
  void Append(TLogLevel level, const AnsiString& message, AnsiString& display);
  // A CHKPT line whose count is a field of its own.
  void AppendCheckpoint(const AnsiString& message, int64_t count, AnsiString& display);
  const AnsiString& FileName() const { return FFileName; }

private:
  AnsiString FFileName;
  std::unique_ptr<TCriticalSection> FLock;
};

// "folder\tlevel\tfiles\tsize\tdoc\tdoc(MB)..." without its line end.
const WideString& DirListHeader();

// --- Reading a file list back through its index ------------------------------------------

// One block of a file list: the lines written by one flush.
struct TFileListIdxItem {
  int64_t StartLine = 0;    // number of the block's first line (lines count from 0)
  int64_t EndLine = 0;      // first line after the block
  int64_t StartOffset = 0;  // byte offset of the block in the list file
  int64_t EndOffset = 0;    // byte offset after the block
  WideString Folder;        // the folder current at the block's start
};

// A file list's index (".idx"), loaded whole. Numbers are 64-bit: a scan writes lists of
// 2 GB and more. An index without its closing record (a list whose scan never finished)
// cannot be loaded.
class TFileListIdx {
public:
  explicit TFileListIdx(const WideString& idxFileName);
  TFileListIdx(const TFileListIdx&) = delete;
  TFileListIdx& operator=(const TFileListIdx&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EListError outside 0..Count()-1.
  const TFileListIdxItem& Items(int index) const;
  int64_t TotalCount() const { return FTotalCount; }
  int64_t TotalSize() const { return FTotalSize; }

private:
  std::vector<std::unique_ptr<TFileListIdxItem>> FItems;
  int64_t FTotalCount = 0;
  int64_t FTotalSize = 0;
};

// Receives each entry of a range: a folder line (isFolder) or a file's full path, with its
// line number. stop is 0 on entry; 2 ends the reading normally, 3 ends it as failed.
using TFileListReadEvent =
    std::function<void(const WideString& text, bool isFolder, int64_t lineNo, void* data, uint8_t& stop)>;

constexpr uint8_t kFileListStopDone = 2;
constexpr uint8_t kFileListStopFailed = 3;

// Reads a run of a file list's entries from any line on, touching only the blocks that can
// hold them (one seek and one read per block). Holds the list open, refusing writers.
class TFileListReader {
public:
  // Where a walk stands between blocks.
  struct TWalk {
    int64_t Start = 0;         // the first line wanted
    int64_t Pos = 0;           // the line being looked at
    WideString CurrentFolder;  // the folder the file lines belong to
    uint8_t Stop = 0;
    void* Data = nullptr;
    const TFileListReadEvent* Callback = nullptr;
  };

  // Opens the list and loads its index (the list's name with ".idx").
  explicit TFileListReader(const WideString& listFileName);
  ~TFileListReader();
  TFileListReader(const TFileListReader&) = delete;
  TFileListReader& operator=(const TFileListReader&) = delete;

  // Walks the entries from startLine on until the list ends (result 0) or the callback
  // asks to stop (1) or to fail (2). startLine then holds the line after the last one
  // walked, or the first line of the last block looked at when none was.
  int ReadRange(void* data, int64_t& startLine, const TFileListReadEvent& callback);
  // The block's lines, split at CR LF. A block that does not lie within the list raises
  // EReadError before anything is read.
  std::vector<WideString> ReadChunk(const TFileListIdxItem& item);
  // Hands the block's lines from walk.Start on to the callback.
  void WalkChunk(const std::vector<WideString>& lines, TWalk& walk);

  const TFileListIdx& Idx() const { return *FIdx; }

private:
  std::unique_ptr<TTntFileStream> FStream;
  int64_t FListSize;  // fixed while the reader holds the list: writers are refused
  std::unique_ptr<TFileListIdx> FIdx;
};
