#include "common/HvClasses.h"

#include "common/HvxUtil.h"

#include <cstdlib>

TTabDelimitedText::TTabDelimitedText() : FFields(std::make_unique<TStringList>()) {}

namespace {
// A control character (below 32) is always a single byte: trail bytes start at 0x40.
bool IsControl(char c) { return static_cast<unsigned char>(c) < 32; }
}  // namespace

void TTabDelimitedText::SetLine(const AnsiString& line) {
  FFields->Clear();
  // The line's own end (CR LF, or any other closing control characters but TAB) is no
  // separator of fields.
  size_t len = line.size();
  while (len > 0 && IsControl(line[len - 1]) && line[len - 1] != '\t') --len;
  std::string_view s(line.data(), len);
  size_t pos = 0;
  while (pos < len) {
    size_t start = pos;
    while (pos < len && !IsControl(s[pos])) pos = NextCharIndex(s, pos);
    AnsiString field;
    if (pos > start) Unescape(AnsiString(s.substr(start, pos - start)), field);
    FFields->Add(field);
    if (pos >= len) break;
    char sep = s[pos++];
    if (sep == '\t' && pos == len) FFields->Add(AnsiString());
  }
}

bool TTabDelimitedText::TryGet(int index, AnsiString& text) const {
  if (index < 0 || index >= FFields->Count()) return false;
  text = (*FFields)[index];
  return true;
}

AnsiString TTabDelimitedText::Get(int index, const AnsiString& def) const {
  AnsiString text;
  if (TryGet(index, text) && !text.empty()) return text;
  return def;
}

void TTabDelimitedText::Unescape(const AnsiString& text, AnsiString& result) {
  result.clear();
  size_t i = 0;
  const size_t len = text.size();
  while (i < len) {
    size_t next = NextCharIndex(text, i);
    char c = text[i];
    if (next == i + 1 && (c == '\0' || c == '\n' || c == '\r'))
      RaiseMsg("Unterminated string");
    if (next == i + 1 && c == '\\' && next < len && NextCharIndex(text, next) == next + 1) {
      char e = text[next];
      char out = 0;
      switch (e) {
        case 't': out = '\t'; break;
        case 'n': out = '\n'; break;
        case 'r': out = '\r'; break;
        case 'b': out = '\b'; break;
        case 'f': out = '\f'; break;
        case '\\': out = '\\'; break;
        case '"': out = '"'; break;
        default: break;
      }
      if (out) {
        result += out;
        i = next + 1;
        continue;
      }
      // Not an escape: the backslash stays and the next character is read as text.
    }
    result.append(text, i, next - i);
    i = next;
  }
}

bool TTabDelimitedText::IsDoubleByteCharPart(const AnsiString& text, int index) {
  if (index < 1 || index > static_cast<int>(text.size())) return false;
  size_t i = static_cast<size_t>(index - 1);
  if (IsTrailByteAt(text, i)) return true;
  return IsLeadByte(static_cast<unsigned char>(text[i])) && NextCharIndex(text, i) == i + 2;
}

AnsiString TBooleanObject::GetAsString() const { return Value ? "True" : "False"; }

void TBooleanObject::SetAsString(const AnsiString& text) {
  if (SameText(text, "True")) {
    Value = true;
    return;
  }
  if (SameText(text, "False")) {
    Value = false;
    return;
  }
  int64_t n = 0;
  if (TryStrToInt64(text, n)) {
    Value = n != 0;
    return;
  }
  // Decimal fractions count as numbers too ("0.0" is False).
  AnsiString t = Trim(text);
  char* end = nullptr;
  double d = t.empty() ? 0 : std::strtod(t.c_str(), &end);
  Value = !t.empty() && end && *end == '\0' && d != 0;
}

AnsiString TIntegerObject::GetAsString() const { return IntToStr(Value); }

void TIntegerObject::SetAsString(const AnsiString& text) { Value = StrToIntDef(text, 0); }
