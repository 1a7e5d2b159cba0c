#include "common/CorvaneXmlHelper.h"

#include "common/HvxUtil.h"
#include "platform/rtl/SysExceptions.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>

#include <cctype>
#include <cstdarg>
#include <cstring>
#include <string_view>

namespace {

// --- Text at the boundary: ANSI on our side, UTF-8 in libxml2 ---

std::string ToUtf8(const AnsiString& s) { return WideToUtf8(AnsiToWide(s)); }

AnsiString FromUtf8(const xmlChar* s) {
  if (!s) return AnsiString();
  return WideToAnsi(Utf8ToWide(reinterpret_cast<const char*>(s)));
}

const xmlChar* X(const std::string& utf8) { return reinterpret_cast<const xmlChar*>(utf8.c_str()); }

// libxml2 hands out strings that the caller frees.
struct TXmlString {
  explicit TXmlString(xmlChar* s) : Value(s) {}
  ~TXmlString() { xmlFree(Value); }
  TXmlString(const TXmlString&) = delete;
  TXmlString& operator=(const TXmlString&) = delete;
  xmlChar* Value;
};

// --- Error reporting of libxml2 ---

// Installs a structured error handler for the current thread and puts the previous one back
// on every path (libxml2 keeps the handler per thread).
class TErrorHandlerSwap {
public:
  TErrorHandlerSwap(void* context, xmlStructuredErrorFunc handler)
      : FOldHandler(xmlStructuredError), FOldContext(xmlStructuredErrorContext) {
    xmlSetStructuredErrorFunc(context, handler);
  }
  ~TErrorHandlerSwap() { xmlSetStructuredErrorFunc(FOldContext, FOldHandler); }
  TErrorHandlerSwap(const TErrorHandlerSwap&) = delete;
  TErrorHandlerSwap& operator=(const TErrorHandlerSwap&) = delete;

private:
  xmlStructuredErrorFunc FOldHandler;
  void* FOldContext;
};

void DiscardXmlError(void*, xmlError*) {}

// --- Output in the ANSI code page ---

// libxml2's output converter: UTF-8 in, ANSI (code page 932) out through the same table
// that AnsiToWide reads with, so every character written reads back as itself. Follows
// libxml2's converter contract: *inlen and *outlen say what was consumed and written; a
// character cut off at the end of the input waits for the next call; -2 names a character
// without a form in the code page (libxml2 then writes a character reference where the
// markup allows one).
int Utf8ToAnsiCodePage(unsigned char* out, int* outlen, const unsigned char* in, int* inlen) {
  if (!out || !outlen || !inlen) return -1;
  if (!in) {  // the call that starts the output
    *outlen = 0;
    *inlen = 0;
    return 0;
  }
  const unsigned char* const inStart = in;
  const unsigned char* const inEnd = in + *inlen;
  unsigned char* const outStart = out;
  unsigned char* const outEnd = out + *outlen;
  auto finish = [&](int result) {
    *outlen = static_cast<int>(out - outStart);
    *inlen = static_cast<int>(in - inStart);
    return result;
  };
  while (in < inEnd) {
    const unsigned char b = *in;
    if (b < 0x80) {
      if (out >= outEnd) break;
      *out++ = b;
      ++in;
      continue;
    }
    const int length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    if (length == 1) return finish(-2);  // libxml2 never hands over a stray continuation byte
    if (inEnd - in < length) break;
    AnsiString ansi;
    if (!WideToAnsiExact(Utf8ToWide(std::string_view(reinterpret_cast<const char*>(in), length)),
                         ansi))
      return finish(-2);
    if (outEnd - out < static_cast<ptrdiff_t>(ansi.size())) break;
    for (char c : ansi) *out++ = static_cast<unsigned char>(c);
    in += length;
  }
  return finish(static_cast<int>(out - outStart));
}

// --- Namespace declarations on output ---

// The length of the character or entity reference at the start of text ("&#38;", "&#x26;",
// "&name;"), or 0.
size_t ReferenceLength(std::string_view text) {
  if (text.size() < 3 || text[0] != '&') return 0;
  size_t i = 1;
  auto isName = [](unsigned char c) {
    return c >= 0x80 || std::isalnum(c) || c == '_' || c == ':' || c == '.' || c == '-';
  };
  if (text[1] == '#') {
    const bool hex = text[2] == 'x';
    i = hex ? 3 : 2;
    const size_t digits = i;
    while (i < text.size() && (hex ? std::isxdigit(static_cast<unsigned char>(text[i]))
                                   : std::isdigit(static_cast<unsigned char>(text[i]))))
      ++i;
    if (i == digits) return 0;
  } else {
    while (i < text.size() && isName(static_cast<unsigned char>(text[i]))) ++i;
    if (i == 1) return 0;
  }
  return i < text.size() && text[i] == ';' ? i + 1 : 0;
}

// A namespace URI as libxml2 keeps it, escaped as an attribute value is written: "<", ">"
// and the double quotation mark as entity references, TAB, LF and CR as character
// references (a parser reads them back as blanks otherwise). libxml2 keeps every "&" of a
// URI it parsed as a reference ("&#38;" or the entity's "&name;"), so a reference stays as
// it stands; any other "&" becomes "&amp;".
std::string EscapeNamespaceUri(std::string_view uri) {
  std::string r;
  for (size_t i = 0; i < uri.size(); ++i) {
    switch (uri[i]) {
      case '<': r += "&lt;"; break;
      case '>': r += "&gt;"; break;
      case '"': r += "&quot;"; break;
      case '\t': r += "&#9;"; break;
      case '\n': r += "&#10;"; break;
      case '\r': r += "&#13;"; break;
      case '&': {
        const size_t n = ReferenceLength(uri.substr(i));
        if (n == 0) {
          r += "&amp;";
        } else {
          r.append(uri.substr(i, n));
          i += n - 1;
        }
        break;
      }
      default: r += uri[i];
    }
  }
  return r;
}

// libxml2 escapes attribute values when it writes them, but writes the URI of a namespace
// declaration between quotes as it stands: a URI holding "<" or "&" would be saved as text
// that does not load. For one serialisation, every declaration written from the node
// (its own and those of the elements below it) holds its URI escaped as an attribute value;
// the destructor gives the tree its own URIs back.
class TEscapedNamespaceUris {
public:
  explicit TEscapedNamespaceUris(xmlNode* top) {
    if (!top) return;
    if (top->type == XML_NAMESPACE_DECL) {
      Escape(reinterpret_cast<xmlNs*>(top));
    } else {
      // Elements in document order, without recursion (a built tree may be deep); the
      // declarations of entities and the DTD are not written with the node.
      for (xmlNode* n = top; n;) {
        if (n->type == XML_ELEMENT_NODE)
          for (xmlNs* ns = n->nsDef; ns; ns = ns->next) Escape(ns);
        const bool descend = n->type == XML_ELEMENT_NODE || n->type == XML_DOCUMENT_NODE ||
                             n->type == XML_DOCUMENT_FRAG_NODE;
        if (descend && n->children) {
          n = n->children;
          continue;
        }
        while (n != top && !n->next) n = n->parent;
        n = n == top ? nullptr : n->next;
      }
    }
    for (TSwap& s : FSwaps) s.Ns->href = reinterpret_cast<const xmlChar*>(s.Escaped.c_str());
  }
  ~TEscapedNamespaceUris() {
    for (TSwap& s : FSwaps) s.Ns->href = s.Original;
  }
  TEscapedNamespaceUris(const TEscapedNamespaceUris&) = delete;
  TEscapedNamespaceUris& operator=(const TEscapedNamespaceUris&) = delete;

private:
  struct TSwap {
    xmlNs* Ns;
    const xmlChar* Original;
    std::string Escaped;
  };
  void Escape(xmlNs* ns) {
    if (!ns->href) return;
    std::string escaped = EscapeNamespaceUri(reinterpret_cast<const char*>(ns->href));
    if (escaped != reinterpret_cast<const char*>(ns->href))
      FSwaps.push_back({ns, ns->href, std::move(escaped)});
  }
  std::vector<TSwap> FSwaps;
};

// Selection failures are the application's errors: they carry the XPath after a CR.
[[noreturn]] void RaiseSelectError(const char* sentence, const AnsiString& xpath) {
  RaiseFmt("%s\r%s", sentence, xpath.c_str());
}

const char* const InvalidXPath = "XPathが不正のようです";
const char* const TooManyMatches = "XPath検索で2件以上マッチ。こりゃいかん！";
const char* const NoMatch = "XPath検索で要素が見つかりません";
const char* const WrongNodeType = "XPath検索結果の型が不正です";

struct TParserContextDeleter {
  void operator()(xmlParserCtxt* c) const { xmlFreeParserCtxt(c); }
};
struct TXPathContextDeleter {
  void operator()(xmlXPathContext* c) const { xmlXPathFreeContext(c); }
};
struct TXPathObjectDeleter {
  void operator()(xmlXPathObject* o) const { xmlXPathFreeObject(o); }
};

// The node of the document that a result node stands for. The namespace axis yields copies
// of the declarations in scope, each pointing at its element, that are freed with the
// result: the declaration in scope there is the document's own, which lives as long as the
// document ("xml" is declared by the document itself).
xmlNode* DocumentNode(xmlDoc* doc, xmlNode* node) {
  if (!node || node->type != XML_NAMESPACE_DECL) return node;
  auto* copy = reinterpret_cast<xmlNs*>(node);
  auto* element = reinterpret_cast<xmlNode*>(copy->next);
  if (!element || element->type != XML_ELEMENT_NODE) return node;  // not a copy
  return reinterpret_cast<xmlNode*>(xmlSearchNs(doc, element, copy->prefix));
}

// The nodes the expression selects from the context node; raises the "invalid" message
// when it does not evaluate to a node set.
std::vector<xmlNode*> EvaluateNodeSet(xmlNode* context, const AnsiString& xpath) {
  if (!context || !context->doc) RaiseSelectError(InvalidXPath, xpath);
  std::unique_ptr<xmlXPathContext, TXPathContextDeleter> ctx(xmlXPathNewContext(context->doc));
  if (!ctx) RaiseSelectError(InvalidXPath, xpath);
  ctx->node = context;
  // Compilation errors are reported by the exception below, not on the console.
  ctx->error = &DiscardXmlError;
  std::string utf8 = ToUtf8(xpath);
  std::unique_ptr<xmlXPathObject, TXPathObjectDeleter> result;
  {
    TErrorHandlerSwap swap(nullptr, &DiscardXmlError);
    result.reset(xmlXPathEvalExpression(X(utf8), ctx.get()));
  }
  if (!result || result->type != XPATH_NODESET) RaiseSelectError(InvalidXPath, xpath);
  std::vector<xmlNode*> nodes;
  if (xmlNodeSet* set = result->nodesetval) {
    nodes.reserve(set->nodeNr);
    for (int i = 0; i < set->nodeNr; ++i) {
      if (xmlNode* node = DocumentNode(context->doc, set->nodeTab[i])) nodes.push_back(node);
    }
  }
  return nodes;
}

}  // namespace

