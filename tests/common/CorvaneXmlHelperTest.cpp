#include "common/CorvaneXmlHelper.h"

#include "common/HvxUtil.h"

#include "platform/rtl/SysExceptions.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include "tests/support/InputMutator.h"

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
  // Code page 932 literals: the bytes of the kana and kanji, and of "①", an extension of
  // the code page that strict Shift_JIS lacks.
  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n"
      "<root a=\"表\"><item>日本語テキスト</item><n>①</n></root>\n";
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, expected, text);

  xmlNode* item = H::SelectElement(Root(doc), "item");
  text = "left over";
  H::SaveXml(item, text);
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, std::string("<item>日本語テキスト</item>"), text);
}

namespace {

// The document as libxml2 writes it in UTF-8: two documents that dump alike hold the same
// names, attributes and text.
std::string Utf8Dump(const TXmlDocument& doc) {
  xmlChar* mem = nullptr;
  int size = 0;
  xmlDocDumpMemoryEnc(doc.get(), &mem, &size, "UTF-8");
  std::string r(reinterpret_cast<const char*>(mem), static_cast<size_t>(size));
  xmlFree(mem);
  return r;
}

// Saves the document, loads what was saved and saves that again: the second load must
// hold what the first did, and the second save must be the first.
void ExpectSaveLoadRoundTrip(const AnsiString& text) {
  TXmlDocument first = H::LoadXml(text);
  AnsiString saved;
  H::SaveXml(first.get(), saved);
  TXmlDocument second = H::LoadXml(saved);
  EXPECT_EQ(Utf8Dump(first), Utf8Dump(second)) << text.substr(0, 200);
  AnsiString again;
  H::SaveXml(second.get(), again);
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, saved, again);
}

}  // namespace

TEST(CorvaneXmlHelper, CodePageExtensionsInNamesSaveAndLoadBack) {
  // 纊 (ED 40) is an extension of the code page: as a name it cannot be a reference.
  ExpectSaveLoadRoundTrip("<r \xED\x40=\"1\"/>");
}

TEST(CorvaneXmlHelper, EveryCharacterOfTheCodePageSavesAndLoadsBack) {
  // Every character of code page 932: in text, attribute values, CDATA and comments, and
  // in element and attribute names wherever a name may hold it.
  AnsiString names, all;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const AnsiString c{static_cast<char>(lead), static_cast<char>(trail)};
      const AnsiString item = "<x" + c + " a" + c + "=\"" + c + "\">" + c + "</x" + c + ">";
      try {
        H::LoadXml(item);
        names += item;
      } catch (const Exception&) {
        // Not a name character.
      }
      all += c;
    }
  }
  // Half-width katakana are single bytes, and so are the few bytes the code page maps to
  // characters of its own (80, A0, FD to FF).
  for (int b = 0xA1; b <= 0xDF; ++b) all += static_cast<char>(b);
  all += "\x80\xA0\xFD\xFE\xFF";
  ASSERT_GT(names.size(), 6000u * 4);
  // Character references cannot stand in for a character in a CDATA section or a
  // comment: there the code page's own form is the only one.
  ExpectSaveLoadRoundTrip("<r>" + names + "<t a=\"" + all + "\">" + all + "<![CDATA[" + all +
                          "]]><!--" + all + "--></t></r>");
}

