#include "platform/rtl/FloatFormat.h"

#include "platform/rtl/SysExceptions.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kMaxPrecision = 18;  // what a 64-bit mantissa holds

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// printf for long double: the C runtime's own printf knows no 80-bit long double, the
// MinGW one does.
std::string PrintLong(const char* fmt, int prec, long double v) {
  int n = __mingw_snprintf(nullptr, 0, fmt, prec, v);
  std::string s(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
  __mingw_snprintf(s.data(), s.size(), fmt, prec, v);
  s.resize(static_cast<size_t>(n > 0 ? n : 0));
  return s;
}

// |value| as 0.D1D2...Dn x 10^Exponent. Zero gives all-zero digits and exponent 0.
struct TDecimal {
  std::string Digits;
  int Exponent = 0;
  bool IsZero() const { return Digits.find_first_not_of('0') == std::string::npos; }
};

// Adds one to a string of decimal digits; true when it overflowed ("999" -> "000").
bool IncrementDigits(std::string& digits) {
  for (size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return false;
    }
    digits[i] = '0';
  }
  return true;
}

// The value's 18 significant digits, correctly rounded from the binary value. As on the
// platform, every later rounding works on these digits, half away from zero, so 1234.5
// shows as 1235 and 0.125 with two decimals as 0.13.
TDecimal Digits18(long double value) {
  TDecimal d;
  std::string s = PrintLong("%.*Le", kMaxPrecision - 1, std::fabs(value));  // d.ddde+XX
  size_t e = s.find_first_of("eE");
  for (size_t i = 0; i < e; ++i)
    if (s[i] >= '0' && s[i] <= '9') d.Digits += s[i];
  d.Exponent = d.IsZero() ? 0 : std::atoi(s.c_str() + e + 1) + 1;
  return d;
}

// Rounded to precision significant digits (exactly that many).
TDecimal Decompose(long double value, int precision) {
  TDecimal d = Digits18(value);
  if (d.IsZero()) return TDecimal{std::string(static_cast<size_t>(precision), '0'), 0};
  if (static_cast<size_t>(precision) >= d.Digits.size()) {
    d.Digits.resize(static_cast<size_t>(precision), '0');
    return d;
  }
  bool up = d.Digits[static_cast<size_t>(precision)] >= '5';
  d.Digits.resize(static_cast<size_t>(precision));
  if (up && IncrementDigits(d.Digits)) {
    d.Digits = "1" + std::string(static_cast<size_t>(precision - 1), '0');
    ++d.Exponent;
  }
  return d;
}

// |value| rounded to decimals places: the integer digits (at least "0") and exactly
// decimals fraction digits.
void FixedDigits(long double value, int decimals, std::string& ip, std::string& fp) {
  TDecimal d = Digits18(value);
  if (d.IsZero()) {
    ip = "0";
    fp.assign(static_cast<size_t>(decimals), '0');
    return;
  }
  std::string mant;
  size_t ilen;
  if (d.Exponent <= 0) {
    ilen = 1;
    mant = "0" + std::string(static_cast<size_t>(-d.Exponent), '0') + d.Digits;
  } else {
    ilen = static_cast<size_t>(d.Exponent);
    mant = d.Digits;
  }
  size_t need = ilen + static_cast<size_t>(decimals) + 1;
  if (mant.size() < need) mant.resize(need, '0');
  bool up = mant[need - 1] >= '5';
  mant.resize(need - 1);
  if (up && IncrementDigits(mant)) {
    mant.insert(mant.begin(), '1');
    ++ilen;
  }
  ip = mant.substr(0, ilen);
  size_t nz = ip.find_first_not_of('0');
  ip = nz == std::string::npos ? "0" : ip.substr(nz);
  fp = mant.substr(ilen);
}

void TrimTrailingZeros(std::string& s, size_t keep = 0) {
  while (s.size() > keep && s.back() == '0') s.pop_back();
}

AnsiString PadLeft(AnsiString s, size_t width) {
  if (s.size() < width) s.insert(0, width - s.size(), '0');
  return s;
}