// --- Load and save ---

void TCorvaneXmlHelper::StructuredError(void* helper, xmlError* error) {
  if (!helper || !error) return;
  auto* self = static_cast<TCorvaneXmlHelper*>(helper);
  if (self->FStopped) return;
  // An entity's replacement text is parsed, at its first reference, by a parser of its own
  // that reads that text alone from its line 1. An error there is placed where the
  // document's parser stands: just after the reference, a place in the text shown.
  xmlParserCtxt* source = nullptr;
  if (error->domain == XML_FROM_PARSER || error->domain == XML_FROM_NAMESPACE)
    source = static_cast<xmlParserCtxt*>(error->ctxt);
  const bool inEntity = source && self->FParser && source != self->FParser;
  if (inEntity && self->FParser->input) {
    self->FErrorLine = self->FParser->input->line;
    self->FErrorColumn = self->FParser->input->col;
  } else {
    self->FErrorLine = error->line;
    self->FErrorColumn = error->int2;  // libxml2 reports the column of parser errors here
  }
  // The first error that refuses the document is the one reported. libxml2 would go on
  // looking for more, and some errors copy everything read so far (a comment full of "--"
  // gives one per pair): stopping here keeps a malformed document's refusal linear.
  // Inside an entity both parsers stop: the entity's, which would go on alone, and the
  // document's, which would otherwise end quietly at the reference with a cut-off tree
  // (LoadXml refuses it). Warnings and errors that leave the document loadable do not stop.
  if (error->level == XML_ERR_FATAL) {
    self->FStopped = true;
    if (inEntity) xmlStopParser(source);
    if (self->FParser) xmlStopParser(self->FParser);
  }
}

