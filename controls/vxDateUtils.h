// Date words of the date-text recognition and the quoting of literal text in the mask
// regular expressions.
#pragma once

#include "platform/rtl/SysStrings.h"

// The twenty date words, in this order: 0 today, 1 yesterday, 2 tomorrow, 3..9 Sunday to
// Saturday, 10..16 first to seventh, 17 bom, 18 eom, 19 now.
constexpr int vxDateWordCount = 20;
constexpr int vxDateWordNow = 19;
// The word's message text, loaded and translated on every call (never cached, so a
// translation registered later counts at once).
AnsiString vxGetDateWord(int index);

// Text as a literal of the mask regular expressions: every run of characters other than an
// apostrophe in single quotes, every apostrophe as \'. "it's" gives 'it'\''s'.
AnsiString vxQuoteRegExprText(const AnsiString& text);

// "(" mask ")|(" the quoted words 0 to 18 (and 19 "now" when withNow) separated by "|"
// ")((\+|-)\d(\d(\d\d?)?)?)?": the mask, or a date word with an optional signed offset of one
// to four digits.
AnsiString vxAddDateWordsToRegExpr(const AnsiString& mask, bool withNow);