AnsiString Special(long double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

// Integer digits with the thousand separator between groups of three.
AnsiString GroupThousands(const AnsiString& digits, char sep) {
  AnsiString out;
  for (size_t i = 0; i < digits.size(); ++i) {
    out += digits[i];
    size_t left = digits.size() - i - 1;
    if (left > 0 && left % 3 == 0) out += sep;
  }
  return out;
}

AnsiString GeneralScientific(const TDecimal& dec, bool negative, int digits, const TFormatSettings& fs) {
  std::string m = dec.Digits;
  TrimTrailingZeros(m, 1);
  AnsiString out = negative ? "-" : "";
  out += m[0];
  if (m.size() > 1) {
    out += fs.DecimalSeparator;
    out.append(m, 1, std::string::npos);
  }
  int x = dec.Exponent - 1;
  out += 'E';
  if (x < 0) out += '-';
  out += PadLeft(IntToStr(x < 0 ? -x : x), static_cast<size_t>(digits));
  return out;
}

AnsiString General(long double value, int precision, int digits, const TFormatSettings& fs) {
  TDecimal dec = Decompose(value, precision);
  if (dec.IsZero()) return "0";
  bool neg = value < 0;
  digits = Clamp(digits, 0, 4);
  if (dec.Exponent > precision || dec.Exponent < -3) return GeneralScientific(dec, neg, digits, fs);
  std::string m = dec.Digits;
  TrimTrailingZeros(m);
  AnsiString out = neg ? "-" : "";
  if (dec.Exponent <= 0) {
    out += '0';
    out += fs.DecimalSeparator;
    out.append(static_cast<size_t>(-dec.Exponent), '0');
    out += m;
    return out;
  }
  size_t ip = static_cast<size_t>(dec.Exponent);
  if (m.size() <= ip) return out + m + std::string(ip - m.size(), '0');
  return out + m.substr(0, ip) + fs.DecimalSeparator + m.substr(ip);
}

AnsiString Exponent(long double value, int precision, int digits, const TFormatSettings& fs) {
  TDecimal dec = Decompose(value, precision);
  bool neg = value < 0 && !dec.IsZero();
  int x = dec.IsZero() ? 0 : dec.Exponent - 1;
  AnsiString out = neg ? "-" : "";
  out += dec.Digits[0];
  if (dec.Digits.size() > 1) out += fs.DecimalSeparator + dec.Digits.substr(1);
  out += x < 0 ? "E-" : "E+";
  out += PadLeft(IntToStr(x < 0 ? -x : x), static_cast<size_t>(Clamp(digits, 0, 4)));
  return out;
}

AnsiString Fixed(long double value, int precision, int digits, bool thousands, const TFormatSettings& fs) {
  TDecimal dec = Decompose(value, precision);
  if (dec.Exponent > precision) return General(value, precision, 0, fs);
  digits = Clamp(digits, 0, kMaxPrecision);
  std::string ip, fp;
  FixedDigits(value, digits, ip, fp);
  bool zero = (ip + fp).find_first_not_of('0') == std::string::npos;
  AnsiString out = value < 0 && !zero ? "-" : "";
  out += thousands ? GroupThousands(ip, fs.ThousandSeparator) : ip;
  if (!fp.empty()) out += fs.DecimalSeparator + fp;
  return out;
}

// --- Format patterns ------------------------------------------------------------------

std::vector<AnsiString> SplitSections(const AnsiString& pattern) {
  std::vector<AnsiString> sections(1);
  char quote = 0;
  for (size_t i = 0; i < pattern.size();) {
    size_t next = NextCharIndex(pattern, i);
    char c = pattern[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      if (sections.size() == 3) break;  // a fourth section is ignored
      sections.emplace_back();
      i = next;
      continue;
    }
    sections.back().append(pattern, i, next - i);
    i = next;
  }
  return sections;
}

struct TSectionInfo {
  int IntPlaceholders = 0;
  int FirstIntZero = -1;   // index among the integer placeholders
  int FracPlaceholders = 0;
  int LastFracZero = 0;    // count of fraction places up to the last "0"
  bool Thousands = false;
  bool Scientific = false;
};

// True when the exponent marker E+/E-/e+/e- starts at i.
bool IsExponentAt(const AnsiString& s, size_t i) {
  return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

TSectionInfo Analyse(const AnsiString& section) {
  TSectionInfo info;
  bool decimal = false;
  for (size_t i = 0; i < section.size();) {
    char c = section[i];
    if (c == '"' || c == '\'') {
      size_t end = section.find(c, i + 1);
      i = end == std::string::npos ? section.size() : end + 1;
      continue;
    }
    if (info.Scientific) break;  // placeholders after the exponent are its digits
    if (c == '0' || c == '#') {
      if (!decimal) {
        if (c == '0' && info.FirstIntZero < 0) info.FirstIntZero = info.IntPlaceholders;
        ++info.IntPlaceholders;
      } else {
        ++info.FracPlaceholders;
        if (c == '0') info.LastFracZero = info.FracPlaceholders;
      }
    } else if (c == '.') {
      decimal = true;
    } else if (c == ',') {
      info.Thousands = true;
    } else if (IsExponentAt(section, i)) {
      info.Scientific = true;
    }
    i = NextCharIndex(section, i);
  }
  return info;
}

struct TSectionDigits {
  AnsiString Int;
  AnsiString Frac;
  int Exp = 0;
  bool Zero = false;
};

TSectionDigits RoundForSection(long double value, const TSectionInfo& info) {
  TSectionDigits r;
  long double a = std::fabs(value);
  if (info.Scientific) {
    int total = Clamp(info.IntPlaceholders + info.FracPlaceholders, 1, kMaxPrecision);
    TDecimal dec = Decompose(a, total);
    int k = info.IntPlaceholders < total ? info.IntPlaceholders : total;
    r.Int = dec.Digits.substr(0, static_cast<size_t>(k));
    r.Frac = dec.Digits.substr(static_cast<size_t>(k));
    r.Exp = dec.IsZero() ? 0 : dec.Exponent - k;
    r.Zero = dec.IsZero();
  } else {
    FixedDigits(a, info.FracPlaceholders, r.Int, r.Frac);
    r.Zero = (r.Int + r.Frac).find_first_not_of('0') == std::string::npos;
    if (r.Int == "0") r.Int.clear();
  }
  TrimTrailingZeros(r.Frac, static_cast<size_t>(info.LastFracZero));
  int minInt = info.FirstIntZero < 0 ? 0 : info.IntPlaceholders - info.FirstIntZero;
  r.Int = PadLeft(r.Int, static_cast<size_t>(minInt));
  return r;
}

AnsiString Emit(const AnsiString& section, const TSectionInfo& info, const TSectionDigits& d,
                const TFormatSettings& fs) {
  AnsiString out;
  const int n = info.IntPlaceholders;
  const int len = static_cast<int>(d.Int.size());
  int intIndex = 0, fracIndex = 0;
  bool decimal = false, intDone = false, exponentDone = false;
  auto emitIntDigit = [&](int j) {
    out += d.Int[static_cast<size_t>(j)];
    int left = len - j - 1;
    if (info.Thousands && left > 0 && left % 3 == 0) out += fs.ThousandSeparator;
  };
  auto emitAllInt = [&]() {
    for (int j = 0; j < len; ++j) emitIntDigit(j);
    intDone = true;
  };
  for (size_t i = 0; i < section.size();) {
    char c = section[i];
    if (c == '"' || c == '\'') {
      size_t end = section.find(c, i + 1);
      if (end == std::string::npos) end = section.size();
      out.append(section, i + 1, end - i - 1);
      i = end < section.size() ? end + 1 : end;
      continue;
    }
    if (!exponentDone && (c == '0' || c == '#')) {
      if (!decimal) {
        if (intIndex == 0 && len > n) {
          for (int j = 0; j <= len - n; ++j) emitIntDigit(j);  // extra digits go first
        } else {
          int p = intIndex - (n - len);
          if (p >= 0 && p < len) emitIntDigit(p);
        }
        if (++intIndex == n) intDone = true;
      } else {
        if (fracIndex < static_cast<int>(d.Frac.size())) out += d.Frac[static_cast<size_t>(fracIndex)];
        ++fracIndex;
      }
      ++i;
      continue;
    }
    if (c == '.' && !decimal && !exponentDone) {
      decimal = true;
      if (!intDone) emitAllInt();
      if (!d.Frac.empty()) out += fs.DecimalSeparator;
      ++i;
      continue;
    }
    if (c == ',' && !exponentDone) {
      ++i;
      continue;
    }
    if (!exponentDone && IsExponentAt(section, i)) {
      if (!intDone && !decimal) emitAllInt();
      exponentDone = true;
      out += c;
      if (d.Exp < 0) out += '-';
      else if (section[i + 1] == '+') out += '+';
      i += 2;
      size_t zeros = 0;
      while (i < section.size() && section[i] == '0') ++zeros, ++i;
      int x = d.Exp < 0 ? -d.Exp : d.Exp;
      out += PadLeft(IntToStr(x), zeros > 4 ? 4 : zeros);
      continue;
    }
    size_t next = NextCharIndex(section, i);
    out.append(section, i, next - i);
    i = next;
  }
  // A section without digit placeholders ("'none'") shows no digits at all.
  return out;
}

}  // namespace

AnsiString FloatToStrF(long double value, TFloatFormat format, int precision, int digits,
                       const TFormatSettings& fs) {
  if (!std::isfinite(value)) return Special(value);
  precision = Clamp(precision, 2, kMaxPrecision);
  switch (format) {
    case TFloatFormat::ffGeneral: return General(value, precision, digits, fs);
    case TFloatFormat::ffExponent: return Exponent(value, precision, digits, fs);
    case TFloatFormat::ffFixed: return Fixed(value, precision, digits, false, fs);
    case TFloatFormat::ffNumber: return Fixed(value, precision, digits, true, fs);
  }
  return General(value, precision, digits, fs);
}

AnsiString FloatToStrF(long double value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits, GetFormatSettings());
}

