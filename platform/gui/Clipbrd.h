// The clipboard's text (CF_TEXT: ANSI bytes, code page 932), as the class library's clipboard
// object offers it. Each call opens and closes the clipboard; a clipboard that another program
// keeps open is tried a few times, then EClipboardException ("Cannot open clipboard").
#pragma once

#include "platform/rtl/SysExceptions.h"
#include "platform/rtl/SysStrings.h"

class EClipboardException : public Exception {
public:
  using Exception::Exception;
  const char* ClassName() const override { return "EClipboardException"; }
};

bool ClipboardHasText();
// The text on the clipboard, empty when it holds none.
AnsiString ClipboardText();
// Replaces the clipboard's content by the text.
void SetClipboardText(const AnsiString& text);
