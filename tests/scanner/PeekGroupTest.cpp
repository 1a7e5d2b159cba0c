// The main window's list-peek group through the real window (dialogs answered by the test), and
// the copy's boundaries on their own.
#include "CvIdxBuilder/CvFileListIOUnit.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/SysExceptions.h"
#include "scanner/ScannerMenuUnit.h"
#include "tests/platform/GuiTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using testsupport::TTempDir;
using testsupport::Utf16Bytes;

namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

// c:\data, a.txt, c:\data\sub, b.txt, c:\data again, c.txt: three lines per block.
void WriteSampleList(const WideString& file) {
  TFileListWriter writer(file, 3, L"c:\\data");
  writer.BeginFolder(L"c:\\data");
  writer.AddFile(L"a.txt");
  writer.BeginFolder(L"c:\\data\\sub");
  writer.AddFile(L"b.txt");
  writer.BeginFolder(L"c:\\data");
  writer.AddFile(L"c.txt");
  writer.Flush();
  writer.Close();
}

// The bytes of a peek output holding these lines.
std::string PeekFile(const std::vector<WideString>& lines) {
  std::string bytes = "\xFF\xFE";
  for (const WideString& line : lines) bytes += Utf16Bytes(line + L"\r\n");
  return bytes;
}

// The list cut after its first block, as a list copied away half-way would be.
void TruncateAfterFirstBlock(const WideString& list) {
  const TFileListIdx idx(ChangeFileExtW(list, L".idx"));
  ASSERT_GE(idx.Count(), 2);
  const std::string bytes = testsupport::ReadFileBytes(list);
  testsupport::WriteFileBytes(list, bytes.substr(0, static_cast<size_t>(idx.Items(0).EndOffset)));
}

TEST(PeekValue, RoundsHalfAwayFromZeroAndClampsToSixtyFourBits) {
  const long double inf = std::numeric_limits<long double>::infinity();
  struct Case {
    long double value;
    int64_t expected;
  };
  const Case cases[] = {
      {0, 0}, {0.49999999999999999995L, 0}, {0.5L, 1}, {-0.5L, -1}, {2.5L, 3}, {-2.5L, -3}, {1.4L, 1},
      {4000000, 4000000}, {9223372036854775807.0L, kMax}, {9223372036854775808.0L, kMax}, {1e20L, kMax},
      {1.7e308L, kMax}, {-9223372036854775808.0L, kMin}, {-1e20L, kMin}, {inf, kMax}, {-inf, kMin},
      {std::nanl(""), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<double>(c.value));
    EXPECT_EQ(PeekValueToInt64(c.value), c.expected);
  }
}

class PeekCopy : public ::testing::Test {
protected:
  void SetUp() override { WriteSampleList(List); }
  // Copies and answers the output's bytes.
  std::string Copy(int64_t start, int64_t count) {
    {
      TFileListReader reader(List);
      TStringListWriter writer(Out, 100);
      CopyFileListRange(reader, writer, start, count);
    }
    return testsupport::ReadFileBytes(Out);
  }
  TTempDir Temp;
  WideString List = Temp.FileW(L"J010_FILLST_00.txt");
  WideString Out = Temp.FileW(L"peek.txt");
};

