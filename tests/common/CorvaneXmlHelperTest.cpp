#include "common/CorvaneXmlHelper.h"

#include "common/HvxUtil.h"

#include "platform/rtl/SysExceptions.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using H = TCorvaneXmlHelper;

// The message of the exception that fn raises, or "<none>".
template <typename Fn>
AnsiString MessageOf(Fn fn) {
  try {
    fn();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "<none>";
}

xmlNode* Root(const TXmlDocument& doc) { return xmlDocGetRootElement(doc.get()); }

}  // namespace

TEST(CorvaneXmlHelper, ParseErrorsGiveLineColumnAndInput) {
  struct Case { const char* text; int line; int column; };
  const Case cases[] = {
      {"<root><item></root>", 1, 20},          // closed by the wrong tag
      {"<root>\n  <item>\n</root>", 3, 8},
      {"<root>\n<a x='1' x='2'/></root>", 2, 15},  // duplicate attribute
      {"<root>", 1, 7},                          // input ends inside the element
  };
  for (const Case& c : cases) {
    AnsiString expected = Format("XML読込エラー[%d行%d文字目]\r\n\r\n%s", c.line, c.column, c.text);
    EXPECT_EQ(expected, MessageOf([&] { H::LoadXml(c.text); })) << c.text;
  }
  // Exactly the base exception class, not the application family.
  try {
    H::LoadXml("<a>");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ("Exception", e.ClassName());
  }
}

TEST(CorvaneXmlHelper, ParseErrorHandlerIsPutBack) {
  xmlStructuredErrorFunc before = xmlStructuredError;
  EXPECT_THROW(H::LoadXml("<a><b></a>"), Exception);
  EXPECT_EQ(before, xmlStructuredError);
  TXmlDocument doc = H::LoadXml("<a/>");
  EXPECT_EQ(before, xmlStructuredError);
}

TEST(CorvaneXmlHelper, LoadsAnsiTextWhateverItsDeclarationSays) {
  // The text is ANSI already; a declared encoding is no longer true of its bytes.
  for (const char* text : {"<r>日本語</r>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>日本語</r>",
                           "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><r>日本語</r>"}) {
    TXmlDocument doc = H::LoadXml(text);
    AnsiString value;
    H::GetElementText(Root(doc), "/r", "", value);
    EXPECT_EQ(AnsiString("日本語"), value) << text;
  }
}

TEST(CorvaneXmlHelper, SavesShiftJisBytes) {
  TXmlDocument doc = H::LoadXml("<root a=\"表\"><item>日本語テキスト</item><n>①</n></root>");
  AnsiString text;
  H::SaveXml(doc.get(), text);
  // Code page 932 literals: the Shift_JIS bytes of the kana and kanji. "①" is a code page
  // 932 extension that Shift_JIS lacks, so it is written as a character reference.
  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n"
      "<root a=\"表\"><item>日本語テキスト</item><n>&#9312;</n></root>\n";
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, expected, text);

  xmlNode* item = H::SelectElement(Root(doc), "item");
  text = "left over";
  H::SaveXml(item, text);
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, std::string("<item>日本語テキスト</item>"), text);
}

TEST(CorvaneXmlHelper, SelectionErrors) {
  TXmlDocument doc = H::LoadXml("<root id=\"7\"><item/><item/><one/></root>");
  xmlNode* root = Root(doc);
  struct Case { const char* xpath; bool optional; const char* sentence; };
  const Case cases[] = {
      {"item", false, "XPath検索で2件以上マッチ。こりゃいかん！"},
      {"item", true, "XPath検索で2件以上マッチ。こりゃいかん！"},
      {"missing", false, "XPath検索で要素が見つかりません"},
      {"item[", false, "XPathが不正のようです"},
      {"count(item)", true, "XPathが不正のようです"},  // a number, not nodes
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AnsiString(c.sentence) + "\r" + c.xpath,
              MessageOf([&] { H::SelectSingleNode(root, c.xpath, c.optional); }))
        << c.xpath;
  }
  // Selection failures belong to the application family, so they reach the trace.
  EXPECT_THROW(H::SelectSingleNode(root, "item"), ECorvaneException);
  EXPECT_THROW(H::SelectElement(root, "@id"), ECorvaneException);
  EXPECT_EQ(nullptr, H::SelectSingleNode(root, "missing", true));
  EXPECT_EQ(nullptr, H::SelectElement(root, "missing", true));
  EXPECT_STREQ("one", reinterpret_cast<const char*>(H::SelectSingleNode(root, "one")->name));
  EXPECT_EQ(AnsiString("XPath検索結果の型が不正です\r@id"),
            MessageOf([&] { H::SelectElement(root, "@id"); }));
  EXPECT_EQ(AnsiString("XPathが不正のようです\r]"), MessageOf([&] { H::SelectNodes(root, "]"); }));
  EXPECT_EQ(2u, H::SelectNodes(root, "item").size());
  EXPECT_EQ(0u, H::SelectNodes(root, "nothing").size());
}

