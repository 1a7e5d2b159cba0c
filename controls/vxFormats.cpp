#include "controls/vxFormats.h"

#include "controls/vxDateUtils.h"

#include "platform/gui/Forms.h"
#include "platform/rtl/SysExceptions.h"

#include <algorithm>
#include <memory>

// Format letters, compared without regard to case:
//   "..." '...'   literal text          /  :   date and time separators
//   AM/PM A/P AMPM  AM/PM designator     AAA AAAA  day names (as DDD DDDD)
//   C      short date, blank, long time  D..DDDD day, DDDDD short date, DDDDDD+ long date
//   E.. Y.. year (YY below 3 letters)    G  era: not editable, the parse fails
//   H HH   hour (an M after it means minutes)   M..MMMM month   N NN minutes
//   S SS   seconds   Z..ZZZ milliseconds        T short time, TT+ long time
// Anything else, and every double-byte character, is literal text.

namespace {

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool StartsWithText(const AnsiString& s, size_t i, const char* word) {
  for (size_t k = 0; word[k]; ++k)
    if (i + k >= s.size() || UpperAscii(s[i + k]) != word[k]) return false;
  return true;
}

size_t RunLength(const AnsiString& s, size_t i) {
  size_t n = 1;
  while (i + n < s.size() && UpperAscii(s[i + n]) == UpperAscii(s[i])) ++n;
  return n;
}

class TFormatParser {
public:
  TFormatParser(const TFormatSettings& fs, TvxDateTimeFormatInfo& info) : FFs(fs), FInfo(info) {}

  // Nested formats (C, DDDDD, T...) are followed two levels deep; a deeper one adds nothing,
  // which stops a format that names itself.
  bool Parse(const AnsiString& f, int level) {
    if (level > 2) return true;
    char last = 0;  // the last format letter, for "M after H"
    size_t i = 0;
    while (i < f.size()) {
      if (IsLeadByte(static_cast<unsigned char>(f[i]))) {
        size_t next = NextCharIndex(f, i);
        Add(dtikString, f.substr(i, next - i));
        i = next;
        continue;
      }
      char c = f[i];
      char u = UpperAscii(c);
      if (u >= 'A' && u <= 'Z') {
        if (u == 'M' && last == 'H') u = 'N';
        last = u;
      }
      size_t run = RunLength(f, i);
      switch (u) {
        case '"':
        case '\'': {
          size_t end = f.find(c, i + 1);  // quotes are never trail bytes
          if (end == std::string::npos) end = f.size();
          if (end > i + 1) Add(dtikString, f.substr(i + 1, end - i - 1));
          i = end < f.size() ? end + 1 : end;
          continue;
        }
        case '/': Add(dtikDateSeparator, "/"); ++i; continue;
        case ':': Add(dtikTimeSeparator, ":"); ++i; continue;
        case 'A':
          if (StartsWithText(f, i, "AM/PM")) {
            Add(dtikTimeSuffix, f.substr(i, 5));
            i += 5;
          } else if (StartsWithText(f, i, "A/P")) {
            Add(dtikTimeSuffix, f.substr(i, 3));
            i += 3;
          } else if (StartsWithText(f, i, "AMPM")) {
            Add(dtikTimeSuffix, f.substr(i, 4));
            i += 4;
          } else if (StartsWithText(f, i, "AAAA")) {
            Add(dtikDay, "DDDD");
            i += 4;
          } else if (StartsWithText(f, i, "AAA")) {
            Add(dtikDay, "DDD");
            i += 3;
          } else {
            Add(dtikString, AnsiString(1, c));
            ++i;
          }
          continue;
        case 'C':
          if (!Parse(FFs.ShortDateFormat, level + 1)) return false;
          Add(dtikString, " ");
          if (!Parse(FFs.LongTimeFormat, level + 1)) return false;
          ++i;
          continue;
        case 'D':
          if (run <= 4) {
            Add(dtikDay, AnsiString(run, 'D'));
          } else if (!Parse(run == 5 ? FFs.ShortDateFormat : FFs.LongDateFormat, level + 1)) {
            return false;
          }
          i += run;
          continue;
        case 'E':
        case 'Y':
          Add(dtikYear, run < 3 ? "YY" : "YYYY");
          i += run;
          continue;
        case 'G': return false;
        case 'H': Letters(dtikHour, 'H', run, 2, i); continue;
        case 'M': Letters(dtikMonth, 'M', run, 4, i); continue;
        case 'N': Letters(dtikMin, 'N', run, 2, i); continue;
        case 'S': Letters(dtikSec, 'S', run, 2, i); continue;
        case 'Z': Letters(dtikMSec, 'Z', run, 3, i); continue;
        case 'T':
          if (!Parse(run == 1 ? FFs.ShortTimeFormat : FFs.LongTimeFormat, level + 1)) return false;
          i += run;
          continue;
        default:
          Add(dtikString, AnsiString(1, c));
          ++i;
          continue;
      }
    }
    return true;
  }

private:
  void Letters(TvxDateTimeFormatItemKind kind, char letter, size_t run, size_t most, size_t& i) {
    size_t n = std::min(run, most);
    Add(kind, AnsiString(n, letter));
    i += n;
  }

