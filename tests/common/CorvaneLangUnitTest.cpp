#include "common/CorvaneLangUnit.h"

#include "common/HvxUtil.h"
#include "common/Utf8tosjis.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include "tests/support/InputMutator.h"

using testsupport::TTempDir;

namespace {

// UTF-8 bytes of a literal (plain literals become code page 932 in this build).
std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

// A language file in the web front end's style, UTF-8, with comments everywhere.
std::string JapaneseFile() {
  return U8(u8"<?php\r\n"
            u8"/* 見出し: 'hidden' => 'no',\r\n"
            u8"   'alsohidden' => 'no', */ 'afterclose' => 'yes',\r\n"
            u8"$lang = array(\r\n"
            u8"  'Title' => '',\r\n"
            u8"  'greeting' => 'こんにちは',   // あいさつ 'x' => 'y'\r\n"
            u8"\t'quote' => 'it\\'s',\r\n"
            u8"  'three' => 'a', 'b',\r\n"
            u8"  'one' =>\r\n"
            u8"  \"dq\" => \"two words\",\r\n"
            u8"  'a' => 'あ',\n"      // E3 81 82: the 0x82 must not swallow the quote
            u8"  'ka' => 'ア', # カナ\n"
            u8"  'dup' => 'first',\r\n"
            u8"  'DUP' => 'second',\r\n"
            u8"  '' => 'empty key',\r\n"
            u8"  # 'hash' => 'comment',\r\n"
            u8"  'inline' /* 'c' */ => 'ok', /* open\r\n"
            u8"  'incomment' => 'no', */\r\n"
            u8");\r\n");
}

std::string EnglishFile() {
  return "<?php\n$lang = array(\n  'greeting' => 'Hello',\n  'Title' => 'Title',\n);\n";
}

// A web document root with the given language files under "lib".
struct TDocRoot {
  TTempDir Dir;
  TDocRoot(const std::string* ja, const std::string* en) {
    testsupport::MakeDirs(Dir.FileW(L"lib"));
    if (ja) testsupport::WriteFileBytes(Dir.FileW(L"lib\\lang.php"), *ja);
    if (en) testsupport::WriteFileBytes(Dir.FileW(L"lib\\lang_en.php"), *en);
  }
  AnsiString Path() const { return Dir.Path(); }
};

AnsiString TextOf(TCorvaneLangItem& item, const AnsiString& key) {
  AnsiString text = "unchanged";
  item.Text(key, text);
  return text;
}

template <typename Fn>
AnsiString UserErrorOf(Fn fn) {
  try {
    fn();
  } catch (const ECorvaneUserException& e) {
    return e.Message();
  }
  return "<none>";
}

}  // namespace