TEST(CorvaneXmlHelper, ElementTextJoinsTextAndEntities) {
  TXmlDocument doc = H::LoadXml("<r><e>a&amp;b</e><m>x<!--c--><i>no</i>y</m><empty/></r>");
  AnsiString text;
  H::GetElementText(Root(doc), "e", "def", text);
  EXPECT_EQ("a&b", text);
  H::GetElementText(Root(doc), "m", "def", text);
  EXPECT_EQ("xy", text);  // comments and child elements are skipped
  H::GetElementText(Root(doc), "empty", "def", text);
  EXPECT_EQ("", text);
  H::GetElementText(Root(doc), "absent", "def", text, true);
  EXPECT_EQ("def", text);

  // An element built with entity reference nodes between its text children.
  xmlNode* built = H::AddChild(Root(doc), "built");
  xmlAddChild(built, xmlNewDocText(doc.get(), BAD_CAST "a"));
  for (const char* ref : {"&amp;", "&lt;", "&gt;", "&apos;", "&quot;", "&other;"})
    xmlAddChild(built, xmlNewReference(doc.get(), BAD_CAST ref));
  xmlAddChild(built, xmlNewDocText(doc.get(), BAD_CAST "b"));
  H::GetElementText(Root(doc), "built", "", text);
  EXPECT_EQ("a&<>'\"b", text);
}

TEST(CorvaneXmlHelper, TypedAttributes) {
  TXmlDocument doc = H::LoadXml(
      "<r yes=\"YES\" no=\"no\" one=\"1\" n=\"-12\" x=\"12x\" empty=\"\" ja=\"値\"/>");
  xmlNode* r = Root(doc);
  AnsiString value;
  H::GetAttribute(r, "ja", "def", value);
  EXPECT_EQ(AnsiString("値"), value);
  H::GetAttribute(r, "empty", "def", value);
  EXPECT_EQ("", value);
  H::GetAttribute(r, "missing", "def", value);
  EXPECT_EQ("def", value);

  EXPECT_EQ(-12, H::GetAttributeInt(r, "n", 5));
  EXPECT_EQ(5, H::GetAttributeInt(r, "x", 5));
  EXPECT_EQ(5, H::GetAttributeInt(r, "empty", 5));
  EXPECT_EQ(5, H::GetAttributeInt(r, "missing", 5));

  EXPECT_TRUE(H::GetAttributeBool(r, "yes", false));
  EXPECT_FALSE(H::GetAttributeBool(r, "no", true));
  EXPECT_TRUE(H::GetAttributeBool(r, "missing", true));
  EXPECT_FALSE(H::GetAttributeBool(r, "missing", false));
  EXPECT_EQ("value is not 'yes' or 'no'  at CorvaneUtil",
            MessageOf([&] { H::GetAttributeBool(r, "one", false); }));
}

TEST(CorvaneXmlHelper, SetAttributeStoresRawTextEscapedOnceOnSave) {
  TXmlDocument doc = H::LoadXml("<r/>");
  xmlNode* r = Root(doc);
  const AnsiString raw = "a<b>&\"c'd 日本";
  H::SetAttribute(r, "t", raw);
  H::SetAttribute(r, "n", -3);
  H::SetAttributeBool(r, "f", true);
  AnsiString value;
  H::GetAttribute(r, "t", "", value);
  EXPECT_EQ(raw, value);
  EXPECT_TRUE(H::GetAttributeBool(r, "f", false));
  H::SetAttributeBool(r, "f", false);

  AnsiString saved;
  H::SaveXml(r, saved);
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual,
                      std::string("<r t=\"a&lt;b&gt;&amp;&quot;c'd 日本\" n=\"-3\" f=\"no\"/>"),
                      saved);
  // And it reads back as written.
  TXmlDocument again = H::LoadXml(saved);
  H::GetAttribute(Root(again), "t", "", value);
  EXPECT_EQ(raw, value);
}

TEST(CorvaneXmlHelper, SetElementTextAndAddChild) {
  TXmlDocument doc = H::LoadXml("<r><empty/><full>old<b/>tail</full></r>");
  xmlNode* r = Root(doc);
  xmlNode* empty = H::SelectElement(r, "empty");
  H::SetElementText(empty, "新しい");
  ASSERT_NE(nullptr, empty->children);
  EXPECT_EQ(nullptr, empty->children->next);  // one text node
  EXPECT_EQ(XML_TEXT_NODE, empty->children->type);

  xmlNode* full = H::SelectElement(r, "full");
  H::SetElementText(full, "new");
  AnsiString text;
  H::GetElementText(r, "full", "", text);
  EXPECT_EQ("newtail", text);  // only the first text child changed

  xmlNode* child = H::AddChild(r, "子");
  H::SetElementText(child, "x&y");
  AnsiString saved;
  H::SaveXml(r, saved);
  EXPECT_PRED_FORMAT2(
      testsupport::BytesEqual,
      std::string("<r><empty>新しい</empty><full>new<b/>tail</full><子>x&amp;y</子></r>"),
      saved);
}
