#include "CvIdxBuilder/CvFileListIOUnit.h"

#include "CvIdxBuilder/CvBatchCrawlerUnit.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/SysExceptions.h"

namespace {

const char kBom[] = "\xFF\xFE";
const char kCrLf16[] = {'\r', '\0', '\n', '\0'};

void AppendUtf16(std::string& out, const WideString& text) {
  // wchar_t is UTF-16 on Windows and the target is little-endian: the bytes are the text.
  out.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

WideString Dec(int64_t v) { return std::to_wstring(static_cast<long long>(v)); }

}  // namespace

// --- TStringListWriter ------------------------------------------------------------------

TStringListWriter::TStringListWriter(const WideString& fileName, int32_t flushEvery)
    : FBuffer(std::make_unique<TTntStringList>()), FFlushEvery(flushEvery) {
  // A flush interval below 1 would divide by zero in AddLine.
  if (flushEvery < 1) throw EListError("Flush interval must be at least 1: " + IntToStr(flushEvery));
  FStream = std::make_unique<TTntFileStream>(fileName, fmCreate);
  FStream->WriteBuffer(kBom, 2);
}

TStringListWriter::~TStringListWriter() = default;

void TStringListWriter::AddLine(const WideString& text) {
  FBuffer->Add(text);
  ++FCount;
  if (FCount % FFlushEvery == 0) Flush();
}

void TStringListWriter::Flush() {
  if (FOnBeforeFlush) FOnBeforeFlush(*this);
  FBytes.clear();
  for (int i = 0; i < FBuffer->Count(); ++i) {
    AppendUtf16(FBytes, FBuffer->Get(i));
    FBytes.append(kCrLf16, sizeof kCrLf16);
  }
  if (!FBytes.empty()) {
    FStream->Seek(0, TSeekOrigin::soEnd);
    FStream->WriteBuffer(FBytes.data(), static_cast<int32_t>(FBytes.size()));
  }
  FBuffer->Clear();
  if (FOnAfterFlush) FOnAfterFlush(*this);
}

// --- TFileListWriter --------------------------------------------------------------------

TFileListWriter::TFileListWriter(const WideString& fileName, int32_t flushEvery,
                                 const WideString& startFolder)
    : TStringListWriter(fileName, flushEvery), FCurrentFolder(startFolder) {
  FIdxStream = std::make_unique<TTntFileStream>(ChangeFileExtW(fileName, L".idx"), fmCreate);
  FIdxStream->WriteBuffer(kBom, 2);
  SetOnBeforeFlush([](TStringListWriter&) {});
  SetOnAfterFlush([this](TStringListWriter&) { WriteIdxRecord(); });
  Flush();
}

TFileListWriter::~TFileListWriter() {
  if (!FIdxStream) return;
  try {
    Close();
  } catch (...) {
    // The owner that cares about the closing record calls Close itself and sees the error.
  }
}

void TFileListWriter::BeginFolder(const WideString& folder) {
  FCurrentFolder = folder;
  AddLine(folder);
}

void TFileListWriter::AddFile(const WideString& name) {
  FRecord.assign(1, L'\t');
  FRecord += name;
  AddLine(FRecord);
}

void TFileListWriter::WriteIdxRecord() {
  WideString record = Dec(Count()) + L"\t" + Dec(Size()) + L"\t" + FCurrentFolder + L"\r\n";
  std::string bytes;
  AppendUtf16(bytes, record);
  FIdxStream->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

void TFileListWriter::Close() {
  if (!FIdxStream) return;
  // Take the stream first: a failed write must not be retried by the destructor.
  std::unique_ptr<TTntFileStream> idx = std::move(FIdxStream);
  WideString record = L"Total\t" + Dec(Size()) + L"\tcount\t" + Dec(Count());
  std::string bytes;
  AppendUtf16(bytes, record);
  idx->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

// --- TDirListWriter ---------------------------------------------------------------------

namespace {

// Column order of the list; the statistics keep their categories in another (slot) order.
const TExtCategory kColumnOrder[] = {ecDoc, ecXls, ecPpt, ecPdf, ecXdw, ecImg,
                                     ecDwg, ecDxf, ecTxt, ecHtm, ecExe, ecZip};

}  // namespace

const WideString& DirListHeader() {
  static const WideString header = [] {
    WideString h = L"folder\tlevel\tfiles\tsize";
    for (TExtCategory c : kColumnOrder) {
      WideString name = AnsiToWide(ExtCategoryName(c));
      h += L"\t" + name + L"\t" + name + L"(MB)";
    }
    return h;
  }();
  return header;
}

TDirListWriter::TDirListWriter(const WideString& fileName) : TStringListWriter(fileName, 1000) {
  AddLine(DirListHeader());
}

void TDirListWriter::AddFolder(const WideString& folder, const TFolderStats& stats) {
  WideString row = folder;
  row += L"\t" + Dec(stats.Level) + L"\t" + Dec(stats.Files) + L"\t" + Dec(BytesToMB(stats.Size));
  for (TExtCategory c : kColumnOrder) {
    row += L"\t" + Dec(stats.Counts[c]) + L"\t" + Dec(BytesToMB(stats.Bytes[c]));
  }
  AddLine(row);
}

// --- TLogAppender -----------------------------------------------------------------------

namespace {

const char* const kLevelPrefix[] = {"CHKPT\t", "DONE\t", "INFO\t", "WARN\t", "ERROR\t"};

}  // namespace

TLogAppender::TLogAppender(const AnsiString& fileName)
    : FFileName(fileName), FLock(std::make_unique<TCriticalSection>()) {}

void TLogAppender::Append(TLogLevel level, const AnsiString& message, AnsiString& display) {
  TLockGuard guard(*FLock);
  // Other writers are refused while the line is written; readers may watch the log.
  std::unique_ptr<TFileStream> file =
      FileExists(FFileName) ? std::make_unique<TFileStream>(FFileName, fmOpenReadWrite | fmShareDenyWrite)
                            : std::make_unique<TFileStream>(FFileName, fmCreate);
  AnsiString line = kLevelPrefix[static_cast<int>(level)];
  line += FormatDateTime("yyyy/mm/dd HH:MM:ss", Now());
  line += "\t";
  line += message;
  display = StringReplaceAll(line, "\t", " \t");
  line += "\r\n";
  file->Seek(0, TSeekOrigin::soEnd);
  file->WriteString(line);
}

void TLogAppender::AppendCheckpoint(const AnsiString& message, int64_t count, AnsiString& display) {
  Append(TLogLevel::llCheckpoint, IntToStr(count) + "\t" + message, display);
}

// --- TFileListIdx -------------------------------------------------------------------------

namespace {

std::vector<WideString> SplitTabs(const WideString& line) {
  std::vector<WideString> fields;
  size_t b = 0;
  for (;;) {
    size_t tab = line.find(L'\t', b);
    fields.push_back(line.substr(b, tab == WideString::npos ? WideString::npos : tab - b));
    if (tab == WideString::npos) return fields;
    b = tab + 1;
  }
}

// A folder line that is the current folder or one of its ancestors repeats a folder
// already entered (the walk writes a parent again before files that follow a subfolder).
// Whole path components count: d:\dat is no ancestor of d:\database.
bool IsRepeatedFolder(const WideString& line, const WideString& current) {
  if (line == current) return true;
  if (line.empty()) return false;
  WideString prefix = line.back() == L'\\' ? line : line + L'\\';
  return current.size() > prefix.size() && current.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

TFileListIdx::TFileListIdx(const WideString& idxFileName) {
  std::vector<WideString> lines = SplitLinesW(DecodeTextBytes(ReadAllBytes(idxFileName)));
  std::vector<WideString> closing;
  if (!lines.empty()) closing = SplitTabs(lines.back());
  if (closing.size() < 4 || closing[0] != L"Total")
    throw EReadError("The file list index has no closing record (its list was not finished): " +
                     WideToAnsi(idxFileName));
  FTotalSize = StrToInt64W(closing[1]);
  FTotalCount = StrToInt64W(closing[3]);
  lines.pop_back();

  for (const WideString& line : lines) {
    std::vector<WideString> fields = SplitTabs(line);
    if (fields.size() < 2)
      throw EConvertError("Malformed file list index record: '" + WideToAnsi(line) + "'");
    auto item = std::make_unique<TFileListIdxItem>();
    item->StartLine = StrToInt64W(fields[0]);
    item->StartOffset = StrToInt64W(fields[1]);
    if (fields.size() > 2) item->Folder = fields[2];
    if (!FItems.empty()) {
      FItems.back()->EndLine = item->StartLine;
      FItems.back()->EndOffset = item->StartOffset;
    }
    FItems.push_back(std::move(item));
  }
  if (!FItems.empty()) {
    FItems.back()->EndLine = FTotalCount;
    FItems.back()->EndOffset = FTotalSize;
  }
}

const TFileListIdxItem& TFileListIdx::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  return *FItems[index];
}

// --- TFileListReader ----------------------------------------------------------------------

TFileListReader::TFileListReader(const WideString& listFileName)
    : FStream(std::make_unique<TTntFileStream>(listFileName, fmOpenRead | fmShareDenyWrite)),
      FListSize(FStream->Size()),
      FIdx(std::make_unique<TFileListIdx>(ChangeFileExtW(listFileName, L".idx"))) {}

TFileListReader::~TFileListReader() = default;

int TFileListReader::ReadRange(void* data, int64_t& startLine, const TFileListReadEvent& callback) {
  TWalk walk;
  walk.Start = startLine;
  walk.Pos = startLine;
  walk.Data = data;
  walk.Callback = &callback;
  for (int i = 0; i < FIdx->Count(); ++i) {
    const TFileListIdxItem& item = FIdx->Items(i);
    walk.Pos = item.StartLine;
    walk.CurrentFolder = item.Folder;
    // Blocks that end at or before the start are skipped unread.
    if (walk.Start >= item.EndLine) continue;
    WalkChunk(ReadChunk(item), walk);
    if (walk.Stop == kFileListStopDone || walk.Stop == kFileListStopFailed) break;
  }
  startLine = walk.Pos;
  if (walk.Stop == kFileListStopFailed) return 2;
  if (walk.Stop == kFileListStopDone) return 1;
  return 0;
}

std::vector<WideString> TFileListReader::ReadChunk(const TFileListIdxItem& item) {
  const int64_t length = item.EndOffset - item.StartOffset;
  // Blocks are whole UTF-16 lines that start after the byte-order mark and end within the
  // list: a damaged index must not decide how much memory is taken before the read fails.
  if (item.StartOffset < 2 || length < 0 || length > INT32_MAX || (item.StartOffset | length) & 1 ||
      item.EndOffset > FListSize)
    throw EReadError("File list block out of range: bytes " + IntToStr(item.StartOffset) + " to " +
                     IntToStr(item.EndOffset));
  WideString text(static_cast<size_t>(length / 2), L'\0');
  FStream->Seek(item.StartOffset, TSeekOrigin::soBeginning);
  if (length > 0) FStream->ReadBuffer(text.data(), static_cast<int32_t>(length));

  std::vector<WideString> lines;
  size_t b = 0;
  for (;;) {
    size_t e = text.find(L"\r\n", b);
    if (e == WideString::npos) break;
    lines.push_back(text.substr(b, e - b));
    b = e + 2;
  }
  if (b < text.size()) lines.push_back(text.substr(b));
  return lines;
}

void TFileListReader::WalkChunk(const std::vector<WideString>& lines, TWalk& walk) {
  for (const WideString& line : lines) {
    walk.Stop = 0;
    if (line.empty() || line[0] != L'\t') {
      if (walk.Pos == walk.Start ||
          (walk.Pos > walk.Start && !IsRepeatedFolder(line, walk.CurrentFolder)))
        (*walk.Callback)(line, true, walk.Pos, walk.Data, walk.Stop);
      walk.CurrentFolder = line;
    } else if (walk.Pos >= walk.Start) {
      // The TAB and any blanks that begin the name are dropped, as the list's readers
      // always have; the folder stays UTF-16 throughout.
      size_t b = 0;
      while (b < line.size() && line[b] <= L' ') ++b;
      (*walk.Callback)(IncludeTrailingBackslashW(walk.CurrentFolder) + line.substr(b), false,
                       walk.Pos, walk.Data, walk.Stop);
    }
    ++walk.Pos;
    if (walk.Stop == kFileListStopDone || walk.Stop == kFileListStopFailed) return;
  }
}