TEST(CorvaneLangUnit, LoadsQuotedPairs) {
  std::string ja = JapaneseFile();
  TDocRoot root(&ja, nullptr);
  TCorvaneLangItem item(root.Dir.File("lib\\lang.php"));
  struct Case { const char* key; AnsiString expected; };
  const Case cases[] = {
      {"Title", ""},                 // given without a value
      {"greeting", "こんにちは"},     // converted to code page 932
      {"quote", "it''s"},            // escaped quote, then doubled
      {"dq", "two words"},
      {"a", "あ"},
      {"ka", "ア"},
      {"DUP", "second"},             // the later line wins, with its own spelling
      {"afterclose", "yes"},         // after the end of a block comment
      {"inline", "ok"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, TextOf(item, c.key)) << c.key;
  EXPECT_EQ(9, item.Count());
}

TEST(CorvaneLangUnit, KeysWithoutEntryRaiseAndWrongCaseNamesTheStoredKey) {
  std::string ja = JapaneseFile();
  TDocRoot root(&ja, nullptr);
  TCorvaneLangItem item(root.Dir.File("lib\\lang.php"));
  // Inside block comments (also across lines), a third or a lone quoted string, an empty
  // key, a hash comment.
  for (const char* key : {"hidden", "alsohidden", "three", "one", "", "hash", "incomment", "c",
                          "x"}) {
    EXPECT_EQ(Format("指定されたキー \"%s\" は定義されていません", key),
              UserErrorOf([&] { TextOf(item, key); }))
        << key;
  }
  EXPECT_EQ(AnsiString("指定されたキー \"title\" の大文字小文字が間違っています。正しくは \"Title\" です"),
            UserErrorOf([&] { TextOf(item, "title"); }));
  EXPECT_EQ(AnsiString("指定されたキー \"dup\" の大文字小文字が間違っています。正しくは \"DUP\" です"),
            UserErrorOf([&] { TextOf(item, "dup"); }));
}

TEST(CorvaneLangUnit, ScannedTextKeepsUtf8Bytes) {
  std::string ja = JapaneseFile();
  TDocRoot root(&ja, nullptr);
  TCorvaneLangItem item(root.Dir.File("lib\\lang.php"));
  const std::string& scanned = item.ScannedText();
  EXPECT_NE(std::string::npos, scanned.find(U8(u8"\r\n'greeting'=>'こんにちは',\r\n"))) << scanned;
  EXPECT_NE(std::string::npos, scanned.find(U8(u8"\r\n'a'=>'あ',\r\n")));
  EXPECT_EQ(0u, scanned.find("<?php\r\n"));
  // Comment lines leave empty lines; every file line gives one scanned line.
  EXPECT_EQ(19, std::count(scanned.begin(), scanned.end(), '\n'));
}

TEST(CorvaneLangUnit, InvalidUtf8ValueStopsLoading) {
  std::string bad = "<?php\n'ok' => 'fine',\n'bad' => '\x80x',\n";
  TDocRoot root(&bad, nullptr);
  EXPECT_THROW(TCorvaneLangItem(root.Dir.File("lib\\lang.php")), EUtf8TSjisException);
  EXPECT_THROW(TCorvaneLang(root.Path(), [] { return AnsiString("ja"); }), EUtf8TSjisException);
  // The converter sees only values: the same byte in a comment or a key does no harm.
  std::string fine = "<?php\n// \x80\n'k\x80' => 'v',\n";
  TDocRoot root2(&fine, nullptr);
  TCorvaneLangItem item(root2.Dir.File("lib\\lang.php"));
  EXPECT_EQ(1, item.Count());
}

TEST(CorvaneLangUnit, MissingFileGivesEmptyItem) {
  TTempDir dir;
  TCorvaneLangItem item(dir.File("none.php"));
  EXPECT_EQ(0, item.Count());
}

TEST(CorvaneLangUnit, LanguageChoice) {
  std::string ja = JapaneseFile(), en = EnglishFile();
  TDocRoot root(&ja, &en);
  struct Case { const char* configured; const char* code; AnsiString greeting; };
  const Case cases[] = {
      {"en", "en", "Hello"},
      {"ja", "ja", "こんにちは"},
      {"EN", "ja", "こんにちは"},  // case matters
      {"", "ja", "こんにちは"},
      {"fr", "ja", "こんにちは"},
  };
  for (const Case& c : cases) {
    int asked = 0;
    TCorvaneLang lang(root.Path(), [&] { ++asked; return AnsiString(c.configured); });
    AnsiString code;
    lang.GetLang(code);
    EXPECT_EQ(c.code, code) << c.configured;
    AnsiString text;
    lang.Text("greeting", text);
    EXPECT_EQ(c.greeting, text) << c.configured;
    lang.GetLang(code);
    EXPECT_EQ(1, asked);  // the configuration is asked once
  }
}

TEST(CorvaneLangUnit, OnGetLangOverridesConfiguration) {
  std::string ja = JapaneseFile(), en = EnglishFile();
  TDocRoot root(&ja, &en);
  TCorvaneLang lang(root.Path(), [] { return AnsiString("ja"); });
  AnsiString code = "en";
  lang.OnGetLang = [&](AnsiString& out) { out = code; };
  AnsiString text;
  lang.Text("greeting", text);
  EXPECT_EQ("Hello", text);
  // A key the current language lacks raises; a missing language does not.
  EXPECT_EQ(AnsiString("指定されたキー \"greet\" は定義されていません"),
            UserErrorOf([&] { lang.Text("greet", text); }));
  code = "de";  // no such file: no current item, no text, no error
  text = "unchanged";
  lang.Text("greeting", text);
  EXPECT_EQ("", text);
  EXPECT_EQ(nullptr, lang.CurrentItem());
}

TEST(CorvaneLangUnit, OnlyJapaneseFileAndEnglishAsked) {
  std::string ja = JapaneseFile();
  TDocRoot root(&ja, nullptr);
  TCorvaneLang lang(root.Path() + "\\", [] { return AnsiString("en"); });
  EXPECT_EQ(nullptr, lang.Item("en"));
  ASSERT_NE(nullptr, lang.Item("ja"));
  AnsiString text = "unchanged";
  lang.Text("no such key", text);  // there is no current item, so nothing raises
  EXPECT_EQ("", text);
}

TEST(CorvaneLangUnit, MutatedFilesLoadOrRaiseTheConverterError) {
  const std::string sample = JapaneseFile();
  const char* const keys[] = {"Title", "greeting", "quote", "a", "ka", "DUP", "inline", "x"};
  TTempDir dir;
  const AnsiString file = dir.File("lang.php");
  testsupport::TInputMutator mutator(20240615);
  int loaded = 0;
  for (int i = 0; i < 300; ++i) {
    testsupport::WriteFileBytes(AnsiToWide(file), mutator.Mutate(sample));
    std::unique_ptr<TCorvaneLangItem> item;
    try {
      item = std::make_unique<TCorvaneLangItem>(file);
    } catch (const EUtf8TSjisException& e) {
      EXPECT_EQ("UTF-8 Unknown code.", e.Message()) << "input " << i;
      continue;
    }
    ++loaded;
    for (const char* key : keys) {
      try {
        AnsiString text;
        item->Text(key, text);
      } catch (const ECorvaneUserException&) {
        // An unknown key, or one in the wrong case: the lookup's own errors.
      }
    }
  }
  EXPECT_GT(loaded, 0);
}