TEST(CorvaneXmlHelper, MalformedDocumentIsRefusedAtItsFirstError) {
  // An unterminated comment full of "--": libxml2 reports every pair, each time copying
  // the comment read so far. The first error is the one reported; nothing after it counts.
  AnsiString expectedStart;
  try {
    H::LoadXml("<!------");
  } catch (const Exception& e) {
    expectedStart = e.Message().substr(0, e.Message().find("\r\n"));
  }
  ASSERT_FALSE(expectedStart.empty());
  AnsiString big = "<!--";
  big.reserve(2 * 1024 * 1024);
  while (big.size() < 2 * 1024 * 1024) big += "--";
  EXPECT_EQ(expectedStart + "\r\n\r\n" + big, MessageOf([&] { H::LoadXml(big); }));
  EXPECT_EQ("XML読込エラー[1行5文字目]", expectedStart);

  // An error that leaves the document loadable does not stop it.
  TXmlDocument doc = H::LoadXml("<r><p:x/><y/></r>");
  EXPECT_NE(nullptr, H::SelectElement(Root(doc), "y", true));
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

TEST(CorvaneXmlHelper, MutatedDocumentsLoadAndSaveBackOrAreRefused) {
  const AnsiString sample =
      "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<!DOCTYPE r [<!ENTITY e \"表\">]>\r\n"
      "<r id=\"7\" 纊=\"①～\" t='a&amp;b&lt;'><!-- note - ? --><item n=\"1\">日本語&e;</item>"
      "<item n=\"2\"><![CDATA[<x>ソ\\]]></item><?pi data?><p:x xmlns:p=\"urn:p\">ｱｲｳ</p:x>"
      "<e>&#9312;&#x7E8A;</e><empty/></r>\r\n";
  testsupport::TInputMutator mutator(20240616);
  int loaded = 0;
  for (int i = 0; i < 300; ++i) {
    const AnsiString text = mutator.Mutate(sample);
    TXmlDocument doc;
    try {
      doc = H::LoadXml(text);
    } catch (const Exception& e) {
      EXPECT_STREQ("Exception", e.ClassName()) << "input " << i;
      EXPECT_EQ(0u, e.Message().find("XML読込エラー[")) << "input " << i;
      continue;
    }
    ++loaded;
    // Whatever loads saves as text that loads back the same.
    SCOPED_TRACE(::testing::Message() << "input " << i);
    ExpectSaveLoadRoundTrip(text);
  }
  EXPECT_GT(loaded, 20);
}

// A namespace URI is written as an attribute value is, so "<", "&" and the quotation marks
// it holds come back as the same characters: in a default and in a prefixed declaration,
// and in declarations below the top.
TEST(CorvaneXmlHelper, NamespaceUrisSaveEscapedAndLoadBack) {
  const char* const uris[] = {"u&lt;rn:x", "u&amp;rn:x", "u&#34;rn:x", "&#34;'&lt;&amp;&gt;",
                              "a&#9;b&#10;c&#13;d", "&#x26;&amp;#38;&e;日本"};
  for (const char* uri : uris) {
    const AnsiString u = uri;
    for (const AnsiString& text :
         {"<a xmlns=\"" + u + "\" xmlns:p=\"urn:p\"><p:b p:c=\"1\"/></a>",
          "<a xmlns:p=\"" + u + "\"><p:b p:c=\"1\"/></a>",
          "<a><b xmlns=\"" + u + "\"><c xmlns:q=\"" + u + "\" q:d=\"2\"/></b></a>"}) {
      SCOPED_TRACE(text);
      ExpectSaveLoadRoundTrip("<!DOCTYPE a [<!ENTITY e \"x\">]>" + text);
    }
  }
  // A declaration made in code holds its URI unescaped, "&" included.
  TXmlDocument built = H::LoadXml("<a/>");
  xmlNewNs(Root(built), BAD_CAST "a&b<c\"d", BAD_CAST "q");
  AnsiString text;
  H::SaveXml(Root(built), text);
  EXPECT_EQ("<a xmlns:q=\"a&amp;b&lt;c&quot;d\"/>", text);
  H::LoadXml(text);
  // The document, byte for byte, and its URI read back.
  TXmlDocument doc = H::LoadXml("<a xmlns=\"u&lt;rn:x\" xmlns:p=\"urn:p\"><p:b p:c=\"1\"/></a>");
  AnsiString saved;
  H::SaveXml(doc.get(), saved);
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual,
                      std::string("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n"
                                  "<a xmlns=\"u&lt;rn:x\" xmlns:p=\"urn:p\"><p:b p:c=\"1\"/></a>\n"),
                      saved);
  TXmlDocument again = H::LoadXml(saved);
  EXPECT_STREQ("u<rn:x", reinterpret_cast<const char*>(Root(again)->ns->href));
  // Saving leaves the tree as it was.
  EXPECT_STREQ("u<rn:x", reinterpret_cast<const char*>(Root(doc)->ns->href));
  H::SaveXml(Root(doc)->children, saved);
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, std::string("<p:b p:c=\"1\"/>"), saved);
}