AnsiString FloatToStr(long double value, const TFormatSettings& fs) {
  return FloatToStrF(value, TFloatFormat::ffGeneral, 15, 0, fs);
}

AnsiString FloatToStr(long double value) { return FloatToStr(value, GetFormatSettings()); }

AnsiString FormatFloat(const AnsiString& pattern, long double value, const TFormatSettings& fs) {
  if (!std::isfinite(value)) return Special(value);
  std::vector<AnsiString> sections = SplitSections(pattern);
  // Beyond 18 integer digits no pattern can place the digits: the general format.
  if (pattern.empty() || std::fabs(value) >= 1e18L) return FloatToStr(value, fs);
  const AnsiString& positive = sections[0];
  if (positive.empty()) {
    // No positive section: a value without a section of its own takes the general format.
    if (value < 0 && sections.size() >= 2 && !sections[1].empty()) {
      TSectionInfo ni = Analyse(sections[1]);
      return Emit(sections[1], ni, RoundForSection(-value, ni), fs);
    }
    if (value == 0 && sections.size() >= 3 && !sections[2].empty()) {
      TSectionInfo zi = Analyse(sections[2]);
      return Emit(sections[2], zi, RoundForSection(0, zi), fs);
    }
    return FloatToStr(value, fs);
  }
  TSectionInfo info = Analyse(positive);
  TSectionDigits digits = RoundForSection(value, info);
  if (digits.Zero && sections.size() >= 3 && !sections[2].empty()) {
    TSectionInfo zi = Analyse(sections[2]);
    return Emit(sections[2], zi, RoundForSection(0, zi), fs);
  }
  if (value < 0 && sections.size() >= 2 && !sections[1].empty()) {
    TSectionInfo ni = Analyse(sections[1]);
    return Emit(sections[1], ni, RoundForSection(-value, ni), fs);
  }
  AnsiString out = Emit(positive, info, digits, fs);
  return value < 0 && !digits.Zero ? "-" + out : out;
}

