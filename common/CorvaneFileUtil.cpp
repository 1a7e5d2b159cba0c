#include "common/CorvaneFileUtil.h"

#include "platform/rtl/Streams.h"

void FindDataOf(const TSearchRecW& rec, WIN32_FIND_DATAW& findData) { findData = rec.FindData; }

void WriteTextIfMissing(const AnsiString& text, const AnsiString& fileName) {
  if (FileExists(fileName)) return;
  TFileStream stream(fileName, fmCreate);
  AnsiString line = text + "\r\n";
  stream.WriteString(line);
}
