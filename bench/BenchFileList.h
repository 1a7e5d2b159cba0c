// The benchmarks' file list: written through the scan's own writer, a block every 10,000
// lines as a scan flushes.
#pragma once

#include "CvIdxBuilder/CvFileListIOUnit.h"

#include <string>

// A tree of folders of 40 files each, one folder in four nested in the one before; the
// parent's line is written again before files that follow a subfolder, as the walk does.
inline void WriteBenchList(const WideString& file, int64_t lines) {
  TFileListWriter writer(file, 10000, L"d:\\bench");
  int64_t folder = 0;
  WideString parent = L"d:\\bench";
  while (writer.Count() < lines) {
    WideString name = (folder % 4 == 0 ? parent : WideString(L"d:\\bench")) + L"\\資料_" +
                      std::to_wstring(folder);
    writer.BeginFolder(name);
    for (int i = 0; i < 40 && writer.Count() < lines; ++i)
      writer.AddFile(L"report_" + std::to_wstring(folder) + L"_" + std::to_wstring(i) + L".pdf");
    if (folder % 4 == 0 && writer.Count() < lines) {
      writer.BeginFolder(parent);
      if (writer.Count() < lines) writer.AddFile(L"after_subfolder.txt");
    }
    if (folder % 4 == 3) parent = name;
    ++folder;
  }
  writer.Flush();
  writer.Close();
}
