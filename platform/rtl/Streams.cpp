#include "platform/rtl/Streams.h"

#include "platform/rtl/SysExceptions.h"

#include <algorithm>
#include <cstring>

int64_t TStream::Size() {
  int64_t pos = Seek(0, TSeekOrigin::soCurrent);
  int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(pos, TSeekOrigin::soBeginning);
  return size;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<char> buf(65536);
  int64_t left = count;
  while (left > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(left, static_cast<int64_t>(buf.size())));
    source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    left -= n;
  }
  return count;
}

TFileStream::TFileStream(const WideString& fileName, uint16_t mode) : FFileName(fileName) {
  Open(mode);
}

TFileStream::TFileStream(const AnsiString& fileName, uint16_t mode)
    : FFileName(AnsiToWide(fileName)) {
  Open(mode);
}

void TFileStream::Open(uint16_t mode) {
  if (mode == fmCreate || (mode & 0xFF00) == fmCreate) {
    DWORD share = 0;
    switch (mode & 0x00F0) {
      case fmShareDenyWrite: share = FILE_SHARE_READ; break;
      case fmShareDenyRead: share = FILE_SHARE_WRITE; break;
      case fmShareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
      default: share = 0;
    }
    FHandle = CreateFileW(FFileName.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (FHandle == INVALID_HANDLE_VALUE) {
      DWORD code = GetLastError();
      throw EFCreateError(Format("Cannot create file \"%s\". %s", WideToAnsi(FFileName).c_str(),
                                 SysErrorMessage(code).c_str()));
    }
    return;
  }
  DWORD access = 0;
  switch (mode & 0x0003) {
    case fmOpenWrite: access = GENERIC_WRITE; break;
    case fmOpenReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    default: access = GENERIC_READ;
  }
  DWORD share;
  switch (mode & 0x00F0) {
    case fmShareExclusive: share = 0; break;
    case fmShareDenyWrite: share = FILE_SHARE_READ; break;
    case fmShareDenyRead: share = FILE_SHARE_WRITE; break;
    case fmShareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: share = FILE_SHARE_READ;  // compatibility mode behaves like deny-write here
  }
  FHandle = CreateFileW(FFileName.c_str(), access, share, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (FHandle == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    throw EFOpenError(Format("Cannot open file \"%s\". %s", WideToAnsi(FFileName).c_str(),
                             SysErrorMessage(code).c_str()));
  }
}

TFileStream::~TFileStream() {
  if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
  DWORD n = 0;
  if (count <= 0) return 0;
  if (!ReadFile(FHandle, buffer, static_cast<DWORD>(count), &n, nullptr)) return 0;
  return static_cast<int32_t>(n);
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
  DWORD n = 0;
  if (count <= 0) return 0;
  if (!WriteFile(FHandle, buffer, static_cast<DWORD>(count), &n, nullptr)) return 0;
  return static_cast<int32_t>(n);
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  LARGE_INTEGER d, r;
  d.QuadPart = offset;
  DWORD how = origin == TSeekOrigin::soBeginning ? FILE_BEGIN
              : origin == TSeekOrigin::soCurrent ? FILE_CURRENT
                                                 : FILE_END;
  if (!SetFilePointerEx(FHandle, d, &r, how)) return -1;
  return r.QuadPart;
}

void TFileStream::SetSize(int64_t size) {
  int64_t pos = Position();
  Seek(size, TSeekOrigin::soBeginning);
  if (!SetEndOfFile(FHandle)) throw EStreamError("Stream size cannot be changed");
  if (pos < size) Seek(pos, TSeekOrigin::soBeginning);
}

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || FPos >= Size()) return 0;
  int32_t n = static_cast<int32_t>(std::min<int64_t>(count, Size() - FPos));
  std::memcpy(buffer, FData.data() + FPos, static_cast<size_t>(n));
  FPos += n;
  return n;
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  if (FPos + count > Size()) FData.resize(static_cast<size_t>(FPos + count));
  std::memcpy(FData.data() + FPos, buffer, static_cast<size_t>(count));
  FPos += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == TSeekOrigin::soBeginning ? 0
                 : origin == TSeekOrigin::soCurrent ? FPos
                                                    : Size();
  FPos = std::max<int64_t>(0, base + offset);
  return FPos;
}

