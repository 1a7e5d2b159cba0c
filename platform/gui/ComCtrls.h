// The rich-text edit of the class library (used as a plain-text log view) with its line list.
//
// The rich-edit library is loaded the first time a rich edit is created and stays loaded for
// the life of the process (its window class must outlive every window made from it).
#pragma once

#include "platform/gui/StdCtrls.h"

class TRichEdit;

// The lines of a rich edit, read and changed through the window (so the window is created on
// first use). A last empty line after a final line break is not counted, as in the class
// library.
class TRichEditStrings {
public:
  explicit TRichEditStrings(TRichEdit& owner) : FOwner(owner) {}
  int Count() const;
  AnsiString Strings(int index) const;
  void Add(const AnsiString& text) { Insert(Count(), text); }
  void Insert(int index, const AnsiString& text);
  void Delete(int index);
  void Clear();

private:
  TRichEdit& FOwner;
};

class TRichEdit : public TCustomEdit {
public:
  explicit TRichEdit(TComponent* owner);
  ~TRichEdit() override;
  const char* ClassName() const override { return "TRichEdit"; }

  TRichEditStrings& Lines() { return *FLines; }
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool value) { FWantTabs = value; }
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool value) { FWantReturns = value; }
  bool PlainText() const { return FPlainText; }
  void SetPlainText(bool value);
  LRESULT WndProc(TMessage& m) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  // A rich edit counts its text in characters with single-character line breaks; ask it for
  // the ANSI bytes with CR LF line ends instead.
  AnsiString GetText() override;

private:
  std::unique_ptr<TRichEditStrings> FLines;
  TScrollStyle FScrollBars = TScrollStyle::ssNone;
  bool FWordWrap = true;
  bool FWantTabs = false;
  bool FWantReturns = true;
  bool FPlainText = false;
};