TXmlDocument TCorvaneXmlHelper::LoadXml(const AnsiString& text) {
  TCorvaneXmlHelper helper;
  // The text is already decoded in the ANSI code page, so an encoding declaration inside
  // it no longer describes its bytes: hand libxml2 UTF-8 and say so.
  std::string utf8 = ToUtf8(text);
  std::unique_ptr<xmlParserCtxt, TParserContextDeleter> parser(xmlNewParserCtxt());
  if (!parser) throw Exception("XML: out of memory");
  helper.FParser = parser.get();
  TXmlDocument doc;
  {
    TErrorHandlerSwap swap(&helper, &StructuredError);
    // No network access and no external entities: the text alone is the document.
    doc.reset(xmlCtxtReadMemory(parser.get(), utf8.data(), static_cast<int>(utf8.size()), nullptr,
                                "UTF-8", XML_PARSE_NONET));
  }
  // A parser stopped at its first error may still hand back the tree read until then.
  if (!doc || helper.FStopped)
    throw Exception(Format("XML読込エラー[%d行%d文字目]\r\n\r\n%s", helper.FErrorLine,
                           helper.FErrorColumn, text.c_str()));
  return doc;
}

void TCorvaneXmlHelper::SaveXml(xmlNode* node, AnsiString& text) {
  text.clear();
  if (!node) return;
  xmlBuffer* buffer = xmlBufferCreate();
  if (!buffer) throw Exception("XML: out of memory");
  {
    TErrorHandlerSwap swap(nullptr, &DiscardXmlError);
    // The text is declared "Shift_JIS" but written in code page 932, the system's own, as
    // the text it loads from: strict Shift_JIS lacks the code page's extensions, and one
    // of those in a name would come out as a character reference, which no name may hold.
    // The converter belongs to this call; closing the output leaves it alone.
    char name[] = "Shift_JIS";
    xmlCharEncodingHandler ansi{};
    ansi.name = name;
    ansi.output = &Utf8ToAnsiCodePage;
    if (xmlOutputBuffer* out = xmlOutputBufferCreateBuffer(buffer, &ansi)) {
      TEscapedNamespaceUris escaped(node);
      xmlNodeDumpOutput(out, node->doc, node, 0, 0, name);
      xmlOutputBufferClose(out);
    }
  }
  // The buffer holds code page 932 bytes already: the ANSI text as it stands.
  text.assign(reinterpret_cast<const char*>(xmlBufferContent(buffer)), xmlBufferLength(buffer));
  xmlBufferFree(buffer);
}

