// A small XML toolkit over libxml2: load a document from text with a readable error, save
// a node as Shift_JIS text, pick nodes by XPath with strict "exactly one" rules, and read or
// write element text and attributes with typed conversions.
//
// Texts on this side are ANSI (code page 932); libxml2 keeps UTF-8, so every text crosses
// through UTF-16 at the boundary. Nodes are libxml2's own; a loaded document is owned by
// the TXmlDocument that LoadXml returns, and every node handed out belongs to it.
#pragma once

#include "platform/rtl/SysStrings.h"

#include <libxml/tree.h>

#include <memory>
#include <vector>

struct TXmlDocumentDeleter {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using TXmlDocument = std::unique_ptr<xmlDoc, TXmlDocumentDeleter>;

// Node kinds as the DOM numbers them (libxml2 uses the same numbers).
enum : int { xnElement = 1, xnText = 3, xnEntityReference = 5 };

// Collects the position of a parse error while one document is loaded; the other
// operations are plain routines grouped under its name.
class TCorvaneXmlHelper {
public:
  TCorvaneXmlHelper() = default;
  TCorvaneXmlHelper(const TCorvaneXmlHelper&) = delete;
  TCorvaneXmlHelper& operator=(const TCorvaneXmlHelper&) = delete;

  // Line and column of the last parse error reported to this helper (0 until one is).
  int ErrorLine() const { return FErrorLine; }
  int ErrorColumn() const { return FErrorColumn; }

  // Parses ANSI text into a new document. A parse error raises Exception with
  // "XML読込エラー[<line>行<column>文字目]" CR LF CR LF and the whole input; the position
  // is that of the first error that refuses the document, where parsing stops (for an
  // error inside an entity's replacement text, the place just after its reference).
  static TXmlDocument LoadXml(const AnsiString& text);
  // Serialises the node (a whole document with its declaration) as "Shift_JIS" text in
  // code page 932, so that whatever loaded saves and loads back; characters the code page
  // lacks become character references, and namespace URIs are escaped as attribute values.
  static void SaveXml(xmlNode* node, AnsiString& text);
  static void SaveXml(xmlDoc* doc, AnsiString& text);
  // The character a predefined entity reference stands for; any other name leaves the
  // text unchanged.
  static void ResolveEntity(const xmlNode* entityReference, AnsiString& text);

  // Selection. Failures raise ECorvaneException: an expression that does not evaluate to a
  // node set, more than one match, no match unless optional.
  static xmlNode* SelectSingleNode(xmlNode* context, const AnsiString& xpath,
                                   bool optional = false);
  static std::vector<xmlNode*> SelectNodes(xmlNode* context, const AnsiString& xpath);
  // SelectSingleNode, and the node found must be an element.
  static xmlNode* SelectElement(xmlNode* context, const AnsiString& xpath, bool optional = false);

  // The text of the element that SelectElement finds: its text children and predefined
  // entity references in child order. The default when no element is found (optional).
  static void GetElementText(xmlNode* context, const AnsiString& xpath,
                             const AnsiString& defaultText, AnsiString& text,
                             bool optional = false);

  static void GetAttribute(const xmlNode* element, const AnsiString& name,
                           const AnsiString& defaultValue, AnsiString& value);
  // The default when missing or not an integer.
  static int GetAttributeInt(const xmlNode* element, const AnsiString& name, int defaultValue);
  // Through YesNoToBool, so a value other than yes or no raises; the default when missing.
  static bool GetAttributeBool(const xmlNode* element, const AnsiString& name,
                               bool defaultValue);

  static void SetAttribute(xmlNode* element, const AnsiString& name, int value);
  // Stores the text as it is; serialising escapes it once.
  static void SetAttribute(xmlNode* element, const AnsiString& name, const AnsiString& text);
  static void SetAttributeBool(xmlNode* element, const AnsiString& name, bool flag);
  // Replaces the data of the element's first text child, or appends a new text node.
  static void SetElementText(xmlNode* element, const AnsiString& text);
  // A new element of that name appended to the parent.
  static xmlNode* AddChild(xmlNode* parent, const AnsiString& name);

private:
  static void StructuredError(void* helper, xmlError* error);

  int FErrorLine = 0;
  int FErrorColumn = 0;
  xmlParserCtxt* FParser = nullptr;  // the document's parser, stopped at its first fatal error
  bool FStopped = false;             // a fatal error was reported: the document is refused
};