void TMemoryStream::SetSize(int64_t size) {
  FData.resize(static_cast<size_t>(size));
  if (FPos > size) FPos = size;
}

void TMemoryStream::LoadFromFile(const WideString& fileName) {
  std::string bytes = ReadAllBytes(fileName);
  FData.assign(bytes.begin(), bytes.end());
  FPos = 0;
}

void TMemoryStream::SaveToFile(const WideString& fileName) { WriteAllBytes(fileName, Bytes()); }

std::string ReadAllBytes(const WideString& fileName) {
  TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
  int64_t size = f.Size();
  std::string r(static_cast<size_t>(size), '\0');
  f.ReadBuffer(r.data(), static_cast<int32_t>(size));
  return r;
}

void WriteAllBytes(const WideString& fileName, const std::string& bytes) {
  TFileStream f(fileName, fmCreate);
  f.WriteString(bytes);
}

bool FileExistsW(const WideString& fileName) {
  DWORD a = GetFileAttributesW(fileName.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExistsW(const WideString& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const AnsiString& fileName) { return FileExistsW(AnsiToWide(fileName)); }
bool DirectoryExists(const AnsiString& path) { return DirectoryExistsW(AnsiToWide(path)); }

namespace {

// The longest path the wide file functions accept (in UTF-16 units); no folder has a
// longer one.
constexpr size_t kMaxPathUnits = 32767;
// CreateDirectoryW takes a plain path (one without the "\\?\" prefix) of at most
// MAX_PATH - 12 units, the terminating NUL included, so that an 8.3 name still fits below.
constexpr size_t kMaxPlainFolderUnits = MAX_PATH - 12 - 1;

bool IsPrefixedPath(std::wstring_view path) { return path.substr(0, 4) == L"\\\\?\\"; }

// The length of text without the backslashes at its end.
size_t LengthWithoutTrailingBackslashes(std::wstring_view text) {
  size_t n = text.size();
  while (n > 0 && text[n - 1] == L'\\') --n;
  return n;
}

}  // namespace

bool ForceDirectoriesW(const WideString& path) {
  if (path.size() > kMaxPathUnits) return false;
  // A run of backslashes separates like one, as the file system reads it.
  const size_t length = LengthWithoutTrailingBackslashes(path);
  if (length == 0) return false;
  const std::wstring_view full(path.data(), length);
  auto exists = [&](size_t n) { return DirectoryExistsW(WideString(full.substr(0, n))); };
  if (exists(length)) return true;

  // The folder and its ancestors, deepest first, as lengths of prefixes of the path. The
  // parent of a name is the text up to its last '\\' or ':' (without the backslashes); the
  // chain ends at a name without a folder part, and wherever the parent is no shorter than
  // its child: a ':' inside a name ("a:b") gives back "a:" as its own parent.
  std::vector<size_t> chain{length};
  for (size_t n = length;;) {
    size_t cut = n;
    while (cut > 0 && full[cut - 1] != L'\\' && full[cut - 1] != L':') --cut;
    size_t parent = cut;
    while (parent > 0 && full[parent - 1] == L'\\') --parent;
    if (parent == 0 || parent >= n) break;
    chain.push_back(parent);
    n = parent;
  }
  // A folder's ancestors exist when it does: search the chain for the deepest existing one
  // instead of asking about every level (a path of thousands of folders stays cheap).
  size_t missing = 1, present = chain.size();  // chain[0] is known to be missing
  while (missing < present) {
    size_t mid = missing + (present - missing) / 2;
    if (exists(chain[mid]))
      present = mid;
    else
      missing = mid + 1;
  }
  // Create the missing ones from the top; the first that cannot be made ends the attempt.
  // A plain path too long for CreateDirectoryW is refused here as the system refuses it,
  // whatever a more lenient file system underneath would allow.
  for (size_t i = present; i-- > 0;) {
    if (chain[i] > kMaxPlainFolderUnits && !IsPrefixedPath(full)) return false;
    const WideString folder(full.substr(0, chain[i]));
    if (!CreateDirectoryW(folder.c_str(), nullptr) && !DirectoryExistsW(folder)) return false;
  }
  return true;
}

bool ForceDirectories(const AnsiString& path) { return ForceDirectoriesW(AnsiToWide(path)); }