void TCorvaneXmlHelper::SaveXml(xmlDoc* doc, AnsiString& text) {
  SaveXml(reinterpret_cast<xmlNode*>(doc), text);
}

void TCorvaneXmlHelper::ResolveEntity(const xmlNode* entityReference, AnsiString& text) {
  if (!entityReference || !entityReference->name) return;
  const char* name = reinterpret_cast<const char*>(entityReference->name);
  struct Entity { const char* name; const char* text; };
  static const Entity entities[] = {
      {"gt", ">"}, {"lt", "<"}, {"amp", "&"}, {"apos", "'"}, {"quot", "\""}};
  for (const Entity& e : entities)
    if (std::strcmp(name, e.name) == 0) {
      text = e.text;
      return;
    }
}

// --- Selection ---

xmlNode* TCorvaneXmlHelper::SelectSingleNode(xmlNode* context, const AnsiString& xpath,
                                             bool optional) {
  std::vector<xmlNode*> nodes = EvaluateNodeSet(context, xpath);
  if (nodes.size() > 1) RaiseSelectError(TooManyMatches, xpath);
  if (nodes.size() == 1) return nodes[0];
  if (!optional) RaiseSelectError(NoMatch, xpath);
  return nullptr;
}

std::vector<xmlNode*> TCorvaneXmlHelper::SelectNodes(xmlNode* context, const AnsiString& xpath) {
  return EvaluateNodeSet(context, xpath);
}

