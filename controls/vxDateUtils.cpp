#include "controls/vxDateUtils.h"

#include "controls/vxClasses.h"
#include "controls/vxEditConsts.h"

namespace {

const unsigned kDateWordIds[vxDateWordCount] = {
    scxDateToday,    scxDateYesterday, scxDateTomorrow, scxDateSunday,    scxDateMonday,
    scxDateTuesday,  scxDateWednesday, scxDateThursday, scxDateFriday,    scxDateSaturday,
    scxDateFirst,    scxDateSecond,    scxDateThird,    scxDateFourth,    scxDateFifth,
    scxDateSixth,    scxDateSeventh,   scxDateBOM,      scxDateEOM,       scxDateNow,
};

}  // namespace

AnsiString vxGetDateWord(int index) {
  if (index < 0 || index >= vxDateWordCount) return AnsiString();
  return vxLoadResourceString(kDateWordIds[index]);
}

AnsiString vxQuoteRegExprText(const AnsiString& text) {
  AnsiString out;
  bool open = false;
  // An apostrophe (0x27) is never a trail byte of code page 932, but stepping by character
  // keeps double-byte characters whole all the same.
  for (size_t i = 0; i < text.size();) {
    size_t next = NextCharIndex(text, i);
    if (text[i] == '\'') {
      if (open) out += '\'';
      open = false;
      out += "\\'";
    } else {
      if (!open) out += '\'';
      open = true;
      out.append(text, i, next - i);
    }
    i = next;
  }
  if (open) out += '\'';
  return out;
}

AnsiString vxAddDateWordsToRegExpr(const AnsiString& mask, bool withNow) {
  AnsiString out = "(" + mask + ")|(";
  int last = withNow ? vxDateWordNow : vxDateWordNow - 1;
  for (int i = 0; i <= last; ++i) {
    if (i > 0) out += '|';
    out += vxQuoteRegExprText(vxGetDateWord(i));
  }
  out += ")((\\+|-)\\d(\\d(\\d\\d?)?)?)?";
  return out;
}
