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
