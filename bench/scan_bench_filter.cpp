// The rules case of the scan benchmark: an "exclude.txt" of 54 rules (18 of them for every
// extension) and a main configuration with three index roots, written into the given
// folder and used by the path filter. The generated tree lies in
// /tmp, so no rule names a "tmp" folder.
#include "bench/scan_bench_filter.h"

#include "CvIdxBuilder/CvPathValidatorUnit.h"
#include "common/CorvaneIniUnit.h"
#include "common/CorvanePathUnit.h"

#include <windows.h>

#include <cstdio>

namespace {

// Rules as the expressions mean them; the file doubles every backslash, which its line
// parser turns back into one.
const char* const kAnyRules[] = {
    R"(\\~\$)",         R"(\\\.svn\\)",      R"(\\\.git\\)",        R"(\\backup\\)",
    R"(\\old\\)",       R"(\\temp\\)",       R"(\\作業用\\)",       R"(\\ゴミ箱\\)",
    R"(thumbs\.db$)",   R"(desktop\.ini$)",  R"(\\\$recycle\.bin)", R"(\\node_modules\\)",
    R"(\\cache\\)",     R"(\.bak$)",         R"(\\個人情報)",       R"(\\secret)",
    R"(~$)",            R"(\\案件_\d{3}99$)",
};
const struct {
  const char* Ext;
  const char* Pattern;
} kExtRules[] = {
    {"doc", R"(下書き)"},        {"doc", R"(draft)"},          {"doc", R"(copy of)"},
    {"doc", R"(\\work\d+\\)"},   {"xls", R"(backup)"},         {"xls", R"(コピー)"},
    {"xls", R"(^[a-z]:\\scratch)"}, {"xls", R"(_old\.xls$)"},     {"pdf", R"(scan\d{4})"},
    {"pdf", R"(_old\.pdf$)"},    {"pdf", R"(\\fax\\)"},        {"pdf", R"(報告書_9\d\.pdf$)"},
    {"txt", R"(log\d+\.txt$)"},  {"txt", R"(readme)"},         {"txt", R"(\\logs?\\)"},
    {"jpg", R"(\\thumbs?\\)"},   {"jpg", R"(img_\d{4})"},      {"jpg", R"(dsc\d+)"},
    {"html", R"(\\_vti_)"},      {"html", R"(index\.html$)"},  {"zip", R"(\\archive\\)"},
    {"zip", R"(backup)"},        {"zip", R"(_\d{8}\.zip$)"},   {"dat", R"(\\system\\)"},
    {"dat", R"(ntuser)"},        {"exe", R"(setup)"},          {"exe", R"(\\bin\\)"},
    {"dll", R"(.)"},             {"tmp", R"(.)"},              {"lnk", R"(.)"},
    {"log", R"(.)"},             {"ppt", R"(下書き)"},         {"ppt", R"(~\$)"},
    {"gz", R"(\\dist\\)"},       {"dwg", R"(\\xref\\)"},       {"dxf", R"(_bak)"},
};

AnsiString Doubled(const char* text) { return StringReplaceAll(text, "\\", "\\\\"); }

bool WriteText(const AnsiString& file, const AnsiString& text) {
  HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD n = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
  CloseHandle(h);
  return n == text.size();
}

}  // namespace

bool UseScanBenchRules(const AnsiString& folder) {
  const AnsiString dir = IncludeTrailingBackslash(folder);
  CreateDirectoryA(folder.c_str(), nullptr);
  AnsiString exclude = "; comment lines without a TAB are ignored\r\n";
  for (const char* p : kAnyRules) exclude += "*\t" + Doubled(p) + "\r\n";
  for (const auto& r : kExtRules) exclude += AnsiString(r.Ext) + "\t" + Doubled(r.Pattern) + "\r\n";
  AnsiString ini = "[Corvane]\r\nwebdocroot=" + dir + "\r\n";
  for (int i = 1; i <= 3; ++i) {
    const AnsiString n = i == 1 ? AnsiString() : IntToStr(i);
    ini += "document_root" + n + "=C:\\Documents\\root" + IntToStr(i) + "\r\nhvi_root" + n +
           "=C:\\CorvaneIndex\\root" + IntToStr(i) + "\r\ndocument_root_alias" + n + "=root" +
           IntToStr(i) + "\r\n";
  }
  if (!WriteText(dir + "exclude.txt", exclude) || !WriteText(dir + "corvane.ini", ini)) {
    std::fprintf(stderr, "cannot write the rule files into %s\n", dir.c_str());
    return false;
  }
  TCorvaneIni::ReplaceInstance(std::make_unique<TCorvaneIni>(dir + "corvane.ini", DataFolder));
  if (TCorvaneIni::Instance().RootList().Count() != 3) {
    std::fprintf(stderr, "configuration: %s\n", TCorvaneIni::Instance().LoadError().c_str());
    return false;
  }
  const AnsiString excludeFile = dir + "exclude.txt";
  TCvPathValidator::SetSettingsSource([excludeFile] {
    TCvPathValidatorSettings s = TCvPathValidatorSettings::FromStartup();
    s.ExcludeFile = excludeFile;
    return s;
  });
  return true;
}
