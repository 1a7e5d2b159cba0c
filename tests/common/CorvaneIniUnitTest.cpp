#include "common/CorvaneIniUnit.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysExceptions.h"

#include "tests/support/InputMutator.h"
#include "tests/support/TestSupport.h"

#include <windows.h>

#include <limits>

using testsupport::TTempDir;

namespace {

bool FolderExists(const AnsiString& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Each configuration gets its own folder and file: the system caches profile files by name.
class CorvaneIniTest : public ::testing::Test {
protected:
  AnsiString Data() const { return FTemp.Path() + "\\data\\"; }
  AnsiString DocRoot() const { return FTemp.Path(); }

  // Section "Corvane" made of the lines given, plus an existing webdocroot unless the
  // lines name one; the text is written as it stands (code page 932).
  std::unique_ptr<TCorvaneIni> Load(const AnsiString& lines, const AnsiString& extra = "") {
    AnsiString text = "[Corvane]\r\n" + lines;
    if (lines.find("webdocroot") == AnsiString::npos)
      text += "webdocroot=" + DocRoot() + "\r\n";
    text += extra;
    AnsiString file = FTemp.File("corvane" + IntToStr(++FCount) + ".ini");
    testsupport::WriteFileBytes(AnsiToWide(file), text);
    return std::make_unique<TCorvaneIni>(file, Data());
  }

  TTempDir FTemp;
  int FCount = 0;
};

// Without a webdocroot key the default Apache folder is checked; only a machine that has
// that folder loads without the message.
AnsiString DefaultWebDocRootError() {
  return FolderExists("c:\\Program Files\\Apache Group\\Apache2\\htdocs\\corvane")
             ? AnsiString()
             : AnsiString("webdocrootが指定されていないか、存在しないフォルダが指定されています");
}

TEST_F(CorvaneIniTest, MissingFileGivesDefaultsAndTheWebDocRootFailure) {
  TCorvaneIni ini(FTemp.File("none.ini"), Data());
  EXPECT_EQ(DefaultWebDocRootError().empty(), ini.IsLoaded());
  EXPECT_EQ(DefaultWebDocRootError(), ini.LoadError());
  EXPECT_EQ(Data() + "batch_work", ini.batch_work_dir());
  EXPECT_EQ(5000 * 1024, ini.max_extract_text_file_size_kb());
  EXPECT_EQ(2000 * 1024, ini.max_read_text_file_size_kb());
  EXPECT_EQ(60000, ini.timeout_xdoc2txt());
  EXPECT_TRUE(ini.lowercase_search());
  EXPECT_EQ("\x83\x52\x83\x8B\x83\x94\x83\x46\x83\x43\x83\x93", ini.productname());  // コルヴェイン
  EXPECT_EQ(Data() + "temp\\", ini.webtempdir());
  EXPECT_EQ("c:\\Program Files\\Apache Group\\Apache2\\htdocs\\corvane", ini.webdocroot());
  EXPECT_EQ(Data() + "crawl.ini", ini.crawlinipath());
  EXPECT_EQ(0, ini.RootList().Count());
  EXPECT_EQ(nullptr, ini.RootList().FindHviRoot("C:\\x", false));
  EXPECT_EQ(1980, ini.YearFrom());
  EXPECT_EQ(2030, ini.YearTo());
  ASSERT_EQ(18u, ini.CadExtList().size());
  EXPECT_EQ("DXF", ini.CadExtList()[0]);
  EXPECT_EQ("CGM", ini.CadExtList()[17]);
  // The webdocroot check comes last: the folders of the end of loading exist.
  EXPECT_TRUE(FolderExists(Data() + "action"));
  EXPECT_TRUE(FolderExists(Data() + "idxsvrlog"));
  // The batch folders are created by their getters only.
  EXPECT_FALSE(FolderExists(Data() + "batch_work"));
}

TEST_F(CorvaneIniTest, MalformedOrUnreadableFilesFallBackToDefaults) {
  const std::string texts[] = {
      std::string("\x00\xFF\xFE garbage\r\n=5\r\n[Corvane\r\nportnum=7\r\n", 30),
      "portnum=7\r\n[Other]\r\nportnum=8\r\n",  // keys outside the section
      "[Corvane]\r\nportnum\r\n=9\r\nportnum==10\r\nmax_threadscount=99999999999\r\n",
      std::string(70000, 'x'),
  };
  for (const std::string& text : texts) {
    AnsiString file = FTemp.File("bad" + IntToStr(++FCount) + ".ini");
    testsupport::WriteFileBytes(AnsiToWide(file), text);
    TCorvaneIni ini(file, Data());
    EXPECT_EQ(1980, ini.portnum());
    EXPECT_EQ(1, ini.max_threadscount());
    EXPECT_EQ(DefaultWebDocRootError(), ini.LoadError());
  }
  // A folder where the file should be cannot be read at all.
  CreateDirectoryA(FTemp.File("dir.ini").c_str(), nullptr);
  TCorvaneIni ini(FTemp.File("dir.ini"), Data());
  EXPECT_EQ(1980, ini.portnum());
  EXPECT_EQ(DefaultWebDocRootError(), ini.LoadError());
}

TEST_F(CorvaneIniTest, FolderGettersCreateTheirFoldersWithParents) {
  auto ini = Load("batch_work_dir=" + FTemp.Path() + "\\a\\b\\work\r\nbatch_log_dir=" +
                  FTemp.Path() + "\\c\\log\r\n");
  EXPECT_TRUE(ini->IsLoaded()) << ini->LoadError();
  EXPECT_EQ(FTemp.Path() + "\\a\\b\\work", ini->GetBatchWorkDir());
  EXPECT_TRUE(FolderExists(FTemp.Path() + "\\a\\b\\work"));
  ini->GetBatchLogDir();
  EXPECT_TRUE(FolderExists(FTemp.Path() + "\\c\\log"));
}

TEST_F(CorvaneIniTest, SaveFoldersThatCannotBeMadeLeaveTheRestOfLoading) {
  // A ':' inside a folder name, 32,000 trailing backslashes, and 12,000 folders: the
  // folders of the end of loading may not be made, but loading goes on and ends as usual.
  AnsiString deep = FTemp.Path() + "\\deep";
  for (int i = 0; i < 12000; ++i) deep += "\\a";
  const AnsiString values[][2] = {
      {FTemp.Path() + "\\q\\a:b", FTemp.Path() + "\\log" + AnsiString(32000, '\\')},
      {deep, FTemp.Path() + "\\x:\\y:"},
  };
  for (const auto& v : values) {
    auto ini = Load("max_threadscount=0\r\nupload_field_count=0\r\nactionqueue_savepath=" + v[0] +
                    "\r\nidxserverlog_savepath=" + v[1] + "\r\n");
    EXPECT_TRUE(ini->IsLoaded()) << ini->LoadError();
    EXPECT_EQ(v[0], ini->actionqueue_savepath());
    EXPECT_EQ(1, ini->max_threadscount());
    EXPECT_EQ(5, ini->upload_field_count());
  }
  EXPECT_TRUE(FolderExists(FTemp.Path() + "\\log"));
}

struct TLimitCase {
  const char* Line;
  int64_t (*Get)(const TCorvaneIni&);
  int64_t Expected;
  const char* Error;  // nullptr: loads
};

TEST_F(CorvaneIniTest, LimitsClampAndWrap) {
  const int64_t kMax = std::numeric_limits<int64_t>::max();
  auto threads = [](const TCorvaneIni& i) -> int64_t { return i.max_threadscount(); };
  auto upload = [](const TCorvaneIni& i) -> int64_t { return i.upload_field_count(); };
  auto estraier = [](const TCorvaneIni& i) -> int64_t { return i.hyperestraier_startup(); };
  auto text = [](const TCorvaneIni& i) -> int64_t { return i.max_extract_text_file_size_kb(); };
  auto page = [](const TCorvaneIni& i) -> int64_t { return i.max_extract_page_file_size_kb(); };
  auto read = [](const TCorvaneIni& i) -> int64_t { return i.max_read_text_file_size_kb(); };
  auto xdoc = [](const TCorvaneIni& i) -> int64_t { return i.timeout_xdoc2txt(); };
  const char* tooMany = "max_threadscountに100より大きい数値を指定することはできません";
  const TLimitCase cases[] = {
      {"max_threadscount=0", threads, 1, nullptr},
      {"max_threadscount=100", threads, 100, nullptr},
      {"max_threadscount=101", threads, 101, tooMany},
      {"upload_field_count=0", upload, 5, nullptr},
      {"upload_field_count=11", upload, 5, nullptr},
      {"upload_field_count=10", upload, 10, nullptr},
      {"upload_field_count=1", upload, 1, nullptr},
      {"hyperestraier_startup=3", estraier, 1, nullptr},
      {"hyperestraier_startup=-1", estraier, 1, nullptr},
      {"hyperestraier_startup=0", estraier, 0, nullptr},
      {"hyperestraier_startup=2", estraier, 2, nullptr},
      {"max_extract_text_file_size_kb=-1", text, kMax, nullptr},
      {"max_extract_text_file_size_kb=2097152", text, kMax, nullptr},
      {"max_extract_text_file_size_kb=4194304", text, 0, nullptr},
      {"max_extract_text_file_size_kb=2097151", text, 2097151LL * 1024, nullptr},
      {"max_extract_page_file_size_kb=-3", page, kMax, nullptr},
      {"max_read_text_file_size_kb=2097152", read, std::numeric_limits<int32_t>::min(), nullptr},
      {"max_read_text_file_size_kb=-1", read, -1024, nullptr},
      {"timeout_xdoc2txt=5", xdoc, 5000, nullptr},
      {"timeout_xdoc2txt=2147484", xdoc, -2147483296LL, nullptr},
      {"timeout_xdoc2txt=abc", xdoc, 60000, nullptr},
  };
  for (const TLimitCase& c : cases) {
    auto ini = Load(AnsiString(c.Line) + "\r\n");
    EXPECT_EQ(c.Expected, c.Get(*ini)) << c.Line;
    EXPECT_EQ(c.Error == nullptr, ini->IsLoaded()) << c.Line;
    EXPECT_EQ(c.Error ? AnsiString(c.Error) : AnsiString(), ini->LoadError()) << c.Line;
  }
}

TEST_F(CorvaneIniTest, FlagsAreTrueOnlyForOne) {
  struct {
    const char* Line;
    bool Debug;
  } cases[] = {{"debug=1", true}, {"DEBUG=1", true},   {"Debug = 1 ", true},
               {"debug=2", false}, {"debug=yes", false}, {"debug=", false},
               {"debug=-1", false}};
  for (const auto& c : cases) {
    auto ini = Load(AnsiString(c.Line) + "\r\n");
    EXPECT_EQ(c.Debug, ini->debug()) << c.Line;
  }
  auto ini = Load("lowercase_search=0\r\ncms=1\r\nartery=1\r\n");
  EXPECT_FALSE(ini->lowercase_search());
  EXPECT_TRUE(ini->cms());
  EXPECT_TRUE(ini->artery());
  EXPECT_FALSE(ini->versioning());
}

TEST_F(CorvaneIniTest, FirstOfARepeatedKeyWinsAndValuesAreUnquoted) {
  auto ini = Load("portnum=10\r\nportnum=20\r\nlang=\"en\"\r\nwebrootname='web root'\r\n"
                  "anonymous_user=  guest  \r\nproductname=\r\n");
  EXPECT_EQ(10, ini->portnum());
  EXPECT_EQ("en", ini->lang());
  EXPECT_EQ("web root", ini->webrootname());
  EXPECT_EQ("guest", ini->anonymous_user());
  // An empty value counts as absent: the default stands.
  EXPECT_EQ("\x83\x52\x83\x8B\x83\x94\x83\x46\x83\x43\x83\x93", ini->productname());
}

TEST_F(CorvaneIniTest, FloatsFollowTheLocaleAndFallBack) {
  // The decimal separator is the locale's, whatever the test machine's settings are.
  const TFormatSettings saved = GetFormatSettings();
  struct {
    char Separator;
    const char* Value;
    double Expected;
  } cases[] = {{'.', "1.5", 1.5}, {'.', " 3 ", 3.0},  {'.', "abc", 2.0},
               {'.', "1.5x", 2.0}, {',', "1,5", 1.5}, {',', "1.5", 2.0}};
  for (const auto& c : cases) {
    TFormatSettings fs = saved;
    fs.DecimalSeparator = c.Separator;
    SetFormatSettings(fs);
    auto ini = Load("synchronize_task_time=" + AnsiString(c.Value) + "\r\n");
    EXPECT_DOUBLE_EQ(c.Expected, ini->synchronize_task_time()) << c.Separator << c.Value;
  }
  SetFormatSettings(saved);
}

TEST_F(CorvaneIniTest, CommaListsAndPaths) {
  auto ini = Load(
      "extracttext_extlist=PDF,\"Doc\",,txt\r\n"
      "windows_domain=,Dom1,,Dom2\r\n"
      "fixed_userid_list=Alice,,Bob\r\n"
      "gif_preview_ext_list=JPG, \"PNG\" \r\n"
      "webtempdir=C:/corvane/tmp/\r\n"
      "crawlinipath=d:/x/crawl.ini\r\n"
      "extractpage_extlist=PDF,Doc\r\n");
  EXPECT_EQ((std::vector<AnsiString>{"pdf", "doc", "txt"}), ini->extracttext_extlist());
  EXPECT_EQ((std::vector<AnsiString>{"Dom1", "Dom2"}), ini->windows_domain());
  EXPECT_EQ((std::vector<AnsiString>{"alice", "", "bob"}), ini->fixed_userid_list());
  EXPECT_EQ((std::vector<AnsiString>{"jpg", "png"}), ini->gif_preview_ext_list());
  EXPECT_TRUE(ini->embed_view_ext_list().empty());
  EXPECT_EQ("C:\\corvane\\tmp\\", ini->webtempdir());
  EXPECT_EQ("d:\\x\\crawl.ini", ini->crawlinipath());
  EXPECT_EQ("PDF,Doc", ini->extractpage_extlist());
  // Only the first empty item of the text extension list goes.
  EXPECT_EQ((std::vector<AnsiString>{"a", "", "b"}),
            Load("extracttext_extlist=,a,,b\r\n")->extracttext_extlist());
}

TEST_F(CorvaneIniTest, ExtractPageLimitIgnoresCase) {
  auto ini = Load("", "[ExtractPageLimit]\r\npdf=30\r\nDOC=\r\nxls=many\r\n");
  EXPECT_EQ(30, ini->GetExtractPageLimit("PDF"));
  EXPECT_EQ(30, ini->GetExtractPageLimit("pdf"));
  EXPECT_EQ(-1, ini->GetExtractPageLimit("doc"));
  EXPECT_EQ(-1, ini->GetExtractPageLimit("xls"));
  EXPECT_EQ(-1, ini->GetExtractPageLimit("ppt"));
}

TEST_F(CorvaneIniTest, YearRange) {
  struct {
    const char* Value;
    int From, To;
  } cases[] = {{"2030,1990", 1990, 2030}, {"word,2000", 1980, 2000}, {"2000", 1980, 2030},
               {"1995 2005", 1995, 2005}, {"\"2001\",abc", 2001, 2030}};
  for (const auto& c : cases) {
    auto ini = Load("dateselector_yearrange=" + AnsiString(c.Value) + "\r\n");
    EXPECT_EQ(c.From, ini->YearFrom()) << c.Value;
    EXPECT_EQ(c.To, ini->YearTo()) << c.Value;
  }
}

TEST_F(CorvaneIniTest, MenuFlags) {
  auto ini = Load("menu_Search=1\r\nmenu_admin=0\r\nMENU_X=abc\r\nmenu_y=\r\nmenux=1\r\n");
  bool flag = false;
  ASSERT_TRUE(ini->MenuStatusList().TryGet("menu_search", flag));
  EXPECT_TRUE(flag);
  ASSERT_TRUE(ini->MenuStatusList().TryGet("MENU_ADMIN", flag));
  EXPECT_FALSE(flag);
  ASSERT_TRUE(ini->MenuStatusList().TryGet("menu_x", flag));
  EXPECT_FALSE(flag);
  EXPECT_FALSE(ini->MenuStatusList().TryGet("menu_y", flag));  // no value: absent
  EXPECT_EQ(3, ini->MenuStatusList().Count());
  EXPECT_EQ("menu_search", ini->MenuStatusList().Names(0));
}

TEST_F(CorvaneIniTest, FixedGroups) {
  auto one = Load("fixed_groupid_list=users, admins@corp,users\r\nwindows_domain=dom\r\n");
  const TFixedGroupIdList& g = one->FixedGroupIdList();
  ASSERT_EQ(2, g.Count());
  EXPECT_EQ("dom", g.Domain(0));
  EXPECT_EQ((std::vector<AnsiString>{"USERS"}), g.Groups(0));
  EXPECT_EQ("CORP", g.Domain(1));
  EXPECT_EQ((std::vector<AnsiString>{"ADMINS"}), g.Groups(1));

  auto none = Load("fixed_groupid_list=users,@skip\r\n");
  ASSERT_EQ(1, none->FixedGroupIdList().Count());
  EXPECT_EQ(".", none->FixedGroupIdList().Domain(0));

  auto two = Load("fixed_groupid_list=users\r\nwindows_domain=a,b\r\nmax_threadscount=0\r\n");
  EXPECT_FALSE(two->IsLoaded());
  EXPECT_EQ("windows_domainが複数設定されている場合、fixed_groupid_listにはドメイン名を指定しな"
            "ければなりません。ex. users@DOMAIN",
            two->LoadError());
  // Loading stopped before the limits: the value read stays as written.
  EXPECT_EQ(0, two->max_threadscount());
}

struct TRootCase {
  const char* Lines;
  const char* Error;  // nullptr: loads
};

TEST_F(CorvaneIniTest, RootChecksAndTheirMessages) {
  const TRootCase cases[] = {
      {"document_root=C:\\Docs\r\nhvi_root=C:\\Idx\r\n", nullptr},
      {"document_root=C:\\Docs\r\nhvi_root=C:\\Docs2\r\n", nullptr},
      {"document_root=\r\nhvi_root=C:\\Idx\r\n", "document_rootが設定ファイルに定義されていません"},
      {"document_root=C:\\Docs\r\n", "hvi_rootが設定ファイルに定義されていません"},
      {"document_root=C:\\Docs\r\nhvi_root=C:\\Idx\r\ndocument_root2=C:\\D2\r\nhvi_root2=C:\\I2\r\n",
       "document_root_alias2が設定ファイルに定義されていません"},
      {"document_root=C:\\Docs\r\nhvi_root=C:\\Idx\r\ndocument_root2=C:\\D2\r\nhvi_root2=C:\\I2\r\n"
       "document_root_alias2=two\r\n",
       "document_root_aliasが設定ファイルに定義されていません"},
      {"document_root=C:\\Docs\r\nhvi_root=C:\\Docs\\Index\r\n",
       "hvi_rootがdocument_root以下のフォルダに指定されています.document_root=C:\\Docs, "
       "hvi_root=C:\\Docs\\Index"},
      {"document_root=C:\\Idx\\Docs\\\r\nhvi_root=c:\\idx\r\n",
       "document_rootがhvi_root以下のフォルダに指定されています.document_root=C:\\Idx\\Docs, "
       "hvi_root=c:\\idx"},
      {"document_root=C:\\Same\r\nhvi_root=C:\\same\\\r\n",
       "document_rootがhvi_root以下のフォルダに指定されています.document_root=C:\\Same, "
       "hvi_root=C:\\same"},
      {"document_root=C:\\W\r\nhvi_root=C:\\Idx\r\nwebtempdir=c:\\w\\tmp\\\r\n",
       "webtempdirがdocument_root以下のフォルダに指定されています.webtempdir=c:\\w\\tmp\\, "
       "document_root=C:\\W"},
      {"document_root=C:\\Docs\r\nhvi_root=C:\\Idx\r\nwebtempdir=C:/Idx/\r\n",
       "webtempdirがhvi_root以下のフォルダに指定されています.webtempdir=C:\\Idx\\, "
       "hvi_root=C:\\Idx"},
      {"document_root=C:\\A\r\nhvi_root=C:\\I1\r\ndocument_root_alias=one\r\n"
       "document_root2=c:\\a\\B\r\nhvi_root2=C:\\I2\r\ndocument_root_alias2=two\r\n",
       "すべてのdocument_rootおよびhvi_rootのパスは親子関係にあってはいけません.document_rootが他の"
       "document_root以下のフォルダに指定されています.document_root2=c:\\a\\B"},
      {"document_root=C:\\A\r\nhvi_root=C:\\I1\r\ndocument_root_alias=one\r\n"
       "document_root2=c:\\i1\\B\r\nhvi_root2=C:\\I2\r\ndocument_root_alias2=two\r\n",
       "すべてのdocument_rootおよびhvi_rootのパスは親子関係にあってはいけません.document_rootが"
       "hvi_root以下のフォルダに指定されています.document_root2=c:\\i1\\B"},
      {"document_root=C:\\A\r\nhvi_root=C:\\I1\r\ndocument_root_alias=one\r\n"
       "document_root2=C:\\B\r\nhvi_root2=C:\\A\\I2\r\ndocument_root_alias2=two\r\n",
       "すべてのdocument_rootおよびhvi_rootのパスは親子関係にあってはいけません.hvi_rootが"
       "document_root以下のフォルダに指定されています.hvi_root2=C:\\A\\I2"},
      {"document_root=C:\\A\r\nhvi_root=C:\\I1\r\ndocument_root_alias=one\r\n"
       "document_root2=C:\\B\r\nhvi_root2=C:\\I1\\I2\r\ndocument_root_alias2=two\r\n",
       "すべてのdocument_rootおよびhvi_rootのパスは親子関係にあってはいけません.hvi_rootが他の"
       "hvi_root以下のフォルダに指定されています.hvi_root2=C:\\I1\\I2"},
      {"document_root=C:\\A\r\nhvi_root=C:\\I1\r\ndocument_root_alias=One\r\n"
       "document_root2=C:\\B\r\nhvi_root2=C:\\I2\r\ndocument_root_alias2=one\r\n",
       "document_root_alias:one が重複しています"},
  };
  for (const TRootCase& c : cases) {
    auto ini = Load(c.Lines);
    EXPECT_EQ(c.Error == nullptr, ini->IsLoaded()) << c.Lines;
    EXPECT_EQ(c.Error ? AnsiString(c.Error) : AnsiString(), ini->LoadError()) << c.Lines;
  }
}

TEST_F(CorvaneIniTest, DuplicateIndexRootMessageHasAnIdeographicSpace) {
  // The same index root written in other letter cases and with a trailing backslash.
  auto ini = Load("document_root=C:\\A\r\nhvi_root=C:\\Idx\r\ndocument_root_alias=a\r\n"
                  "document_root2=C:\\B\r\nhvi_root2=c:\\IDX\\\r\ndocument_root_alias2=b\r\n");
  // U+3000 and "が" in code page 932.
  EXPECT_EQ("hvi_root:c:\\IDX\x81\x40\x82\xAA\x8F\x64\x95\xA1\x82\xB5\x82\xC4\x82\xA2\x82\xDC"
            "\x82\xB7",
            ini->LoadError());
}

TEST_F(CorvaneIniTest, RootsAreReadUpToTheFirstGapWithTheirPatterns) {
  auto ini = Load(
      "document_root=C:/Docs/\r\nhvi_root=C:\\Idx\\\r\ndocument_root_alias=one\r\n"
      "document_root_pattern=*.doc\r\ndocument_root_pattern2=\r\ndocument_root_pattern3=*.xls\r\n"
      "document_root_pattern5=*.never\r\n"
      "document_root2=D:\\D2\r\nhvi_root2=D:\\I2\r\ndocument_root_alias2=two\r\n"
      "document_root2_pattern=*.pdf\r\n"
      "document_root4=E:\\D4\r\nhvi_root4=E:\\I4\r\ndocument_root_alias4=four\r\n"
      "max_threadscount=0\r\n");
  ASSERT_TRUE(ini->IsLoaded()) << ini->LoadError();
  const TCorvaneRootList& roots = ini->RootList();
  ASSERT_EQ(2, roots.Count());
  EXPECT_EQ("C:\\Docs", roots.Items(0)->DocumentRoot());
  EXPECT_EQ("C:\\Idx", roots.Items(0)->HviRoot());
  EXPECT_EQ("one", roots.Items(0)->Alias());
  EXPECT_EQ((std::vector<AnsiString>{"*.doc", "", "*.xls"}), roots.Items(0)->Patterns());
  EXPECT_EQ((std::vector<AnsiString>{"*.pdf"}), roots.Items(1)->Patterns());
  EXPECT_EQ("two", roots.Items(1)->Alias());
  EXPECT_EQ(nullptr, roots.Items(2));
  EXPECT_EQ(nullptr, roots.Items(-1));
  EXPECT_EQ(1, ini->max_threadscount());  // loading went through the limits
}

TEST_F(CorvaneIniTest, FindHviRootInsideAndBeside) {
  auto ini = Load("document_root=C:\\Docs\r\nhvi_root=C:\\Idx\r\ndocument_root_alias=a\r\n"
                  "document_root2=D:\\Docs\r\nhvi_root2=D:\\Idx\r\ndocument_root_alias2=b\r\n");
  const TCorvaneRootList& roots = ini->RootList();
  ASSERT_EQ(2, roots.Count());
  EXPECT_EQ(roots.Items(0), roots.FindHviRoot("C:\\Idx\\sub\\file.txt", false));
  EXPECT_EQ(roots.Items(0), roots.FindHviRoot("c:\\idx", false));
  EXPECT_EQ(roots.Items(0), roots.FindHviRoot("C:\\IDX\\", false));
  EXPECT_EQ(roots.Items(1), roots.FindHviRoot("d:\\idx\\x", true));
  EXPECT_EQ(nullptr, roots.FindHviRoot("C:\\Idx2\\file.txt", false));
  EXPECT_EQ(nullptr, roots.FindHviRoot("C:\\Id", false));
  EXPECT_EQ(nullptr, roots.FindHviRoot("", false));
  try {
    roots.FindHviRoot("C:\\Idx2\\file.txt", true);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ("HviRoot not found. aHviPath=C:\\Idx2\\file.txt", e.Message());
  }
  EXPECT_TRUE(roots.HasHviRoot("c:\\IDX\\"));
  EXPECT_FALSE(roots.HasHviRoot("c:\\IDX\\a"));
  EXPECT_EQ(1, roots.IndexOfDocumentRoot("D:\\Docs\\a", -1));
  EXPECT_EQ(-1, roots.IndexOfDocumentRoot("D:\\Docs\\a", 1));
  EXPECT_EQ(0, roots.IndexOfHviRoot("C:\\Idx", 1));
}

TEST_F(CorvaneIniTest, RootPathsWithDoubleByteNamesCompareByCharacter) {
  // "ソ" is 0x83 0x5C in code page 932: its trail byte is a backslash.
  auto ini = Load("document_root=C:\\ソ\r\nhvi_root=C:\\Idxソ\\\r\n");
  ASSERT_TRUE(ini->IsLoaded()) << ini->LoadError();
  const TCorvaneRootList& roots = ini->RootList();
  EXPECT_EQ("C:\\Idxソ", roots.Items(0)->HviRoot());
  EXPECT_EQ(roots.Items(0), roots.FindHviRoot("c:\\IDXソ\\a", false));
  // "Idx" followed by the lead byte only is no folder boundary.
  EXPECT_EQ(nullptr, roots.FindHviRoot("C:\\Idx\x83", false));
}

}  // namespace

namespace {

// True when every value the loader makes folders of stays inside base: a mutated value
// must not make folders anywhere else on the machine.
bool SaveFoldersStayInside(const std::string& text, const AnsiString& base) {
  const std::string lower = AnsiLowerCase(text);
  for (size_t at = lower.find("savepath"); at != std::string::npos;
       at = lower.find("savepath", at + 1)) {
    size_t end = lower.find_first_of(std::string("\r\n\0", 3), at);
    std::string rest = lower.substr(at, end == std::string::npos ? std::string::npos : end - at);
    size_t eq = rest.find('=');
    if (eq == std::string::npos) continue;
    std::string value = Trim(rest.substr(eq + 1));
    while (!value.empty() && (value[0] == '"' || value[0] == '\'')) value.erase(0, 1);
    if (value.compare(0, base.size(), AnsiLowerCase(base)) != 0 ||
        value.find("..") != std::string::npos)
      return false;
  }
  return true;
}

}  // namespace

TEST_F(CorvaneIniTest, MutatedFilesLoadWithoutRaising) {
  const AnsiString t = FTemp.Path();
  const std::string sample =
      "[Corvane]\r\nmax_threadscount=4\r\nbatch_commit_size=10000\r\n"
      "max_extract_text_file_size_kb=5000\r\nmax_read_text_file_size_kb=2000\r\n"
      "upload_field_count=7\r\nhyperestraier_startup=2\r\ntimeout_xdoc2txt=60\r\n"
      "synchronize_task_time=2.5\r\nuse_windows_security=1\r\nlowercase_search=0\r\n"
      "productname=コルヴェイン表示\r\nextracttext_extlist=PDF,\"Doc\", ,txt\r\n"
      "windows_domain=,dom1,,dom2\r\nfixed_userid_list=Alice,,bob\r\nfixed_groupid_list=users\r\n"
      "dateselector_yearrange=1995,2005\r\nmenu_search=1\r\nmenu_admin=0\r\n"
      "webtempdir=" + t + "/temp/\r\nwebdocroot=" + t + "\r\ncrawlinipath=" + t + "\\crawl.ini\r\n"
      "actionqueue_savepath=" + t + "\\act\\ソ表\r\nidxserverlog_savepath=" + t + "\\idx\\\r\n"
      "document_root=" + t + "\\docs\r\nhvi_root=" + t + "\\hvi\r\ndocument_root_alias=docs\r\n"
      "document_root_pattern=*.txt\r\ndocument_root2=" + t + "\\d2\r\nhvi_root2=" + t + "\\h2\r\n"
      "document_root_alias2=two\r\n"
      "[ExtractPageLimit]\r\npdf=10\r\nxdw=20\r\n";
  testsupport::TInputMutator mutator(20240611);
  int loaded = 0, used = 0;
  for (int i = 0; i < 100; ++i) {
    const std::string text = mutator.Mutate(sample);
    if (!SaveFoldersStayInside(text, t)) continue;
    ++used;
    AnsiString file = FTemp.File("m" + IntToStr(i) + ".ini");
    testsupport::WriteFileBytes(AnsiToWide(file), text);
    // Loading never raises: a failed check leaves its message and the values read so far.
    try {
      TCorvaneIni ini(file, Data());
      EXPECT_EQ(ini.IsLoaded(), ini.LoadError().empty()) << ini.LoadError();
      if (!ini.IsLoaded()) continue;
      ++loaded;
      // A complete load has applied every limit.
      EXPECT_GE(ini.max_threadscount(), 1);
      EXPECT_LE(ini.max_threadscount(), 100);
      EXPECT_GE(ini.upload_field_count(), 1);
      EXPECT_LE(ini.upload_field_count(), 10);
      EXPECT_GE(ini.hyperestraier_startup(), 0);
      EXPECT_LE(ini.hyperestraier_startup(), 2);
    } catch (const std::exception& e) {
      ADD_FAILURE() << "input " << i << " raised: " << e.what();
    }
  }
  EXPECT_GT(used, 70);
  EXPECT_GT(loaded, 0);
}
