#include "common/CrawlIniUnit.h"

#include "platform/rtl/SysExceptions.h"
#include "tests/support/InputMutator.h"
#include "tests/support/TestSupport.h"

#include <map>
#include <utility>
#include <vector>

using testsupport::BytesEqual;
using testsupport::ReadFileBytes;
using testsupport::TTempDir;
using testsupport::WriteFileBytes;

namespace {

using TTraces = std::vector<std::pair<AnsiString, AnsiString>>;

// A store's options over a private folder; traces are collected.
struct TStoreSetup {
  TTempDir Dir;
  TTraces Traces;
  std::map<AnsiString, int32_t> Limits;

  TCrawlIniOptions Options(const AnsiString& extList = "", bool install = true) {
    TCrawlIniOptions o;
    o.FileName = Dir.File("crawl.ini");
    o.InstallFolder = install ? Dir.File("inst") + "\\" : AnsiString();
    o.ExtractPageExtList = extList;
    o.ExtractPageLimit = [this](const AnsiString& ext) {
      auto it = Limits.find(AnsiLowerCase(ext));
      return it == Limits.end() ? -1 : it->second;
    };
    o.Trace = [this](const AnsiString& n, const AnsiString& v) { Traces.emplace_back(n, v); };
    return o;
  }
  WideString IniW() const { return AnsiToWide(Dir.File("crawl.ini")); }
  void WriteIni(const std::string& bytes) const { WriteFileBytes(IniW(), bytes); }
  std::string IniBytes() const { return ReadFileBytes(IniW()); }
};

struct TTuple {
  int32_t First, Second, Third;
  bool Pdf;
  bool operator==(const TTuple&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TTuple& t) {
  return os << t.First << "," << t.Second << "," << t.Third << (t.Pdf ? ",pdf" : "");
}

// The setting of ext in folder; a tuple of 99s when the folder does not list it.
TTuple SettingOf(const TCrawlIniFolder& folder, const AnsiString& ext) {
  const TCrawlIniExtractPageSetting* s = folder.SettingAt(folder.IndexOfExt(ext));
  if (!s) return {99, 99, 99, false};
  return {s->First(), s->Second(), s->Third(), s->Pdf()};
}

const TTuple kMissing{99, 99, 99, false};

const char kFirstRunIni[] =
    "[default]\r\n"
    "jpg,bmp,gif,png,ico,wmf,emf,psd,ai,eps,arw,cr2,crw,dcr,dng,mrw,nef,orf,pef,raf,sr2,dxf,dwg,"
    "plt,hgl,rtl,hg,plo,hp,hp1,hp2,hpg,hpgl,hpgl2,gl2,prn,spl,svg,cgm=1,1,1\r\n"
    "tif,tiff=-1,-1,-1\r\n"
    "pdf=-1,100,100,pdf\r\n"
    "ppt=-1,-1,-1,pdf\r\n"
    "\r\n";

}  // namespace

TEST(CrawlIni, FirstRunWritesSeedAndSettingsFile) {
  TStoreSetup s;
  s.Limits["pdf"] = 100;
  TCrawlIni store(s.Options("PDF, ppt"));

  std::string seed = ReadFileBytes(AnsiToWide(s.Dir.File("inst\\Bin\\crawlini.dist")));
  EXPECT_EQ(246u, TCrawlIni::BuiltInSeedText().size());
  EXPECT_PRED_FORMAT2(BytesEqual, TCrawlIni::BuiltInSeedText() + "\r\n", seed);
  EXPECT_PRED_FORMAT2(BytesEqual, std::string(kFirstRunIni), s.IniBytes());
  // Pruned last to first against a still empty default.
  TTraces expected{{"Refresh del", "xls"}, {"Refresh del", "doc"}};
  EXPECT_EQ(expected, s.Traces);

  store.Refresh();
  EXPECT_EQ((TTuple{1, 1, 1, false}), SettingOf(store.Default(), "JPG"));
  EXPECT_EQ((TTuple{-1, 100, 100, true}), SettingOf(store.Default(), "pdf"));
  EXPECT_EQ(kMissing, SettingOf(store.Default(), "doc"));
  EXPECT_EQ(0, store.FolderCount());
}

TEST(CrawlIni, ExistingSeedAndSettingsFileAreKept) {
  TStoreSetup s;
  const std::string seed = "; own seed\r\n[Default]\r\n.txt = 5\r\ndoc=0,0,0\r\n";
  testsupport::MakeDirs(AnsiToWide(s.Dir.File("inst\\Bin")));
  WriteFileBytes(AnsiToWide(s.Dir.File("inst\\Bin\\crawlini.dist")), seed);
  { TCrawlIni store(s.Options()); }
  EXPECT_PRED_FORMAT2(BytesEqual, seed, ReadFileBytes(AnsiToWide(s.Dir.File("inst\\Bin\\crawlini.dist"))));
  // The copy's default section is rewritten under its own name; the comment goes.
  EXPECT_PRED_FORMAT2(BytesEqual, std::string("[Default]\r\ntxt=5,5,5\r\n\r\n"), s.IniBytes());

  const std::string own = "[default]\r\njpg=7\r\n";
  s.WriteIni(own);
  TCrawlIni store(s.Options());
  store.Refresh();
  EXPECT_PRED_FORMAT2(BytesEqual, own, s.IniBytes());
  EXPECT_EQ((TTuple{7, 7, 7, false}), SettingOf(store.Default(), "jpg"));
}

TEST(CrawlIni, WithoutInstallFolderTheBuiltInSeedStaysInMemory) {
  for (const char* install : {"", "\\"}) {
    TStoreSetup s;
    s.Limits["pdf"] = 100;
    TCrawlIniOptions o = s.Options("pdf,ppt");
    o.InstallFolder = install;
    TCrawlIni store(o);
    EXPECT_TRUE(store.SeedFileName().empty()) << install;
    EXPECT_PRED_FORMAT2(BytesEqual, std::string(kFirstRunIni), s.IniBytes());
  }
}

TEST(CrawlIni, StartUpFailureIsTracedAndLeavesNoStore) {
  TStoreSetup s;
  TCrawlIniOptions o = s.Options();
  o.FileName = s.Dir.File("missing\\crawl.ini");
  EXPECT_FALSE(CreateCrawlIniInstance(o));
  ASSERT_EQ(1u, s.Traces.size());
  EXPECT_EQ("TCrawlIni", s.Traces[0].first);
  EXPECT_NE(AnsiString::npos, s.Traces[0].second.find("crawl.ini")) << s.Traces[0].second;

  EXPECT_TRUE(CreateCrawlIniInstance(s.Options()));
  EXPECT_EQ(s.Dir.File("crawl.ini"), TCrawlIni::Instance()->FileName());
  FinalizeCrawlIniUnit();
}

TEST(CrawlIni, ParseValue) {
  struct Case {
    const char* text;
    TTuple expected;
  };
  const Case cases[] = {
      {"", {0, 0, 0, false}},
      {"2", {2, 2, 2, false}},
      {"1,2", {1, 2, 2, false}},
      {"1,2,3,4", {1, 2, 3, false}},
      {"1,1,1,pdf", {1, 1, 1, true}},
      {"pdf,1,1,1", {0, 1, 1, true}},
      {"1,1,1,PDF", {1, 1, 1, true}},
      {"x,-1, 5", {0, -1, 5, false}},
      {"1 2 3", {1, 2, 3, false}},
      {"1,,3", {1, 0, 3, false}},
  };
  for (const Case& c : cases) {
    TTuple t{};
    TCrawlIni::ParseValue(c.text, t.First, t.Second, t.Third, t.Pdf);
    EXPECT_EQ(c.expected, t) << "value '" << c.text << "'";
  }
}

TEST(CrawlIni, KeysAndValuesOfASection) {
  struct Case {
    const char* line;
    std::vector<const char*> exts;  // in table order
  };
  const Case cases[] = {
      {".JPG, png=1", {"jpg", "png"}},
      {"..TIF,\"a b\" ,c=1", {"tif", "a b", "c"}},
      {"=1,1,1", {}},
      {", ,=1", {}},
      {"no value line", {}},
  };
  for (const Case& c : cases) {
    TCrawlIniFolder f("default");
    f.ReadFrom({c.line});
    ASSERT_EQ(static_cast<int>(c.exts.size()), f.ExtCount()) << c.line;
    for (size_t i = 0; i < c.exts.size(); ++i) EXPECT_EQ(c.exts[i], f.ExtAt(static_cast<int>(i)));
  }
}

TEST(CrawlIni, WriteBackGroupsBySettingAndMovesSectionToTheEnd) {
  TStoreSetup s;
  s.WriteIni(
      "; comment\r\n"
      "[default]\r\n"
      "  jpg =  1\r\n"
      "[c:\\data]\r\n"
      "doc=2\r\n"
      "xls = 2,2,2\r\n"
      "pdf=1,1,1,pdf\r\n"
      "gif=1, 1 ,1\r\n"
      "doc=3\r\n"
      "[c:\\other]\r\n"
      "odd line\r\n"
      "txt=4\r\n");
  TCrawlIni store(s.Options());
  store.Refresh();
  TCrawlIniFolder* data = store.FindFolder("C:\\Data\\");
  ASSERT_NE(nullptr, data);
  store.WriteCrawlini(*data);
  // Inherited defaults are written too; gif shares jpg's key; the doc of 2,2,2 gave way
  // to the later key.
  EXPECT_PRED_FORMAT2(BytesEqual,
                      std::string("[default]\r\njpg=1\r\n\r\n"
                                  "[c:\\other]\r\nodd line\r\ntxt=4\r\n\r\n"
                                  "[c:\\data]\r\njpg,gif=1,1,1\r\nxls=2,2,2\r\npdf=1,1,1,pdf\r\n"
                                  "doc=3,3,3\r\n\r\n"),
                      s.IniBytes());

  // A folder the file has no section for gets one under its normalised path.
  TCrawlIniFolder fresh("D:\\New\\");
  fresh.SetExt("Zip", 1, 2, 3, false);
  store.WriteCrawlini(fresh);
  std::string bytes = s.IniBytes();
  EXPECT_NE(std::string::npos, bytes.find("\r\n[d:\\new]\r\nzip=1,2,3\r\n\r\n")) << bytes;

  TCrawlIniFolder nameless("");
  try {
    store.WriteCrawlini(nameless);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ("WriteCrawlini CrawlFolder.path is null.", e.Message());
  }
}

TEST(CrawlIni, PruneDropsZeroKeysTheParentLacks) {
  for (bool parentListsXls : {false, true}) {
    TStoreSetup s;
    s.WriteIni(std::string("[default]\r\njpg=1\r\n[c:\\data]\r\n") +
               (parentListsXls ? "xls=5\r\n" : "") + "[c:\\data\\sub]\r\nxls=0,0,0\r\ndoc=0\r\n");
    TCrawlIni store(s.Options());
    store.Refresh();
    TCrawlIniFolder* sub = store.FindFolder("c:\\data\\sub");
    ASSERT_NE(nullptr, sub);
    s.Traces.clear();
    store.WriteCrawlini(*sub);
    std::string bytes = s.IniBytes();
    size_t at = bytes.find("[c:\\data\\sub]\r\n");
    ASSERT_NE(std::string::npos, at);
    std::string section = bytes.substr(at);
    if (parentListsXls) {
      EXPECT_EQ("[c:\\data\\sub]\r\njpg=1,1,1\r\nxls=0,0,0\r\n\r\n", section);
      EXPECT_EQ((TTraces{{"Refresh del", "doc"}}), s.Traces);
    } else {
      EXPECT_EQ("[c:\\data\\sub]\r\njpg=1,1,1\r\n\r\n", section);
      EXPECT_EQ((TTraces{{"Refresh del", "doc"}, {"Refresh del", "xls"}}), s.Traces);
    }
  }
}

TEST(CrawlIni, FoldersInheritFromDefaultAndEveryAncestor) {
  TStoreSetup s;
  s.Limits["pdf"] = 9;
  // Deeper sections first and a sibling whose name begins like another folder's.
  s.WriteIni(
      "[C:\\Data\\Sub\\]\r\njpg=3\r\n"
      "[c:\\data\\subway]\r\ntif=6\r\n"
      "[c:\\data]\r\npng=2\r\npdf=8\r\n"
      "[default]\r\njpg=1\r\npng=1\r\n");
  TCrawlIni store(s.Options("pdf"));
  store.Refresh();
  ASSERT_EQ(3, store.FolderCount());
  EXPECT_EQ("c:\\data", store.FolderAt(0)->Path());
  EXPECT_EQ("c:\\data\\sub", store.FolderAt(1)->Path());
  EXPECT_EQ("c:\\data\\subway", store.FolderAt(2)->Path());
  EXPECT_EQ(nullptr, store.FolderAt(3));

  struct Case {
    const char* folder;
    const char* ext;
    TTuple expected;
  };
  const Case cases[] = {
      {"c:\\data", "jpg", {1, 1, 1, false}},     {"c:\\data", "png", {2, 2, 2, false}},
      {"c:\\data", "pdf", {8, 8, 8, false}},     {"c:\\data\\sub", "jpg", {3, 3, 3, false}},
      {"c:\\data\\sub", "png", {2, 2, 2, false}}, {"c:\\data\\sub", "pdf", {8, 8, 8, false}},
      {"c:\\data\\subway", "jpg", {1, 1, 1, false}}, {"c:\\data\\subway", "tif", {6, 6, 6, false}},
      {"c:\\data\\sub", "tif", kMissing},
  };
  for (const Case& c : cases) {
    TCrawlIniFolder* f = store.FindFolder(c.folder);
    ASSERT_NE(nullptr, f) << c.folder;
    EXPECT_EQ(c.expected, SettingOf(*f, c.ext)) << c.folder << " " << c.ext;
  }
  // The page limits are merged into Default; c:\data's own pdf overrides them below it.
  EXPECT_EQ((TTuple{-1, 9, 9, true}), SettingOf(store.Default(), "pdf"));
}

TEST(CrawlIni, FolderForWalksUpFromTheParentFolder) {
  TStoreSetup s;
  s.WriteIni("[default]\r\n[c:\\data]\r\njpg=1\r\n[C:\\Data\\Sub\\]\r\njpg=2\r\n[e:\\]\r\njpg=3\r\n");
  TCrawlIni store(s.Options());
  store.Refresh();
  struct Case {
    const char* path;
    const char* folder;  // "default" for Default
  };
  const Case cases[] = {
      {"c:\\data\\sub\\x\\file.txt", "c:\\data\\sub"},
      {"C:\\DATA\\SUB\\file.txt", "c:\\data\\sub"},
      {"c:\\data\\file.txt", "c:\\data"},
      {"c:\\data\\sub", "c:\\data"},
      {"c:\\data", "default"},
      {"c:\\database\\file.txt", "default"},
      {"d:\\other\\file.txt", "default"},
      {"e:\\x\\y.txt", "e:"},
      {"e:\\y.txt", "e:"},
      {"file.txt", "default"},
      {"\\\\server\\share\\file.txt", "default"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.folder, store.FolderFor(c.path)->Path()) << c.path;
}

TEST(CrawlIni, StoreResolvesAgainstItselfNotTheSingleton) {
  TStoreSetup a;
  a.WriteIni("[c:\\data]\r\nxls=1\r\n");
  ASSERT_TRUE(CreateCrawlIniInstance(a.Options()));

  // The second store's first write-back and its lookups see only its own folders.
  TStoreSetup b;
  TCrawlIni store(b.Options());
  store.Refresh();
  EXPECT_EQ(&store.Default(), store.FolderFor("c:\\data\\sub\\file.txt"));
  EXPECT_EQ("c:\\data", TCrawlIni::Instance()->FolderFor("c:\\data\\sub\\file.txt")->Path());
  FinalizeCrawlIniUnit();
}

TEST(CrawlIni, JapaneseSectionNamesAreWrittenBackByteForByte) {
  TStoreSetup s;
  // ソ and 表 end in 0x5C, ア in 'A', ー in '[' and ゾ in ']': none of them is a path
  // separator, a letter to fold or a bracket.
  const AnsiString kept = "C:\\ソフト\\アーカイブ表";
  const AnsiString trailing = "c:\\表\\";
  ASSERT_EQ(AnsiString("\x83\x5C"), AnsiString("ソ"));
  s.WriteIni("[" + kept + "]\r\njpg=1\r\n[" + trailing + "]\r\npng=1\r\n[c:\\ゾ\r\ntxt=1\r\n");
  TCrawlIni store(s.Options());
  store.Refresh();
  ASSERT_EQ(2, store.FolderCount());
  TCrawlIniFolder* archive = store.FindFolder("c:\\ソフト\\アーカイブ表\\");
  ASSERT_NE(nullptr, archive);
  EXPECT_EQ("c:\\ソフト\\アーカイブ表", archive->Path());
  TCrawlIniFolder* table = store.FindFolder("c:\\表");
  ASSERT_NE(nullptr, table);
  EXPECT_EQ(1, table->IndexOfExt("txt"));  // the unclosed "[c:\ゾ" is a line of this section

  store.WriteCrawlini(*table);
  store.WriteCrawlini(*archive);
  TCrawlIniFolder added("D:\\データー\\");
  added.SetExt("doc", 1, 1, 1, false);
  store.WriteCrawlini(added);
  EXPECT_PRED_FORMAT2(BytesEqual,
                      "[" + trailing + "]\r\npng,txt=1,1,1\r\n\r\n[" + kept +
                          "]\r\njpg=1,1,1\r\n\r\n[d:\\データー]\r\ndoc=1,1,1\r\n\r\n",
                      s.IniBytes());
}

TEST(CrawlIni, NamesEndingInALeadByteReadBackAfterWriteBack) {
  // After trimming, "c:\data<81> " and "ab<81> " would end in a lead byte whose second
  // byte was the blank: written back, it would take the "]" or the "," after it.
  TStoreSetup s;
  s.WriteIni("[c:\\data\x81 ]\r\nab\x81 ,cd=2\r\n[c:\\other]\r\njpg=1\r\n");
  TCrawlIni store(s.Options());
  store.Refresh();
  ASSERT_NE(nullptr, store.FindFolder("c:\\data"));
  EXPECT_EQ((TTuple{2, 2, 2, false}), SettingOf(*store.FindFolder("c:\\data"), "ab"));
  EXPECT_EQ((TTuple{2, 2, 2, false}), SettingOf(*store.FindFolder("c:\\data"), "cd"));
  store.WriteCrawlini(*store.FindFolder("c:\\data"));
  EXPECT_PRED_FORMAT2(BytesEqual, std::string("[c:\\other]\r\njpg=1\r\n\r\n[c:\\data]\r\nab,cd=2,2,2\r\n\r\n"),
                      s.IniBytes());

  TCrawlIni again(s.Options());
  again.Refresh();
  ASSERT_EQ(2, again.FolderCount());
  EXPECT_EQ((TTuple{1, 1, 1, false}), SettingOf(*again.FindFolder("c:\\other"), "jpg"));
  EXPECT_EQ(kMissing, SettingOf(*again.FindFolder("c:\\other"), "ab"));
  EXPECT_EQ((TTuple{2, 2, 2, false}), SettingOf(*again.FindFolder("c:\\data"), "ab"));
  EXPECT_EQ((TTuple{2, 2, 2, false}), SettingOf(*again.FindFolder("c:\\data"), "cd"));

  // A double-byte character with a real second byte stays whole.
  TCrawlIniText text;
  text.SetText("[ c:\\表 \t]\r\n[x\x81\x81 ]\r\n");
  ASSERT_EQ(2, text.SectionCount());
  EXPECT_EQ(AnsiString("c:\\表"), text.SectionName(0));
  EXPECT_EQ(AnsiString("x\x81\x81"), text.SectionName(1));
}

TEST(CrawlIni, ExtensionsThatNeedQuotesReadBackAfterWriteBack) {
  // ";a" first on a line would make it a comment; in "a<81>"b" the quote is the second byte
  // of a character, so it is no quote to double; "x y" and q" need their quotes.
  TStoreSetup s;
  s.WriteIni("[default]\r\n\";a\"=5\r\na\x81\"b=6\r\n\"x y\",\"q\"\"\"=7\r\n\"[b]\"=8\r\n");
  TCrawlIni store(s.Options());
  store.Refresh();
  const std::pair<AnsiString, TTuple> expected[] = {{";a", {5, 5, 5, false}},
                                                   {"a\x81\"b", {6, 6, 6, false}},
                                                   {"x y", {7, 7, 7, false}},
                                                   {"q\"", {7, 7, 7, false}},
                                                   {"[b]", {8, 8, 8, false}}};
  for (const auto& [ext, tuple] : expected) EXPECT_EQ(tuple, SettingOf(store.Default(), ext)) << ext;
  store.WriteCrawlini(store.Default());
  EXPECT_PRED_FORMAT2(BytesEqual,
                      std::string("[default]\r\n\";a\"=5,5,5\r\na\x81\"b=6,6,6\r\n\"x y\",\"q\"\"\"=7,7,7\r\n"
                                  "[b]=8,8,8\r\n\r\n"),
                      s.IniBytes());
  TCrawlIni again(s.Options());
  again.Refresh();
  for (const auto& [ext, tuple] : expected) EXPECT_EQ(tuple, SettingOf(again.Default(), ext)) << ext;
}

TEST(CrawlIni, SpellingsOfOneFolderAreReadAndWrittenAsOne) {
  TStoreSetup s;
  s.WriteIni("[c:\\data]\r\njpg=1\r\n[C:\\Data\\]\r\npng=2\r\n[c:\\DATA]\r\ntif=3\r\n");
  TCrawlIni store(s.Options());
  store.Refresh();
  ASSERT_EQ(1, store.FolderCount());
  TCrawlIniFolder* data = store.FolderAt(0);
  EXPECT_EQ((TTuple{1, 1, 1, false}), SettingOf(*data, "jpg"));
  EXPECT_EQ((TTuple{2, 2, 2, false}), SettingOf(*data, "png"));
  EXPECT_EQ((TTuple{3, 3, 3, false}), SettingOf(*data, "tif"));
  store.WriteCrawlini(*data);
  EXPECT_PRED_FORMAT2(BytesEqual, std::string("[c:\\data]\r\njpg=1,1,1\r\ntif=3,3,3\r\npng=2,2,2\r\n\r\n"),
                      s.IniBytes());
}

TEST(CrawlIni, MissingFileAtRefreshLeavesThePageLimits) {
  TStoreSetup s;
  s.Limits["xdw"] = 4;
  TCrawlIni store(s.Options("xdw"));
  ASSERT_TRUE(DeleteFileW(s.IniW().c_str()));
  store.Refresh();
  EXPECT_EQ(1, store.Default().ExtCount());
  EXPECT_EQ((TTuple{-1, 4, 4, true}), SettingOf(store.Default(), "xdw"));
  EXPECT_EQ(0, store.FolderCount());
}

namespace {

using TFolderSettings = std::map<AnsiString, std::map<AnsiString, AnsiString>>;

// Default and every folder with the text of each extension's setting. An extension at
// 0,0,0 without pdf is left out, as is a folder left with none: write-back prunes such
// extensions, and reading them back finds them missing, which means the same.
TFolderSettings SettingsOf(const TCrawlIni& store) {
  TFolderSettings r;
  auto add = [&](const TCrawlIniFolder& f) {
    std::map<AnsiString, AnsiString> exts;
    for (int i = 0; i < f.ExtCount(); ++i) {
      const TCrawlIniExtractPageSetting* s = f.SettingAt(i);
      if (s->First() || s->Second() || s->Third() || s->Pdf()) exts[f.ExtAt(i)] = s->ToString();
    }
    if (!exts.empty()) r[f.Path()] = exts;
  };
  add(store.Default());
  for (int i = 0; i < store.FolderCount(); ++i) add(*store.FolderAt(i));
  return r;
}

std::vector<std::pair<AnsiString, std::vector<AnsiString>>> SectionsOf(const TCrawlIniText& ini) {
  std::vector<std::pair<AnsiString, std::vector<AnsiString>>> r;
  for (int i = 0; i < ini.SectionCount(); ++i) r.emplace_back(ini.SectionName(i), ini.SectionLines(i));
  return r;
}

}  // namespace

TEST(CrawlIni, MutatedFilesReadBackAfterWriteBack) {
  const std::string sample =
      "[default]\r\nJPG,BMP=1,1,1\r\nPDF, ppt = 1,2,3,pdf\r\n.TIF,..TIFF = -1\r\nDOC=0,0,0\r\n"
      "; comment\r\n[c:\\data]\r\ntxt=5\r\nxls=0,0,0\r\n[C:\\Data\\ソフト表]\r\n\"a b\",c=7,8\r\n"
      "[c:\\data\\ソフト表\\sub\\]\r\nzip=9,9,9,pdf\r\nxdw=2\r\n\";x\",y\x81\"=4\r\n[d:\\]\r\n"
      "x=1\r\n";
  testsupport::TInputMutator mutator(20240612);
  TStoreSetup s;
  for (int i = 0; i < 200; ++i) {
    const std::string text = mutator.Mutate(sample);
    SCOPED_TRACE(::testing::Message() << "input " << i);
    // The text as written reads back as the same sections and lines.
    TCrawlIniText first, second;
    first.SetText(text);
    second.SetText(first.Text());
    EXPECT_EQ(SectionsOf(first), SectionsOf(second));

    // Each folder written back reads back with the settings it had.
    s.WriteIni(text);
    TCrawlIni store(s.Options("xdw"));
    store.Refresh();
    const TFolderSettings before = SettingsOf(store);
    store.WriteCrawlini(store.Default());
    for (int f = 0; f < store.FolderCount(); ++f) store.WriteCrawlini(*store.FolderAt(f));
    TCrawlIni again(s.Options("xdw"));
    again.Refresh();
    EXPECT_EQ(before, SettingsOf(again));
  }
}