// An error inside an entity's replacement text refuses the document at that error, as an
// error outside does: the position is that of the reference in the text, just after it.
TEST(CorvaneXmlHelper, ErrorInsideEntityContentRefusesTheDocument) {
  auto expectRefusedAt = [](const AnsiString& text, int line, int column) {
    const AnsiString message = MessageOf([&] { H::LoadXml(text); });
    const size_t breaks = message.find("\r\n\r\n");
    EXPECT_EQ(Format("XML読込エラー[%d行%d文字目]", line, column), message.substr(0, breaks))
        << text.substr(0, 120);
    // The whole input follows (compared, not printed: it can be large).
    EXPECT_TRUE(breaks != AnsiString::npos && message.substr(breaks + 4) == text);
  };
  // The comment opener 65,536 times (393 KB): each "--" inside the expanded comment is an
  // error that copies the comment read so far.
  AnsiString big = "<!DOCTYPE r [<!ENTITY big \"";
  for (int i = 0; i < 65536; ++i) big += "<!--";
  big += "\">]><r>&big;</r>";
  // The column is the one after the reference.
  expectRefusedAt(big, 1, static_cast<int>(big.find("&big;") + 6));
  // A replacement text that leaves an element open, a second reference to it, an error
  // one entity further in, and an error after good content.
  expectRefusedAt("<!DOCTYPE r [<!ENTITY e \"<a>\">]><r>&e;<b/></r>", 1, 39);
  expectRefusedAt("<!DOCTYPE r [\n<!ENTITY i \"<!-- -- -->\">\n<!ENTITY o \"x&i;y\">]>\n<r>\n  &o;</r>",
                  5, 6);
  expectRefusedAt("<!DOCTYPE r [<!ENTITY e \"<b/>&#38;x\">]><r>&e;</r>", 1, 46);

  // Good replacement text still loads, and its elements are the document's.
  TXmlDocument doc = H::LoadXml("<!DOCTYPE r [<!ENTITY e \"<b>x</b>\">]><r>&e;&e;<c/></r>");
  xmlNode* child = Root(doc)->children;
  for (int i = 0; i < 2; ++i, child = child->next) {
    ASSERT_EQ(XML_ENTITY_REF_NODE, child->type);
    ASSERT_NE(nullptr, child->children);  // the entity, holding the parsed replacement
    ASSERT_NE(nullptr, child->children->children);
    EXPECT_STREQ("b", reinterpret_cast<const char*>(child->children->children->name));
  }
  EXPECT_STREQ("c", reinterpret_cast<const char*>(child->name));
}

// The namespace axis selects declarations; the nodes handed out are the document's own,
// which live as long as the document (libxml2's result holds copies that go with it).
TEST(CorvaneXmlHelper, NamespaceNodesSelectedAreTheDocumentsOwn) {
  TXmlDocument doc = H::LoadXml("<a xmlns=\"urn:d\" xmlns:p=\"urn:p\"><b xmlns:q=\"urn:q\"/></a>");
  xmlNode* a = Root(doc);
  xmlNode* b = H::SelectSingleNode(a, "*");
  xmlNs* p = a->nsDef->next;
  ASSERT_STREQ("p", reinterpret_cast<const char*>(p->prefix));
  EXPECT_EQ(reinterpret_cast<xmlNode*>(p), H::SelectSingleNode(a, "namespace::p"));
  EXPECT_EQ(reinterpret_cast<xmlNode*>(p), H::SelectSingleNode(b, "namespace::p"));
  EXPECT_EQ(reinterpret_cast<xmlNode*>(b->nsDef), H::SelectSingleNode(b, "namespace::q"));
  // In scope at b: q, p, the default and xml, each once.
  std::vector<xmlNode*> all = H::SelectNodes(b, "namespace::*");
  ASSERT_EQ(4u, all.size());
  std::vector<std::string> uris;
  for (xmlNode* n : all) {
    ASSERT_EQ(XML_NAMESPACE_DECL, n->type);
    uris.push_back(reinterpret_cast<const char*>(reinterpret_cast<xmlNs*>(n)->href));
  }
  std::sort(uris.begin(), uris.end());
  EXPECT_EQ((std::vector<std::string>{"http://www.w3.org/XML/1998/namespace", "urn:d", "urn:p",
                                      "urn:q"}),
            uris);
  EXPECT_EQ(AnsiString("XPath検索結果の型が不正です\rnamespace::p"),
            MessageOf([&] { H::SelectElement(a, "namespace::p"); }));
}