  void Add(TvxDateTimeFormatItemKind kind, const AnsiString& data) {
    if (kind >= dtikYear && kind <= dtikTimeSuffix && FInfo.DefinedItems[kind]) return;
    if (kind == dtikString && !FInfo.Items.empty() && FInfo.Items.back().Kind == dtikString) {
      FInfo.Items.back().Data += data;
    } else {
      FInfo.Items.push_back({kind, data});
    }
    FInfo.DefinedItems[kind] = true;
  }

  const TFormatSettings& FFs;
  TvxDateTimeFormatInfo& FInfo;
};

// A separator character of a regular expression: escaped, a blank quoted, none for NUL.
AnsiString SeparatorRegExpr(char sep) {
  if (sep == '\0') return "";
  if (sep == ' ') return "' '";
  return AnsiString("\\") + sep;
}

AnsiString MonthNamesRegExpr(const std::array<AnsiString, 12>& names) {
  AnsiString out;
  for (const auto& n : names) {
    if (n.empty()) continue;  // an empty alternative would not compile
    if (!out.empty()) out += '|';
    out += vxQuoteRegExprText(n);
  }
  return out;
}

std::unique_ptr<TvxFormatController> GFormatController;

}  // namespace

void TvxDateTimeFormatInfo::Clear() {
  DefinedItems.fill(false);
  Items.clear();
}

bool vxParseDateTimeFormat(const AnsiString& format, const TFormatSettings& fs, TvxDateTimeFormatInfo& info) {
  info.Clear();
  TFormatParser parser(fs, info);
  if (!parser.Parse(format, 0)) {
    info.Clear();
    return false;
  }
  if (info.DefinedItems[dtikHour]) {
    for (auto& item : info.Items)
      if (item.Kind == dtikHour) item.Data = (info.DefinedItems[dtikTimeSuffix] ? "12" : "24") + item.Data;
  } else if (info.DefinedItems[dtikTimeSuffix]) {
    // A designator without an hour means nothing to an editor.
    info.Items.erase(std::remove_if(info.Items.begin(), info.Items.end(),
                                    [](const TvxDateTimeFormatItem& it) { return it.Kind == dtikTimeSuffix; }),
                     info.Items.end());
    info.DefinedItems[dtikTimeSuffix] = false;
  }
  return true;
}

AnsiString vxDateRegExprFromFormat(const TvxDateTimeFormatInfo& info, const TFormatSettings& fs) {
  AnsiString out;
  for (const auto& item : info.Items) {
    switch (item.Kind) {
      case dtikString: out += vxQuoteRegExprText(item.Data); break;
      case dtikYear: out += item.Data.size() == 2 ? "\\d\\d" : "\\d\\d\\d\\d"; break;
      case dtikMonth: {
        out += "((0?[1-9]|1[012])";
        AnsiString names = MonthNamesRegExpr(item.Data.size() >= 4 ? fs.LongMonthNames : fs.ShortMonthNames);
        if (!names.empty()) out += "|(" + names + ")";
        out += ")";
        break;
      }
      case dtikDay: out += "([012]?[1-9]|[123]0|31)"; break;
      case dtikDateSeparator: out += SeparatorRegExpr(fs.DateSeparator); break;
      default: break;
    }
  }
  return out;
}