xmlNode* TCorvaneXmlHelper::SelectElement(xmlNode* context, const AnsiString& xpath,
                                          bool optional) {
  xmlNode* node = SelectSingleNode(context, xpath, optional);
  if (node && node->type != XML_ELEMENT_NODE) RaiseSelectError(WrongNodeType, xpath);
  return node;
}

// --- Element text and attributes ---

void TCorvaneXmlHelper::GetElementText(xmlNode* context, const AnsiString& xpath,
                                       const AnsiString& defaultText, AnsiString& text,
                                       bool optional) {
  xmlNode* element = SelectElement(context, xpath, optional);
  if (!element) {
    text = defaultText;
    return;
  }
  text.clear();
  for (xmlNode* child = element->children; child; child = child->next) {
    if (child->type == XML_TEXT_NODE) {
      text += FromUtf8(child->content);
    } else if (child->type == XML_ENTITY_REF_NODE) {
      AnsiString character;
      ResolveEntity(child, character);
      text += character;
    }
  }
}

void TCorvaneXmlHelper::GetAttribute(const xmlNode* element, const AnsiString& name,
                                     const AnsiString& defaultValue, AnsiString& value) {
  std::string utf8 = ToUtf8(name);
  if (!element || !xmlHasProp(element, X(utf8))) {
    value = defaultValue;
    return;
  }
  TXmlString raw(xmlGetProp(element, X(utf8)));
  value = FromUtf8(raw.Value);
}

int TCorvaneXmlHelper::GetAttributeInt(const xmlNode* element, const AnsiString& name,
                                       int defaultValue) {
  AnsiString value;
  GetAttribute(element, name, IntToStr(defaultValue), value);
  return StrToIntDef(value, defaultValue);
}

bool TCorvaneXmlHelper::GetAttributeBool(const xmlNode* element, const AnsiString& name,
                                         bool defaultValue) {
  AnsiString value;
  GetAttribute(element, name, BoolToYesNo(defaultValue), value);
  return YesNoToBool(value);
}

void TCorvaneXmlHelper::SetAttribute(xmlNode* element, const AnsiString& name, int value) {
  SetAttribute(element, name, IntToStr(value));
}

void TCorvaneXmlHelper::SetAttribute(xmlNode* element, const AnsiString& name,
                                     const AnsiString& text) {
  // libxml2 keeps attribute values unescaped and escapes them when it writes: escaping
  // here as well would store "&amp;lt;" for "<".
  std::string utf8Name = ToUtf8(name);
  std::string utf8Text = ToUtf8(text);
  xmlSetProp(element, X(utf8Name), X(utf8Text));
}

void TCorvaneXmlHelper::SetAttributeBool(xmlNode* element, const AnsiString& name, bool flag) {
  SetAttribute(element, name, BoolToYesNo(flag));
}

void TCorvaneXmlHelper::SetElementText(xmlNode* element, const AnsiString& text) {
  std::string utf8 = ToUtf8(text);
  // The first text child directly: selecting "text()" would refuse an element whose text
  // is split by an entity reference into two text children.
  for (xmlNode* child = element->children; child; child = child->next) {
    if (child->type == XML_TEXT_NODE) {
      xmlNodeSetContent(child, X(utf8));
      return;
    }
  }
  xmlAddChild(element, xmlNewDocText(element->doc, X(utf8)));
}

xmlNode* TCorvaneXmlHelper::AddChild(xmlNode* parent, const AnsiString& name) {
  std::string utf8 = ToUtf8(name);
  xmlNode* child = xmlNewDocNode(parent->doc, nullptr, X(utf8), nullptr);
  return xmlAddChild(parent, child);
}
