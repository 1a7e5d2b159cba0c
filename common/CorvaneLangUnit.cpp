#include "common/CorvaneLangUnit.h"

#include "common/CorvaneIniUnit.h"
#include "common/HvxUtil.h"
#include "common/Utf8tosjis.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Streams.h"

#include <array>

namespace {

std::unique_ptr<TCorvaneLang>& TheLang() {
  static std::unique_ptr<TCorvaneLang> lang;
  return lang;
}

// The language files are UTF-8, whose bytes 0x80 and above would be taken for code page
// 932 lead bytes by the line scanner: a lead byte swallows the byte after it, which can be
// the closing quote. So the scanner sees every such byte replaced by an ordinary
// single-byte character, which keeps every position and every state change; a second scan
// with a reversible replacement gives back the original bytes of the scanned text.
struct TByteMasks {
  std::array<char, 128> Marker{};   // every byte to one marker
  std::array<char, 128> Coded{};    // every byte to its own code
  std::array<int, 256> Decode{};    // code back to byte
};

const TByteMasks& Masks() {
  static const TByteMasks masks = [] {
    TByteMasks m;
    // Half-width katakana 0xA0-0xDF are single-byte in code page 932; letters, digits and
    // two signs make up the other 64 codes. None of them means anything to the scanner.
    const char* ascii = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+-";
    for (int b = 0; b < 128; ++b) {
      m.Marker[b] = static_cast<char>(0xA1);
      char code = b < 64 ? static_cast<char>(0xA0 + b) : ascii[b - 64];
      m.Coded[b] = code;
      m.Decode[static_cast<unsigned char>(code)] = 0x80 + b;
    }
    return m;
  }();
  return masks;
}

AnsiString MaskHighBytes(const std::string& line, const std::array<char, 128>& table) {
  AnsiString masked = line;
  for (char& c : masked) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b >= 0x80) c = table[b - 0x80];
  }
  return masked;
}

// ScanQuotedLine over the bytes of a UTF-8 line, one byte at a time.
void ScanUtf8Line(const std::string& line, int& state, int& quoteCount, int& firstOpen,
                  int& firstClose, int& secondOpen, int& secondClose, AnsiString& text) {
  const TByteMasks& masks = Masks();
  bool hasHigh = false;
  for (char c : line) hasHigh |= static_cast<unsigned char>(c) >= 0x80;
  if (!hasHigh) {
    ScanQuotedLine(line, state, quoteCount, firstOpen, firstClose, secondOpen, secondClose, text);
    return;
  }
  // Both scans take the same path; the first one's results stand.
  int state2 = state, count2 = quoteCount, fo2 = firstOpen, fc2 = firstClose,
      so2 = secondOpen, sc2 = secondClose;
  AnsiString marked, coded;
  ScanQuotedLine(MaskHighBytes(line, masks.Marker), state, quoteCount, firstOpen, firstClose,
                 secondOpen, secondClose, marked);
  ScanQuotedLine(MaskHighBytes(line, masks.Coded), state2, count2, fo2, fc2, so2, sc2, coded);
  text.resize(marked.size());
  for (size_t i = 0; i < marked.size(); ++i) {
    // The original line has no byte 0xA1 left, so the marker shows a replaced byte.
    text[i] = marked[i] == static_cast<char>(0xA1)
                  ? static_cast<char>(masks.Decode[static_cast<unsigned char>(coded[i])])
                  : marked[i];
  }
}

// Byte-wise helpers for UTF-8 text: the code page 932 helpers would pair bytes.
std::string ReplaceBytes(const std::string& s, const std::string& from, const std::string& to) {
  std::string r;
  size_t i = 0;
  for (size_t found; (found = s.find(from, i)) != std::string::npos; i = found + from.size())
    r.append(s, i, found - i).append(to);
  return r.append(s, i, std::string::npos);
}

std::string LowerAsciiBytes(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The characters strictly between two quote positions (counted from 1); empty when the
// string was not closed.
std::string Between(const std::string& line, int open, int close) {
  if (open < 1 || close <= open + 1) return std::string();
  return line.substr(open, close - open - 1);
}

}  // namespace