AnsiString vxTimeRegExprFromFormat(const TvxDateTimeFormatInfo& info, const TFormatSettings& fs) {
  AnsiString out;
  for (const auto& item : info.Items) {
    switch (item.Kind) {
      case dtikString: out += vxQuoteRegExprText(item.Data); break;
      case dtikHour:
        out += item.Data.compare(0, 2, "12") == 0 ? "(0?[1-9]|1[012])" : "([01]?\\d|2[0-3])";
        break;
      case dtikMin:
      case dtikSec: out += "[0-5]?\\d"; break;
      case dtikTimeSuffix:
        if (SameText(item.Data, "A/P")) {
          out += "(A|P)?";
        } else if (SameText(item.Data, "AM/PM")) {
          out += "(AM|PM)?";
        } else {
          AnsiString am = fs.TimeAMString.empty() ? "" : vxQuoteRegExprText(fs.TimeAMString);
          AnsiString pm = fs.TimePMString.empty() ? "" : vxQuoteRegExprText(fs.TimePMString);
          if (!am.empty() && !pm.empty()) out += "(" + am + "|" + pm + ")?";
          else if (!am.empty() || !pm.empty()) out += "(" + am + pm + ")?";
        }
        break;
      case dtikTimeSeparator: out += SeparatorRegExpr(fs.TimeSeparator); break;
      default: break;
    }
  }
  return out;
}

AnsiString vxStandardMaskFromFormat(const TvxDateTimeFormatInfo& info, TvxStandardMaskMode mode,
                                    const TFormatSettings& fs) {
  AnsiString out = mode == smmTime ? "" : "!";
  for (const auto& item : info.Items) {
    switch (item.Kind) {
      case dtikString:
        for (size_t i = 0; i < item.Data.size();) {
          size_t next = NextCharIndex(item.Data, i);
          out += '\\';
          out.append(item.Data, i, next - i);
          i = next;
        }
        break;
      case dtikYear: out += item.Data.size() == 2 ? "99" : "9999"; break;
      case dtikMonth:
      case dtikDay: out += item.Data.size() >= 3 ? "lll" : "99"; break;
      case dtikHour:
      case dtikMin:
      case dtikSec: out += mode == smmTime ? "00" : "99"; break;
      case dtikTimeSuffix:
        if (SameText(item.Data, "A/P")) out += "c";
        else if (SameText(item.Data, "AM/PM")) out += "cc";
        // One mask position per byte, as the standard mask tests bytes: a double-byte
        // designator ("午前") needs four.
        else out += AnsiString(std::max(fs.TimeAMString.size(), fs.TimePMString.size()), 'c');
        break;
      case dtikDateSeparator: out += '/'; break;
      case dtikTimeSeparator: out += ':'; break;
      default: break;
    }
  }
  out += mode == smmTime ? ";1;0" : ";1; ";
  return out;
}

AnsiString vxDisplayFormatFromFormat(const TvxDateTimeFormatInfo& info) {
  AnsiString out;
  for (const auto& item : info.Items) {
    switch (item.Kind) {
      case dtikString:
        // A literal holding an apostrophe goes in double quotes, or it would end its quote.
        out += item.Data.find('\'') == std::string::npos ? "'" + item.Data + "'" : "\"" + item.Data + "\"";
        break;
      case dtikYear: out += AnsiLowerCase(item.Data); break;
      case dtikMonth: out += item.Data.size() >= 3 ? "mmm" : "mm"; break;
      case dtikDay: out += item.Data.size() >= 3 ? "ddd" : "dd"; break;
      case dtikHour: out += "hh"; break;
      case dtikMin: out += "nn"; break;
      case dtikSec: out += "ss"; break;
      case dtikTimeSuffix: out += AnsiLowerCase(item.Data); break;
      case dtikDateSeparator: out += '/'; break;
      case dtikTimeSeparator: out += ':'; break;
      default: break;
    }
  }
  return out;
}