AnsiString FormatFloat(const AnsiString& pattern, long double value) {
  return FormatFloat(pattern, value, GetFormatSettings());
}

AnsiString CurrToStr(int64_t scaled, const TFormatSettings& fs) {
  bool neg = scaled < 0;
  uint64_t a = neg ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  AnsiString out = neg ? "-" : "";
  out += Format("%llu", static_cast<unsigned long long>(a / 10000));
  AnsiString frac = PadLeft(Format("%llu", static_cast<unsigned long long>(a % 10000)), 4);
  TrimTrailingZeros(frac);
  if (!frac.empty()) out += fs.DecimalSeparator + frac;
  return out;
}

bool TryStrToFloat(const AnsiString& text, long double& value, const TFormatSettings& fs) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  std::string c;  // the number rewritten for the C runtime ("." as the decimal point)
  size_t i = b;
  if (i < e && (text[i] == '+' || text[i] == '-')) c += text[i++];
  int digits = 0;
  bool point = false;
  for (; i < e; ++i) {
    char ch = text[i];
    if (ch >= '0' && ch <= '9') {
      c += ch;
      ++digits;
    } else if (ch == fs.DecimalSeparator && !point) {
      c += '.';
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (i < e && (text[i] == 'e' || text[i] == 'E')) {
    c += 'e';
    ++i;
    if (i < e && (text[i] == '+' || text[i] == '-')) c += text[i++];
    int expDigits = 0;
    for (; i < e && text[i] >= '0' && text[i] <= '9'; ++i, ++expDigits) c += text[i];
    if (expDigits == 0) return false;
  }
  if (i != e) return false;
  errno = 0;
  long double v = __mingw_strtold(c.c_str(), nullptr);
  if (!std::isfinite(v) || (errno == ERANGE && v != 0)) return false;
  value = v;
  return true;
}

bool TryStrToFloat(const AnsiString& text, long double& value) {
  return TryStrToFloat(text, value, GetFormatSettings());
}

long double StrToFloat(const AnsiString& text, const TFormatSettings& fs) {
  long double v = 0;
  if (!TryStrToFloat(text, v, fs)) throw EConvertError("'" + text + "' is not a valid floating point value");
  return v;
}

long double StrToFloat(const AnsiString& text) { return StrToFloat(text, GetFormatSettings()); }

bool TryStrToCurr(const AnsiString& text, int64_t& scaled, const TFormatSettings& fs) {
  long double v = 0;
  if (!TryStrToFloat(text, v, fs)) return false;
  long double s = std::nearbyint(v * 10000.0L);
  if (s >= 9223372036854775807.0L || s < -9223372036854775808.0L) return false;
  scaled = static_cast<int64_t>(s);
  return true;
}
