// Seeded mutations of valid inputs for the parsers' robustness tests: byte flips,
// truncation, number and length corruption, repeated or missing slices and code page 932
// noise (lone lead bytes, lead bytes before the bytes a parser looks for). A seed gives the
// same inputs on every run and every machine, so a failure names an input that can be
// made again.
#pragma once

#include <cstdint>
#include <random>
#include <string>

namespace testsupport {

class TInputMutator {
public:
  explicit TInputMutator(uint32_t seed) : FRandom(seed) {}

  // A copy of sample after one to three mutations of any kind.
  std::string Mutate(const std::string& sample);
  // 0 to bound - 1 (0 when bound is 0).
  uint32_t Below(uint32_t bound);

  // The single mutations; each leaves an empty input empty or gives it a few bytes.
  void FlipBits(std::string& s);
  // A random byte, or one of the bytes that lines, fields, paths and markup are split at.
  void ReplaceByte(std::string& s);
  void Truncate(std::string& s);
  // A run of decimal digits (with its sign) becomes an extreme number, or goes.
  void CorruptNumber(std::string& s);
  // One, two or four bytes become an extreme little-endian value (a count, a length).
  void CorruptLength(std::string& s);
  // A lead byte alone, or before one of the bytes that parsers treat specially.
  void DoubleByteNoise(std::string& s);
  // A slice of up to 64 bytes repeated up to 1000 times.
  void RepeatSlice(std::string& s);
  void DeleteSlice(std::string& s);

private:
  size_t Position(const std::string& s, bool inclusiveEnd);
  std::mt19937 FRandom;
};

}  // namespace testsupport