AnsiString vxCurrencyFormatFromSettings(const TFormatSettings& fs) {
  AnsiString n = ",0.";
  n.append(static_cast<size_t>(std::clamp(fs.CurrencyDecimals, 0, 18)), '0');
  AnsiString s;
  const AnsiString& cs = fs.CurrencyString;
  for (size_t i = 0; i < cs.size();) {
    size_t next = NextCharIndex(cs, i);
    if (next == i + 1 && (cs[i] == ',' || cs[i] == '.')) s += AnsiString("'") + cs[i] + "'";
    else s.append(cs, i, next - i);
    i = next;
  }
  // No currency symbol, no positive section: positive values then take the general format.
  AnsiString positive;
  if (!s.empty()) {
    switch (fs.CurrencyFormat) {
      case 1: positive = n + s; break;
      case 2: positive = s + " " + n; break;
      case 3: positive = n + " " + s; break;
      default: positive = s + n; break;
    }
  }
  AnsiString negative;
  switch (fs.NegCurrFormat) {
    case 0: negative = "(" + s + n + ")"; break;
    case 1: negative = "-" + s + n; break;
    case 2: negative = s + "-" + n; break;
    case 3: negative = s + n + "-"; break;
    case 4: negative = "(" + n + s + ")"; break;
    case 5: negative = "-" + n + s; break;
    case 6: negative = n + "-" + s; break;
    case 7: negative = n + s + "-"; break;
    case 8: negative = "-" + n + " " + s; break;
    case 9: negative = "-" + s + " " + n; break;
    case 10: negative = n + " " + s + "-"; break;
    case 11: negative = s + " " + n + "-"; break;
    case 12: negative = s + " -" + n; break;
    case 13: negative = n + "- " + s; break;
    case 14: negative = "(" + s + " " + n + ")"; break;
    case 15: negative = "(" + n + " " + s + ")"; break;
    default: negative = "-" + s + n; break;
  }
  return positive + ";" + negative;
}

AnsiString vxDateEditFormatFromShortDate(const AnsiString& shortDate, bool shortenMonthNames) {
  AnsiString out;
  const AnsiString& f = shortDate;
  for (size_t i = 0; i < f.size();) {
    char c = f[i];
    if (c == '\'' || c == '"') {  // quoted text stays as it is
      size_t end = f.find(c, i + 1);
      end = end == std::string::npos ? f.size() : end + 1;
      out.append(f, i, end - i);
      i = end;
      continue;
    }
    if (IsLeadByte(static_cast<unsigned char>(c))) {  // a trail byte can be 'M' or 'd'
      size_t next = NextCharIndex(f, i);
      out.append(f, i, next - i);
      i = next;
      continue;
    }
    if (c == 'd' || c == 'M') {
      size_t run = 1;
      while (i + run < f.size() && f[i + run] == c) ++run;
      if (run == 1) out.append(2, c);
      else if (c == 'M' && shortenMonthNames && run > 3) out += "MMM";
      else out.append(run, c);
      i += run;
      continue;
    }
    out += c;
    ++i;
  }
  return out;
}

// --- TvxFormatController ---------------------------------------------------------------

TvxFormatController::TvxFormatController() { UpdateFormats(); }

TvxFormatController::~TvxFormatController() { DestroyNotificationWindow(); }

void TvxFormatController::AddListener(IvxFormatControllerListener* listener) {
  if (listener == nullptr || std::find(FListeners.begin(), FListeners.end(), listener) != FListeners.end()) return;
  if (FListeners.empty()) CreateNotificationWindow();
  FListeners.push_back(listener);
}

void TvxFormatController::RemoveListener(IvxFormatControllerListener* listener) {
  auto it = std::find(FListeners.begin(), FListeners.end(), listener);
  if (it == FListeners.end()) return;
  FListeners.erase(it);
  if (FListeners.empty()) DestroyNotificationWindow();
}

LRESULT TvxFormatController::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_WININICHANGE:  // the same message as WM_SETTINGCHANGE
      if (wParam == 0 && lParam != 0 && lstrcmpiA(reinterpret_cast<const char*>(lParam), "intl") == 0 &&
          GetAutoUpdateFormatSettings()) {
        RefreshFormatSettings();
        UpdateFormats();
        NotifyListeners();
        return 0;
      }
      break;
    case WM_TIMECHANGE:
      TimeChanged();
      return 0;
    default: break;
  }
  return DefWindowProcA(FWindow, msg, wParam, lParam);
}

void TvxFormatController::NotifyListeners() {
  // A listener may remove itself (or another) while being told: walk a copy and skip the
  // ones that left meanwhile.
  std::vector<IvxFormatControllerListener*> copy = FListeners;
  for (auto* l : copy)
    if (std::find(FListeners.begin(), FListeners.end(), l) != FListeners.end()) l->FormatChanged();
}

