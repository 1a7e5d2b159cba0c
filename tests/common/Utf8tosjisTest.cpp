#include "common/Utf8tosjis.h"

#include <gtest/gtest.h>
#include "tests/support/InputMutator.h"

TEST(Utf8tosjis, DecodesOneTwoAndThreeByteForms) {
  struct Case {
    std::string in;
    WideString units;
  } cases[] = {
      {"", L""},
      {"abc", L"abc"},
      {"\xE3\x81\x82", L"\x3042"},            // あ
      {"\xC3\xA9", L"\x00E9"},                // é
      {"\xC3", L"\x00C0"},                    // lone lead byte: zeros for the rest
      {"a\xE3\x81", std::wstring(L"a") + L"\x3040"},
      {"x\xC0\x80y", L"x"},                   // overlong zero ends the text
      {"\xE3\x82\x8A\xE3\x83\xB3", L"\x308A\x30F3"},
      {std::string("ab\0cd", 5), L"ab"},      // a zero byte ends the walk
      {"\xC1\x41", L"\x0041"},                // continuation bytes are not checked
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8DecodeUnits(c.in), c.units);
}

TEST(Utf8tosjis, ConvertsToShiftJis) {
  EXPECT_EQ(Utf8ToSjis("\xE3\x81\x82"), AnsiString("\x82\xA0"));
  EXPECT_EQ(Utf8ToSjis("\xE8\xA1\xA8\xE7\xA4\xBA"), AnsiString("表示"));
  EXPECT_EQ(Utf8ToSjis(""), AnsiString());
  EXPECT_EQ(Utf8ToSjis("key=1"), AnsiString("key=1"));
  // Four-byte forms consume four bytes and become the default character.
  AnsiString four = Utf8ToSjis("a\xF0\x9F\x98\x80" "b");
  ASSERT_GE(four.size(), 3u);
  EXPECT_EQ(four.front(), 'a');
  EXPECT_EQ(four.back(), 'b');
  EXPECT_EQ(four.find('\0'), AnsiString::npos);
}

TEST(Utf8tosjis, InvalidLeadBytesRaise) {
  for (std::string bad : {std::string("\x80"), std::string("\xF8"), std::string("ok\xBF"),
                          std::string("\xFF\x41"), std::string("\xE3\x81\x82\x9F")}) {
    try {
      Utf8ToSjis(bad);
      ADD_FAILURE() << "no exception";
    } catch (const EUtf8TSjisException& e) {
      EXPECT_EQ(e.Message(), "UTF-8 Unknown code.");
      EXPECT_STREQ(e.ClassName(), "EUtf8TSjisException");
    }
  }
}

TEST(Utf8tosjis, MutatedTextConvertsOrRaisesItsOwnError) {
  const std::string sample = reinterpret_cast<const char*>(
      u8"こんにちは、world! 纊①～ \U0001F600 é ß ｱｲｳ 表示 \\ 'q' \"d\" end");
  testsupport::TInputMutator mutator(20240613);
  int converted = 0;
  for (int i = 0; i < 400; ++i) {
    const std::string text = mutator.Mutate(sample);
    try {
      const AnsiString ansi = Utf8ToSjis(text);
      // At most one unit per byte, each at most two bytes of the code page.
      EXPECT_LE(ansi.size(), 2 * text.size()) << "input " << i;
      ++converted;
    } catch (const EUtf8TSjisException& e) {
      EXPECT_EQ("UTF-8 Unknown code.", e.Message()) << "input " << i;
    }
  }
  EXPECT_GT(converted, 0);
}