// --- TCorvaneLangItem ---

TCorvaneLangItem::TCorvaneLangItem(const AnsiString& fileName) : FNoValue(NewGuidString()) {
  if (FileExists(fileName)) Load(ReadAllBytes(AnsiToWide(fileName)));
}

void TCorvaneLangItem::Load(const std::string& bytes) {
  int state = sqOutside;
  for (const AnsiString& rawLine : SplitLines(bytes)) {
    std::string line = Trim(rawLine);
    // A block comment goes on from the previous line; anything else starts afresh.
    if (state != sqInBlockComment) state = sqOutside;
    int quoteCount = 0, firstOpen = 0, firstClose = 0, secondOpen = 0, secondClose = 0;
    AnsiString text;
    ScanUtf8Line(line, state, quoteCount, firstOpen, firstClose, secondOpen, secondClose, text);
    FScannedText += text + "\r\n";

    if (quoteCount != 2 || firstClose <= firstOpen + 1) continue;
    AnsiString key = Between(line, firstOpen, firstClose);
    std::string value = Between(line, secondOpen, secondClose);
    if (value.empty()) {
      value = FNoValue;
    } else {
      // PHP's escaped quote is a plain quote in the text; quotes are then doubled.
      value = ReplaceBytes(value, "\\'", "'");
      value = ReplaceBytes(value, "'", "''");
      value = Utf8ToSjis(value);
    }
    FValues[LowerAsciiBytes(key)] = TEntry{key, value};
  }
}

void TCorvaneLangItem::Text(const AnsiString& key, AnsiString& text) const {
  auto it = FValues.find(LowerAsciiBytes(key));
  if (it == FValues.end())
    RaiseClassFmt<ECorvaneUserException>("指定されたキー \"%s\" は定義されていません",
                                         key.c_str());
  const TEntry& entry = it->second;
  if (entry.Key != key)
    RaiseClassFmt<ECorvaneUserException>(
        "指定されたキー \"%s\" の大文字小文字が間違っています。正しくは \"%s\" です", key.c_str(),
        entry.Key.c_str());
  text = entry.Value == FNoValue ? AnsiString() : entry.Value;
}

// --- TCorvaneLang ---

TCorvaneLang& TCorvaneLang::Instance() {
  if (!TheLang()) {
    TCorvaneIni& ini = TCorvaneIni::Instance();
    TheLang() = std::make_unique<TCorvaneLang>(ini.webdocroot(),
                                               [] { return TCorvaneIni::Instance().lang(); });
  }
  return *TheLang();
}

TCorvaneLang::TCorvaneLang(const AnsiString& webDocRoot,
                           std::function<AnsiString()> configuredLang)
    : FConfiguredLang(std::move(configuredLang)) {
  AnsiString folder = IncludeTrailingBackslash(webDocRoot) + "lib\\";
  if (FileExists(folder + "lang_en.php"))
    FItems["en"] = std::make_unique<TCorvaneLangItem>(folder + "lang_en.php");
  if (FileExists(folder + "lang.php"))
    FItems["ja"] = std::make_unique<TCorvaneLangItem>(folder + "lang.php");
}

void TCorvaneLang::GetLang(AnsiString& code) {
  if (FLang.empty()) {
    AnsiString configured = FConfiguredLang ? FConfiguredLang() : AnsiString();
    FLang = configured == "en" || configured == "ja" ? configured : AnsiString("ja");
  }
  code = FLang;
}

TCorvaneLangItem* TCorvaneLang::Item(const AnsiString& code) const {
  auto it = FItems.find(code);
  return it == FItems.end() ? nullptr : it->second.get();
}

TCorvaneLangItem* TCorvaneLang::CurrentItem() {
  AnsiString code;
  if (OnGetLang)
    OnGetLang(code);
  else
    GetLang(code);
  return Item(code);
}

void TCorvaneLang::Text(const AnsiString& key, AnsiString& text) {
  text.clear();
  if (TCorvaneLangItem* item = CurrentItem()) item->Text(key, text);
}

void FinalizeCorvaneLangUnit() { TheLang().reset(); }
