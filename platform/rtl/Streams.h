// Byte streams of the runtime layer: the abstract stream, a file stream with wide names and
// share modes, and a memory stream. Errors raise the stream exceptions of SysExceptions.h.
#pragma once

#include "platform/rtl/SysStrings.h"

#include <windows.h>

#include <cstdint>
#include <vector>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
  virtual ~TStream() = default;
  // Reads up to count bytes; returns how many were read.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  // Writes up to count bytes; returns how many were written.
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t size);
  // Whole-buffer forms: raise EReadError / EWriteError when fewer bytes move.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
  void WriteString(const std::string& bytes) { WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size())); }
  int64_t CopyFrom(TStream& source, int64_t count);  // count 0: the whole source from its start
};

// Open modes and share modes combine as in the class library: fmOpenRead | fmShareDenyWrite.
constexpr uint16_t fmCreate = 0xFF00;  // create or truncate, read/write, exclusive
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

// A file on disk. fmCreate failures raise EFCreateError, open failures EFOpenError; both
// messages name the file and carry the system's reason.
class TFileStream : public TStream {
public:
  TFileStream(const WideString& fileName, uint16_t mode);
  TFileStream(const AnsiString& fileName, uint16_t mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;
  HANDLE Handle() const { return FHandle; }
  const WideString& FileName() const { return FFileName; }

private:
  void Open(uint16_t mode);
  HANDLE FHandle = INVALID_HANDLE_VALUE;
  WideString FFileName;
};
using TTntFileStream = TFileStream;

class TMemoryStream : public TStream {
public:
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }
  void SetSize(int64_t size) override;
  const char* Memory() const { return FData.data(); }
  std::string Bytes() const { return std::string(FData.begin(), FData.end()); }
  void Clear() { FData.clear(); FPos = 0; }
  void LoadFromFile(const WideString& fileName);
  void SaveToFile(const WideString& fileName);

private:
  std::vector<char> FData;
  int64_t FPos = 0;
};

// Whole-file helpers on top of TFileStream.
std::string ReadAllBytes(const WideString& fileName);
void WriteAllBytes(const WideString& fileName, const std::string& bytes);
bool FileExistsW(const WideString& fileName);
bool DirectoryExistsW(const WideString& path);
bool FileExists(const AnsiString& fileName);
bool DirectoryExists(const AnsiString& path);
// Creates a folder with its missing parents; true when it exists afterwards. A path longer
// than the platform's limit of 32,767 UTF-16 units is refused at once.
bool ForceDirectoriesW(const WideString& path);
bool ForceDirectories(const AnsiString& path);
