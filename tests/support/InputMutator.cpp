#include "tests/support/InputMutator.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace testsupport {

namespace {

const char* const kExtremeNumbers[] = {
    "0",          "-1",          "1",          "255",        "256",        "65535",
    "65536",      "2147483647",  "2147483648", "-2147483648", "-2147483649", "4294967295",
    "4294967296", "1000000000",  "2147483646", "9223372036854775807", "9223372036854775808",
    "99999999999999999999999", "1e9", "0x7FFFFFFF", "",
};

const uint32_t kExtremeValues[] = {0,          1,          0x7F,       0x80,       0xFF,
                                   0x7FFF,     0x8000,     0xFFFF,     0x10000,    0x7FFFFFFE,
                                   0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x10000000, 0x3FFFFFFF};

// Bytes that lines, fields, names and markup are split at or escaped by; after a lead byte
// each of them becomes the second byte of a character.
const char kSpecialBytes[] = "\\]['\",=\t \r\n/*<>&-;#:.\0";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

uint32_t TInputMutator::Below(uint32_t bound) { return bound == 0 ? 0 : FRandom() % bound; }

size_t TInputMutator::Position(const std::string& s, bool inclusiveEnd) {
  return Below(static_cast<uint32_t>(s.size() + (inclusiveEnd ? 1 : 0)));
}

std::string TInputMutator::Mutate(const std::string& sample) {
  std::string s = sample;
  const uint32_t count = 1 + Below(3);
  for (uint32_t i = 0; i < count; ++i) {
    switch (Below(10)) {
      case 0: FlipBits(s); break;
      case 1: ReplaceByte(s); break;
      case 2: Truncate(s); break;
      case 3:
      case 4: CorruptNumber(s); break;
      case 5: CorruptLength(s); break;
      case 6:
      case 7: DoubleByteNoise(s); break;
      case 8: RepeatSlice(s); break;
      default: DeleteSlice(s); break;
    }
  }
  return s;
}

void TInputMutator::FlipBits(std::string& s) {
  if (s.empty()) return;
  s[Position(s, false)] ^= static_cast<char>(1 + Below(255));
}

void TInputMutator::ReplaceByte(std::string& s) {
  if (s.empty()) return;
  // Half of the time one of the bytes parsers look for.
  s[Position(s, false)] = Below(2) == 0 ? static_cast<char>(Below(256))
                                        : kSpecialBytes[Below(sizeof kSpecialBytes - 1)];
}

void TInputMutator::Truncate(std::string& s) { s.resize(Position(s, false)); }

void TInputMutator::CorruptNumber(std::string& s) {
  // The first number at or after a random place; a digit anywhere when there is none.
  size_t start = Position(s, true);
  while (start < s.size() && !IsDigit(s[start])) ++start;
  if (start >= s.size()) {
    s.insert(Position(s, true), kExtremeNumbers[Below(std::size(kExtremeNumbers))]);
    return;
  }
  size_t end = start;
  while (end < s.size() && IsDigit(s[end])) ++end;
  if (start > 0 && s[start - 1] == '-') --start;
  s.replace(start, end - start, kExtremeNumbers[Below(std::size(kExtremeNumbers))]);
}

void TInputMutator::CorruptLength(std::string& s) {
  const uint32_t value = kExtremeValues[Below(std::size(kExtremeValues))];
  const size_t width = size_t{1} << Below(3);  // 1, 2 or 4 bytes
  if (s.size() < width) {
    s.append(reinterpret_cast<const char*>(&value), width);
    return;
  }
  std::memcpy(&s[Below(static_cast<uint32_t>(s.size() - width + 1))], &value, width);
}

void TInputMutator::DoubleByteNoise(std::string& s) {
  // Lead bytes of both ranges, and the single bytes code page 932 leaves undefined.
  static const unsigned char leads[] = {0x81, 0x83, 0x88, 0x95, 0x9F, 0xE0, 0xEA,
                                        0xED, 0xEE, 0xF0, 0xFA, 0xFC, 0x80, 0xA0, 0xFD, 0xFF};
  std::string noise(1, static_cast<char>(leads[Below(std::size(leads))]));
  switch (Below(3)) {
    case 0: break;  // a lone lead byte
    case 1: noise += kSpecialBytes[Below(sizeof kSpecialBytes - 1)]; break;
    default: noise += static_cast<char>(0x40 + Below(0xBD)); break;  // any trail byte
  }
  if (!s.empty() && Below(2) == 0)
    s.replace(Position(s, false), 1, noise);
  else
    s.insert(Position(s, true), noise);
}

void TInputMutator::RepeatSlice(std::string& s) {
  if (s.empty()) return;
  const size_t start = Position(s, false);
  const size_t length = 1 + Below(static_cast<uint32_t>(std::min<size_t>(64, s.size() - start)));
  const std::string slice = s.substr(start, length);
  const uint32_t times = 1 + Below(1000);
  std::string repeated;
  repeated.reserve(slice.size() * times);
  for (uint32_t i = 0; i < times; ++i) repeated += slice;
  s.insert(start, repeated);
}

void TInputMutator::DeleteSlice(std::string& s) {
  if (s.empty()) return;
  const size_t start = Position(s, false);
  s.erase(start, 1 + Below(static_cast<uint32_t>(std::min<size_t>(64, s.size() - start))));
}

}  // namespace testsupport