TEST_F(PeekCopy, CountsAndStartsAtTheEdges) {
  struct Case {
    int64_t start, count;
    std::vector<WideString> lines;
  };
  // The ranges and count 0 go through the window (PeekGroup); the edges here.
  const Case cases[] = {
      {5, 1, {L"5\tc:\\data\\c.txt"}},
      {0, -1, {}},
      {0, kMin, {}},
      // Before line 0 the list's first folder line is not taken for a repeat.
      {-1, 2, {L"0\tc:\\data", L"1\tc:\\data\\a.txt"}},
      {kMin, 1, {L"0\tc:\\data"}},
      {6, 5, {}},
      {kMax, 5, {}},
      {0, kMax,
       {L"0\tc:\\data", L"1\tc:\\data\\a.txt", L"2\tc:\\data\\sub", L"3\tc:\\data\\sub\\b.txt",
        L"5\tc:\\data\\c.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.start) + " / " + std::to_string(c.count));
    EXPECT_PRED_FORMAT2(testsupport::BytesEqual, PeekFile(c.lines), Copy(c.start, c.count));
  }
}

// What a read error leaves copied is checked through the window (PeekGroup).
TEST_F(PeekCopy, AFailingFlushDoesNotHideTheReadError) {
  TruncateAfterFirstBlock(List);
  {
    TFileListReader reader(List);
    TStringListWriter writer(Out, 100);
    writer.SetOnBeforeFlush([](TStringListWriter&) { throw EWriteError("the disk is full"); });
    EXPECT_THROW(CopyFileListRange(reader, writer, 0, 20), EReadError);
  }
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, PeekFile({}), testsupport::ReadFileBytes(Out));
}

// The group through the real main window, shown by the test; the dialogs answered by title.
class PeekGroup : public ::testing::Test {
protected:
  void SetUp() override {
    WriteSampleList(List);
    FPreviousDialog = SetFileDialogFunc([this](HWND, TOpenDialog& dialog) {
      Titles.push_back(dialog.Title);
      Saving.push_back(dialog.ForSaving());
      const AnsiString answer = dialog.ForSaving() ? SaveAnswer : OpenAnswer;
      if (answer.empty()) return false;
      dialog.FileName = answer;
      return true;
    });
    TForm1Environment environment;
    environment.DesktopFolder = [this] { return Temp.Path(); };
    environment.OpenFolder = [](HWND, const AnsiString&) {};
    Form = new TForm1(nullptr, environment);
    Form->AfterConstruction();
    Form->GroupBox5->SetVisible(true);
    guitest::ShowAndActivate(*Form);
    OpenAnswer = WideToAnsi(List);
  }
  void TearDown() override {
    delete Form;
    SetFileDialogFunc(FPreviousDialog);
  }
  // Replaces the field's text by typing, as a user would.
  void TypeInto(TWinControl* field, const std::wstring& text) {
    field->SetFocus();
    guitest::Pump();
    guitest::TapKey(VK_HOME);
    guitest::Key(VK_SHIFT, true);
    guitest::TapKey(VK_END);
    guitest::Key(VK_SHIFT, false);
    guitest::TypeText(text);
    guitest::Pump();
  }
  // The button pressed as a click does: the focus moves there first, so the field being left
  // takes its text as its value.
  void Click() {
    Form->ShowFileListButton->SetFocus();
    guitest::Pump();
    SendMessageA(Form->ShowFileListButton->Handle(), BM_CLICK, 0, 0);
  }
  // Types both numbers, clicks "保存" and answers the output's bytes ("" when none was written).
  std::string Peek(const std::wstring& start, const std::wstring& count, const AnsiString& out) {
    TypeInto(Form->StartPeekEdit, start);
    TypeInto(Form->RangeEdit, count);
    SaveAnswer = out;
    Click();
    guitest::Pump();
    return FileExists(out) ? testsupport::ReadFileBytes(AnsiToWide(out)) : std::string();
  }

  TTempDir Temp;
  WideString List = Temp.FileW(L"J010_FILLST_00.txt");
  TForm1* Form = nullptr;
  guitest::TExceptionCatcher Errors;
  AnsiString OpenAnswer, SaveAnswer;
  std::vector<AnsiString> Titles;
  std::vector<bool> Saving;

private:
  TFileDialogFunc FPreviousDialog;
};

TEST_F(PeekGroup, IsHiddenWithItsCaptionsAndNumbers) {
  TForm1 fresh(nullptr, TForm1Environment{[] { return AnsiString(); }, {}});
  fresh.AfterConstruction();
  EXPECT_FALSE(fresh.GroupBox5->Visible());
  EXPECT_EQ(fresh.GroupBox5->Caption(), "ファイルリストを覗く");
  EXPECT_EQ(fresh.GroupBox5->Height(), 88);
  EXPECT_EQ(fresh.GroupBox5->Align(), TAlign::alTop);
  EXPECT_EQ(fresh.Label3->Caption(), "先頭行：");
  EXPECT_EQ(fresh.Label10->Caption(), "から");
  EXPECT_EQ(fresh.ShowFileListButton->Caption(), "保存");
  EXPECT_EQ(fresh.Button1->Caption(), "抽出テスト");
  EXPECT_EQ(fresh.StartPeekEdit->Value(), 0);
  EXPECT_EQ(fresh.RangeEdit->Value(), 20);
  EXPECT_EQ(fresh.StartPeekEdit->Owner(), &fresh);
  EXPECT_EQ(fresh.RangeEdit->Owner(), &fresh);
  // One row, in the order of declaration.
  const TControl* row[] = {fresh.Label3, fresh.Label10, fresh.StartPeekEdit, fresh.RangeEdit,
                           fresh.ShowFileListButton, fresh.Button1};
  for (size_t i = 0; i < std::size(row); ++i) {
    EXPECT_EQ(row[i]->Parent(), fresh.GroupBox5);
    if (i > 0) {
      EXPECT_GE(row[i]->Left(), row[i - 1]->Left() + row[i - 1]->Width()) << i;
    }
  }
}

TEST_F(PeekGroup, CopiesTheTypedRangeThroughBothDialogs) {
  const AnsiString out = Temp.File("peek1.txt");
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual,
                      PeekFile({L"1\tc:\\data\\a.txt", L"2\tc:\\data\\sub", L"3\tc:\\data\\sub\\b.txt"}),
                      Peek(L"1", L"3", out));
  EXPECT_EQ(Titles, (std::vector<AnsiString>{"読み込むファイル", "書き出しファイル"}));
  EXPECT_EQ(Saving, (std::vector<bool>{false, true}));
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, PeekFile({L"4\tc:\\data", L"5\tc:\\data\\c.txt"}),
                      Peek(L"4", L"2", Temp.File("peek2.txt")));
  EXPECT_TRUE(Errors.Messages().empty());
}

