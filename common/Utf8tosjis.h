// UTF-8 to ANSI (code page 932) conversion with its own UTF-8 decoder: bytes are decoded
// into 16-bit units by hand and the units converted by the platform.
#pragma once

#include "platform/rtl/SysExceptions.h"

// A byte that cannot start a UTF-8 sequence.
class EUtf8TSjisException : public Exception {
public:
  using Exception::Exception;
  const char* ClassName() const override { return "EUtf8TSjisException"; }
};

// Converts UTF-8 bytes to ANSI text. A sequence cut short at the end reads zeros for its
// missing bytes; a zero unit ends the text; characters without a mapping become the code
// page's default character. Raises EUtf8TSjisException ("UTF-8 Unknown code.") at the
// first invalid lead byte (0x80-0xBF, 0xF8-0xFF).
AnsiString Utf8ToSjis(const std::string& text);
// The decoding step alone: the 16-bit units up to (not including) the first zero unit.
WideString Utf8DecodeUnits(const std::string& text);
