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

bool ForceDirectoriesW(const WideString& path) {
  WideString p = ExcludeTrailingBackslashW(path);
  if (p.empty()) return false;
  if (DirectoryExistsW(p)) return true;
  WideString parent = ExtractFilePathW(p);
  // Stop at a drive root ("c:\") or a bare name.
  if (parent.size() > 3 && parent != p + L"\\") {
    if (!ForceDirectoriesW(parent)) return false;
  }
  return CreateDirectoryW(p.c_str(), nullptr) || DirectoryExistsW(p);
}

bool ForceDirectories(const AnsiString& path) { return ForceDirectoriesW(AnsiToWide(path)); }