TEST_F(PeekGroup, CancellingEitherDialogDoesNothing) {
  const AnsiString out = Temp.File("never.txt");
  OpenAnswer.clear();
  EXPECT_EQ(Peek(L"0", L"5", out), "");
  EXPECT_EQ(Titles, std::vector<AnsiString>{"読み込むファイル"});
  OpenAnswer = WideToAnsi(List);
  SaveAnswer.clear();
  Click();
  guitest::Pump();
  EXPECT_EQ(Titles.size(), 3u);
  EXPECT_FALSE(FileExists(out));
  EXPECT_TRUE(Errors.Messages().empty());
}

TEST_F(PeekGroup, BoundariesOfTheTypedNumbers) {
  struct Case {
    const wchar_t* start;
    const wchar_t* count;
    std::vector<WideString> lines;
  };
  const Case cases[] = {
      {L"0", L"0", {}},
      {L"-1", L"1", {L"0\tc:\\data"}},
      {L"99999999999999999999", L"5", {}},
      {L"5", L"99999999999999999999", {L"5\tc:\\data\\c.txt"}},
      // Halves round away from zero: start 3, count 2 (the repeat of c:\data is not listed).
      {L"2.5", L"1.5", {L"3\tc:\\data\\sub\\b.txt", L"5\tc:\\data\\c.txt"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(WideToAnsi(std::wstring(c.start) + L" / " + c.count));
    EXPECT_PRED_FORMAT2(testsupport::BytesEqual, PeekFile(c.lines),
                        Peek(c.start, c.count, Temp.File("edge" + IntToStr(n++) + ".txt")));
  }
  EXPECT_TRUE(Errors.Messages().empty());
}

TEST_F(PeekGroup, ErrorsReachTheApplicationAndKeepWhatWasCopied) {
  TruncateAfterFirstBlock(List);
  const AnsiString out = Temp.File("cut.txt");
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual,
                      PeekFile({L"0\tc:\\data", L"1\tc:\\data\\a.txt", L"2\tc:\\data\\sub"}), Peek(L"0", L"20", out));
  ASSERT_EQ(Errors.Classes(), std::vector<std::string>{"EReadError"});

  // A list that cannot be opened: no output file at all, and the window goes on working.
  OpenAnswer = Temp.File("missing.txt");
  EXPECT_EQ(Peek(L"0", L"20", Temp.File("none.txt")), "");
  EXPECT_EQ(Errors.Classes().size(), 2u);
  OpenAnswer = WideToAnsi(List);
  WriteSampleList(List);
  EXPECT_PRED_FORMAT2(testsupport::BytesEqual, PeekFile({L"5\tc:\\data\\c.txt"}),
                      Peek(L"5", L"1", Temp.File("after.txt")));
}

}  // namespace
