#include "common/Utf8tosjis.h"

WideString Utf8DecodeUnits(const std::string& text) {
  // Four zero bytes after the input: a sequence cut short reads zeros, and the walk
  // always meets a zero byte.
  std::string in = text;
  in.append(4, '\0');
  WideString units;
  units.reserve(text.size());
  size_t i = 0;
  for (;;) {
    const auto b0 = static_cast<unsigned char>(in[i]);
    if (b0 == 0) break;
    const auto b1 = static_cast<unsigned char>(in[i + 1]);
    const auto b2 = static_cast<unsigned char>(in[i + 2]);
    const auto b3 = static_cast<unsigned char>(in[i + 3]);
    if (b0 <= 0x7F) {
      units += static_cast<wchar_t>(b0);
      i += 1;
    } else if (b0 >= 0xC0 && b0 <= 0xDF) {
      units += static_cast<wchar_t>(((b0 & 0x1F) << 6) | (b1 & 0x3F));
      i += 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      units += static_cast<wchar_t>(((b0 & 0x0F) << 12) | ((b1 & 0x3F) << 6) | (b2 & 0x3F));
      i += 3;
    } else if (b0 >= 0xF0 && b0 <= 0xF7) {
      // Outside the 16-bit range: no such character exists in code page 932, so the
      // sequence becomes its surrogate pair, which the conversion maps to the default
      // character. Continuation bytes are not checked (only their low six bits count).
      uint32_t cp = ((b0 & 0x07u) << 18) | ((b1 & 0x3Fu) << 12) | ((b2 & 0x3Fu) << 6) |
                    (b3 & 0x3Fu);
      if (cp < 0x10000) cp = 0x10000;  // an overlong form still stands for one character
      if (cp > 0x10FFFF) cp = 0x10FFFF;
      cp -= 0x10000;
      units += static_cast<wchar_t>(0xD800 + (cp >> 10));
      units += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
      i += 4;
    } else {
      throw EUtf8TSjisException("UTF-8 Unknown code.");
    }
    // Cut-short sequences can step past the input's own end into the padding; the walk
    // must still end at the padding's zeros.
    if (i >= text.size()) break;
  }
  // A zero unit (for example from C0 80) ends the text there.
  size_t nul = units.find(L'\0');
  if (nul != WideString::npos) units.resize(nul);
  return units;
}

AnsiString Utf8ToSjis(const std::string& text) { return WideToAnsi(Utf8DecodeUnits(text)); }
