#include "common/HvxUtil.h"

#include "common/HvTLIntf.h"

#include <objbase.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>

ECorvaneException::ECorvaneException(const AnsiString& message)
    : EROException(message), FErrMsg(message) {
  if (THvTraceLens* trace = HvTraceLens()) trace->SendNote("Error " + message);
}

void RaiseFmt(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (n < 0) {
    va_end(args);
    throw EConvertError(Format("Format '%s' invalid or incompatible with argument", format));
  }
  std::string text(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, args);
  va_end(args);
  text.resize(static_cast<size_t>(n));
  throw ECorvaneException(text);
}

void RaiseMsg(const AnsiString& text) { throw ECorvaneException(text); }

AnsiString GetExt(const AnsiString& fileName, bool withoutDot) {
  AnsiString ext = ExtractFileExt(fileName);
  if (withoutDot && !ext.empty()) ext.erase(0, 1);
  return ext;
}

AnsiString BoolToYesNo(bool flag) { return flag ? "yes" : "no"; }

bool YesNoToBool(const AnsiString& text) {
  AnsiString lower = AnsiLowerCase(text);
  if (lower == "yes") return true;
  if (lower == "no") return false;
  RaiseMsg("value is not 'yes' or 'no'  at CorvaneUtil");
}

AnsiString DateToDMY(TDateTime value) {
  if (value == 0) return AnsiString();
  return FormatDateTime("dd/mm/yyyy", value);
}

AnsiString SlashToBackslash(const AnsiString& text) {
  // '/' is never the second byte of a double-byte character, so a byte replace is safe.
  AnsiString r = text;
  for (char& c : r)
    if (c == '/') c = '\\';
  return r;
}

AnsiString NewGuidString() {
  GUID g;
  wchar_t text[40] = {};
  if (FAILED(CoCreateGuid(&g)) || StringFromGUID2(g, text, 40) != 39) return AnsiString();
  return WideToAnsi(text);
}

void ScanQuotedLine(const AnsiString& line, int& state, int& quoteCount, int& firstOpen,
                    int& firstClose, int& secondOpen, int& secondClose, AnsiString& text) {
  text.clear();
  char closingQuote = '\0';
  int commentStart = 0;
  const size_t len = line.size();
  // The character before the current one when that was a single byte; NUL after a
  // double-byte character, whose second byte (0x5C, '*') is no escape and no comment end.
  // Kept as the walk goes: asking from the start of the line at every quote would make a
  // long line quadratic.
  char before = '\0';
  size_t idx = 0;
  while (idx < len) {
    size_t next = NextCharIndex(line, idx);
    const int i = static_cast<int>(idx) + 1;
    const bool single = next == idx + 1;
    const char c = line[idx];
    bool hasPending = false;
    int pending = sqOutside;
    if (single && state == sqOutside) {
      if (c == '\'' || c == '"') {
        state = sqInQuote;
        closingQuote = c;
        ++quoteCount;
        if (quoteCount == 1) firstOpen = i;
        else if (quoteCount == 2) secondOpen = i;
      }
      if (c == '/' && idx + 1 < len) {
        if (line[idx + 1] == '*') {
          state = sqInBlockComment;
          commentStart = i;
        } else if (line[idx + 1] == '/') {
          state = sqLineComment;
          return;
        }
      }
      if (c == '#') {
        state = sqHashComment;
        return;
      }
    } else if (single && state == sqInQuote) {
      if (c == closingQuote && i > 1 && before != '\\') {
        hasPending = true;
        if (quoteCount == 1) firstClose = i;
        else if (quoteCount == 2) secondClose = i;
      }
    } else if (single && state == sqInBlockComment) {
      if (c == '/' && i > 1 && before == '*') {
        // "/*/" does not close: its '*' belongs to the opening pair.
        bool opening = i > 2 && commentStart == i - 2 && line[idx - 2] == '/';
        if (!opening) hasPending = true;
      }
    }
    if (state == sqInQuote || (state == sqOutside && !(single && static_cast<unsigned char>(c) <= ' ')))
      text.append(line, idx, next - idx);
    if (hasPending) state = pending;
    before = single ? c : '\0';
    idx = next;
  }
}

void SetCommaList(TStringList& list, const AnsiString& text, bool removeDoubleQuotes,
                  bool dropEmpty) {
  AnsiString s = text;
  // Neither '"' nor ',' can be the second byte of a double-byte character.
  if (removeDoubleQuotes) s.erase(std::remove(s.begin(), s.end(), '"'), s.end());
  for (char& c : s)
    if (c == ',') c = '\n';
  list.Clear();
  list.SetText(s);
  for (int i = list.Count() - 1; i >= 0; --i) {
    AnsiString item = Trim(list[i]);
    if (dropEmpty && item.empty())
      list.Delete(i);
    else
      list.Put(i, item);
  }
}

namespace {
const std::type_info* const kFamily[] = {
    &typeid(ECorvaneException),       &typeid(ECorvaneUserException),
    &typeid(ECorvaneSilentException), &typeid(ECorvaneEnvException),
    &typeid(ECvFileListSizeTooLarge), &typeid(ECvFileListCountTooMuch),
};
}  // namespace

void InitializeHvxUtil() {
  for (TExceptionClass cls : kFamily) RegisterExceptionClass(cls);
}

void FinalizeHvxUtil() {
  for (TExceptionClass cls : kFamily) UnregisterExceptionClass(cls);
}