void TvxFormatController::TimeChanged() {
  std::vector<IvxFormatControllerListener*> copy = FListeners;
  for (auto* l : copy) {
    if (std::find(FListeners.begin(), FListeners.end(), l) == FListeners.end()) continue;
    if (auto* l2 = dynamic_cast<IvxFormatControllerListener2*>(l)) l2->TimeChanged();
  }
}

void TvxFormatController::UpdateFormats() {
  const TFormatSettings fs = GetFormatSettings();  // a copy: the record may be replaced
  if (!FAssignedCurrencyFormat) FCurrencyFormat = vxCurrencyFormatFromSettings(fs);
  if (!FAssignedStartOfWeek) {
    // The locale counts from Monday = 0, the editors from Sunday = 0.
    int day = fs.FirstDayOfWeek + 1;
    FStartOfWeek = static_cast<uint8_t>(day < 0 || day > 6 ? 0 : day);
  }
  vxParseDateTimeFormat(fs.ShortDateFormat, fs, FDateFormatInfo);
  vxParseDateTimeFormat(fs.LongTimeFormat, fs, FTimeFormatInfo);
  vxParseDateTimeFormat(fs.ShortDateFormat + " " + fs.LongTimeFormat, fs, FDateTimeFormatInfo);
  FStandardDateEditMask = vxStandardMaskFromFormat(FDateFormatInfo, smmDate, fs);
  if (!FAssignedDateEditMask) FDateEditMask = FStandardDateEditMask;
  AnsiString dateRegExpr = vxDateRegExprFromFormat(FDateFormatInfo, fs);
  if (!FAssignedRegExprDateEditMask) FRegExprDateEditMask = vxAddDateWordsToRegExpr(dateRegExpr, false);
  if (!FAssignedRegExprDateTimeEditMask)
    FRegExprDateTimeEditMask = vxAddDateWordsToRegExpr(
        dateRegExpr + "' '(" + vxTimeRegExprFromFormat(FTimeFormatInfo, fs) + ")?", true);
  if (!FAssignedStandardDateTimeEditMask)
    FStandardDateTimeEditMask = vxStandardMaskFromFormat(FDateTimeFormatInfo, smmDateTime, fs);
  FDateDisplayFormat = vxDisplayFormatFromFormat(FDateFormatInfo);
  FDateTimeDisplayFormat = vxDisplayFormatFromFormat(FDateTimeFormatInfo);
  FDateEditFormat = vxDateEditFormatFromShortDate(fs.ShortDateFormat);
}

AnsiString TvxFormatController::ShortMonthDateEditFormat() const {
  return vxDateEditFormatFromShortDate(GetFormatSettings().ShortDateFormat, true);
}

void TvxFormatController::SetCurrencyFormat(const AnsiString& value) {
  FCurrencyFormat = value;
  FAssignedCurrencyFormat = true;
}

void TvxFormatController::SetDateEditMask(const AnsiString& value) {
  FDateEditMask = value;
  FAssignedDateEditMask = true;
}

void TvxFormatController::SetRegExprDateEditMask(const AnsiString& value) {
  FRegExprDateEditMask = value;
  FAssignedRegExprDateEditMask = true;
}

void TvxFormatController::SetRegExprDateTimeEditMask(const AnsiString& value) {
  FRegExprDateTimeEditMask = value;
  FAssignedRegExprDateTimeEditMask = true;
}

void TvxFormatController::SetStandardDateTimeEditMask(const AnsiString& value) {
  FStandardDateTimeEditMask = value;
  FAssignedStandardDateTimeEditMask = true;
}

void TvxFormatController::SetStartOfWeek(uint8_t value) {
  FStartOfWeek = value > 6 ? 0 : value;
  FAssignedStartOfWeek = true;
}

void TvxFormatController::CreateNotificationWindow() {
  // A hidden top-level window: message-only windows do not receive broadcasts. Exceptions
  // of the handler go to the application object there.
  FWindow = AllocateHWnd([this](TMessage& m) { m.Result = WndProc(m.Msg, m.WParam, m.LParam); });
}

void TvxFormatController::DestroyNotificationWindow() {
  if (FWindow == nullptr) return;
  DeallocateHWnd(FWindow);
  FWindow = nullptr;
}

TvxFormatController& vxFormatController() {
  if (!GFormatController) GFormatController = std::make_unique<TvxFormatController>();
  return *GFormatController;
}

void InitializevxFormats() {}

void FinalizevxFormats() { GFormatController.reset(); }
